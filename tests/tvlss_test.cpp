// Selection loop: the return-code rule, the caseless compare, the fast
// search, and condition elements judged on operands built by hand (fixed
// addresses, so that only the comparison is under test).
#include "engine/engine.h"
#include "tests/testutil.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace std::literals;

namespace {

// A bare run context with RETCD at 0 and a current node.
class Sel : public tvt::RunCtx {
protected:
    CN node{}, yes{}, no{};
    FLD f1{}, f2{};
    void SetUp() override {
        atupdv(atmake("RETCD", 0), 0);
        ctx.cncur = &node;
    }
    // A fixed-address operand of n bytes.
    static void fixed(FLD& f, std::string_view bytes, int type, int scale = 0) {
        std::memset(&f, 0, sizeof f);
        f.pkind = PK_LIT;
        f.lkind = PK_REC;
        f.len = static_cast<std::int64_t>(bytes.size());
        f.litlen = f.len;
        f.lit = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data()));
        f.type = type;
        f.scale = scale;
        f.style = FD_STYL_NAT;
        f.pflags = FP_LIT | FP_LIT400 | (type == FD_CHAR ? 0 : FP_NUM);
    }
    // Judge one element: 1 when the walk went to the true successor.
    int judge(int code, std::uint32_t flags, char fill = ' ') {
        node.typ1 = CN_IF;
        node.typ2 = code;
        node.cflags = flags;
        node.cfill = fill;
        node.fld1 = &f1;
        node.fld2 = &f2;
        node.tsucc = &yes;
        node.fsucc = &no;
        ctx.cncur = &node;
        do_if(&ctx);
        return ctx.cncur == &yes ? 1 : 0;
    }
    long long rc() const { return ctx.at_retcd->value; }
};

}  // namespace

// Each row is a sequence of requests from RETCD 0, with the code after
// each; 8 also counts on the statement.
TEST_F(Sel, SetretNeverLowers) {
    struct Row {
        const char*      name;
        std::vector<int> req, want;
        int              stmt;   // the current statement's number
        int              rc8;    // return-code-8 events counted
    };
    const Row kRows[] = {
        {"RisesOnly", {5, 0, 4, 8, 6}, {5, 5, 5, 8, 8}, 3, 1},
        {"EightCountsEachTime", {8, 8, 8}, {8, 8, 8}, 2, 3},
        {"ZeroDoesNothing", {0}, {0}, 1, 0},
        {"GeneratedNodeRecordsNoNumber", {6, 6}, {6, 6}, 0, 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        atupdv(ctx.at_retcd, 0);
        ctx.retstmt = 0;
        ctx.curstmt = r.stmt;
        node.rc8cnt = 0;
        for (std::size_t i = 0; i < r.req.size(); ++i) EXPECT_EQ(r.want[i], setret(r.req[i])) << i;
        EXPECT_EQ(r.want.back(), rc());
        EXPECT_EQ(r.rc8, node.rc8cnt);
        EXPECT_EQ(r.want.back() > 0 ? r.stmt : 0, ctx.retstmt);
    }
}

TEST_F(Sel, MemicmpFoldsLetters) {
    struct Row { std::string_view a, b; int sign; };
    const Row kRows[] = {
        {"abc", "ABC", 0},
        {"abd", "ABC", 1},    // d (0x64) above c (0x63)
        {"AB[", "ABa", -1},   // "[" 0x5B below "a" 0x61; no folding of "["
        {"", "", 0},
        {"\xC1", "\xE1", -1},  // bytes above 127 are not letters here
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.a);
        int got = memicmp(r.a.data(), r.b.data(), static_cast<std::int64_t>(r.a.size()));
        EXPECT_EQ(r.sign, (got > 0) - (got < 0));
    }
}

// s1eq over "xxABxAB": the first start between first and last inclusive.
TEST_F(Sel, S1eqFindsFirstStart) {
    static const unsigned char kHay[] = "xxABxABab";
    struct Row { int first, last; std::string_view s; bool casei; int at; };  // at -1: none
    const Row kRows[] = {
        {0, 5, "AB", false, 2},
        {3, 5, "AB", false, 5},   // the second occurrence
        {3, 4, "AB", false, -1},  // starts 3 and 4 hold "Bx", "xA"
        {0, 7, "ab", false, 7},
        {0, 7, "ab", true, 2},    // caseless: the first "AB"
        {4, 4, "", false, 4},     // empty string: the first start
        {5, 4, "A", false, -1},   // empty range
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.first * 100 + r.last);
        node.cflags = r.casei ? CF_CASEI : 0;
        auto s = reinterpret_cast<const unsigned char*>(r.s.data());
        const unsigned char* got = s1eq(kHay + r.first, kHay + r.last, s, static_cast<std::int64_t>(r.s.size()));
        EXPECT_EQ(r.at < 0 ? nullptr : kHay + r.at, got);
    }
}

