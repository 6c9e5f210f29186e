// Run-time positions and lengths: operands parsed by the real operand
// parser, resolved against a record in hand; positions of every kind,
// lengths of every kind, clipping at the record end and the work area,
// fields past the end failing with their accounting, explicit windows,
// values and literals, declared variables, and the result stores.
#include "opfix.h"

#include "engine/engine.h"
#include "files/files.h"

#include <string_view>

using namespace std::literals;

namespace {

constexpr long kField = 8370;       // GK_POS, GK_POS2, GK_FIELD, GK_AT, GK_LENNEXT
constexpr long kValue = 0x8008;     // GK_VALUE, GK_TYPE
constexpr long kQuoted = 0x200;     // GK_QLIT
constexpr long kNowMode = 0x2000008;  // GK_NOW, GK_VALUE

// Statement contexts: kind and operation or comparison code.
struct STMT { int typ1, typ2; };
constexpr STMT kPrint{CN_THEN, OP_PRINT};
constexpr STMT kWrite{CN_THEN, OP_WRITE};
constexpr STMT kMove{CN_THEN, OP_MOVE};
constexpr STMT kIf{CN_IF, CC_EQ};

class Tvlsc : public OpFix {
protected:
    unsigned char rec[64];
    unsigned char work[32];
    void SetUp() override {
        OpFix::SetUp();
        std::memcpy(rec, "ABCDEFGHIJ", 10);
        std::memset(work, '.', sizeof work);
        c->currec = rec;
        c->curlen = 10;
        c->worka = work;
        c->worklen = sizeof work;
        c->deflen = 5;
        AT* rc = atmake("RETCD", 0);
        rc->value = 0;
    }
    void parse(std::string_view s, long mode) {
        fldkill(c, &f);
        tokens(s);
        ASSERT_EQ(tvlgk(&f, mode), 0) << s;
    }
    void ptr(const char* name, long long v) { atupdv(atmake(name, 0), v); }
    void stmt(STMT s) {
        node.typ1 = s.typ1;
        node.typ2 = s.typ2;
    }
    long long retcd() { return c->at_retcd->value; }
    // The record lies at the start of the work area (the work record).
    void recinwork() {
        std::memcpy(work, "ABCDEFGHIJ", 10);
        c->currec = work;
    }
};

// A field of the record: the operand, the statement, whether the record is
// the work record; then whether an address comes back, the address as an
// offset from the record start, the length, the position, the status and
// the return code.
struct RecRow {
    const char* name;
    const char* text;
    STMT        st;
    bool        inwork;
    bool        nonnull;
    long long   off, len, rpos;
    int         stat;
    long long   rc;
};

TEST_F(Tvlsc, RecordFieldsClippedAndFailed) {
    // Record "ABCDEFGHIJ" (10 bytes); @P = 4, @Q = 3, @R = 6, @L = 3,
    // @S = 7, @B = 4000; default length 5; work area 32 bytes.
    constexpr RecRow kRows[] = {
        {"first bytes", "P 1 LEN 3", kPrint, false, true, 0, 3, 1, 0, 0},
        // position 8 is offset 7; room 10 - 7 = 3 holds the length exactly
        {"up to the end", "P 8 LEN 3", kMove, false, true, 7, 3, 8, 0, 0},
        // offset 8, room 2 < 5: PRINT and WRITE go on with 2 bytes
        {"clipped in PRINT", "P 9 LEN 5", kPrint, false, true, 8, 2, 9, 0, 0},
        {"clipped in WRITE", "P 9 LEN 5", kWrite, false, true, 8, 2, 9, 0, 0},
        // MOVE (49, within 38..88): failed, the address still returned, RC 8
        {"past the end in MOVE", "P 9 LEN 5", kMove, false, true, 8, -1, 0, 8, 8},
        // IF: null without a failure mark; lit/litlen keep address and room
        {"past the end in IF", "P 9 LEN 5", kIf, false, false, 8, 2, 9, 0, 0},
        // offset 10 of a 10-byte record: room 0 fails
        {"starting at the end", "P 11 LEN 1", kPrint, false, false, 0, -1, 0, 8, 8},
        // offset 11: negative room; a condition raises no return code here
        {"beyond the end in IF", "P 12 LEN 1", kIf, false, false, 0, -1, 0, 8, 0},
        // the work record: room from offset 8 to the work end is 24 >= 5
        {"on into the work area", "P 9 LEN 5", kMove, true, true, 8, 5, 9, 0, 0},
        // offset 30: 2 bytes left in the work area
        {"clipped at the work end", "P 31 LEN 5", kPrint, true, true, 30, 2, 31, 0, 0},
        {"past the work end in MOVE", "P 31 LEN 5", kMove, true, true, 30, -1, 0, 8, 8},
        // offset 32: no room at all in the work area
        {"after the work area", "P 33 LEN 1", kPrint, true, false, 0, -1, 0, 8, 8},
        // @P + 5 = 9th byte, offset 8
        {"pointer plus number", "@P+5 LEN 2", kPrint, false, true, 8, 2, 9, 0, 0},
        // @S - @Q = 7 - 3 = 4: the 4th byte, offset 3
        {"pointer minus pointer", "@S-@Q LEN 1", kPrint, false, true, 3, 1, 4, 0, 0},
        {"unset pointer", "@U LEN 1", kMove, false, false, 0, -1, 0, 8, 8},
        {"length from a pointer", "P 2 LEN @L", kPrint, false, true, 1, 3, 2, 0, 0},
        // from offset 2 up to and including @R (offset 5): 5 - 2 + 1 = 4
        {"up to a pointer", "P 3,@R", kPrint, false, true, 2, 4, 3, 0, 0},
        // from offset 7 up to @Q (offset 2): 2 - 7 + 1 = -4 fails
        {"up to a pointer before", "P 8,@Q", kPrint, false, false, 0, -1, 0, 8, 8},
        {"default length", "P 4", kPrint, false, true, 3, 5, 4, 0, 0},
        // 4000 + 9223372036854775000 passes 2^63 - 1: the sum fails
        {"sum beyond 64 bits", "@B+9223372036854775000 LEN 1", kPrint, false, false, 0, -1, 0, 8, 8},
    };
    for (const RecRow& r : kRows) {
        SCOPED_TRACE(r.name);
        c->at_retcd->value = 0;
        c->currec = rec;
        std::memset(work, '.', sizeof work);
        if (r.inwork) recinwork();
        ptr("@P", 4), ptr("@Q", 3), ptr("@R", 6), ptr("@L", 3), ptr("@S", 7), ptr("@B", 4000);
        stmt(r.st);
        parse(r.text, kField);
        unsigned char* a = tvlsc(f);
        EXPECT_EQ(a != nullptr, r.nonnull);
        if (r.nonnull) {
            EXPECT_EQ(a, c->currec + r.off);
        }
        if (r.len >= 0 || r.nonnull) {
            EXPECT_EQ(f->lit, c->currec + r.off);
        } else {
            EXPECT_EQ(f->lit, nullptr);
        }
        EXPECT_EQ(f->litlen, r.len);
        EXPECT_EQ(f->rpos, r.rpos);
        EXPECT_EQ(f->rtstat, r.stat);
        EXPECT_EQ(retcd(), r.rc);
    }
}

// Operands that are not record fields: the bytes they stand for.
struct ValRow {
    const char*      name;
    const char*      text;
    long             mode;
    std::string_view bytes;
    long long        rpos;
};

TEST_F(Tvlsc, ValuesLiteralsAndSpecialAreas) {
    // @P = 7.  No current file: FN names the text "nofname".
    constexpr ValRow kRows[] = {
        {"quoted literal", "'ABC'", kQuoted, "ABC"sv, -1},
        // the value 7 as a native 64-bit integer (little-endian here)
        {"pointer value", "@P", kValue, "\x07\x00\x00\x00\x00\x00\x00\x00"sv, 7},
        // @P + 2 = 9 (a value takes no 1 off)
        {"pointer value plus", "@P+2", kValue, "\x09\x00\x00\x00\x00\x00\x00\x00"sv, 9},
        {"NOW", "NOW", kNowMode, "NOW"sv, -1},
        // address term: the text's place relative to the record, 1-based
        {"file name without a file", "FN LEN 7", kField, "nofname"sv, 0},
        // kept inside the 7-byte text
        {"file name clipped", "FN LEN 20", kField, "nofname"sv, 0},
    };
    stmt(kPrint);
    for (const ValRow& r : kRows) {
        SCOPED_TRACE(r.name);
        ptr("@P", 7);
        parse(r.text, r.mode);
        unsigned char* a = tvlsc(f);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(f->rtstat, 0);
        EXPECT_EQ(std::string_view(reinterpret_cast<char*>(a), static_cast<std::size_t>(f->litlen)), r.bytes);
        if (r.rpos) {
            EXPECT_EQ(f->rpos, r.rpos);
        }
    }
    // The literal keeps its data through a failed resolution elsewhere.
    parse("'XY'", kQuoted);
    unsigned char* lit = f->lit;
    EXPECT_EQ(tvlsc(f), lit);
    EXPECT_EQ(tvlsc(f), lit);
    EXPECT_EQ(f->litlen, 2);
}

}  // namespace
