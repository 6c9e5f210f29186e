// The run driver: whole runs of the program, runs of tvlgg in this process
// (the parameter string) and in forked children (signals), and the
// command-line helpers on their own.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "frontend/frontend.h"
#include "tests/testutil.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

using namespace std::string_literals;

namespace {

// The log line: 61 heading columns ("TORVALE/L64 3.50" and 45 blanks), then
// "yyyy/mm/dd hh:mm".
const std::string kHead = "TORVALE/L64 3.50" + std::string(45, ' ');
const std::regex kLogLine(kHead + "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d\n");
// The log line, then the copy of message 524 that a run without statements
// leaves for the summary to print ("Nothing to do").
const std::regex kNothing(kHead + "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d\n"
                          "TORVALE/L64 3\\.50  \\*\\*\\* SELECTION TIME ERROR 524 \\*\\*\\*   [^\n]+\n");

// ---------------------------------------------------------------------------
// Whole runs
// ---------------------------------------------------------------------------

TEST(tvlgg, VersionWritesHeadingAndBuildLevel) {
    std::string d = tvt::tempdir("version");
    tvt::Run r = tvt::run({"-V"}, d);
    EXPECT_EQ(0, r.status);
    // No prompt: no statements are read.
    std::regex want(kHead + "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d"
                            "\n          Build Level=022 2021/07/07 16:17 \\(Latest change\\)\\.\n");
    EXPECT_TRUE(std::regex_match(r.err, want)) << r.err;
    tvt::rmtree(d);
}

TEST(tvlgg, MemoryTraceShowsBlocksAndPhaseLines) {
    std::string d = tvt::tempdir("cortrace");
    tvt::Run r = tvt::run({"-corM1", "-V"}, d);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.err.find("Got 0001: ")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(" id=beg \n")) << r.err;
    EXPECT_LT(r.err.find(" id=beg \n"), r.err.find("\n** eon **\n"));
    EXPECT_NE(std::string::npos, r.err.find("Build Level=")) << r.err;

    // A whole run shows every phase line, in order; lower case codes work.
    tvt::spit(d + "/in", "a\n");
    tvt::spit(d + "/t.ctl", "READ in\nNOW WRITE out\n");
    r = tvt::run({"-corm2", "-ctl", "t.ctl"}, d);
    std::size_t at = 0;
    for (const char* line : {"\n** eon **\n", "\n** AA **\n", "\n** SS **\n", "\n** FF **\n"}) {
        SCOPED_TRACE(line);
        std::size_t p = r.err.find(line, at);
        ASSERT_NE(std::string::npos, p) << r.err;
        at = p + 1;
    }
    // Without a code there are none.
    r = tvt::run({}, d);
    EXPECT_EQ(std::string::npos, r.err.find("\n** ")) << r.err;
    tvt::rmtree(d);
}

TEST(tvlgg, CommandLineErrorsStopTheRun) {
    struct Row { const char* name; std::vector<std::string> args; int err; };  // err: in the log, 0 for none
    const std::string a515(515, 'a');
    const Row rows[] = {
        {"no arguments: no statements, the log line once", {}, 0},
        {"second -ctl", {"-ctl", "A", "-ctl", "B"}, 155},
        {"-ctl with no value", {"-ctl"}, 155},
        {"-ctl with an empty value", {"-ctl="}, 155},
        {"second -lst in one argument", {"-lst=a,-lst=b"}, 155},
        {"second < after -ctl", {"-ctl", "A", "<B"}, 155},
        {"log in a missing directory", {"-log", "nodir/x.log"}, 155},
        {"515 characters", {a515}, 0},
        {"516 characters", {a515 + "b"}, 170},
        {"516 characters in two arguments", {std::string(300, 'a'), std::string(215, 'b')}, 170},
        {"-ctl and -lst in one argument", {"-ctl=/dev/null,-lst=b"}, 0},
    };
    std::string d = tvt::tempdir("cmderr");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tvt::Run r = tvt::run(row.args, d);
        EXPECT_EQ(52, r.status);
        if (row.err) {
            // A printed error keeps the phases from running; the log shows
            // the log line and the copy of the first message.
            const std::regex copy(kHead + "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d\nTORVALE/L64 3\\.50 ERROR " +
                                  std::to_string(row.err) + " \\*\\*\\*  [^\n]+\n");
            EXPECT_TRUE(std::regex_match(r.err, copy)) << r.err;
        } else {
            EXPECT_TRUE(std::regex_match(r.err, kNothing)) << r.err;
        }
    }
    tvt::rmtree(d);
}

