// Value names and positions: term arithmetic of position and length
// expressions, value names, EQU labels in terms, and the @-names with their
// exit interface words.
#include "tests/testutil.h"
#include "report/report.h"

#include <cstddef>
#include <string>

namespace {

class Tvlvn : public tvt::OpFix {
protected:
    int parse(std::string_view s, int mode) {
        fldkill(c, &f);
        tokens(s);
        return tvlvn(c, &f, mode);
    }
    // An EQU entry name = value text (the entry lives in the test).
    // The value is given as statement analysis keeps it: value tokens, here
    // one for each blank-separated word.
    EQE eq{};
    TK vals[4]{};
    void equ(const char* name, const char* value) {
        std::memset(&eq, 0, sizeof eq);
        std::memset(vals, 0, sizeof vals);
        std::strcpy(eq.name, name);
        eq.namep = eq.name;
        eq.namelen = static_cast<int>(std::strlen(name));
        TK** tail = &eq.vals;
        for (int i = 0; *value && i < 4; ++i) {
            const char* end = std::strchr(value, ' ');
            int len = end ? static_cast<int>(end - value) : static_cast<int>(std::strlen(value));
            vals[i].text = const_cast<char*>(value);
            vals[i].len = len;
            vals[i].flags = TK_WORD;
            *tail = &vals[i];
            tail = &vals[i].next;
            ++eq.nvals;
            value += len + (end ? 1 : 0);
        }
        c->eqehead = &eq;
    }
};

// One expression: text, mode, result, then the head term's kind and value
// in the half the mode names, its flags (fresh bit left out), and the
// @-name of the head term.
struct TermRow {
    const char* name;
    const char* text;
    int         mode;
    int         rc;
    int         kind;
    long long   value;
    std::uint32_t flags;
    const char* at;
};

TEST_F(Tvlvn, TermArithmetic) {
    constexpr TermRow kRows[] = {
        // 10 + @PTR - 3: the numbers gather in the one @-name term: 10 - 3 = 7.
        {"pointer plus numbers", "10+@PTR-3", VN_POS, 0, PK_AT, 7, 0, "@PTR"},
        // 0x10 is 16; a record position is held 0-based: 15.
        {"hex position", "0x10", VN_POS, 0, PK_REC, 15, 0, nullptr},
        // 0x7FFFFFFF is the largest hexadecimal position: 2147483647 - 1.
        {"hex limit", "0x7FFFFFFF", VN_POS, 0, PK_REC, 2147483646, 0, nullptr},
        {"hex beyond limit", "0x80000000", VN_POS, -7, 0, 0, 0, nullptr},
        // 2^63 - 1 = 9223372036854775807, held 0-based.
        {"decimal limit", "9223372036854775807", VN_POS, 0, PK_REC, 9223372036854775806LL, 0, nullptr},
        {"decimal beyond limit", "9223372036854775808", VN_POS, -7, 0, 0, 0, nullptr},
        {"one decimal point", "1.5", VN_POS, -6, 0, 0, 0, nullptr},
        // 2^63 - 1 plus 1 leaves the 64-bit range: error 7 before adding.
        {"sum overflows", "9223372036854775807+1", VN_POS, 7, 0, 0, 0, nullptr},
        {"length sum overflows", "9223372036854775807+1", VN_LEN, 7, 0, 0, 0, nullptr},
        // -(2^63 - 1) - 2 is below -2^63.
        {"difference overflows", "-9223372036854775807-2", VN_LEN, 7, 0, 0, 0, nullptr},
        // -(2^63 - 1) - 1 = -2^63 fits as a length.
        {"difference at the limit", "-9223372036854775807-1", VN_LEN, 0, PK_REC, INT64_MIN, FL_LE0, nullptr},
        // POS 0: offset -1, flagged as a position of 0 or less.
        {"position 0", "POS 0", VN_POS, 0, PK_REC, -1, FP_LE0, nullptr},
        {"negative position", "-3", VN_POS, 0, PK_REC, -4, FP_LE0, nullptr},
        {"length 0", "0", VN_LEN, 0, PK_REC, 0, FL_LE0, nullptr},
        // L in a length is the @-name LRECL, less 4.
        {"LRECL less 4", "LRECL-4", VN_LEN, 0, PK_AT, -4, 0, "LRECL"},
        {"synonym of LRECL", "RECSIZE+2", VN_POS, 0, PK_AT, 2, 0, "LRECL"},
        // DATE is a value name in positions only.
        {"DATE in a length", "DATE", VN_LEN, 7, 0, 0, 0, nullptr},
        {"unknown name", "NOSUCH", VN_POS, 7, 0, 0, 0, nullptr},
        {"two signs", "10+-3", VN_POS, 7, 0, 0, 0, nullptr},
        {"sign at the end", "10+", VN_POS, 7, 0, 0, 0, nullptr},
        // X'0A' is held as binary data: position 10, offset 9.
        {"binary data token", "X'0A'", VN_POS, 0, PK_REC, 9, 0, nullptr},
    };
    for (const TermRow& r : kRows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.rc, parse(r.text, r.mode));
        c->errnum = 0;
        if (r.rc != 0) continue;
        bool len = r.mode == VN_LEN;
        EXPECT_EQ(r.kind, len ? f->lkind : f->pkind);
        EXPECT_EQ(r.value, len ? f->len : f->pos);
        EXPECT_EQ(r.flags, (len ? f->lflags : f->pflags) & ~FLD_FRESH);
        EXPECT_EQ(nullptr, f->next);
        AT* at = len ? f->lat : f->pat;
        if (r.at) {
            ASSERT_NE(nullptr, at);
            EXPECT_STREQ(r.at, at->name);
        } else {
            EXPECT_EQ(nullptr, at);
        }
        EXPECT_EQ(0, unused());
    }
}

