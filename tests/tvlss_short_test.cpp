// The short paths of the selection loop give the general path's results:
// compiled conditions and actions, prepared (so marked), each judged or
// resolved twice on the same record, once marked and once with the marks
// taken off, and every result field compared: the operands' address,
// length, position, status, address terms, float value and flags, the
// comparison area, the special area, the next node, the return code and
// the counts.
#include "engine/engine.h"
#include "tests/testutil.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// What a resolution or a judgement leaves behind.
struct State {
    const unsigned char *lit1, *lit2;
    long long len1, len2, rpos1, rpos2;
    int stat1, stat2, terms1, terms2;
    double fval1;
    std::uint32_t pf1;
    const unsigned char *cl, *cr;
    long long cll, crl;
    const unsigned char* area;
    long long arealen;
    const CN* next;
    long long rc, cnt, rc8, adiff;
    bool operator==(const State&) const = default;
};

State snap(CMV& c, CN* n, const unsigned char* res1) {
    FLD* a = n->fld1;
    FLD* b = n->fld2;
    State s{};
    s.lit1 = res1 ? a->lit : nullptr;
    s.len1 = a->litlen, s.rpos1 = a->rpos, s.stat1 = a->rtstat, s.terms1 = a->rtterms, s.fval1 = a->fval;
    s.pf1 = a->pflags;
    if (b) s.lit2 = b->lit, s.len2 = b->litlen, s.rpos2 = b->rpos, s.stat2 = b->rtstat, s.terms2 = b->rtterms;
    s.cl = c.cmpladr, s.cr = c.cmpradr, s.cll = c.cmpllen, s.crl = c.cmprlen;
    s.area = c.scarea, s.arealen = c.scarealen;
    s.next = c.cncur;
    s.rc = c.at_retcd ? c.at_retcd->value : -1;
    s.cnt = n->cnt, s.rc8 = n->rc8cnt, s.adiff = c.uxb.adiff;
    return s;
}

// Judge the element n (or resolve its first operand when act) on rec,
// from a fresh start: return code 0, counts 0, the areas cleared.
State once(CMV& c, CN* n, const std::string& rec, bool act) {
    if (!c.at_retcd) c.at_retcd = atmake("RETCD", 0);
    atupdv(c.at_retcd, 0);
    n->cnt = n->rc8cnt = 0;
    c.cmpladr = c.cmpradr = nullptr;
    c.cmpllen = c.cmprlen = 0;
    c.scarea = reinterpret_cast<unsigned char*>(&c);
    c.scarealen = 7;
    c.uxb.adiff = 7;
    setcir(reinterpret_cast<unsigned char*>(const_cast<char*>(rec.data())));
    c.curlen = static_cast<long long>(rec.size());
    c.cncur = n;
    if (act) return snap(c, n, tvlsc(n->fld1));
    do_if(&c);
    return snap(c, n, n->fld1->lit);
}

// Every statement on every record length, marked and unmarked.
void both(const std::vector<std::string>& stmts, bool act, bool marked, bool diff = false) {
    const std::string full = "ABCDEFGHIJ";
    shortoff = false;
    for (const std::string& st : stmts) {
        SCOPED_TRACE(st);
        tvt::StmtRun r;
        ASSERT_EQ(0, r.stmt(st));
        std::vector<CN*> ns = r.made();
        ASSERT_EQ(0, r.stmt(act ? "PRINT" : "THEN PRINT"));  // something productive
        ASSERT_EQ(0, r.prepare());
        CMV& c = r.c();
        if (diff) {
            c.vnsw |= CM_VN_DIFF;
            c.at_diff = atmake("DIFF", 0);
        }
        CN* n = ns.front();
        const bool direct = n->cflags & CF_DIRECT, konst = n->fld1->lflags & FL_CONST;
        EXPECT_EQ(marked, act ? konst : direct);
        for (std::size_t len : {0, 1, 2, 3, 4, 5, 6, 10}) {
            SCOPED_TRACE(len);
            std::string rec = full.substr(0, len);
            State on = once(c, n, rec, act);
            n->cflags &= ~CF_DIRECT;
            n->fld1->lflags &= ~FL_CONST;
            if (n->fld2) n->fld2->lflags &= ~FL_CONST;
            State off = once(c, n, rec, act);
            EXPECT_TRUE(on == off) << "rc " << on.rc << "/" << off.rc << " next " << on.next << "/" << off.next
                                   << " len " << on.len1 << "/" << off.len1;
            shortmarks(&c);
        }
    }
}

}  // namespace

// Conditions: every code with and without NOT, a field inside the record,
// ending at its last byte, one past it and wholly past it (EQ false; the
// others counted once with return code 6), lengths from the literal or
// written, a 1-byte and a longer literal.
TEST(tvlss_short, ConditionsJudgeAlike) {
    std::vector<std::string> direct;
    for (const char* op : {"EQ", "LT", "GT", "NE", "GE", "LE"})
        for (const char* pfx : {"IF ", "IF NOT "}) {
            direct.push_back(std::string(pfx) + "P 3 " + op + " 'CD'");
            direct.push_back(std::string(pfx) + "P 4 LEN 1 " + op + " 'D'");
        }
    direct.push_back("IF P 1 LEN 2 EQ X'4142'");
    both(direct, false, true);
    // DIFF in use, CASEI, a longer literal than its field: the general way.
    both({"IF P 3 EQ 'CD'"}, false, true, true);
    both({"IF P 3 EQ 'cd' CASEI", "IF P 3 LEN 1 EQ 'CD'", "IF P 2,3 EQ 'BC'"}, false, false);
}

// Action operands: a constant field inside, at, and past the record end
// (an action fails with return code 8), and forms that are not constant.
TEST(tvlss_short, OperandsResolveAlike) {
    both({"MOVE 'XY' TO P 3 LEN 2", "MOVE 'X' TO P 1 LEN 1", "MOVE 'XY' TO P 9 LEN 2"}, true, true);
    both({"MOVE 'XY' TO P 2,3", "MOVE 'XY' TO P LRECL-3 LEN 2"}, true, false);
}