TEST(tvlgg, LogOptionOpensTheLogAtOnce) {
    std::string d = tvt::tempdir("logopt");
    tvt::Run r = tvt::run({"-log=run.log", "-V"}, d);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.err);
    EXPECT_NE(std::string::npos, tvt::slurp(d + "/run.log").find("Build Level=")) << tvt::slurp(d + "/run.log");
    // The errors of the command line go to it too, traces included.
    r = tvt::run({"-corM1", "-ctl", "A", "-ctl", "B", "-log", "err.log"}, d);
    EXPECT_EQ(52, r.status);
    std::string log = tvt::slurp(d + "/err.log");
    EXPECT_NE(std::string::npos, log.find("TORVALE/L64 3.50 ERROR 155 ***  ")) << log;
    EXPECT_NE(std::string::npos, log.find("\n** FF **\n")) << log;
    EXPECT_EQ(std::string::npos, r.err.find("ERROR")) << r.err;
    tvt::rmtree(d);
}

TEST(tvlgg, ReturnCodeAsExitStatus) {
    struct Row { long long rc; int want; };
    const Row rows[] = {{0, 0}, {52, 52}, {255, 255}, {256, 255}, {8301, 255}, {-1, 255}, {-256, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rc);
        EXPECT_EQ(row.want, exitcode(row.rc));
    }
}

// ---------------------------------------------------------------------------
// The parameter string, seen from a run of tvlgg in this process
// ---------------------------------------------------------------------------

// What the run holds when the log line is built (after the parameter string).
struct Seen {
    std::string parmall, parmpos, parmstmt, ctl, lst, nam;
    int         parmcnt = -1, errnum = 0;
    std::uint32_t sw4 = 0, drvsw = 0;
};
Seen seen;

void capture(CMV* c, int step) {
    if (step != 'B') return;
    seen.parmall = c->parmall;
    seen.parmpos = c->parmpos;
    seen.parmstmt = c->parmstmt ? c->parmstmt : "";
    seen.ctl = c->ctlname ? c->ctlname : "";
    seen.lst = c->lstname ? c->lstname : "";
    seen.nam = c->namval;
    seen.parmcnt = c->parmcnt;
    seen.errnum = c->errnum;
    seen.sw4 = cmsw4;
    seen.drvsw = c->drvsw;
}

