// Field operands: operand text to FLD contents for each written form, the
// literals (character, hexadecimal, EBC, packed, float, zoned, binary), the
// attributes, the error numbers, and GK_TRY leaving the tokens untouched.
#include "tests/testutil.h"

#include <string>
#include <vector>

namespace {

class Tvlgk : public tvt::OpFix {
protected:
    int gk(std::string_view s, long mode, int op = 0) {
        fldkill(c, &f);
        node.typ2 = op;
        node.sub = 0;
        tokens(s);
        return tvlgk(&f, mode);
    }
};

constexpr std::uint32_t kLitFlags = FP_OWNLIT | FP_LIT400 | FP_LIT;  // 0x40402

// One operand: text, mode, operation code, result; then position half,
// length half, type, digits, scale, flags (fresh bit left out), the literal
// in hex, and the tokens left unused.
struct GkRow {
    const char*   name;
    const char*   text;
    long          mode;
    int           op;
    int           rc;
    int           pkind;
    long long     pos;
    int           lkind;
    long long     len;
    int           type;
    int           digits;
    int           scale;
    std::uint32_t pflags;
    std::uint32_t lflags;
    const char*   lit;
    int           left;
};

TEST_F(Tvlgk, WrittenForms) {
    constexpr GkRow kRows[] = {
        // Position 10 (offset 9), length 5.
        {"P LEN", "P 10 LEN 5", 8370, 0, 0, PK_REC, 9, PK_REC, 5, 0, 0, -1, 0, 0, nullptr, 0},
        // P 10,20: length 20 - 10 + 1 = 11, derived from a second position.
        {"P pos,pos", "P 10,20", 404, 0, 0, PK_REC, 9, PK_REC, 11, 0, 0, -1, FP_PFX, FL_POS2, nullptr, 0},
        {"P pos,same pos", "P 10,10", 404, 0, 0, PK_REC, 9, PK_REC, 1, 0, 0, -1, FP_PFX, FL_POS2, nullptr, 0},
        // 10 AT 50: the number before AT is the length; position 50, offset 49.
        {"length AT", "10 AT 50", 656, 0, 0, PK_REC, 49, PK_REC, 10, 0, 0, -1, FP_ATFORM, 0, nullptr, 0},
        {"length FROM", "4 FROM 7", 720, 0, 0, PK_REC, 6, PK_REC, 4, 0, 0, -1, FP_ATFORM, 0, nullptr, 0},
        {"length INTO", "6 INTO 3", 24723, 0, 0, PK_REC, 2, PK_REC, 6, 0, 0, -1, FP_ATFORM, 0, nullptr, 0},
        // FROM further on in the statement (GK_ANYWHERE): the word between stays.
        {"FROM anywhere", "4 X FROM 7", GK_FROM | GK_AT | GK_ANYWHERE, 0, 0, PK_REC, 6, PK_REC, 4, 0, 0, -1,
         FP_ATFORM, 0, nullptr, 1},
        // FROM not accepted without GK_FROM: 4 is a position, FROM is left.
        {"FROM not allowed", "4 FROM 7", 8370 & ~GK_POS2, 0, 0, PK_REC, 3, 0, 0, 0, 0, -1, 0, 0, nullptr, 2},
        // Length kind 6: two positions of different kinds, the end in sub.
        {"pointer to number", "@P,20", 404, 0, 0, PK_AT, 0, PK_POS2, 0, 0, 0, -1, 0, FL_POS2, nullptr, 0},
        // Length keyword anywhere in the statement without GK_LENNEXT.
        {"LEN after TYPE", "1 TYPE P LEN 4", GK_POS | GK_TYPE, 0, 0, PK_REC, 0, PK_REC, 4, FD_PACKED, 0, -1,
         FP_TYPED | FP_NUM, 0, nullptr, 0},
        // SCALE 7 on a 4-byte packed field: the largest, 2 x 4 - 1.
        {"SCALE at limit", "1 LEN 4 TYPE P SCALE 7", 67147930, 0, 0, PK_REC, 0, PK_REC, 4, FD_PACKED, 0, 7,
         FP_TYPED | FP_NUM, 0, nullptr, 0},
        {"STYLE", "1 LEN 4 STYLE J", GK_POS | GK_STYLE, 0, 0, PK_REC, 0, PK_REC, 4, 0, 0, -1, 0, 0, nullptr, 0},
        // F with HEX: style 11; a second data type is ignored.
        {"float HEX", "1 LEN 8 TYPE F HEX TYPE B", 67147930, 0, 0, PK_REC, 0, PK_REC, 8, FD_FLOAT, 0, -1,
         FP_TYPED | FP_NUM, 0, nullptr, 0},
        // NOW: kind 33, length 8, style 7.
        {"NOW", "NOW", GK_NOW | GK_VALUE, 0, 0, PK_NOW, 0, PK_REC, 8, 0, 0, -1, 0, 0, nullptr, 0},
        // A number as its own value: 8-byte integer 10, type 2.
        {"number value", "10", 1033, 0, 0, PK_LIT, 0, PK_REC, 8, FD_PTR, 0, -1, kLitFlags | FP_NUM, 0,
         "0A 00 00 00 00 00 00 00", 0},
        // -5 as a value: two's complement FFFFFFFFFFFFFFFB, the machine's order.
        {"negative value", "-5", 1033, 0, 0, PK_LIT, 0, PK_REC, 8, FD_PTR, 0, -1, kLitFlags | FP_NUM, 0,
         "FB FF FF FF FF FF FF FF", 0},
        // -5.50 packed: trailing zero dropped, digits 55, scale 1, 2 bytes 05 5D.
        {"packed negative decimal", "-5.50", 1033 | GK_DEFP, 0, 0, PK_LIT, 0, PK_REC, 2, FD_PACKED, 2, 1,
         kLitFlags | FP_NUM, 0, "05 5D", 0},
        // 123.4 packed: digits 1234, scale 1, 4/2 + 1 = 3 bytes 01 23 4C.
        {"packed decimal", "123.4", 1033 | GK_DEFP, 0, 0, PK_LIT, 0, PK_REC, 3, FD_PACKED, 4, 1,
         kLitFlags | FP_NUM, 0, "01 23 4C", 0},
        // A number as a value under GK_DEFP: packed 42 in 2 / 2 + 1 = 2 bytes 04 2C.
        {"packed integer", "42", GK_VALUE | GK_NUMLIT | GK_POS2 | GK_DEFP, 0, 0, PK_LIT, 0, PK_REC, 2,
         FD_PACKED, 2, 0, kLitFlags | FP_NUM, 0, "04 2C", 0},
        // A plain number where no field can be is binary even under GK_DEFP: 42 = 2A.
        {"binary integer under DEFP", "42", 1033 | GK_DEFP, 0, 0, PK_LIT, 0, PK_REC, 8, FD_PTR, 0, -1,
         kLitFlags | FP_NUM, 0, "2A 00 00 00 00 00 00 00", 0},
        // -5.5 as a double: sign 1, exponent 1023 + 2 = 0x401, fraction .011:
        // C016000000000000, the machine's (little-endian) order.
        {"float literal", "-5.5", 1033, 0, 0, PK_LIT, 0, PK_REC, 8, FD_FLOAT, 0, -1, kLitFlags | FP_NUM, 0,
         "00 00 00 00 00 00 16 C0", 0},
        // 20 digits exceed 2^63 - 1: packed, 20 / 2 + 1 = 11 bytes.
        {"large integer packed", "12345678901234567890", 1033, 0, 0, PK_LIT, 0, PK_REC, 11, FD_PACKED, 20, 0,
         kLitFlags | FP_NUM, 0, "01 23 45 67 89 01 23 45 67 89 0C", 0},
        // In MULT the same number is a zoned literal, its text as written.
        {"large integer zoned", "00012345678901234567890", 1033, 47, 0, PK_LIT, 0, PK_REC, 20, FD_ZONED, 0, -1,
         kLitFlags | FP_NUM, 0, "31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 37 38 39 30", 0},
        // A quoted literal under GK_QLIT: as written, typed character.
        {"quoted literal", "'Ab'", 512, 0, 0, PK_LIT, 0, PK_REC, 2, FD_CHAR, 0, -1, kLitFlags, 0, "41 62", 0},
        // EBC: A -> C1, b -> 82 (ASCII to EBCDIC).
        {"EBC literal", "'Ab' EBC", 512, 0, 0, PK_LIT, 0, PK_REC, 2, FD_CHAR, 0, -1, kLitFlags, 0, "C1 82", 0},
        // A quoted L is a literal, not the @-name LRECL.
        {"quoted name", "'L'", 512, 0, 0, PK_LIT, 0, PK_REC, 1, FD_CHAR, 0, -1, kLitFlags, 0, "4C", 0},
        {"ASC literal", "'Ab' ASCII", 512, 0, 0, PK_LIT, 0, PK_REC, 2, FD_CHAR, 0, -1, kLitFlags, 0, "41 62", 0},
        // Bytes above 127 through the table: 80 -> 9F, C3 -> 0A, A9 -> 51, FF -> FF.
        {"EBC upper half", "'\x80\xC3\xA9\xFF' EBCDIC", 512, 0, 0, PK_LIT, 0, PK_REC, 4, FD_CHAR, 0, -1,
         kLitFlags, 0, "9F 0A 51 FF", 0},
        // A hexadecimal literal is taken as its bytes; EBC applies to them too.
        {"hex literal", "X'C1F2'", 512, 0, 0, PK_LIT, 0, PK_REC, 2, FD_CHAR, 0, -1, kLitFlags, 0, "C1 F2", 0},
        // An unquoted word as a character literal (GK_LIT), upper-cased by the tokenizer.
        {"word literal", "abc", 256, 0, 0, PK_LIT, 0, PK_REC, 3, FD_CHAR, 0, -1, kLitFlags, 0, "41 42 43", 0},
        // GK_LITPOS without P: a literal.
        {"literal or field", "'X'", 404, 0, 0, PK_LIT, 0, PK_REC, 1, FD_CHAR, 0, -1, kLitFlags, 0, "58", 0},
        // GK_FIELD and one quoted token: re-read as a character literal.
        {"quoted field", "'12'", 8370, 0, 0, PK_LIT, 0, PK_REC, 2, FD_CHAR, 0, -1, kLitFlags, 0, "31 32", 0},
        // An @-name as its own value: the pointer, type 2, length 8.
        {"pointer value", "@P", GK_VALUE | GK_TYPE, 0, 0, PK_AT, 0, PK_REC, 8, FD_PTR, 0, -1, FP_PTRV, 0,
         nullptr, 0},
        // In GOSUB a number is a value.
        {"number in GOSUB", "7", GK_VALUE, 59, 0, PK_LIT, 0, PK_REC, 8, FD_PTR, 0, -1, kLitFlags | FP_NUM, 0,
         "07 00 00 00 00 00 00 00", 0},
        // Position 0 under GK_NOLEN is no error: 0,5 is offset -1, length 5 - 0 + 1 = 6.
        {"position 0 allowed", "0,5", 0x100011, 0, 0, PK_REC, -1, PK_REC, 6, 0, 0, -1, FP_LE0, FL_POS2, nullptr, 0},
        // A value name keeps its kind: DSN.
        {"value name", "DSN", GK_VALUE | GK_QLIT, 0, 0, PK_DSN, 0, 0, 0, 0, 0, -1, FP_VNAME, 0, nullptr, 0},
    };
    for (const GkRow& r : kRows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.rc, gk(r.text, r.mode, r.op));
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(r.pkind, f->pkind);
        EXPECT_EQ(r.pos, f->pos);
        EXPECT_EQ(r.lkind, f->lkind);
        EXPECT_EQ(r.len, f->len);
        EXPECT_EQ(r.type, f->type);
        EXPECT_EQ(r.digits, f->digits);
        EXPECT_EQ(r.scale, f->scale);
        EXPECT_EQ(r.pflags, f->pflags & ~FLD_FRESH);
        EXPECT_EQ(r.lflags, f->lflags & ~FLD_FRESH);
        if (r.lit) {
            ASSERT_NE(nullptr, f->lit);
            EXPECT_EQ(r.lit, hex(f->lit, f->litlen));
            EXPECT_EQ(0, f->lit[f->litlen]);
        }
        EXPECT_EQ(r.left, unused());
        EXPECT_EQ(0, c->errnum);
    }
}

