// Run-time positions and lengths: operands parsed by the real operand
// parser, resolved against a record in hand; positions of every kind,
// lengths of every kind, clipping at the record end and the work area,
// fields past the end failing with their accounting, explicit windows,
// values and literals, declared variables, and the result stores.
#include "tests/testutil.h"

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

class Tvlsc : public tvt::OpFix {
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
        opt.fill = ' ';  // the run's fill character, blank by default
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
    // An operand built by hand: position and length halves.
    FLD hand(int pkind, long long pos, int lkind, long long len) {
        FLD g{};
        g.owner = c;
        g.pkind = pkind;
        g.pos = pos;
        g.lkind = lkind;
        g.len = len;
        return g;
    }
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
        // LRECL = 10: position 10 - 3 = 7, offset 6, "GHI"
        {"record length less 3", "P LRECL-3 LEN 3", kPrint, false, true, 6, 3, 7, 0, 0},
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
        node.rc8cnt = 0;
        c->currec = rec;
        std::memset(work, '.', sizeof work);
        if (r.inwork) recinwork();
        ptr("@P", 4), ptr("@Q", 3), ptr("@R", 6), ptr("@L", 3), ptr("@S", 7), ptr("@B", 4000);
        ptr("LRECL", 10);
        stmt(r.st);
        parse(r.text, kField);
        unsigned char* a = tvlsc(f);
        EXPECT_EQ(a != nullptr, r.nonnull);
        if (r.nonnull) { EXPECT_EQ(a, c->currec + r.off); }
        if (r.len >= 0 || r.nonnull) {
            EXPECT_EQ(f->lit, c->currec + r.off);
        } else {
            EXPECT_EQ(f->lit, nullptr);
        }
        EXPECT_EQ(f->litlen, r.len);
        EXPECT_EQ(f->rpos, r.rpos);
        EXPECT_EQ(f->rtstat, r.stat);
        EXPECT_EQ(retcd(), r.rc);
        EXPECT_EQ(node.rc8cnt, r.rc == 8 ? 1 : 0);  // one failure counted once on the statement
    }
}

// Operands that are not record fields: the bytes they stand for.
struct ValRow { const char* name; const char* text; long mode; std::string_view bytes; long long rpos; };

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
        if (r.rpos) { EXPECT_EQ(f->rpos, r.rpos); }
    }
    // The literal keeps its data through a failed resolution elsewhere.
    parse("'XY'", kQuoted);
    unsigned char* lit = f->lit;
    EXPECT_EQ(tvlsc(f), lit);
    EXPECT_EQ(tvlsc(f), lit);
    EXPECT_EQ(f->litlen, 2);
}

// Operands built by hand for the forms the parser does not write yet:
// the rest of the record, explicit windows, the other operand's length,
// reset lengths, subroutine arguments.
struct HandRow {
    const char* name;
    long long   pos;
    int         lkind;
    long long   len;
    std::uint32_t lflags;
    STMT        st;
    bool        nonnull;
    long long   off, rlen;
    int         stat;
    long long   rc;
};

TEST_F(Tvlsc, LengthKindsAndWindows) {
    // Record "ABCDEFGHIJ" (10 bytes) outside the work area; default length
    // 5; the statement's left operand resolved to 4 bytes, its right to 6.
    constexpr HandRow kRows[] = {
        // rest of the record from offset 3: 10 - 3 = 7
        {"rest of record", 3, PK_IN, 0, 0, kPrint, true, 3, 7, 0, 0},
        {"rest of record, smaller constant", 3, PK_IN, 2, 0, kPrint, true, 3, 2, 0, 0},
        {"rest of record, larger constant", 3, PK_IN, 9, 0, kPrint, true, 3, 7, 0, 0},
        // an explicit window is not failed in MOVE: kept inside the record
        {"window clipped in the record", 8, PK_REC, 5, FL_WINDOW, kMove, true, 8, 2, 0, 0},
        {"window outside everything", 12, PK_REC, 1, FL_WINDOW, kMove, false, 0, -1, 8, 8},
        {"left operand's length", 0, PK_FT, 0, 0, kPrint, true, 0, 4, 0, 0},
        {"right operand's length", 1, PK_COMRG, 0, 0, kPrint, true, 1, 6, 0, 0},
        // kind 15: back to the default length; the constant is not added
        {"reset to the default", 2, 15, 3, 0, kPrint, true, 2, 5, 0, 0},
        {"argument length without a call", 2, PK_PCB, 0, 0, kPrint, false, 0, -1, 8, 8},
    };
    FLD left{}, right{};
    left.litlen = 4;
    right.litlen = 6;
    node.fld1 = &left;
    node.fld2 = &right;
    for (const HandRow& r : kRows) {
        SCOPED_TRACE(r.name);
        c->at_retcd->value = 0;
        stmt(r.st);
        FLD g = hand(PK_REC, r.pos, r.lkind, r.len);
        g.lflags = r.lflags;
        unsigned char* a = tvlsc(&g);
        EXPECT_EQ(a != nullptr, r.nonnull);
        if (r.nonnull) { EXPECT_EQ(a, rec + r.off); }
        EXPECT_EQ(g.litlen, r.rlen);
        EXPECT_EQ(g.rtstat, r.stat);
        EXPECT_EQ(retcd(), r.rc);
    }
    // The other operand failed: no length to take.
    left.litlen = -1;
    FLD g = hand(PK_REC, 0, PK_FT, 0);
    EXPECT_EQ(tvlsc(&g), nullptr);
    EXPECT_EQ(g.rtstat, SC_FAIL);
    node.fld1 = node.fld2 = nullptr;
}