// Character comparison: the shorter operand is extended with the fill
// byte; the code judges the result; NOT inverts it.
TEST_F(Sel, CharacterElements) {
    struct Row { const char* name; std::string_view a, b; int code; std::uint32_t flags; char fill; int want; };
    const Row kRows[] = {
        {"TrailingBlanksEqual", "AB   ", "AB", CC_EQ, 0, ' ', 1},
        {"ShorterIsLower", "ABC", "ABCD", CC_LT, 0, ' ', 1},        // C D: blank 0x20 below D 0x44
        {"FillDMakesEqual", "ABC", "ABCD", CC_EQ, CF_FILL, 'D', 1},
        {"LongerLeftAbove", "ABCD", "ABC", CC_GT, 0, ' ', 1},
        {"NotInverts", "AB", "AB", CC_EQ, CF_NOT, ' ', 0},
        {"CaseiEqual", "aBc", "AbC", CC_EQ, CF_CASEI, ' ', 1},
        {"NeOnDifferentByte", "AX", "AB", CC_NE, 0, ' ', 1},
        {"GeOnEqual", "AB", "AB", CC_GE, 0, ' ', 1},
        {"LeOnHigher", "AC", "AB", CC_LE, 0, ' ', 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        fixed(f1, r.a, FD_CHAR);
        fixed(f2, r.b, FD_CHAR);
        EXPECT_EQ(r.want, judge(r.code, r.flags, r.fill));
        EXPECT_EQ(0, rc());
    }
}

// Numeric comparison is exact unless an operand is a float.
TEST_F(Sel, ArithmeticElements) {
    // 0.1 + 0.2 and 0.3 as native doubles (0.30000000000000004 and 0.3).
    static double sum = 0.1 + 0.2, third = 0.3;
    std::string_view dsum(reinterpret_cast<const char*>(&sum), 8), dthird(reinterpret_cast<const char*>(&third), 8);
    struct Row {
        const char* name;
        std::string_view a; int ta, sa;
        std::string_view b; int tb, sb;
        int code, want, rc;
    };
    const Row kRows[] = {
        // 17 digits, packed, the last digit apart: as doubles both are
        // 12345678901234568, exactly they differ.
        {"Packed17thDigit", "\x12\x34\x56\x78\x90\x12\x34\x56\x7C"sv, FD_PACKED, 0,
         "\x12\x34\x56\x78\x90\x12\x34\x56\x8C"sv, FD_PACKED, 0, CC_LT, 1, 0},
        {"PackedSameValueDifferentScale", "\x12\x34\x50\x0C"sv, FD_PACKED, 3,   // 1234.500
         "\x01\x23\x45\x0C"sv, FD_PACKED, 2, CC_EQ, 1, 0},                       // 1234.50
        // X'12345C' scale 2 is 123.45; zoned "12346" scale 2 is 123.46.
        {"PackedAgainstZoned", "\x12\x34\x5C"sv, FD_PACKED, 2, "12346", FD_ZONED, 2, CC_LT, 1, 0},
        {"NegativePacked", "\x00\x5D"sv, FD_PACKED, 0, "\x00\x3C"sv, FD_PACKED, 0, CC_LT, 1, 0},  // -5 < 3
        {"MinusZeroIsZero", "\x00\x0D"sv, FD_PACKED, 0, "\x00\x0C"sv, FD_PACKED, 0, CC_EQ, 1, 0},
        // Binary X'FFFF' is -1; character " 12" is 12.
        {"BinaryAgainstCharacter", "\xFF\xFF"sv, FD_BIN, 0, " 12", FD_CHAR, 0, CC_LT, 1, 0},
        {"FloatsWithinTolerance", dsum, FD_FLOAT, 0, dthird, FD_FLOAT, 0, CC_EQ, 1, 0},
        // A bad digit nibble: return code 6, judged as lower.
        {"BadPackedIsLowerAndSix", "\x1A\x3C"sv, FD_PACKED, 0, "\x00\x1C"sv, FD_PACKED, 0, CC_LT, 1, 6},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        atupdv(ctx.at_retcd, 0);
        ctx.retstmt = 0;
        node.cnt = 0;
        fixed(f1, r.a, r.ta, r.sa);
        fixed(f2, r.b, r.tb, r.sb);
        EXPECT_EQ(r.want, judge(r.code, CF_ARITH));
        EXPECT_EQ(r.rc, rc());
        EXPECT_EQ(r.rc ? 1 : 0, node.cnt);  // failed tests counted
    }
}

// Bit masks against one data byte (or as many as the mask has).  A mask
// over 256 bytes is cut to 256: return code 6, counted in trmask.
TEST_F(Sel, MaskElements) {
    const std::string ff300(300, '\xFF'), m300(300, '\x01');
    struct Row { const char* name; std::string_view data, mask; int code, want, rc; };
    const Row kRows[] = {
        {"OnesAllOn", "1", "\x30"sv, CC_ONES, 1, 0},       // 0x31 & 0x30 = 0x30
        {"OnesOneOff", "A", "\x30"sv, CC_ONES, 0, 0},      // 0x41 & 0x30 = 0x00
        {"MixedSome", "1", "\x0F"sv, CC_MIXED, 1, 0},      // 0x31 & 0x0F = 0x01
        {"ZerosNone", "A", "\x80"sv, CC_ZEROS, 1, 0},
        {"ZeroMaskNever", "A", "\x00"sv, CC_ZEROS, 0, 0},
        {"LongMaskMixed", "\xF0\x0F"sv, "\xFF\xFF"sv, CC_MIXED, 1, 0},  // some on, some off
        {"LongMaskOnes", "\xF0\x0F"sv, "\xF0\x0F"sv, CC_ONES, 1, 0},
        {"MaskOver256IsCut", ff300, m300, CC_ONES, 1, 6},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        atupdv(ctx.at_retcd, 0);
        ctx.trmask = 0;
        fixed(f1, r.data, FD_CHAR);
        fixed(f2, r.mask, FD_CHAR);
        EXPECT_EQ(r.want, judge(r.code, 0));
        EXPECT_EQ(r.rc, rc());
        EXPECT_EQ(r.rc ? 1 : 0, ctx.trmask);
    }
}

// Range scans over the current record "xxABxAB": EQ finds the first
// occurrence; REVERSE the last; STEP 2 only even offsets; a mask code tests
// each position.
TEST_F(Sel, RangeElements) {
    static unsigned char rec[] = "xxABxAB";
    struct Row { const char* name; int from, len; std::string_view v; int code; std::uint32_t flags; int step, want; };
    const Row kRows[] = {
        {"Found", 0, 7, "AB", CC_EQ, 0, 1, 1},
        {"NotFound", 0, 7, "BA", CC_EQ, 0, 1, 0},
        {"MayRunPastTheRange", 0, 3, "AB", CC_EQ, 0, 1, 1},   // start 2 is in the range, "AB" fits the record
        {"StepFindsLater", 1, 6, "AB", CC_EQ, CF_STEP, 2, 1},  // starts 1, 3, 5 hold "xA", "Bx", "AB"
        {"StepPassesOver", 0, 7, "Bx", CC_EQ, CF_STEP, 2, 0},  // starts 0, 2, 4 hold "xx", "AB", "xA"
        {"Reverse", 0, 7, "AB", CC_EQ, CF_REV, 1, 1},
        {"NeFindsOther", 0, 2, "x", CC_NE, 0, 1, 0},           // "x", "x": both equal
        {"MaskOnEachPosition", 0, 7, "\x01"sv, CC_ONES, 0, 1, 1},  // "A" 0x41 has bit 0x01
    };
    ctx.currec = rec;
    ctx.curlen = 7;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        fixed(f1, std::string_view(reinterpret_cast<char*>(rec) + r.from, static_cast<std::size_t>(r.len)), FD_CHAR);
        fixed(f2, r.v, FD_CHAR);
        node.step = r.step;
        EXPECT_EQ(r.want, judge(r.code, CF_SEARCH | r.flags));
    }
}