// Run tvlgg here with "-notr" first (so this process keeps its own signal
// handlers) and the given arguments; standard error is thrown away.
Seen runhere(std::vector<std::string> args) {
    tvt::WorkDir wd("tvlgg-here");  // the listings and logs the runs name
    seen = Seen{};
    args.insert(args.begin(), {"torvale", "-notr"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int saved = dup(2);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    close(null);
    tvlgg_hook = capture;
    tvlgg(static_cast<int>(args.size()), argv.data());
    tvlgg_hook = nullptr;
    dup2(saved, 2);
    close(saved);
    return seen;
}

std::string field(const std::string& s) { return s + std::string(s.size() < 80 ? 80 - s.size() : 0, ' '); }

TEST(parmstr, PositionalValuesBecomeEquStatements) {
    // pos: parmpos without its blank padding; stmt: parmstmt.
    struct Row { const char* name; std::vector<std::string> args; std::string pos; int cnt; std::string stmt; };
    const Row rows[] = {
        {"three values, the second quoted", {"a", "'b c'", "d"}, "a 'b c' d  ", 3,
         "EQU %1   a!EQU %2   'b c'!EQU %3   d"},
        {"a quote the shell split is rejoined", {"a", "'b", "c'"}, "a 'b c'  ", 2, "EQU %1   a!EQU %2   'b c'"},
        {"the gaps are kept", {"a  b"}, "a  b  ", 2, "EQU %1   a!EQU %2   b"},
        {"a tenth value is ignored", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
         "1 2 3 4 5 6 7 8 9  ", 9,
         "EQU %1   1!EQU %2   2!EQU %3   3!EQU %4   4!EQU %5   5!EQU %6   6!EQU %7   7!EQU %8   8!EQU %9   9"},
        {"statements after the separator", {"v", "!", "READ", "IN"}, "v  ", 1, "EQU %1   v! READ IN"},
        {"statements only", {"!READ", "IN"}, "", 0, "READ IN"},
        {"option values are no positional values", {"-ctl", "x", "y", "-lst=l,-log=g.log", "-nam", "q"}, "y  ", 1,
         "EQU %1   y"},
        {"-nam, -notrap, -cor words and -V are no values",
         {"x", "-nam", "n1", "-NOTRAP", "-corHT", "-corTR=999", "-V", "w"}, "x w  ", 2, "EQU %1   x!EQU %2   w"},
        {"no arguments", {}, "", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Seen s = runhere(row.args);
        EXPECT_EQ(field(row.pos), s.parmpos);
        EXPECT_EQ(row.cnt, s.parmcnt);
        EXPECT_EQ(row.stmt, s.parmstmt);
        EXPECT_EQ(0, s.errnum);
    }
}

TEST(parmstr, OptionsTakeTheirValues) {
    struct Row { const char* name; std::vector<std::string> args; std::string ctl, lst; std::uint32_t sw4; };
    const Row rows[] = {
        {"both in one argument", {"-ctl=a,-lst=b"}, "a", "b", SW4_CTLFILE},
        {"value in the next argument", {"-CTL", "= a", "-lst", "b"}, "a", "b", SW4_CTLFILE},
        {"less-than sign", {"<in.ctl"}, "in.ctl", "", SW4_CTLFILE},
        {"its alias byte", {"\xAE" "in.ctl"}, "in.ctl", "", SW4_CTLFILE},
        {"value ends at a blank", {"-ctl=a b"}, "a", "", SW4_CTLFILE | SW4_PARMPOS},
        {"value ends at !", {"-lst=l!READ"}, "", "l", SW4_PARMCTL},
        {"other dash words are values", {"-foo"}, "", "", SW4_PARMPOS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Seen s = runhere(row.args);
        EXPECT_EQ(row.ctl, s.ctl);
        EXPECT_EQ(row.lst, s.lst);
        EXPECT_EQ(row.sw4, s.sw4);
        EXPECT_EQ(0, s.errnum);
    }
    Seen s = runhere({"-nam=ABCDEFGHIJ"});
    EXPECT_EQ("ABCDEFGH", s.nam);
    s = runhere({"-v"});
    EXPECT_EQ(CM_DRV_VERSION, s.drvsw & CM_DRV_VERSION);
    EXPECT_EQ(CM_DRV_NOTRAP, s.drvsw & CM_DRV_NOTRAP);
}

// ---------------------------------------------------------------------------
// Signals, in forked children running tvlgg with the trap installed
// ---------------------------------------------------------------------------

// What a child does at one step of the driver.
enum class Act { Wait, RaiseInt, FiveInts, Fault, Illegal };
Act  act;
int  actstep;
int  readyfd;

void childhook(CMV*, int step) {
    if (step != actstep) return;
    switch (act) {
    case Act::Wait: {
        // SIGTERM stays blocked until sigsuspend waits for it, so that it
        // cannot slip in between the test and the wait.
        sigset_t term, old;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        sigprocmask(SIG_BLOCK, &term, &old);
        char b = 1;
        (void)!write(readyfd, &b, 1);
        while (!cmsigterm) sigsuspend(&old);
        sigprocmask(SIG_SETMASK, &old, nullptr);
        break;
    }
    case Act::RaiseInt:
        raise(SIGINT);
        break;
    case Act::FiveInts:
        for (int i = 0; i < 5; ++i) raise(SIGINT);
        break;
    case Act::Fault: {
        // A real fault: a store into a page that may not be written.
        void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile char*>(page) = 1;
        break;
    }
    case Act::Illegal:
        __builtin_trap();  // an undefined instruction: SIGILL
    }
}

struct Child { int status; std::string err; };  // exit status or 128 + signal; its standard error

// Run tvlgg in a child with args; for Act::Wait, send sig once it waits.
Child runchild(std::vector<std::string> args, Act a, int step, int sig = 0) {
    std::string d = tvt::tempdir("sigchild");
    std::string errp = d + "/err";
    int pfd[2];
    EXPECT_EQ(0, pipe(pfd));
    pid_t pid = fork();
    if (pid == 0) {
        close(pfd[0]);
        int e = open(errp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(e, 2);
        act = a;
        actstep = step;
        readyfd = pfd[1];
        tvlgg_hook = childhook;
        args.insert(args.begin(), "torvale");
        std::vector<char*> argv;
        for (auto& s : args) argv.push_back(s.data());
        argv.push_back(nullptr);
        _exit(tvlgg(static_cast<int>(args.size()), argv.data()));
    }
    close(pfd[1]);
    if (a == Act::Wait) {
        struct pollfd p{pfd[0], POLLIN, 0};
        EXPECT_EQ(1, poll(&p, 1, 10000));
        kill(pid, sig);
    }
    close(pfd[0]);
    int st = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid, &st, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            ADD_FAILURE() << "child timed out";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Child c{WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st), tvt::slurp(errp)};
    tvt::rmtree(d);
    return c;
}

// The progress marker at a step: "G", the step's letter, thirteen dots.
std::string marker(char step) { return "G"s + step + std::string(13, '.'); }

// SIGTERM, real faults (not raised signals: the handler cannot return)
// and a fifth signal end the run; SIGINT writes its line and the run goes
// on to its log line; without the trap the default action ends it.
TEST(ab_rtn, SignalsWriteTheirLine) {
    tvt::WorkDir wd("logic-stop");  // the listing of the stop goes there
    // err: the whole standard error, or its start; more: null when err is
    // all of it, else a text after it.
    struct Row {
        const char* name; std::vector<std::string> args; Act act; int step, sig, status;
        std::string err; const char* more;
    };
    const std::string term = "##ERROR## TERM signal (15) intercepted.  " + marker('P') + ".\n";
    const std::string intr = "##ERROR##  INT signal (02) intercepted.  " + marker('P') + ".\n";
    const Row rows[] = {
        {"SIGTERM", {}, Act::Wait, 'P', SIGTERM, 88, term, nullptr},
        // After the statements: "g", a line was read; the file layer keeps
        // its own letters at the end of the marker.
        {"SIGSEGV", {}, Act::Fault, 'C', 0, 88, "##ERROR## SEGV signal (11) intercepted.  GCg........", ""},
        {"SIGILL", {}, Act::Illegal, 'P', 0, 88, "##ERROR## ILLG signal (04) intercepted.  " + marker('P') + ".\n",
         nullptr},
        {"SIGINT", {}, Act::RaiseInt, 'P', 0, 52, intr, "TORVALE/L64 3.50"},
        {"fifth SIGINT", {}, Act::FiveInts, 'P', 0, 99, intr + intr + intr + intr, nullptr},
        {"-notr", {"-notr"}, Act::Wait, 'P', SIGTERM, 128 + SIGTERM, "", nullptr},
        {"-NOTRAP", {"-NOTRAP"}, Act::Wait, 'P', SIGTERM, 128 + SIGTERM, "", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Child c = runchild(r.args, r.act, r.step, r.sig);
        EXPECT_EQ(r.status, c.status);
        if (!r.more) {
            EXPECT_EQ(r.err, c.err);
        } else {
            EXPECT_EQ(0u, c.err.find(r.err)) << c.err;
            EXPECT_NE(std::string::npos, c.err.find(r.more, r.err.size())) << c.err;
        }
    }
}

// ---------------------------------------------------------------------------
// Command-line helpers on their own
// ---------------------------------------------------------------------------

// The helpers' own run context; the names they keep are released after.
class Helpers : public tvt::RunCtx {
protected:
    void TearDown() override {
        cblgcorf(&gc, &ctx.ctlname, "ctl");
        cblgcorf(&gc, &ctx.lstname, "lst");
        RunCtx::TearDown();
    }
};

// Arguments laid out one after the other, as tvlgg's copy has them.
struct Args {
    std::string         text;
    std::vector<char*>  argv;
    explicit Args(const std::vector<std::string>& a) {
        std::vector<std::size_t> at;
        text = "torvale"s + '\0';
        for (auto& s : a) {
            at.push_back(text.size());
            text += s;
            text += '\0';
        }
        argv.push_back(text.data());
        for (auto o : at) argv.push_back(text.data() + o);
        argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(argv.size()) - 1; }
};

using cblgcmd_t = Helpers;
TEST_F(cblgcmd_t, JoinsArgumentsByOneBlank) {
    struct Row { std::vector<std::string> args; std::string line; int need; int size = 520; };
    const Row rows[] = {
        {{"a", "b"}, "a b", 3},
        {{"a", "", "b"}, "a  b", 4},           // an empty argument still has its blank
        {{"a", "b", "", ""}, "a b", 3},        // trailing empty arguments are left out
        {{"'a", "b"}, "'a'b", 4},              // an open quote is closed in place of the blank
        {{"\"a'", "b"}, "\"a'\"b", 5},         // the quote that opened is the one that closes
        {{"'a'", "b"}, "'a' b", 5},
        {{"a", "'b"}, "a 'b", 4},              // the last argument is left as it is
        {{}, "", 0},
        {{"abcdefgh", "ij"}, "abcdefg", 11, 8},  // 8-byte buffer: 7 bytes and a NUL, full need
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Args a(row.args);
        char buf[520];
        EXPECT_EQ(row.need, cblgcmd(buf, row.size, a.argc(), a.argv.data()));
        EXPECT_EQ(row.line, std::string(buf));
    }
}

using redoarg_t = Helpers;
TEST_F(redoarg_t, RejoinsSplitQuotes) {
    struct Row { std::vector<std::string> args; std::vector<std::string> want; int open; };
    const Row rows[] = {
        {{"'a", "b'", "c"}, {"'a b'", "c"}, 0},
        {{"'a", "", "b'"}, {"'a b'", ""}, 0},            // joined to the next non-empty one
        {{"x", "\"a", "b", "c\"", "'d'"}, {"x", "\"a b c\"", "'d'"}, 0},
        {{"*", "note", "!", "READ"}, {"* note !", "READ"}, 0},  // a comment closes at the separator
        {{"'a", "b"}, {"'a b"}, '\''},                   // still open at the last argument
        {{"a", "b"}, {"a", "b"}, 0},                     // nothing to rejoin
        {{"'a", std::string(600, 'b') + "'"}, {"'a", std::string(600, 'b') + "'"}, 0},  // span over 528
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0]);
        Args a(row.args);
        EXPECT_EQ(row.open, redoarg(&ctx, a.argc(), a.argv.data()));
        std::vector<std::string> got;
        for (int i = 1; i < ctx.argcnt; ++i) got.push_back(a.argv[i]);
        EXPECT_EQ(row.want, got);
        EXPECT_EQ(nullptr, a.argv[ctx.argcnt]);
    }
}

using rdct_t = Helpers;
TEST_F(rdct_t, TakesTheValueUpToItsDelimiter) {
    struct Row { const char* value, *name, *rest; };  // name: the value taken; rest: scanned again, or null
    const Row rows[] = {
        {"a,-lst=b", "a", "-lst=b"}, {"a b", "a", "b"}, {"a!b", "a", "!b"},
        {"a ,, b", "a", "b"},        {"abc", "abc", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        char* name = nullptr;
        int len = 0;
        char* rest = rdct(&ctx, RDCT_CTL, row.value, &name, &len);
        ASSERT_NE(nullptr, name);
        EXPECT_EQ(std::string(row.name), name);
        EXPECT_EQ(static_cast<int>(std::strlen(row.name)), len);
        EXPECT_EQ(row.rest ? std::string(row.rest) : "(none)", rest ? std::string(rest) : "(none)");
        EXPECT_EQ(0, ctx.errnum);
        cblgcorf(&gc, &name, "ctl");
    }
}

TEST_F(rdct_t, RepeatedOrEmptyValueIs155) {
    char* name = nullptr;
    int len = 0;
    rdct(&ctx, RDCT_LST, ",x", &name, &len);
    EXPECT_EQ(155, ctx.errnum);
    EXPECT_EQ(nullptr, name);
    ctx.errnum = 0;
    rdct(&ctx, RDCT_LST, "a", &name, &len);
    EXPECT_EQ(0, ctx.errnum);
    rdct(&ctx, RDCT_LST, "b", &name, &len);
    EXPECT_EQ(155, ctx.errnum);
    EXPECT_EQ("a"s, name);  // the first value stays
    cblgcorf(&gc, &name, "lst");
}

TEST(corscan, SetsTheMemorySwitches) {
    struct Row { std::vector<std::string> args; std::uint32_t flags, trfrom, trto; };
    const Row rows[] = {
        {{"-corM1"}, GC_M1, 0, 0},
        {{"  -CORm2"}, GC_M2, 0, 0},
        {{"-corHT -corNR"}, GC_HT | GC_NR, 0, 0},          // the rest of the argument again
        {{"-corA4", "x", "-corhtx"}, GC_A4 | GC_HT, 0, 0},  // after the code, other text ends the argument
        {{"-corTR5", "-corTR=9"}, GC_TR, 5, 9},
        {{"-corTR==12x"}, GC_TR, 12, 0},
        {{"-corTR99999999999"}, GC_TR, 4294967295u, 0},     // too large: stays at the largest
        {{"-corXX", "-cor", "x-corM1", "-corM"}, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0]);
        Args a(row.args);
        GCCB gc{};
        corscan(&gc, a.argc(), a.argv.data());
        EXPECT_EQ(row.flags, gc.flags);
        EXPECT_EQ(row.trfrom, gc.trfrom);
        EXPECT_EQ(row.trto, gc.trto);
    }
}

// ---------------------------------------------------------------------------
// No command line crashes the program
// ---------------------------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
constexpr int kRandomRuns = 100;
#else
constexpr int kRandomRuns = 2000;
#endif
constexpr int kSlots = 4;        // programs running at once, each in its own directory
constexpr int kRunSeconds = 10;  // a run taking longer hangs

// One random argument: pieces of option words, quotes, "=", "<", the
// separator, bytes above 127, sometimes long; never a "/", so that no
// file named by -log can lie outside the run's directory.
std::string randomarg(std::mt19937& g) {
    static const char* const kPieces[] = {"-ctl", "-lst", "-log", "-nam", "-notr", "-notrap", "-V", "-cor",
                                          "M1",   "HT",   "TR",   "=",    ",",     "<",       "!",  "'",
                                          "\"",   "*",    " ",    "x",    "z",     "ab",      "\xAE", "\xFF",
                                          "\x80", "9",    "END",  "X'1F'", "(",    ")",       "%1"};
    std::uniform_int_distribution<int> kind(0, 9), npieces(0, 6), piece(0, std::size(kPieces) - 1),
        byte(1, 255), longlen(100, 700);
    std::string s;
    switch (kind(g)) {
    case 0:
        return "";
    case 1: {
        int n = longlen(g);
        for (int i = 0; i < n; ++i) {
            char ch = static_cast<char>(byte(g));
            s += ch == '/' ? 'q' : ch;
        }
        return s;
    }
    default:
        for (int i = npieces(g); i >= 0; --i) s += kPieces[piece(g)];
        return s;
    }
}

// A run of the program in dir with stdin, stdout and stderr on /dev/null.
pid_t spawn(const std::vector<std::string>& args, const std::string& dir) {
    std::vector<char*> argv;
    std::string exe = TORVALE_BIN;
    argv.push_back(exe.data());
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        if (null < 0 || chdir(dir.c_str()) != 0) _exit(127);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

std::string shown(const std::vector<std::string>& args) {
    std::string s;
    for (auto& a : args) s += "[" + a + "] ";
    return s;
}

TEST(tvlgg, NoCommandLineCrashesTheProgram) {
    // Only an orderly end counts: exit 0 (-V), 52, 48 (a statement such as
    // END given as a value; preparation finds no file), or the statuses of a
    // listing that cannot be defined or opened (a random -lst name); never
    // a signal or a hang.
    std::string d = tvt::tempdir("randomargv");
    std::mt19937 g(20261207);
    std::uniform_int_distribution<int> nargs(0, 8);
    struct Slot {
        pid_t                                 pid = 0;
        std::vector<std::string>              args;
        std::chrono::steady_clock::time_point until;
    } slots[kSlots];
    int started = 0, failures = 0;
    for (int k = 0; k < kSlots; ++k) mkdir((d + "/" + std::to_string(k)).c_str(), 0755);
    for (;;) {
        bool busy = false;
        for (int k = 0; k < kSlots; ++k) {
            Slot& s = slots[k];
            if (s.pid == 0 && started < kRandomRuns && failures == 0) {
                s.args.clear();
                for (int i = nargs(g); i > 0; --i) s.args.push_back(randomarg(g));
                s.pid = spawn(s.args, d + "/" + std::to_string(k));
                s.until = std::chrono::steady_clock::now() + std::chrono::seconds(kRunSeconds);
                ++started;
            }
            if (s.pid == 0) continue;
            busy = true;
            int st = 0;
            pid_t w = waitpid(s.pid, &st, WNOHANG);
            if (w == 0 && std::chrono::steady_clock::now() < s.until) continue;
            if (w == 0) {
                kill(s.pid, SIGKILL);
                waitpid(s.pid, &st, 0);
                ADD_FAILURE() << "hangs: " << shown(s.args);
                ++failures;
            } else if (!WIFEXITED(st) || (WEXITSTATUS(st) != 0 && WEXITSTATUS(st) != 52 && WEXITSTATUS(st) != 48 &&
                                          WEXITSTATUS(st) != 7931 % 256 && WEXITSTATUS(st) != 7932 % 256)) {
                ADD_FAILURE() << (WIFEXITED(st) ? "exit " + std::to_string(WEXITSTATUS(st))
                                                : "signal " + std::to_string(WTERMSIG(st)))
                              << ": " << shown(s.args);
                ++failures;
            }
            s.pid = 0;
        }
        if (!busy) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_EQ(kRandomRuns, started);
    tvt::rmtree(d);
}

}  // namespace
