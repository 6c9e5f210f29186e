// Messages: recording (seterr, tokbad), the message lines below and above
// 500 with and without the message file, the log copy, errlogic, and the
// completeness of the system's own message file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "tests/testutil.h"

using tvt::PrtRun;
using tvt::sp;

namespace {

// A message file of the tests: a comment line, a "!" comment, "f" texts,
// explanation lines, and both halves.
constexpr const char* kMsgFile =
    "*   test messages\n"
    "E017 Statement out of sequence\n"
    "E155 Bad -ctl value    ! the comment is not printed\n"
    "      12. Explanation twelve of 155\n"
    "E156 fStatement source cannot be opened\n"
    "E160 Long text: " "abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz0123456789\n"
    "E524 Nothing to do\n"
    "E571 fFile cannot be opened\n";

// Run the test in a directory (with or without a message file), back to
// the old directory at the end.
struct InDir {
    std::filesystem::path old;
    explicit InDir(const std::string& dir) : old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDir() { std::filesystem::current_path(old); }
};

// A listing run whose directory holds the test message file and is the
// current directory while it lasts.
std::string withmsg(const std::string& dir) {
    tvt::spit(dir + "/torvale.msg", kMsgFile);
    return dir;
}
struct MsgRun : PrtRun {
    InDir in;
    explicit MsgRun(const std::string& name) : PrtRun(name), in(withmsg(dir)) {}
};

// The log of a run goes to a file of its own; logback closes it and
// reads it back.
std::string logtofile(PrtRun& r) {
    std::string logp = r.dir + "/log";
    std::fclose(r.cmv.logfp);
    r.cmv.logfp = std::fopen(logp.c_str(), "w");
    return logp;
}
std::string logback(PrtRun& r, const std::string& logp) {
    std::fclose(r.cmv.logfp);
    r.cmv.logfp = nullptr;
    return tvt::slurp(logp);
}

}  // namespace

