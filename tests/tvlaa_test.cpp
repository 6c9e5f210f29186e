// Run preparation: the successor links of the statement chain, branch
// targets, the checks 521, 522, 523 and 524, the work area, the geometry
// defaults of files, and whole runs that end in preparation.
#include "tests/testutil.h"

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

using namespace std::literals;

void aalink(CMV* c);

using Aa = tvt::StmtRun;

namespace {

// The place (1-based) of a node in v, 0 for null.
int place(const std::vector<CN*>& v, const CN* n) {
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i] == n) return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace

// Successor links, worked by hand from the backward walk (F, T and S start
// at the end node; see tvlaa.cpp).  Each row: statements, then for every
// node in order its true and false successor as places (the end node is
// the last place).
TEST(tvlaa, LinksTheChain) {
    struct Row {
        std::vector<std::string_view> stmts;
        std::vector<std::pair<int, int>> links;  // true, false of nodes 1..n-1
    };
    const Row kRows[] = {
        // IF A THEN B ELSE C: IF false -> ELSE; THEN skips the ELSE.
        {{"IF P 1 EQ 'A'", "THEN PRINT", "ELSE PRINT"}, {{2, 3}, {4, 3}, {4, 4}}},
        // IF A OR B THEN C: A false -> the OR; the OR true -> THEN.
        {{"IF P 1 EQ 'A'", "OR P 2 EQ 'B'", "THEN PRINT"}, {{3, 2}, {3, 4}, {4, 4}}},
        // IF A AND B THEN C: A true -> the AND; both false -> end.
        {{"IF P 1 EQ 'A'", "AND P 2 EQ 'B'", "THEN PRINT"}, {{2, 4}, {3, 4}, {4, 4}}},
        // (A AND B) OR C THEN X.
        {{"IF P 1 EQ 'A'", "AND P 2 EQ 'B'", "OR P 3 EQ 'C'", "THEN PRINT"},
         {{2, 3}, {4, 3}, {4, 5}, {5, 5}}},
        // Nested: IF A / THEN IF B / THEN X / ELSE Y / ELSE Z.
        //   5 ELSE Z: 6,6; F=5 T=S=6 push 5.  4 ELSE Y: 6,5; F=4 push 4.
        //   3 THEN X: 6,4; T=A=3.  2 THEN IF: 3,4 -> false popped 4;
        //   F = top 5; T=A=2.  1 IF: 2,5 -> false popped 5.
        {{"IF P 1 EQ 'A'", "THEN IF P 2 EQ 'B'", "THEN PRINT", "ELSE PRINT", "ELSE PRINT"},
         {{2, 5}, {3, 4}, {6, 4}, {6, 5}, {6, 6}}},
        // Two groups: the first group's false successor is the second IF.
        {{"IF P 1 EQ 'A'", "THEN PRINT", "IF P 2 EQ 'B'", "THEN PRINT"}, {{2, 3}, {3, 3}, {4, 5}, {5, 5}}},
        // NOW actions run in order.
        {{"NOW PRINT", "NOW PRINT"}, {{2, 2}, {3, 3}}},
        // A list of comparands: IF P 1 GT 'A' LT 'Z' is IF and AND.
        {{"IF P 1 GT 'A' LT 'Z'", "THEN PRINT"}, {{2, 4}, {3, 4}, {4, 4}}},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts[0]);
        SCOPED_TRACE(r.stmts.size());
        Aa aa;
        for (std::string_view s : r.stmts) ASSERT_EQ(aa.stmts({s}), 0) << s;
        ASSERT_EQ(aa.prepare(), 0);
        std::vector<CN*> v = aa.nodes();
        ASSERT_EQ(v.size(), r.links.size() + 1);
        EXPECT_EQ(v.back()->typ1, CN_END);
        EXPECT_EQ(aa.c().cnstart, v[0]);
        for (std::size_t i = 0; i < r.links.size(); ++i) {
            SCOPED_TRACE(i + 1);
            EXPECT_EQ(place(v, v[i]->tsucc), r.links[i].first);
            EXPECT_EQ(place(v, v[i]->fsucc), r.links[i].second);
        }
    }
}