TEST_F(Tvlsc, SubroutineArguments) {
    stmt(kPrint);
    FLD arg = hand(PK_REC, 2, PK_REC, 3);  // the caller passed P 3 LEN 3: offset 2
    FLD g = hand(PK_ARGN, 0, PK_PCB, 0);   // the argument's own length
    // No call active: the operand fails quietly.
    EXPECT_EQ(tvlsc(&g), nullptr);
    EXPECT_EQ(g.rtstat, SC_FAIL);
    EXPECT_EQ(retcd(), 0);
    // The caller skipped the first place and passed one argument: it is
    // argument 0, at offset 2, 3 bytes ("CDE").
    FLD* argv[2] = {nullptr, &arg};
    CALLF fr{nullptr, argv, 2};
    c->callf = &fr;
    unsigned char* a = tvlsc(&g);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::string_view(reinterpret_cast<char*>(a), static_cast<std::size_t>(g.litlen)), "CDE"sv);
    EXPECT_EQ(g.rpos, 3);
    // Argument 1 was not passed: "*?*" stands in, status 8 + 64.
    g.argix = 1;
    a = tvlsc(&g);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::string_view(reinterpret_cast<char*>(a), 3), "*?*"sv);
    EXPECT_EQ(g.litlen, 3);
    EXPECT_EQ(g.rtstat, SC_FAIL + SC_NOARG);
    EXPECT_EQ(retcd(), 0);
    // As the left operand of an action it fails with return code 8.
    node.fld1 = &g;
    EXPECT_EQ(tvlsc(&g), nullptr);
    EXPECT_EQ(g.rtstat, SC_FAIL);
    EXPECT_EQ(retcd(), 8);
    node.fld1 = nullptr;
    c->callf = nullptr;
    c->curarg = nullptr;
}

TEST_F(Tvlsc, SpecialAreasOfTheCurrentFile) {
    FFREC ff{};
    std::memcpy(ff.fname, "NAME", 5);
    char dir[] = "/d/";
    ff.prefix = dir;
    std::memcpy(ff.fsizebe, "\x00\x00\x00\x00\x00\x00\x01\x02", 8);
    c->curfile = &ff;
    stmt(kPrint);
    struct Row { const char* name; const char* text; const char* ext; std::string_view bytes; };
    const Row kRows[] = {
        {"file name", "FN LEN 4", "", "NAME"sv},
        // directory, name, then one blank right after the name
        {"DSN without extension", "DSN LEN 9", "", "/d/NAME  "sv},
        {"DSN with extension", "DSN LEN 12", "TXT", "/d/NAME.TXT "sv},
        {"file size", "FSIZE LEN 8", "", "\x00\x00\x00\x00\x00\x00\x01\x02"sv},
        // 8 bytes asked from a 4-byte name: kept inside the name
        {"file name clipped", "FN LEN 8", "", "NAME"sv},
    };
    // IN: the statement file's count of records read, as an 8-byte value.
    ff.reccnt = 42;
    node.file = &ff;
    FLD in = hand(PK_IN, 0, PK_REC, 8);
    ASSERT_EQ(tvlsc(&in), reinterpret_cast<unsigned char*>(&in.rpos));
    EXPECT_EQ(in.rpos, 42);
    EXPECT_EQ(in.litlen, 8);
    node.file = nullptr;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        std::strcpy(ff.fext, r.ext);
        c->dsnfile = nullptr;
        parse(r.text, kField);
        unsigned char* a = tvlsc(f);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(f->rtstat, 0);
        EXPECT_EQ(std::string_view(reinterpret_cast<char*>(a), static_cast<std::size_t>(f->litlen)), r.bytes);
    }
    c->curfile = nullptr;
}

