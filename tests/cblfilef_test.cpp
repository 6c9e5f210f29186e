// File names: every form of a name as written, by mode; whole runs using them.
#include <gtest/gtest.h>
#include "tests/testutil.h"
#include <sys/stat.h>
#include <unistd.h>
#include <ctime>

// Each name after READ, WRITE and UPDATE: the path opened ("@" is the
// working directory), the name of the error line, the summary's DSN base
// and the DSN text, blank-padded to 256 ("" when it does not fit: -1).
TEST(fname_of, FormsOfNamesByMode) {
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    const std::string l254 = std::string(250, 'x') + ".txt", l255 = "x" + l254;  // 254 and 255 characters
    struct Row { std::string as, path, show, list, dsn; };
    const Row kRows[] = {
        {"in.txt", "in.txt", "in.txt", "in.txt", "in.txt"},
        {"d/sub/in.txt", "d/sub/in.txt", "d/sub/in.txt", "d/sub/in.txt", "d/sub/in.txt"},
        {"C:t.txt", "@/C/t.txt", "C:t.txt", "C:t.txt", "C:t.txt"},  // drive form: a directory C
        {"'my file.txt'", "my file.txt", "my file.txt", "my file.txt", "my file.txt"},
        {"in.dat DSN 'a b/x.dat'", "a b/x.dat", "a b/x.dat", "a b/x.dat", "in.dat"},
        {"INPUT DSN 'a/b.txt'", "a/b.txt", "INPUT", "a/b.txt", "INPUT"},  // a DD name
        {"'" + l254 + "'", l254, l254, l254, l254},  // 254 and its blank: 255
        {"'" + l255 + "'", l255, l255, l255, ""},
    };
    struct Mode { const char* verb; std::uint8_t mode; };
    const Mode kModes[] = {{"READ ", FM_IN}, {"WRITE ", FM_OUT}, {"UPDATE ", FM_UPD}};
    for (const Mode& m : kModes)
        for (const Row& r : kRows) {
            SCOPED_TRACE(m.verb + r.as);
            tvt::StmtRun st;
            ASSERT_EQ(0, st.stmt(m.verb + r.as));
            FFREC* f = st.file();
            EXPECT_EQ(m.mode, f->mode);
            auto form = [f](int k) {  // the form's bytes as long as fname_of says, or its -1
                char out[4096];
                int n = fname_of(f, k, out, sizeof out);
                return n < 0 ? std::to_string(n) : std::string(out, static_cast<std::size_t>(n));
            };
            EXPECT_EQ(r.path[0] == '@' ? cwd + r.path.substr(1) : r.path, form(FNM_PATH));
            EXPECT_EQ(r.show, form(FNM_SHOW));
            EXPECT_EQ(r.list, form(FNM_LIST));
            EXPECT_EQ(r.dsn.empty() ? "-1" : r.dsn + std::string(256 - r.dsn.size(), ' '), form(FNM_DSN));
        }
    tvt::StmtRun st;
    EXPECT_EQ(30, st.stmt("READ 'xx" + l254 + "'"));  // a name of 256 is refused
}

// A data file named like the statement file is a file of its own (WRITE
// SEL beside -ctl SEL.CTL was error 26, exit 52; READ fifo beside -ctl
// fifo.ctl read the statements); UTIME C:t.txt touches ./C/t.txt, the file
// READ C:t.txt reads (it went to ./C:t.txt and raised return code 8).
TEST(e2e, FileNamesReachTheirFiles) {
    struct Row { const char *ctl, *stmts, *out, *want; bool touched; };
    const Row kRows[] = {
        {"SEL.CTL", "READ in.txt\nWRITE SEL\n", "SEL", "i1\n", false},
        {"fifo.ctl", "READ fifo\nWRITE out.txt\n", "out.txt", "f1\n", false},
        {"ctl", "READ C:t.txt\nWRITE out.txt\nUTIME C:t.txt '2024-02-29 13:05'\n", "out.txt", "C1\n", true},
    };
    std::tm tm{};  // 2024-02-29 13:05 local time
    tm.tm_year = 124, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 13, tm.tm_min = 5, tm.tm_isdst = -1;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.ctl);
        std::string dir = tvt::tempdir("fname_e2e");
        ASSERT_EQ(0, mkdir((dir + "/C").c_str(), 0777));
        for (std::string name : {"in.txt", "fifo", "C/t.txt"})  // each holds its first letter, "1", LF
            tvt::spit(dir + "/" + name, name.substr(0, 1) + "1\n");
        tvt::spit(dir + "/" + r.ctl, r.stmts);
        EXPECT_EQ(0, tvt::run({"-ctl", r.ctl}, dir).status);
        EXPECT_EQ(r.want, tvt::slurp(dir + "/" + r.out));
        struct stat sb;
        ASSERT_EQ(0, stat((dir + "/C/t.txt").c_str(), &sb));
        EXPECT_EQ(r.touched, sb.st_mtime == std::mktime(&tm));
        tvt::rmtree(dir);
    }
}