// GOTO takes its label's node as branch target, also when the label comes
// later; GOTO GET the end node.
TEST(tvlaa, BranchTargets) {
    Aa aa;
    ASSERT_EQ(aa.stmts({"IF P 1 EQ 'A'", "THEN GOTO SKIP", "NOW PRINT", "SKIP", "NOW PRINT", "GOTO GET"}), 0);
    ASSERT_EQ(aa.prepare(), 0);
    std::vector<CN*> v = aa.nodes();
    ASSERT_EQ(v.size(), 6u);  // IF, GOTO, PRINT, PRINT (labelled), GOTO GET, end
    EXPECT_EQ(v[1]->btarget, v[3]);
    EXPECT_EQ(v[4]->btarget, v[5]);
}

// The errors of preparation on the statements that raise them: no
// productive statement (READ alone does not count) 524; an EOF test of a
// file that is never opened 523; an undefined label 522; START without a
// READ that made a primary input 50.
TEST(tvlaa, ChecksOfTheChain) {
    struct Row { std::vector<std::string_view> stmts; int err; };
    const Row kRows[] = {
        {{"READ IN", "IF P 1 EQ 'A'", "THEN GOTO X", "X"}, 524},
        {{"IF EOF", "THEN PRINT"}, 523},                   // no file at all
        {{"NOW CLOSE X", "IF EOF X", "THEN PRINT"}, 523},  // X has no open mode
        {{"NOW PRINT", "NOW GOTO NOWHERE"}, 522},
        {{"NOW PRINT", "NOW START"}, 50},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        Aa aa;
        for (std::string_view t : r.stmts) ASSERT_EQ(aa.stmts({t}), 0) << t;
        EXPECT_EQ(aa.prepare(), r.err);
    }
}

// An EOF test without a file takes the primary input and marks it.
TEST(err523, EofTestTakesThePrimaryInput) {
    std::string dir = tvt::tempdir("tvlaa_eof");
    tvt::spit(dir + "/in.txt", "a\n");
    Aa aa;
    std::string rd = "READ '" + dir + "/in.txt'";
    ASSERT_EQ(aa.stmts({rd, "IF EOF", "THEN PRINT"}), 0);
    ASSERT_EQ(aa.prepare(), 0);
    CN* t = aa.nodes()[1];
    EXPECT_EQ(t->file, aa.c().primary);
    EXPECT_TRUE(t->nflags & CNF_PRIMARY);
    EXPECT_TRUE(aa.c().primary->fdflags & FDF_EOFTEST);
    tvt::rmtree(dir);
}

// The work area: the work length of fill characters, then the guard; at
// least 528 bytes; option W when given.
TEST(tvlaa, WorkArea) {
    struct Row { int w; char fill; long long want; };
    static const Row kRows[] = {{0, ' ', 528}, {5000, ' ', 5000}, {100, '*', 528}, {600, '0', 600}};
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.w);
        Aa aa;
        aa.c().optp->worklen = r.w;
        aa.c().optp->fill = r.fill;
        ASSERT_EQ(aa.stmts({"NOW PRINT"}), 0);
        ASSERT_EQ(aa.prepare(), 0);
        ASSERT_EQ(aa.c().worklen, r.want);
        const unsigned char* w = aa.c().worka;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(w), r.want), std::string(r.want, r.fill));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(w + r.want), 16), "<<WORKLEN end<<\0"s);
        EXPECT_EQ(aa.c().currec, w);
        EXPECT_EQ(aa.c().workblk, ((r.want + 31) / 16) * 16 + 16);
    }
}