TEST_F(Tvlvn, SecondNamedTermIsChained) {
    // @P - @Q + 4: @P alone in the first term, @Q subtracted in the second,
    // which takes the 4.
    ASSERT_EQ(0, parse("@P-@Q+4", VN_POS));
    EXPECT_EQ(PK_AT, f->pkind);
    EXPECT_EQ(0, f->pos);
    EXPECT_EQ(FP_MORE, f->pflags & ~FLD_FRESH);
    ASSERT_NE(nullptr, f->next);
    EXPECT_EQ(PK_AT, f->next->pkind);
    EXPECT_EQ(4, f->next->pos);
    EXPECT_EQ(FP_SUBTR, f->next->pflags & ~FLD_FRESH);
    EXPECT_STREQ("@Q", f->next->pat->name);
}

TEST_F(Tvlvn, EquLabelInTerm) {
    // LAB equated to -5: 20 - LAB = 20 - (-5) = 25, offset 24.
    equ("LAB", "-5");
    ASSERT_EQ(0, parse("20-LAB", VN_POS));
    EXPECT_EQ(PK_REC, f->pkind);
    EXPECT_EQ(24, f->pos);
    // LAB + 1 = -4: a position below 1.
    ASSERT_EQ(0, parse("LAB+1", VN_POS));
    EXPECT_EQ(-5, f->pos);
    EXPECT_TRUE(f->pflags & FP_LE0);
    // The value as substitution leaves it, sign and number apart: the same.
    equ("LAB", "- 5");
    ASSERT_EQ(0, parse("20-LAB", VN_POS));
    EXPECT_EQ(24, f->pos);
    c->eqehead = nullptr;
}

TEST_F(Tvlvn, SelfReferencingEquStopsAt256) {
    equ("LOOP", "LOOP");
    EXPECT_EQ(114, parse("LOOP", VN_POS));
    c->eqehead = nullptr;
}