TEST_F(Tvlsc, ScanPointerFollowsTheLastHit) {
    AT* at = atmake("@", 0);
    ASSERT_EQ(c->at_rec, at);
    stmt(kPrint);
    FLD g = hand(PK_AT, 0, PK_REC, 2);
    g.pat = at;
    c->scanhit = rec + 3;  // hit at offset 3: "@" = 4, the field "DE"
    unsigned char* a = tvlsc(&g);
    ASSERT_EQ(a, rec + 3);
    EXPECT_EQ(at->value, 4);
    c->scanhit = rec + 12;  // beyond the record: position 13, marked outside
    scsetat(c);
    EXPECT_EQ(at->value, 13);
    EXPECT_EQ(at->state & AT_STATE_OUTSIDE, AT_STATE_OUTSIDE);
    c->scanhit = nullptr;  // no hit: unset, and the field fails
    c->at_retcd->value = 0;
    EXPECT_EQ(tvlsc(&g), nullptr);
    EXPECT_EQ(at->state & AT_STATE_SET, 0);
}

TEST_F(Tvlsc, PointerIntoTheWorkArea) {
    // @W holds the address of the 5th byte of the work area (offset 4)
    // while the record lies elsewhere: 28 bytes are left there.
    AT* at = atmake("@W", 0);
    atupdp(at, reinterpret_cast<char*>(work + 4));
    stmt(kPrint);
    struct Row { const char* name; long long len, want; };
    constexpr Row kRows[] = {{"inside", 3, 3}, {"clipped at the work end", 40, 28}};
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        FLD g = hand(PK_AT, 0, PK_REC, r.len);
        g.pat = at;
        ASSERT_EQ(tvlsc(&g), work + 4);
        EXPECT_EQ(g.litlen, r.want);
    }
}

// A declared variable placed over a buffer of the test (a value area).
DCL dclover(unsigned char* buf, int type, long long len, int scale) {
    DCL d{};
    d.type = type;
    d.len = len;
    d.scale = scale;
    d.flags = DCL_VAREA;
    d.base = reinterpret_cast<char*>(buf);
    return d;
}

TEST(dcl2lonb, ValueByType) {
    struct Row { const char* name; int type; std::string_view bytes; int scale; long long want; int rc; };
    constexpr Row kRows[] = {
        {"binary", FD_BIN, "\x00\x05"sv, 0, 5, 0},
        {"negative binary", FD_BIN, "\xFF\xFE"sv, 0, -2, 0},     // two's complement of 2
        {"packed", FD_PACKED, "\x12\x3C"sv, 0, 123, 0},           // digits 1 2 3, sign C
        {"negative packed", FD_PACKED, "\x12\x3D"sv, 0, -123, 0}, // sign D
        {"packed, 2 decimals", FD_PACKED, "\x12\x34\x5C"sv, 2, 123, 0},  // 123.45 rounds to 123
        {"packed, bad nibble", FD_PACKED, "\x1A\x3C"sv, 0, 0, 1},
        {"character", FD_CHAR, "0042"sv, 0, 42, 0},
        {"character, not a number", FD_CHAR, "4X"sv, 0, 0, 1},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        unsigned char buf[16];
        std::memcpy(buf, r.bytes.data(), r.bytes.size());
        DCL d = dclover(buf, r.type, static_cast<long long>(r.bytes.size()), r.scale);
        long long v = 0;
        EXPECT_EQ(dcl2lonb(&v, &d), r.rc);
        if (r.rc == 0) { EXPECT_EQ(v, r.want); }
    }
}

TEST_F(Tvlsc, DeclaredVariablesAsPositionsAndFields) {
    stmt(kPrint);
    unsigned char buf[2] = {0x00, 0x05};
    DCL num = dclover(buf, FD_BIN, 2, 0);
    FLD g = hand(PK_DCLV, 0, PK_REC, 2);  // P &N with N = 5: the 5th byte, offset 4
    g.dcl = &num;
    ASSERT_EQ(tvlsc(&g), rec + 4);
    EXPECT_EQ(g.litlen, 2);
    // A packed variable with one decimal, 12.5, as a float value: the
    // operand is its own double.
    unsigned char pk[2] = {0x12, 0x5C};
    DCL dec = dclover(pk, FD_PACKED, 2, 1);
    FLD v = hand(PK_DCLV, 0, PK_REC, 8);
    v.dcl = &dec;
    v.pflags = FP_FLOAT;
    ASSERT_EQ(tvlsc(&v), reinterpret_cast<unsigned char*>(&v.fval));
    EXPECT_EQ(v.fval, 12.5);
    EXPECT_EQ(v.litlen, 8);
    // A character variable of 6 bytes at dynamic-area offset 4: a 10-byte
    // field of it is kept inside the variable.
    cm->dyna = work;
    DCL ch{};
    ch.type = FD_CHAR;
    ch.len = 6;
    ch.pos = 4;
    FLD h = hand(PK_WORK, 0, PK_REC, 10);
    h.dcl = &ch;
    ASSERT_EQ(tvlsc(&h), work + 4);
    EXPECT_EQ(h.litlen, 6);
    EXPECT_EQ(h.rtstat, 0);
    cm->dyna = nullptr;
}