// Geometry defaults, worked by hand: a line input without sizes is left
// to the file layer; an LRECL without RECFM is fixed; an output copies the
// primary input; block-size markers: MAX with FB 80 -> 104 x 80 = 8320,
// UNB -> the record length, SAME without primary input -> 4000.
TEST(geomset, Defaults) {
    struct Row {
        int mode, recfm;
        long long lrecl, bufsize;
        std::uint32_t dflags;
        bool withprimary;
        int wrecfm, wdw;
        long long wlrecl, wbufsize;
        int err;
    };
    static const Row kRows[] = {
        {FM_IN, 0, 0, 0, 0, false, RF_LINE, 0, 0, 0, 0},
        {FM_IN, 0, 80, 0, DF_LRECL, false, RF_FIXED, 0, 80, 2048, 0},
        {FM_OUT, 0, 0, 0, 0, true, RF_VAR, 4, 200, 8000, 0},
        {FM_OUT, RF_FIXED, 80, BLK_MAX, DF_BLOCKED, false, RF_FIXED, 0, 80, 8320, 0},
        {FM_OUT, RF_FIXED, 80, BLK_UNB, 0, false, RF_FIXED, 0, 80, 80, 0},
        {FM_OUT, RF_FIXED, 80, BLK_SAME, 0, false, RF_FIXED, 0, 80, 4000, 0},
        {FM_OUT, RF_FIXED, 80, BLK_SAME, 0, true, RF_FIXED, 0, 80, 8000, 0},
        {FM_OUT, RF_LINE, 0, 100, 0, false, RF_LINE, 0, 0, 2048, 0},
        {FM_OUT, RF_FIXED, 5000, 0, 0, false, RF_FIXED, 0, 5000, 5000, 0},
        {FM_OUT, RF_LINE, 100, 0, DF_LRECL, false, RF_LINE, 0, 100, 2048, 578},
    };
    for (std::size_t i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
        const Row& r = kRows[i];
        SCOPED_TRACE(i);
        Aa aa;
        FFCB fc{};
        fc.cmv = &aa.c();
        FFREC* p = nullptr;
        if (r.withprimary) {
            p = cblf_mak(&fc);
            p->mode = FM_IN;
            p->recfm = RF_VAR;
            p->dwlen = 4;
            p->lrecl = 200;
            p->bufsize = 8000;
            aa.c().primary = p;
        }
        FFREC* f = cblf_mak(&fc);
        f->mode = static_cast<std::uint8_t>(r.mode);
        f->recfm = r.recfm;
        f->lrecl = r.lrecl;
        f->bufsize = r.bufsize;
        f->dflags |= r.dflags;
        seterr(0);
        geomset(&aa.c(), f);
        EXPECT_EQ(f->recfm, r.wrecfm);
        EXPECT_EQ(f->dwlen, r.wdw);
        EXPECT_EQ(f->lrecl, r.wlrecl);
        EXPECT_EQ(f->bufsize, r.wbufsize);
        EXPECT_TRUE(f->dflags & DF_NORDW);
        EXPECT_EQ(aa.c().errnum, r.err);
    }
}

// A node of no valid kind ends the process with exit code 4.
namespace {
void badchain() {
    Aa aa;
    CN bad{}, end{};
    bad.next = &end;
    end.prev = &bad;
    end.typ1 = CN_END;
    aa.c().cnhead = &bad;
    aa.c().cnend = &end;
    aalink(&aa.c());
}
}  // namespace

TEST(aalink, InvalidKindEndsWithFour) {
    EXPECT_EXIT(badchain(), ::testing::ExitedWithCode(4), "Inval cntyp1.");
}

// Whole runs that end in preparation or right after it.
TEST(tvlaa, RunsEndingInPreparation) {
    std::string dir = tvt::tempdir("tvlaa_runs");
    tvt::spit(dir + "/torvale.msg", tvt::slurp(TORVALE_SRC "/torvale.msg"));
    tvt::spit(dir + "/in.txt", "abc\ndef\n");
    const std::string old = "old output\n";
    struct Row { const char* ctl; int status; bool outkept; };
    const Row kRows[] = {
        // A statement error keeps preparation from running: the output
        // that exists is left as it was.
        {"READ in.txt\nIF P 1 EQ 'a' 'b'\nTHEN WRITE out.txt\n", 52, true},
        // An output in a missing directory cannot be opened: 571, RETCD 48.
        {"READ in.txt\nIF P 1 EQ 'a'\nTHEN WRITE nodir/x.txt\nTHEN WRITE out.txt\n", 48, true},
        // Nothing productive: 524, RETCD still 52.
        {"READ in.txt\nIF P 1 EQ 'a'\nTHEN GOTO X\nX\n", 52, true},
        // A clean run goes on to selection, which starts from return code 0.
        {"READ in.txt\nIF P 1 EQ 'a'\nTHEN WRITE out.txt\n", 0, false},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.ctl);
        tvt::spit(dir + "/out.txt", old);
        tvt::spit(dir + "/ctl", r.ctl);
        tvt::Run run = tvt::run({"-ctl", "ctl"}, dir);
        EXPECT_EQ(run.status, r.status) << run.err;
        if (r.outkept) {
            EXPECT_EQ(tvt::slurp(dir + "/out.txt"), old);
        } else {
            EXPECT_TRUE(tvt::exists(dir + "/out.txt"));
        }
    }
    tvt::rmtree(dir);
}

