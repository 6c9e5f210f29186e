// File names: every form of a name as written, by open mode; a name
// reaches the same file whatever statement uses it; data files and the
// run's own files are apart.
#include <gtest/gtest.h>
#include "tests/stmtfix.h"
#include "tests/testutil.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

namespace {

// A name of n characters: n - 4 x, then ".txt".
std::string longname(int n) { return std::string(static_cast<std::size_t>(n - 4), 'x') + ".txt"; }

}  // namespace

// Each name after READ, WRITE and UPDATE: the path opened ("@" is the
// working directory), the file layer's error line, the summary's DSN base
// and the DSN text (blank-padded to 256; "" = too long, -1).
TEST(fname_of, FormsOfNamesByMode) {
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    struct Row { std::string as, path, err, list, dsn; };
    const Row kRows[] = {
        {"in.txt", "in.txt", "F=\"in.txt\"", "in.txt", "in.txt"},
        {"d/sub/in.txt", "d/sub/in.txt", "F=\"d/sub/in.txt\"", "d/sub/in.txt", "d/sub/in.txt"},
        {"C:t.txt", "@/C/t.txt", "F=\"C:t.txt\"", "C:t.txt", "C:t.txt"},  // drive form: a directory C
        {"'my file.txt'", "my file.txt", "F=\"my file.txt\"", "my file.txt", "my file.txt"},
        {"in.dat DSN 'a b/x.dat'", "a b/x.dat", "F=\"a b/x.dat\"", "a b/x.dat", "in.dat"},
        // A DD name: the error line names it, the summary its data set.
        {"INPUT DSN 'a/b.txt'", "a/b.txt", "DDname=\"INPUT\"", "a/b.txt", "INPUT"},
        {"'" + longname(254) + "'", longname(254), "F=\"" + longname(254) + "\"", longname(254), longname(254)},
        {"'" + longname(255) + "'", longname(255), "F=\"" + longname(255) + "\"", longname(255), ""},
    };
    struct Mode { const char* verb; std::uint8_t mode; const char* side; };
    const Mode kModes[] = {{"READ ", FM_IN, "(Input)"}, {"WRITE ", FM_OUT, "(Outpt)"}, {"UPDATE ", FM_UPD, "(Input)"}};
    for (const Mode& m : kModes)
        for (const Row& r : kRows) {
            SCOPED_TRACE(m.verb + r.as);
            tvt::StmtRun st;
            ASSERT_EQ(0, st.stmt(m.verb + r.as));
            FFREC* f = st.file();
            ASSERT_NE(nullptr, f);
            EXPECT_EQ(m.mode, f->mode);
            char out[4096];
            std::string want = r.path[0] == '@' ? cwd + r.path.substr(1) : r.path;
            EXPECT_EQ(static_cast<int>(want.size()), fname_of(f, FNM_PATH, out, sizeof out));
            EXPECT_EQ(want, out);
            EXPECT_EQ(static_cast<int>(r.list.size()), fname_of(f, FNM_LIST, out, sizeof out));
            EXPECT_EQ(r.list, out);
            int n = fname_of(f, FNM_DSN, out, sizeof out);
            EXPECT_EQ(r.dsn.empty() ? -1 : 256, n);
            if (n > 0) {
                EXPECT_EQ(r.dsn + std::string(256 - r.dsn.size(), ' '), std::string(out, 256));
            }
            st.c().logfp = std::tmpfile();
            FFCB fc{};
            fc.cmv = &st.c();
            fc.ffrec = f;
            cblferrx(&fc, "Bad.");
            std::rewind(st.c().logfp);
            char line[4096] = "";
            ASSERT_NE(nullptr, std::fgets(line, sizeof line, st.c().logfp));
            EXPECT_EQ("cblfio: Bad.  " + std::string(m.side) + " " + r.err + "\n", line);
            std::fclose(st.c().logfp);
        }
    tvt::StmtRun st;
    EXPECT_EQ(30, st.stmt("READ '" + longname(256) + "'"));  // a name of 256 is refused
}

// The READ form of a drive-like name is the one UTIME touches: ./C/t.txt,
// never a file "C:t.txt" (UTIME once went there and raised 8).
TEST(fname_of, ReadAndUtimeReachTheSameFile) {
    std::string dir = tvt::tempdir("fname_drive");
    ASSERT_EQ(0, mkdir((dir + "/C").c_str(), 0777));
    tvt::spit(dir + "/C/t.txt", "AB\n");
    tvt::spit(dir + "/ctl", "READ C:t.txt\nWRITE out.txt\n");
    EXPECT_EQ(0, tvt::run({"-ctl", "ctl"}, dir).status);
    EXPECT_EQ("AB\n", tvt::slurp(dir + "/out.txt"));
    tvt::spit(dir + "/ctl", "UTIME C:t.txt '2024-02-29 13:05'\nNOW WRITE w.txt\n");
    EXPECT_EQ(0, tvt::run({"-ctl", "ctl"}, dir).status);
    std::tm tm{};
    tm.tm_year = 124, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 13, tm.tm_min = 5, tm.tm_isdst = -1;
    struct stat sb;
    ASSERT_EQ(0, stat((dir + "/C/t.txt").c_str(), &sb));
    EXPECT_EQ(std::mktime(&tm), sb.st_mtime);
    EXPECT_FALSE(tvt::exists(dir + "/C:t.txt"));
    tvt::rmtree(dir);
}

// A data file named like the statement file is a file of its own: WRITE SEL
// beside -ctl SEL.CTL (once error 26, exit 52), READ fifo beside -ctl
// fifo.ctl (once read the statements as data).
TEST(e2e, DataFilesApartFromRunFiles) {
    struct Row { const char *ctl, *stmts, *out, *want; };
    const Row kRows[] = {
        {"SEL.CTL", "READ in.txt\nWRITE SEL\n", "SEL", "D1\nD2\n"},
        {"fifo.ctl", "READ fifo\nWRITE out.txt\n", "out.txt", "F1\n"},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.ctl);
        std::string dir = tvt::tempdir("fname_apart");
        tvt::spit(dir + "/in.txt", "D1\nD2\n");
        tvt::spit(dir + "/fifo", "F1\n");
        tvt::spit(dir + "/" + r.ctl, r.stmts);
        tvt::Run run = tvt::run({"-ctl", r.ctl}, dir);
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ(r.want, tvt::slurp(dir + "/" + r.out));
        tvt::rmtree(dir);
    }
}