// Every error of the operand parsers, on the input that raises it: the
// result, the error recorded for the statement.
TEST_F(Tvlgk, ErrorNumbers) {
    const std::string longdec = "1" + std::string(99, '0') + ".5";  // too long a float text
    const std::string digits40(40, '7');                             // more than 31 digits
    struct Row { const char* name; std::string text; long mode; int op; int rc; };
    const Row kRows[] = {
        {"2 POS with LITPOS", "10", GK_POS | GK_LITPOS, 0, 2},
        {"2 LENONLY with POS", "10", GK_LENONLY | GK_POS, 0, 2},
        {"5 no operand", "", 8370, 0, 5},
        {"7 record position required", "@P LEN 4", GK_POS | GK_RECPOS, 0, 7},
        {"7 number without a length", "10", GK_VALUE, 0, 7},
        {"7 sign without a term", "10+", 8370, 0, 7},
        {"9 position 0 for a field", "0", 8370, 0, 9},
        {"9 AT position 0", "5 AT 0", 656, 0, 9},
        {"42 quoted literal expected", "10", GK_VALUE | GK_QLIT, 0, 42},
        {"69 P without a length", "P 10", GK_LITPOS | GK_AT, 0, 69},
        {"74 second position before the first", "P 20,10", 404, 0, 74},
        {"79 STYLE X", "1 LEN 4 STYLE X", GK_POS | GK_STYLE, 0, 79},
        {"79 TYPE Q", "1 LEN 4 TYPE Q", 67147930, 0, 79},
        {"79 print form outside print", "1 LEN 4 TYPE H", 67147930, 0, 79},
        {"79 second print form", "1 LEN 4 TYPE H TYPE D", 67147930, 89, 79},
        {"79 DQ", "1 LEN 4 TYPE DQ", 67147930, 89, 79},
        {"122 two points in a mask", "1 LEN 4 FMT '99.9.9'", 67147930, 0, 122},
        {"136 float literal too long", longdec, 1033 & ~GK_TRY, 0, 136},
        {"137 value-area term in a pointer", "@A+DATE", GK_VALUE, 0, 137},
        {"195 FMT twice", "1 LEN 4 FMT '999' FMT '99'", 67147930, 0, 195},
        {"204 packed literal beyond 31 digits", digits40, GK_VALUE | GK_NUMLIT, 0, 204},
        {"207 SCALE beyond the length", "1 LEN 4 TYPE P SCALE 8", 67147930, 0, 207},
        {"207 SCALE not a number", "1 LEN 4 SCALE X", 67147930, 0, 207},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.rc, gk(r.text, r.mode, r.op));
        EXPECT_EQ(r.rc, c->errnum);
    }
}

