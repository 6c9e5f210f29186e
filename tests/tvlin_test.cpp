// Statement input: saved lines and their blocks, continuation, closing the
// parameter-string statements, and whole runs that read statements from a
// control file, standard input and the parameter string and list them.
#include "driver/driver.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "testutil.h"
#include "tests/testutil.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace std::literals;

namespace {

// The shared bare run context, for the routines that work on saved lines
// and text; fresh() starts a row with nothing saved.
class In : public tvt::RunCtx {
protected:
    void SetUp() override {
        RunCtx::SetUp();
        fresh();
    }
    void TearDown() override {
        fresh();
        RunCtx::TearDown();
    }
    void fresh() {
        stmtfree(&ctx);
        tokfree(&ctx);
        tkc = nullptr;
        cmsw4 = 0;
        savsiz = 4096;
        ctx.errnum = 0;
        ctx.tkcnt = 0;
    }
    char* save(int lineno, std::string_view text) {
        ctx.linecnt = lineno;
        return savphys(&ctx, text.data(), static_cast<int>(text.size()));
    }
};

using savphys_t = In;
using nextcont_t = In;
using gotcont_t = In;
using ctl_end_t = In;

std::string hex(const char* p, int n) { return tvt::hex({p, static_cast<std::size_t>(n)}); }

}  // namespace

// Lines 1 "EOJ" and 2 "A \": each entry is the line number and the length
// (two bytes each, high byte first), the text and a NUL.
TEST_F(savphys_t, EntryLayout) {
    char* a = save(1, "EOJ\n");  // the line feed is not saved
    char* b = save(2, "A \\");
    char* blk = ctx.ccfirst;
    ASSERT_NE(blk, nullptr);
    EXPECT_EQ(a, blk + 24);
    EXPECT_EQ(b, blk + 32);
    // 00 01 | 00 03 | E O J | NUL, then 00 02 | 00 03 | A blank \ | NUL
    EXPECT_EQ(hex(blk + 20, 16), "00 01 00 03 45 4F 4A 00 00 02 00 03 41 20 5C 00");
    std::int32_t used;
    std::memcpy(&used, blk + 16, 4);
    EXPECT_EQ(used, 16);
    EXPECT_EQ(get_sl(a), 3);
    EXPECT_EQ(get_sn(b), 2);
}

// With 64-byte blocks an entry of 40 bytes leaves 64 - 7 - 45 = 12 bytes
// for the next text: a 20-byte line goes to a new block, and FF FF FF FF
// marks the end of the first.
TEST_F(savphys_t, FullBlockChainsANewOne) {
    savsiz = 64;
    char* a = save(1, std::string(39, 'A') + "\\");
    char* b = save(2, std::string(19, 'B') + "\\");
    char* c = save(3, "C");
    char* first = ctx.ccfirst;
    ASSERT_NE(ctx.cccur, first);
    EXPECT_EQ(hex(first + 20 + 45, 4), "FF FF FF FF");
    EXPECT_EQ(b, ctx.cccur + 24);
    EXPECT_EQ(nextcont(a), b);
    EXPECT_EQ(nextcont(b), c);
    // Joined text: 39 A, 19 B, C.  Column 45 is the sixth B of line 2.
    char* line = nullptr;
    int col = 45;
    EXPECT_EQ(col_adj(a, &line, &col), 2);
    EXPECT_EQ(line, b);
    EXPECT_EQ(col, 6);
    col = 58;
    EXPECT_EQ(col_adj(a, &line, &col), 3);
    EXPECT_EQ(line, c);
    EXPECT_EQ(col, 0);
}

TEST_F(savphys_t, OverlongLineIsLogicError) {
    tvt::WorkDir wd("logic-stop");  // the listing of the stop goes there
    EXPECT_EXIT(
        {
            std::string big(4090, 'X');  // savsiz - 7 is 4089
            save(1, big);
        },
        testing::ExitedWithCode(7701 & 255), "Logic Error =07701");
}

TEST_F(nextcont_t, LineWithoutBackslashIsLogicError) {
    tvt::WorkDir wd("logic-stop");  // the listing of the stop goes there
    EXPECT_EXIT(
        {
            char* a = save(1, "EOJ");
            save(2, "STOP");
            nextcont(a);
        },
        testing::ExitedWithCode(9302 & 255), "Logic Error =09302");
}