// One message per run, each in a fresh run so that the half of the file
// taken is that of the number.  Below 500: "*** ERROR nnn ***  " and the
// text, then an empty line (spacing); 500 and up: 18 columns for the
// selection number, "*** SELECTION TIME ERROR nnn ***   " and the text.
TEST(tvlerr, MessageLinesBelowAndAbove500) {
    struct Row { int number, selid; std::string want; bool spaced; };
    const std::string sel = sp(18) + "*** SELECTION TIME ERROR ";
    const std::vector<Row> rows = {
        {155, 0, "*** ERROR 155 ***  Bad -ctl value", true},          // text ends at "!"
        {-155, 0, "*** ERROR 155 ***  Bad -ctl value", true},         // absolute value
        {10155, 0, "*** ERROR 155 ***  Bad -ctl value", true},        // modulo 10,000
        {156, 0, "*** ERROR 156 ***  Statement source cannot be opened", true},  // "f" dropped
        {42, 0, "*** ERROR 042 ***  Error Number not in torvale.msg file", true},
        {524, 0, sel + "524 ***   Nothing to do", false},
        {524, 3, "     (SEL----3)   *** SELECTION TIME ERROR 524 ***   Nothing to do", false},
        {571, 12, "     (SEL---12)   *** SELECTION TIME ERROR 571 ***   File cannot be opened", false},
        {524, -4, "     (SEL   -4)   *** SELECTION TIME ERROR 524 ***   Nothing to do", false},
        {999, 0, sel + "999 ***   Error Number not in torvale.msg file", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        MsgRun r("err-lines");
        r.cmv.prt.selid = row.selid;
        seterr(row.number);
        EXPECT_EQ(1, tvlerr(&r.cmv));
        EXPECT_EQ(0, r.cmv.errnum);
        std::vector<std::string> want = {tvt::head1(1), tvt::head2(), "", row.want};
        if (row.spaced) want.push_back("");
        EXPECT_EQ(want, r.lines());
    }
}

// Only the first error of a statement is printed; the explanation line
// follows behind 14 blanks; the first message of the run is copied to the
// log (heading characters, then the line from its fifth character), the
// second is not; the extra text is added once.
TEST(tvlerr, FirstErrorExplanationAndLogCopy) {
    MsgRun r("err-first");
    std::string logp = logtofile(r);
    ASSERT_NE(nullptr, r.cmv.logfp);
    seterr(155);
    seterr(17);
    r.cmv.errsub = 12;
    EXPECT_EQ(1, tvlerr(&r.cmv));
    EXPECT_EQ(0, r.cmv.errsub);
    char extra[] = "name.txt";
    r.cmv.errextra = extra;
    seterr(17);
    EXPECT_EQ(2, tvlerr(&r.cmv));
    EXPECT_EQ(nullptr, r.cmv.errextra);
    EXPECT_EQ(2, tvlerr(&r.cmv));  // nothing recorded: nothing printed
    std::string log = logback(r, logp);
    std::vector<std::string> want = {tvt::head1(1),
                                     tvt::head2(),
                                     "",
                                     "*** ERROR 155 ***  Bad -ctl value",
                                     sp(14) + "      12. Explanation twelve of 155",
                                     "",
                                     "*** ERROR 017 ***  Statement out of sequence - name.txt",
                                     ""};
    EXPECT_EQ(want, r.lines());
    EXPECT_EQ("TORVALE/L64 3.50 ERROR 155 ***  Bad -ctl value\n" + sp(14) +
                  "      12. Explanation twelve of 155\n",
              log);
}

// The log copy is cut to 77 characters.
TEST(tvlerr, LogCopyCutTo77) {
    MsgRun r("err-cut");
    std::string logp = logtofile(r);
    seterr(160);
    tvlerr(&r.cmv);
    std::string log = logback(r, logp);
    // 17 + "ERROR 160 ***  " (15) + 45 characters of the text = 77
    EXPECT_EQ("TORVALE/L64 3.50 ERROR 160 ***  Long text: abcdefghijklmnopqrstuvwxyz01234567\n", log);
}

// seterr keeps the first number and blames the current token when it has
// text; seterr(0) clears both; tokbad marks the token it blames.
TEST(seterr, BlamesTokenAndKeepsFirst) {
    PrtRun r("err-blame");
    char word[] = "READ";
    TK t{};
    t.text = word;
    t.len = 4;
    TK empty{};
    tkc = &t;
    EXPECT_EQ(45, seterr(45));
    EXPECT_EQ(&t, r.cmv.tkerr);
    EXPECT_EQ(7, seterr(7));
    EXPECT_EQ(45, r.cmv.errnum);
    EXPECT_EQ(0, seterr(0));
    EXPECT_EQ(0, r.cmv.errnum);
    EXPECT_EQ(nullptr, r.cmv.tkerr);
    tkc = &empty;
    seterr(5);
    EXPECT_EQ(nullptr, r.cmv.tkerr);
    seterr(0);
    tkc = &t;
    tokbad(9);
    EXPECT_EQ(&t, r.cmv.tkerr);
    EXPECT_TRUE(t.flags & TK_BAD);
    seterr(0);
    tkc = nullptr;
}

// errlogic writes its line to the log and the listing and ends the
// process with the number (3202 is seen as 130 by a shell).
TEST(errlogic, LineAndExitStatus) {
    PrtRun r("err-logic");
    std::fclose(r.cmv.logfp);
    r.cmv.logfp = nullptr;  // the log is standard error
    EXPECT_EXIT(errlogic(3202), testing::ExitedWithCode(3202 % 256),
                "^\\*\\* Logic Error =03202  Selid =   0  Run terminated.\n$");
    std::vector<std::string> want = {tvt::head1(1), tvt::head2(), "",
                                     "** Logic Error =03202  Selid =   0  Run terminated."};
    EXPECT_EQ(want, r.lines());
    r.cmv.prt.selid = 7;
    EXPECT_EXIT(errlogic(22016), testing::ExitedWithCode(22016 % 256 == 0 ? 255 : 22016 % 256),
                "^\\*\\* Logic Error =22016  Selid =   7  Run terminated.\n$");
}

// The system's message file, loaded with the run's own loader once for a
// number below 500 and once for one above, holds every number of the file
// in its half and every number the code passes to seterr or tokbad.
TEST(msgload, MessageFileIsComplete) {
    const std::string src = TORVALE_SRC;
    std::set<int> file, code;
    std::ifstream msg(src + "/torvale.msg");
    for (std::string l; std::getline(msg, l);)
        if (l.size() > 4 && l[0] == 'E') file.insert(std::stoi(l.substr(1, 3)));
    ASSERT_GT(file.size(), 100u);
    const std::regex call(R"(\b(seterr|tokbad)\s*\(\s*-?(\d+)\s*\))");
    for (const char* sub : {"runtime", "files", "driver", "frontend", "engine", "report"}) {
        if (!std::filesystem::exists(src + "/" + sub)) continue;
        for (const auto& e : std::filesystem::directory_iterator(src + "/" + sub)) {
            std::string text = tvt::slurp(e.path().string());
            for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m) {
                int n = std::stoi((*m)[2].str());
                if (n != 0) code.insert(n % 10000);
            }
        }
    }
    InDir in(src);
    for (int half : {1, 500}) {
        SCOPED_TRACE(half);
        PrtRun r("err-complete");
        EXPECT_GT(msgload(&r.cmv, half), 0);
        for (const std::set<int>* s : {&file, &code}) {
            for (int n : *s) {
                if ((n < 500) != (half < 500)) continue;
                int len = 0;
                const char* at = msgfind(&r.cmv, n, &len);
                std::string text(at, static_cast<size_t>(len));
                EXPECT_NE("Error Number not in torvale.msg file", text) << n;
                EXPECT_GE(text.size(), 6u) << n;
            }
        }
    }
}