// Errors of a field whose position tvlvn parsed first: 75, a length for
// a position of 0 or less (GK_MORE continues the field); 215, a position
// given twice.
TEST_F(Tvlgk, ErrorsAfterAParsedPosition) {
    struct Row { const char* text; long mode; int rc; };
    constexpr Row kRows[] = {{"0 5", GK_MORE | GK_POS2, 75}, {"3 4", GK_POS | GK_FIELD, 215}};
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        fldkill(c, &f);
        tokens(r.text);
        ASSERT_EQ(0, tvlvn(c, &f, VN_POS));
        EXPECT_EQ(r.rc, tvlgk(&f, r.mode));
        EXPECT_EQ(r.rc, c->errnum);
    }
}

// Under GK_TRY an operand that fails leaves the tokens, the cursor and the
// error state as they were.
TEST_F(Tvlgk, TryLeavesTokensUntouched) {
    struct Row { const char* name; const char* text; long mode; int rc; };
    constexpr Row kRows[] = {
        {"P without length, after consuming P and 10", "P 10 X", GK_TRY | GK_LITPOS | GK_AT, 69},
        {"second position before the first", "P 20,10", GK_TRY | 404, 74},
        {"no literal form", "'ABC' D", GK_TRY | GK_POS2 | GK_NOLEN, 7},
        {"sign without a term", "10+", GK_TRY | 8370, 7},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        fldkill(c, &f);
        tokens(r.text);
        int before = unused();
        TK* cur = tkc;
        std::int16_t cnt = c->tkcnt;
        EXPECT_EQ(r.rc, tvlgk(&f, r.mode));
        EXPECT_EQ(before, unused());
        EXPECT_EQ(cur, tkc);
        EXPECT_EQ(cnt, c->tkcnt);
        EXPECT_EQ(0, c->errnum);
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(0, f->pkind);
        EXPECT_EQ(0, f->lkind);
        for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next) EXPECT_EQ(0u, t->flags & TK_BAD);
    }
}