TEST_F(gotcont_t, JoinsWithoutBackslash) {
    struct Row { const char* name; std::vector<std::string_view> lines; std::string_view want; int err; };
    const Row rows[] = {
        {"blank before the backslash", {"READ A \\", "B"}, "READ A B\n", 0},
        {"no blank", {"READ A\\", "B"}, "READ AB\n", 0},
        {"three lines", {"A\\", "\\", "B C"}, "AB C\n", 0},
        // 9 lines of 499 characters and a backslash: 9 * 499 = 4491 > 4094.
        {"longer than the buffer", std::vector<std::string_view>(9, std::string_view()), "", 164},
    };
    std::string filler = std::string(499, 'X') + "\\";
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        int n = 0;
        for (auto l : r.lines) {
            if (l.empty()) l = filler;
            n = gotcont(&ctx, l.data(), static_cast<int>(l.size()));
        }
        EXPECT_EQ(ctx.errnum, r.err);
        if (r.err == 0) {
            EXPECT_EQ(std::string_view(ctx.contbuf, n + 1), r.want);
        } else {
            EXPECT_LE(n, 4094);
            EXPECT_EQ(n, 8 * 499 + 1);  // the eighth line fitted, its backslash still there
        }
    }
}

TEST_F(ctl_end_t, ClosesTheParameterStatements) {
    struct Row { const char* name; std::string_view text; std::string_view want; std::uint32_t sw; };
    const Row rows[] = {
        {"statements go on", "EQU %1   a", "EQU %1   a!!\n", 0},
        {"END", "EQU %1   a!END", "EQU %1   a!END\n", SW4_PARMEND},
        {"E in lower case", "EOJ ! e", "EOJ ! e\n", SW4_PARMEND},
        {"slash asterisk", "EOJ!/*", "EOJ!/*\n", SW4_PARMSTAR},
        {"trailing separators and blanks cut", "EOJ!END  !!", "EOJ!END\n", SW4_PARMEND},
        {"END and more", "EOJ!END X", "EOJ!END X!!\n", 0},
        {"an open quote", "EOJ!'x!END", "EOJ!'x!END!!\n", 0},
        {"no separator", "END", "END!!\n", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        cmsw4 = 0;
        char buf[64] = {};
        std::memcpy(buf, r.text.data(), r.text.size());
        int n = ctl_end(&ctx, buf, buf + r.text.size());
        EXPECT_EQ(std::string_view(buf, n + 1), r.want);
        EXPECT_EQ(cmsw4 & (SW4_PARMEND | SW4_PARMSTAR), r.sw);
        EXPECT_EQ(ctx.tkcnt, 0);
    }
}

// ---------------------------------------------------------------------------
// Whole runs
// ---------------------------------------------------------------------------

namespace {

using tvt::listing;
using tvt::starts;


bool holds(const std::vector<std::string>& v, std::string_view what) {
    for (auto& l : v)
        if (l.find(what) != std::string::npos) return true;
    return false;
}

// Statements of the reading tests, and the listing they give.  Line 1
// continues without a blank (EO and J make EOJ), line 3 with one; line 5
// holds three statements, each listed at its own columns; line 6 has the
// prefix; "/*" ends the statements, so the last line is never read.
constexpr std::string_view kStmts =
    "EO\\\n"
    "J\n"
    "GOTO \\\n"
    "EOJ\n"
    "EOJ ! SPACE ! STOP\n"
    "./STOP\n"
    "/* end of statements\n"
    "SPACE\n";

const std::vector<std::string> kListed = {
    "     1.  EO\\",
    "         J",
    "     2.  GOTO \\",
    "         EOJ",
    "     3.  EOJ",
    "     4.        SPACE",
    "     5.                STOP",
    "     6.  ./STOP",
};

}  // namespace

// From the control file or from standard input (a file: no prompt).
TEST(tvlin, ReadsTheControlFileOrStandardInput) {
    for (bool ctl : {true, false}) {
        SCOPED_TRACE(ctl ? "-ctl" : "standard input");
        std::string d = tvt::tempdir("tvlin_read");
        tvt::spit(d + "/in.ctl", kStmts);
        auto r = ctl ? tvt::run({"-ctl", "in.ctl"}, d) : tvt::run({}, d, d + "/in.ctl");
        auto l = listing(d);
        starts(l, kListed);
        int spaces = 0;  // the SPACE after "/*" is not read
        for (auto& line : l) spaces += line.find("SPACE") != std::string::npos;
        EXPECT_EQ(spaces, 1);
        EXPECT_EQ(r.err.find("Enter TORVALE"), std::string::npos);
    }
}

TEST(tvlin, OverlongLineShowsTruncation) {
    std::string d = tvt::tempdir("tvlin_long");
    tvt::spit(d + "/in.ctl", std::string(600, 'A') + "\nEOJ\n");
    tvt::run({"-ctl", "in.ctl"}, d);
    auto l = listing(d);
    ASSERT_FALSE(l.empty());
    // The text is cut to 514 characters: the marker, then the line's start.
    std::string want = "### ERROR ###  CTL TRUNCATED  ***  " + std::string(514 - 35, 'A');
    ASSERT_GE(l[0].size(), 9u);
    EXPECT_EQ(l[0].substr(9), want);
}

// An INCLUDE in the middle of a line: the included statements, then the
// rest of the line, then the next line of the including file.
TEST(tvlin, IncludeInTheMiddleOfALine) {
    std::string d = tvt::tempdir("tvlin_inc");
    tvt::spit(d + "/in.ctl", "EOJ ! INCLUDE inc.ctl ! STOP\nPDUMP\n");
    tvt::spit(d + "/inc.ctl", "GOTO EOJ\n");
    tvt::run({"-ctl", "in.ctl"}, d);
    starts(listing(d), {
                           "     1.  EOJ",
                           "               INCLUDE inc.ctl",
                           "     2.  GOTO EOJ",
                           "     3.                          STOP",
                           "     4.  PDUMP",
                       });
}

// Statements in the parameter string are line 0: the positional values
// as EQU statements, then the statements.  With END standard input is
// not read; without it, it follows.
TEST(tvlin, ParameterStringStatements) {
    struct Row { const char* name; std::vector<std::string> args; std::vector<std::string> want; };
    const Row rows[] = {
        {"with END", {"a", "'b c'", "!", "EOJ", "!", "END"},
         {"         EQU %1   a", "         EQU %2   'b c'", "     1.   EOJ", "          END"}},
        {"without END", {"a", "!", "EOJ"},
         {"         EQU %1   a", "     1.   EOJ", "     2.  PDUMP"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string d = tvt::tempdir("tvlin_parm");
        tvt::spit(d + "/in.ctl", "PDUMP\n");
        tvt::run(r.args, d, d + "/in.ctl");
        auto l = listing(d);
        starts(l, r.want);
        EXPECT_FALSE(std::string_view(r.name) == "with END" && holds(l, "PDUMP"));
    }
}

TEST(tvlin, MissingSourceIsError156) {
    // The control file (null: none), the -ctl name, the name at the end of the message line.
    struct Row { const char* name; const char* ctl; const char* args; const char* file; };
    const Row rows[] = {
        {"missing -ctl file", nullptr, "nosuch.ctl", "nosuch.ctl"},
        {"missing INCLUDE file", "INCLUDE nosuch.inc\nEOJ\n", "in.ctl", "nosuch.inc"},
        {"a file that includes itself", "INCLUDE in.ctl\nEOJ\n", "in.ctl", "in.ctl"},
        {"a directory", nullptr, ".", "."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string d = tvt::tempdir("tvlin_156");
        if (r.ctl) tvt::spit(d + "/in.ctl", r.ctl);
        auto run = tvt::run({"-ctl", r.args}, d);
        EXPECT_EQ(run.status, 52);
        EXPECT_TRUE(holds(listing(d), "*** ERROR 156 ***  Statement source cannot be opened, or INCLUDE without "
                                      "name - "s + r.file));
    }
}

// Eleven statements that each hold an error: the tenth message ends the
// reading, so the eleventh is not listed.
TEST(tvlin, ErrorLimitStopsReading) {
    std::string d = tvt::tempdir("tvlin_errmax");
    std::string ctl;
    for (int i = 0; i < 11; ++i) ctl += "EOJ 'x\n";
    tvt::spit(d + "/in.ctl", ctl);
    auto r = tvt::run({"-ctl", "in.ctl"}, d);
    EXPECT_EQ(r.status, 52);
    int msgs = 0, stmts = 0;
    for (auto& l : listing(d)) {
        if (l.rfind("*** ERROR 271 ***", 0) == 0) ++msgs;
        if (l.find("EOJ 'x") != std::string::npos) ++stmts;
    }
    EXPECT_EQ(msgs, 10);
    EXPECT_EQ(stmts, 10);
}

// The options file: each line writes the syntax-error line to the log
// (options are not analysed yet) and the run goes on; one that is there
// but cannot be read records error 3.
TEST(optnam, OptionsFileLines) {
    std::string d = tvt::tempdir("tvlin_nam");
    tvt::spit(d + "/torvale.nam", "OPTION X\nFOO\n* a comment\n\n/* end\nBAR\n");
    tvt::spit(d + "/in.ctl", "EOJ\n");
    auto r = tvt::run({"-ctl", "in.ctl"}, d);
    EXPECT_NE(r.err.find("Syntax err in torvale.nam :1\nSyntax err in torvale.nam :2\n"), std::string::npos);
    EXPECT_EQ(r.err.find("Syntax err in torvale.nam :3"), std::string::npos);
    EXPECT_EQ(r.err.find("Syntax err in torvale.nam :6"), std::string::npos);
    auto l = listing(d);
    starts(l, {"     1.  EOJ"});
    EXPECT_FALSE(holds(l, "*** ERROR"));
}

TEST(optnam, UnreadableOptionsFileIsError3) {
    std::string d = tvt::tempdir("tvlin_nam3");
    ASSERT_EQ(mkdir((d + "/torvale.nam").c_str(), 0755), 0);
    tvt::spit(d + "/in.ctl", "EOJ\n");
    auto r = tvt::run({"-ctl", "in.ctl"}, d);
    EXPECT_EQ(r.status, 52);
    EXPECT_TRUE(holds(listing(d), "*** ERROR 003 ***  Site options file torvale.nam exists but cannot be opened"));
}

// ---------------------------------------------------------------------------
// A run that waits for statements on standard input
// ---------------------------------------------------------------------------

namespace {

// The program, started in dir with standard input the read end of a pipe
// (*wr its write end) and standard error into err.
pid_t waiting(const std::string& dir, int* wr, const std::string& err, const std::string& inp = "") {
    int p[2];
    if (pipe(p) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (e < 0 || chdir(dir.c_str()) != 0) _exit(127);
        dup2(p[0], 0);
        dup2(e, 2);
        close(p[1]);
        execl(TORVALE_BIN, TORVALE_BIN, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(p[0]);
    if (!inp.empty() && write(p[1], inp.data(), inp.size()) < 0) return -1;
    *wr = p[1];
    return pid;
}

// Has the process come to wait in a read of its standard input?  (The
// first two fields of /proc/<pid>/syscall: read is system call 0 on this
// platform, descriptor 0.)
bool inread(pid_t pid) {
    for (int i = 0; i < 20000; ++i) {
        std::string s = tvt::slurp("/proc/" + std::to_string(pid) + "/syscall");
        if (s.rfind("0 0x0 ", 0) == 0) return true;
        usleep(500);
    }
    return false;
}

}  // namespace

// SIGINT lets a run that waits for statements go on reading; SIGTERM
// ends it with 88.
TEST(tvlin, SignalsWhileWaitingForStatements) {
    std::string d = tvt::tempdir("tvlin_sig");
    std::string err = d + "/err.txt";
    int wr = -1;
    pid_t pid = waiting(d, &wr, err, "EOJ\n");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(inread(pid));
    kill(pid, SIGINT);
    ASSERT_TRUE(inread(pid));  // waits again
    ASSERT_EQ(write(wr, "PDUMP\n", 6), 6);
    close(wr);
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_NE(WEXITSTATUS(st), 88);
    std::string log = tvt::slurp(err);
    EXPECT_NE(log.find("##ERROR##  INT signal (02) intercepted."), std::string::npos);
    EXPECT_EQ(log.find("Enter TORVALE"), std::string::npos);  // a pipe is no terminal
    starts(listing(d), {"     1.  EOJ", "     2.  PDUMP"});

    pid = waiting(d, &wr, err, "EOJ\n");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(inread(pid));
    kill(pid, SIGTERM);
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    close(wr);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 88);
    EXPECT_NE(tvt::slurp(err).find("##ERROR## TERM signal (15) intercepted."), std::string::npos);
}

// Statements typed on a terminal: the prompt is shown first and "/*"
// ends them; with none the phases run (empty) and RETCD stays 52.
TEST(tvlin, TerminalShowsPrompt) {
    struct Row { std::string_view typed; int status; std::vector<std::string> listed; };  // status -1: any
    const Row rows[] = {{"EOJ\n/*\n", -1, {"     1.  EOJ"}}, {"/*\n", 52, {}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        std::string d = tvt::tempdir("tvlin_tty");
        int m = tvt::ptmaster();
        ASSERT_GE(m, 0);
        ASSERT_EQ(write(m, row.typed.data(), row.typed.size()), static_cast<ssize_t>(row.typed.size()));
        auto r = tvt::run({}, d, ptsname(m), 10);
        close(m);
        EXPECT_NE(r.err.find("\n  Enter TORVALE Ctl Cards...  (Use /* to end.)\n"), std::string::npos);
        if (row.status >= 0) { EXPECT_EQ(row.status, r.status); }
        starts(listing(d), row.listed);
    }
}