// Whole runs: the command-line errors are printed in the listing, with the
// text of the message file in the current directory, else of the one
// beside the program; a copy of the program in a folder without one shows
// the not-found text.  The run still ends with 52.
TEST(tvlerr, CommandLineErrorsInTheListing) {
    // own: a message file of the test in the directory; copy: a copy of the program.
    struct Row { const char* name; bool own, copy; std::vector<std::string> args; std::string want; };
    const std::vector<Row> rows = {
        {"beside the program", false, false, {"-ctl", "A", "-ctl", "B"},
         "*** ERROR 155 ***  Invalid or repeated -ctl/-lst/-log value, or log not opened"},
        {"current directory first", true, false, {"-ctl", "A", "-ctl", "B"}, "*** ERROR 155 ***  Bad -ctl value"},
        {"parameter string too long", false, false, {std::string(516, 'a')},
         "*** ERROR 170 ***  Command-line parameter string or its EQU text too long"},
        {"no message file", false, true, {"-ctl", "A", "-ctl", "B"},
         "*** ERROR 155 ***  Error Number not in torvale.msg file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string d = tvt::tempdir("err-run");
        if (row.own) tvt::spit(d + "/torvale.msg", kMsgFile);
        std::string exe = TORVALE_BIN;
        if (row.copy) {
            exe = d + "/torvale";
            std::filesystem::copy_file(TORVALE_BIN, exe);
            std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
        }
        tvt::Run r = tvt::run(row.args, d, "/dev/null", 30, exe);
        EXPECT_EQ(52, r.status);
        std::string lst = tvt::slurp(d + "/TORV.LST");
        EXPECT_NE(std::string::npos, lst.find("\n\n" + row.want + "\n\n")) << lst;
        EXPECT_EQ(0u, lst.find("TORVALE/L64 3.50 ")) << lst;
        tvt::rmtree(d);
    }
}

// A message marked "f" with a current data file: "F=", the file's name,
// " - " and the file layer's error text in place of the text; then, for
// an input file, the most recent input block (used part of the buffer).
TEST(tvlerr, FileMessageAndInputBlock) {
    MsgRun r("err-file");
    char dsn[] = "data/in.txt";
    char errm[128] = "No such file or directory";
    unsigned char buf[40];
    for (int i = 0; i < 40; i++) buf[i] = static_cast<unsigned char>('a' + i % 26);
    FFREC f{};
    f.dsn = dsn;
    f.dsnlen = 11;
    f.errm = errm;
    f.mode = FM_IN;
    f.buf = buf;
    f.bufoff = 30;
    f.unread = 10;
    f.iosize = 40;
    FFCB fc{};
    fc.ffrec = &f;
    r.cmv.datfcb = &fc;
    r.cmv.prt.selid = 4;
    seterr(571);
    tvlerr(&r.cmv);
    r.cmv.datfcb = nullptr;
    std::vector<std::string> want = {
        tvt::head1(1), tvt::head2(), "",
        "     (SEL----4)   *** SELECTION TIME ERROR 571 ***   F=data/in.txt - No such file or directory",
        "",
        "MOST RECENT INPUT BLOCK (PRINTED FROM I/O BUFFER)....",
        "    INPUT   SEL SEL", "    RECNO   TOT ID.", "    -----   --- ---",
        tvt::recpfx('4') + sp(8) + "   40",
        // a..z then a..f: 61 to 7A, 61 to 66; then g..n: 67 to 6E
        "  0000  61626364 65666768 696A6B6C 6D6E6F70  71727374 75767778 797A6162 63646566" + sp(5) +
            "|abcdefghijklmnopqrstuvwxyzabcdef|",
        "  0020  6768696A 6B6C6D6E" + sp(85 - 25) + "|ghijklmn" + sp(24) + "|",
    };
    EXPECT_EQ(want, r.lines());
}

// The blamed token is marked with "*" under its place in the listed
// statement (printed as a statement line: 9 columns of prefix, then the
// text); error 17 has no mark; a label is underlined with "-" without its
// colon.
TEST(tvlerr, MarksUnderTheStatement) {
    MsgRun r("err-mark");
    char wline[WLINE_LEN];
    std::memset(wline, ' ', sizeof wline);
    std::memcpy(wline + WLINE_PFX, "LAB: READ INPUT X", 17);
    r.cmv.wline = wline;
    TK lab{}, x{};
    lab.src = wline + WLINE_PFX;
    lab.srclen = 4;
    lab.text = wline + WLINE_PFX;
    lab.len = 4;
    x.src = wline + WLINE_PFX + 16;
    x.srclen = 1;
    x.text = wline + WLINE_PFX + 16;
    x.len = 1;
    tvlprt(wline, WLINE_PFX + 17, PT_ECHO, 0);
    r.cmv.tkhead = &lab;
    cmsw2 |= SW2_LABEL;
    tvlerr(&r.cmv);
    EXPECT_FALSE(cmsw2 & SW2_LABEL);
    tkc = &x;
    seterr(45);
    tvlerr(&r.cmv);
    seterr(17);
    tvlerr(&r.cmv);
    tkc = nullptr;
    r.cmv.tkhead = nullptr;
    std::vector<std::string> want = {tvt::head1(1), tvt::head2(), "",
                                     sp(9) + "LAB: READ INPUT X",
                                     sp(9) + "---",
                                     sp(9 + 16) + "*",
                                     "*** ERROR 045 ***  Error Number not in torvale.msg file", "",
                                     "*** ERROR 017 ***  Statement out of sequence", ""};
    EXPECT_EQ(want, r.lines());
}