TEST_F(Tvlgk, PrintFormsSetThePrintType) {
    // In a print statement TYPE H sets the print type 21.
    ASSERT_EQ(0, gk("1 LEN 4 TYPE H", 67147930, 89));
    EXPECT_EQ(21, node.sub);
    EXPECT_EQ(0, f->type);
    node.gkflags = 0;
    // C before any data type chooses the character print form 20.
    ASSERT_EQ(0, gk("1 LEN 4 TYPE P TYPE C", 67147930, 89));
    EXPECT_EQ(20, node.sub);
    EXPECT_EQ(FD_PACKED, f->type);
    node.gkflags = 0;
}

TEST_F(Tvlgk, SimpleTypeFormLeavesTheWords) {
    // Attributes only: TYPE Z anywhere gives type 7 and stays in the statement.
    node.gkflags = 0;
    node.deftype = 0;
    EXPECT_EQ(1, gk("X TYPE Z", GK_TYPE | GK_DEFC));
    EXPECT_EQ(FD_ZONED, f->type);
    EXPECT_EQ(FD_ZONED, node.deftype);
    EXPECT_NE(0u, node.gkflags & CN_GK_TYPE);
    EXPECT_EQ(3, unused());
    // Without TYPE the default of the mode applies.
    EXPECT_EQ(0, gk("X", GK_TYPE | GK_DEFP));
    EXPECT_EQ(FD_PACKED, f->type);
    node.gkflags = 0;
    node.deftype = 0;
}