// An output that cannot be opened is error 571 with the file's name and
// the system's text for the message; the outputs after it stay unopened.
TEST(tvlaa, FailedOpenIs571) {
    std::string dir = tvt::tempdir("tvlaa_571");
    tvt::spit(dir + "/later.txt", "kept\n");
    Aa aa;
    std::string w1 = "WRITE '/nonexistent-tvl/x.txt'";
    std::string w2 = "WRITE '" + dir + "/later.txt'";
    ASSERT_EQ(aa.stmts({"NOW PRINT", w1, w2}), 0);
    EXPECT_EQ(aa.prepare(), 571);
    // The message names the current file and shows its text itself: no
    // extra text, which would say it twice.
    EXPECT_EQ(aa.c().errextra, nullptr);
    ASSERT_NE(aa.c().datfcb->ffrec, nullptr);
    EXPECT_STREQ(aa.c().datfcb->ffrec->dsn, "/nonexistent-tvl/x.txt");
    EXPECT_STREQ(aa.c().datfcb->ffrec->errm, "No such file or directory");
    EXPECT_EQ(tvt::slurp(dir + "/later.txt"), "kept\n");
    tvt::rmtree(dir);
}

// An ELSE met with no IF before it (a chain statement analysis would not
// pass) is error 521 when the walk reaches the action before it.
TEST(aalink, ElseWithoutIfIs521) {
    Aa aa;
    CN now{}, els{}, end{};
    now.typ1 = CN_NOW;
    now.next = &els;
    els.typ1 = CN_ELSE;
    els.prev = &now;
    els.next = &end;
    end.typ1 = CN_END;
    end.prev = &els;
    aa.c().cnhead = &now;
    aa.c().cnend = &end;
    seterr(0);
    aalink(&aa.c());
    EXPECT_EQ(aa.c().errnum, 521);
    aa.c().cnhead = nullptr;
}

// START: alternate successors, worked by hand for READ IN / IF A / THEN
// START / NOW PRINT (nodes 1-4, end 5): walking back, PRINT takes the end;
// START and its IF take the end and the IF becomes the target; the READ
// takes the IF.  A copy of the READ goes in front, all links to the IF.
TEST(tvlaa, StartLinks) {
    Aa aa;
    ASSERT_EQ(aa.stmts({"READ IN", "IF P 1 EQ 'A'", "THEN START", "NOW PRINT"}), 0);
    ASSERT_EQ(startsw, 1);
    aa.c().primary->fdflags |= FDF_NOOPEN;  // IN is not read here
    ASSERT_EQ(aa.prepare(), 0);
    std::vector<CN*> v = aa.nodes();
    ASSERT_EQ(v.size(), 6u);
    CN* copy = v[0];
    EXPECT_EQ(aa.c().cnstart, copy);
    EXPECT_EQ(copy->typ2, OP_READ);
    EXPECT_EQ(copy->selid, 0);
    EXPECT_EQ(place(v, copy->tsucc), 3);
    EXPECT_EQ(place(v, copy->fsucc), 3);
    EXPECT_EQ(place(v, copy->asucc), 3);
    EXPECT_EQ(place(v, v[1]->asucc), 3);  // the READ: the IF
    EXPECT_EQ(place(v, v[2]->asucc), 6);  // the IF: the end
    EXPECT_EQ(place(v, v[3]->asucc), 6);  // START: the end
    EXPECT_EQ(place(v, v[4]->asucc), 6);  // PRINT: the end
}