TEST_F(Tvlvn, ValueNameDatePointsIntoValueArea) {
    // DATE: a literal at the run's date field, 10 bytes, flags 0x40 and 0x2,
    // filled from the date-time block (text at 34, packed day at 8).
    char dateblk[CBLDATE_LEN] = {};
    std::memcpy(dateblk + 8, "\x02\x02\x63\x41\x5F", 4);
    std::memcpy(dateblk + CBLDATE_TEXT, "2026/12/07 02:12:00.0", 21);
    c->datep = dateblk;
    ASSERT_EQ(0, parse("DATE", VN_POS));
    EXPECT_EQ("2026/12/07", std::string(c->vdate, 10));
    EXPECT_EQ("02 02 63 41", hex(c->vdatecb, 4));
    EXPECT_EQ(PK_LIT, f->pkind);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(c) + offsetof(CMV, vdate), f->lit);
    EXPECT_EQ(10, f->litlen);
    EXPECT_EQ(FP_VNAME | FP_LIT, f->pflags & ~FLD_FRESH);
    EXPECT_EQ(0, f->pos);
    // The name is matched exactly: "PgNo" as written.
    ASSERT_EQ(0, parse("PgNo", VN_POS));
    EXPECT_EQ(reinterpret_cast<unsigned char*>(c) + offsetof(CMV, uxb) + 28, f->lit);
    EXPECT_EQ(7, parse("'PGNo'", VN_POS));
    // No value area: error 2.
    c->eyecatch[0] = 'x';
    EXPECT_EQ(2, parse("DATE", VN_POS));
    c->eyecatch[0] = '*';
    c->datep = nullptr;
}

TEST_F(Tvlvn, ValueNamesOfOtherKindsAndTheirEffects) {
    ASSERT_EQ(0, parse("DSN", VN_POS));
    EXPECT_EQ(PK_DSN, f->pkind);
    EXPECT_EQ(FP_VNAME, f->pflags & ~FLD_FRESH);
    ASSERT_EQ(0, parse("STATUS", VN_POS2));  // block offset 10
    EXPECT_EQ(PK_PCB, f->pkind);
    EXPECT_EQ(10, f->pos);
    EXPECT_EQ(0u, c->vnsw & CM_VN_SCALE);
    ASSERT_EQ(0, parse("SCALE", VN_POS));
    EXPECT_EQ(PK_SCALE, f->pkind);
    EXPECT_NE(0u, c->vnsw & CM_VN_SCALE);
    // UXRETCD also makes the special @-name RETCD, sharing its word.
    EXPECT_EQ(nullptr, c->at_retcd);
    ASSERT_EQ(0, parse("UXRETCD", VN_POS));
    ASSERT_NE(nullptr, c->at_retcd);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(c) + c->at_retcd->link, f->lit);
    ASSERT_EQ(0, parse("UXLRECL", VN_POS));
    EXPECT_NE(0u, node.gkflags & CN_GK_LRECL);
    // HEAD: the listing prepares its heading again at once.
    c->prt.flags |= PR_HEADOK;
    ASSERT_EQ(0, parse("HEAD", VN_POS));
    EXPECT_EQ(reinterpret_cast<unsigned char*>(c) + offsetof(CMV, heading), f->lit);
    EXPECT_NE(0u, c->prt.flags & PR_HEADOK);
    EXPECT_NE(0, c->prt.hdrdw);  // the record-print header lines were made
    tvlprt(nullptr, 0, PT_CLOSE, 0);  // gives the header lines back; nothing was opened
}

TEST_F(Tvlvn, PositionOrLengthGivenTwice) {
    ASSERT_EQ(0, parse("5", VN_POS));
    tokens("6");
    EXPECT_EQ(215, tvlvn(c, &f, VN_POS));
    ASSERT_EQ(0, tvlvn(c, &f, VN_LEN));
    tokens("7");
    EXPECT_EQ(215, tvlvn(c, &f, VN_LEN));
    // A length taken from a definition is replaced by a written one.
    f->lflags |= FL_DECL;
    EXPECT_EQ(0, tvlvn(c, &f, VN_LEN));
    EXPECT_EQ(7, f->len);
}

TEST_F(Tvlvn, AtNameLength) {
    std::string n125 = "@" + std::string(124, 'A');
    ASSERT_EQ(0, parse(n125, VN_POS));
    EXPECT_EQ(125, f->pat->namelen);
    std::string n126 = "@" + std::string(125, 'A');
    EXPECT_EQ(7, parse(n126, VN_POS));
}