TEST_F(Tvlgk, DecimalMaskGivesDigitsAndScale) {
    // Mask 'zz9.99': z becomes 0; digits 0, 0, 9, 9, 9 = 5, scale 2.
    ASSERT_EQ(0, gk("1 LEN 6 FMT 'zz9.99'", 67147930));
    ASSERT_NE(nullptr, f->sub);
    EXPECT_EQ("30 30 39 2E 39 39", hex(f->sub->lit, f->sub->litlen));
    EXPECT_EQ(5, f->sub->digits);
    EXPECT_EQ(2, f->sub->scale);
    EXPECT_NE(0u, f->lflags & FL_FMT);
    EXPECT_NE(0u, f->pflags & FP_NUM);
    EXPECT_EQ(FD_CHAR, f->type);
    // Mask 'xx,xx': a hexadecimal mask, x made X.
    ASSERT_EQ(0, gk("1 LEN 2 FMT 'xx,xx'", 67147930));
    EXPECT_EQ("58 58 2C 58 58", hex(f->sub->lit, f->sub->litlen));
    EXPECT_NE(0u, f->sub->pflags & FP_HEXMASK);
}

using fldmult_t = Tvlgk;
TEST_F(fldmult_t, FieldListOfLiteralsAndFields) {
    node.typ2 = 89;  // PRINT
    tokens("'A' P 5 LEN 2 DSN");
    FLD* list = nullptr;
    EXPECT_EQ(3, fldmult(c, &list));
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(PK_LIT, list->pkind);
    ASSERT_NE(nullptr, list->next);
    EXPECT_EQ(PK_REC, list->next->pkind);
    EXPECT_EQ(4, list->next->pos);
    EXPECT_EQ(2, list->next->len);
    ASSERT_NE(nullptr, list->next->next);
    EXPECT_EQ(PK_DSN, list->next->next->pkind);
    EXPECT_EQ(PK_END, list->next->next->lkind);  // no length: to the end
    EXPECT_EQ(0, c->errnum);
    fldkill(c, &list);
}

}  // namespace

namespace {

// Random operand texts from the words of the operand forms, through every
// mode word the callers pass: no crash, the token count stays true, and a
// tentative parse that fails without reporting leaves every token as it was.
class TvlgkRandom : public tvt::OpFix {};

TEST_F(TvlgkRandom, EveryCallerModeKeepsTheTokensTrue) {
    static const char* const kWords[] = {
        "P", "POS", "10", "0", "-", "+", "5.5", "@P", "L", "LEN", "AT", "FROM", "INTO", "TYPE", "C",
        "H", "F", "HEX", "STYLE", "X", "SCALE", "3", "FMT", "'99.9'", "'AB'", "X'C1'", "EBC", "DATE",
        "DSN", "NOW", "LRECL", "0x10", "99999999999999999999", "1.2.3", "'x,x'", "UXLINE", "-7"};
    static const long kModes[] = {8, 32, 256, 400, 404, 512, 656, 720, 1033, 8370, 10643, 10930, 10946,
                                  24723, 32920, 32977, 33940, 33944, 98448, 0x100011, 0x208000,
                                  0x808000, 67141832, 67141848, 67147930};
    unsigned seed = 12345;
    auto rnd = [&seed](unsigned n) { seed = seed * 1103515245u + 12345u; return (seed >> 16) % n; };
    FLD* f = nullptr;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        unsigned nw = 1 + rnd(6);
        for (unsigned i = 0; i < nw; ++i) {
            if (i) text += ' ';
            text += kWords[rnd(sizeof kWords / sizeof kWords[0])];
        }
        long mode = kModes[rnd(sizeof kModes / sizeof kModes[0])];
        node.typ2 = rnd(3) == 0 ? 89 : 0;
        SCOPED_TRACE(text + " mode " + std::to_string(mode));
        tokens(text);
        std::vector<std::uint32_t> before;
        for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next) before.push_back(t->flags);
        int rc = tvlgk(&f, mode);
        int left = unused();
        ASSERT_EQ(left, c->tkcnt);
        if ((mode & GK_TRY) && rc > 0 && c->errnum == 0) {
            std::size_t i = 0;
            for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next, ++i) ASSERT_EQ(before[i], t->flags);
        }
        fldkill(c, &f);
        c->errnum = 0;
        node.gkflags = 0;
        node.deftype = 0;
        node.sub = 0;
    }
    atkillc(c);
}

}  // namespace