// setbin: rows of type, target length, decimals, value; the bytes after,
// and the result.
TEST_F(Tvlsc, SetbinStoresByType) {
    struct Row { const char* name; int type; int n; int scale; long long value; std::string_view want; int rc; };
    constexpr Row kRows[] = {
        {"binary", FD_BIN, 4, 0, 258, "\x00\x00\x01\x02"sv, 0},  // 258 = 0x0102
        // 300 does not fit one unsigned byte: left unchanged
        {"binary too small", FD_BIN, 1, 0, 300, "\xEE"sv, 8},
        // -123: digits 1 2 3 filled leftwards before the sign D
        {"packed", FD_PACKED, 3, 0, -123, "\x00\x12\x3D"sv, 0},
        // 12345 needs 3 bytes: 2 bytes cannot hold it
        {"packed too small", FD_PACKED, 2, 0, 12345, "\xEE\xEE"sv, 8},
        // no pattern: as many 9 as the field, leading zeros shown
        {"character", FD_CHAR, 4, 0, 42, "0042"sv, 0},
    };
    stmt(kMove);
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        c->at_retcd->value = 0;
        unsigned char buf[8];
        std::memset(buf, 0xEE, sizeof buf);
        FLD g = hand(0, 0, 0, 0);
        g.type = r.type;
        g.scale = static_cast<std::int16_t>(r.scale);
        g.lit = buf;
        g.litlen = r.n;
        EXPECT_EQ(setbin(&g, r.value), r.rc);
        EXPECT_EQ(hex(buf, r.n), hex(reinterpret_cast<const unsigned char*>(r.want.data()), r.n));
        EXPECT_EQ(retcd(), r.rc);
    }
    // An @-name's value: only a value operand takes it.
    AT* at = atmake("@V", 0);
    FLD g = hand(PK_AT, 0, 0, 0);
    g.type = FD_PTR;
    g.pat = at;
    g.pflags = FP_PTRV;
    EXPECT_EQ(setbin(&g, 9), 0);
    EXPECT_EQ(at->value, 9);
    g.pflags = 0;
    EXPECT_EQ(setbin(&g, 11), 8);
    EXPECT_EQ(at->value, 9);
}

// setlen: a varying variable of 10 bytes (2-byte length, 8 data bytes) or
// a NUL-terminated one of 6 bytes (5 data bytes and the 0), over a
// 12-byte buffer filled with 'x'; the data written, where it ends, the
// fill asked for; the whole buffer after.
TEST_F(Tvlsc, SetlenFinishesVaryingResults) {
    struct Row {
        const char* name; int type; long long len; std::uint32_t pflags;
        const char* data; long long end; long long fillat; long long count;
        std::string_view want;
    };
    const Row kRows[] = {
        // "AB" and two blanks: the blanks are not counted, length 2
        {"varying", FD_VCHAR2, 10, 0, "AB  ", 4, 0, 0, "\x00\x02" "AB  xxxxxx"sv},
        // after P/POS the rest is padded and counted: length 8
        {"varying after POS", FD_VCHAR2, 10, FP_PFX, "AB  ", 4, 0, 0, "\x00\x08" "AB      xx"sv},
        // 3 fill bytes after the data
        {"varying with fill", FD_VCHAR2, 10, 0, "AB", 2, 2, 3, "\x00\x02" "AB   xxxxx"sv},
        // fill asked far beyond: stops at the variable's end (byte 10)
        {"fill kept inside", FD_VCHAR2, 10, 0, "AB", 2, 2, 100, "\x00\x02" "AB      xx"sv},
        {"NUL-terminated", FD_NTS, 6, 0, "XYZ", 3, 0, 0, "XYZ\x00xxxxxxxx"sv},
        // data past the 5 data bytes: the 0 goes in the last byte
        {"NUL-terminated, full", FD_NTS, 6, 0, "VWXYZ", 9, 0, 0, "VWXYZ\x00xxxxxx"sv},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        unsigned char buf[12];
        std::memset(buf, 'x', sizeof buf);
        DCL d = dclover(buf, r.type, r.len, 0);
        long long pfx = r.type == FD_NTS ? 0 : 2;
        std::memcpy(buf + pfx, r.data, std::strlen(r.data));
        FLD g = hand(0, 0, 0, 0);
        g.dcl = &d;
        g.pflags = r.pflags;
        g.lit = buf + pfx;
        EXPECT_EQ(setlen(&g, buf + pfx + r.end, buf + pfx + r.fillat, r.count), 0);
        EXPECT_EQ(hex(buf, 12), hex(reinterpret_cast<const unsigned char*>(r.want.data()), 12));
    }
}

}  // namespace