// The special @-names and their words in the exit interface block.
using atmake_t = Tvlvn;
TEST_F(atmake_t, SpecialNamesAndInterfaceWords) {
    struct Row { const char* name; const char* canon; std::uint8_t kind; long word; };
    constexpr Row kRows[] = {
        {"L", "LRECL", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_BOUNDED, 32},
        {"recsize", "LRECL", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_BOUNDED, 32},
        {"RC", "RETCD", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_WORD4, 92},
        {"RETCODE", "RETCD", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_WORD4, 92},
        {"CMSRETCD", "RETSYS", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_WORD4, 80},
        {"REASCD", "REASCD", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_WORD4, 84},
        {"RETVSAM", "RETVSAM", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_WORD4, 88},
        {"REPLYL", "REPLYL", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_WORD4, 76},
        {"Diff", "DIFF", AT_KIND_BASE | AT_KIND_SPECIAL, 56},
        {"@", "@", AT_KIND_BASE | AT_KIND_SPECIAL | AT_KIND_RECPTR, 40},
    };
    CMV& ctx = *c;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        AT* at = atmake(r.name, 0);
        ASSERT_NE(nullptr, at);
        EXPECT_STREQ(r.canon, at->name);
        EXPECT_EQ(r.kind, at->kind);
        EXPECT_EQ(static_cast<long>(offsetof(CMV, uxb)) + r.word, at->link);
    }
    EXPECT_EQ(nullptr, atmake("LRECLX", 0));
    EXPECT_EQ(nullptr, atmake("LEN", 0));
    // Names beginning with @ are kept as written and found ignoring case.
    AT* p = atmake("@Ptr", 0);
    EXPECT_EQ(p, atmake("@PTR", 4));
    EXPECT_EQ(AT_STATE_NOVAL, p->state);
    EXPECT_EQ(ctx.at_lrecl, atmake("LRECL", 0));
    EXPECT_NE(0u, ctx.vnsw & CM_VN_DIFF);
    // LRECL, RETCD, RETSYS, REASCD, RETVSAM, REPLYL, DIFF, @, @Ptr: 9 records.
    EXPECT_EQ(10, atkillc(&ctx));
}

using atupdv_t = Tvlvn;
TEST_F(atupdv_t, BoundedLengthAndInterfaceWords) {
    CMV& ctx = *c;
    unsigned char rec[80] = {};
    ctx.currec = rec;
    ctx.curlen = 80;
    AT* rc = atmake("RETCD", 0);
    EXPECT_EQ(0, atupdv(rc, 52));
    EXPECT_EQ(52, rc->value);
    EXPECT_EQ(52, ctx.uxb.retcd);  // the 4-byte word at 92
    EXPECT_EQ(AT_STATE_NOVAL | AT_STATE_SET, rc->state);
    AT* l = atmake("LRECL", 0);
    EXPECT_EQ(0, atupdv(l, 50));
    EXPECT_EQ(50, ctx.uxb.lrecl);
    EXPECT_EQ(0, atupdv(l, 80));   // the record's length itself is accepted
    EXPECT_EQ(1, atupdv(l, 81));   // beyond the record: refused, 80 stays
    EXPECT_EQ(80, l->value);
    EXPECT_EQ(1, atupdv(l, -1));
    EXPECT_EQ(80, l->value);
    EXPECT_EQ(80, ctx.uxb.lrecl);
    // atupdp: an address in the record is its 1-based position.
    AT* p = atmake("@P", 0);
    EXPECT_EQ(0, atupdp(p, reinterpret_cast<char*>(rec + 9)));
    EXPECT_EQ(10, p->value);
    EXPECT_EQ(AT_STATE_NOVAL | AT_STATE_SET, p->state);
    unsigned char other[4];
    EXPECT_EQ(0, atupdp(p, reinterpret_cast<char*>(other)));
    EXPECT_TRUE(p->state & AT_STATE_OUTSIDE);
    EXPECT_EQ(0, atupdp(p, nullptr));
    EXPECT_EQ(0, p->value);
    EXPECT_EQ(AT_STATE_NOVAL, p->state);
    atkillc(&ctx);
}

}  // namespace
