// IF-condition parsing: condition statements to their condition elements
// (comparison code, flags, operands, lists of comparands, options) and
// every error of the conditions.
#include "tests/testutil.h"

#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

using Gi = tvt::StmtRun;

// Condition statements to their elements.  For each element: connective,
// comparison code, flags, the first operand's position kind, position and
// length kind, and whether a second operand was made.  Length kind 11 is
// the second operand's length (a first operand written without one).
TEST(tvlgi, ConditionsToElements) {
    struct El { int typ1, typ2; std::uint32_t cflags; int pk; long long pos; int lk; bool f2; };
    struct Row { const char* text; std::vector<El> els; const char* ptr; int step; char fill; };
    constexpr std::uint32_t S = CF_SEARCH, L = CF_LEN;
    const Row kRows[] = {
        // No operator: EQ.  The first operand takes the literal's length.
        {"IF P 1 'A'", {{4, 1, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 EQ 'A'", {{4, 1, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 5 EXACT 'A'", {{4, 1, 0, 1, 4, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 LT 'A'", {{4, 2, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 < 'A'", {{4, 2, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 > 'A'", {{4, 3, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 NE 'A'", {{4, 4, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 <> 'A'", {{4, 4, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 NOT 'A'", {{4, 4, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 ^ 'A'", {{4, 4, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 GE 'A'", {{4, 5, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 NLT 'A'", {{4, 5, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 LOW 'A'", {{4, 5, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 >= 'A'", {{4, 5, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 => 'A'", {{4, 5, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 LE 'A'", {{4, 6, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 HIGH 'A'", {{4, 6, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 <= 'A'", {{4, 6, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 =< 'A'", {{4, 6, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 NOT EQ 'A'", {{4, 1, CF_NOT, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF NOT P 1 EQ 'A'", {{4, 1, CF_NOT, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 1 LEN 2 ONES X'80'", {{4, 8, L, 1, 0, 1, true}}, nullptr, 1, ' '},
        {"IF P 1 LEN 2 MIXED X'80'", {{4, 9, L, 1, 0, 1, true}}, nullptr, 1, ' '},
        {"IF P 1 LEN 2 ZEROS X'80'", {{4, 10, L, 1, 0, 1, true}}, nullptr, 1, ' '},
        // A list of comparands: elements joined by AND, the same first operand.
        {"IF P 1 GT 'A' LT 'Z'", {{4, 3, 0, 1, 0, 11, true}, {5, 2, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
        {"IF P 3 LEN 2 GE 'AA' LE 'ZZ' NE 'MM'",
         {{4, 5, L, 1, 2, 1, true}, {5, 6, L, 1, 2, 1, true}, {5, 4, L, 1, 2, 1, true}}, nullptr, 1, ' '},
        // Class tests: the field in the first slot, no second operand.
        {"IF P 1 5 NUMERIC", {{4, 17, 0, 1, 0, 1, false}}, nullptr, 1, ' '},
        {"IF P 1 5 NUM NOT", {{4, 17, CF_NOT, 1, 0, 1, false}}, nullptr, 1, ' '},
        {"IF P 1 5 ALPHA", {{4, 18, 0, 1, 0, 1, false}}, nullptr, 1, ' '},
        {"IF P 1 5 ALPHANUM", {{4, 19, 0, 1, 0, 1, false}}, nullptr, 1, ' '},
        {"IF P 1 5 HEX", {{4, 20, 0, 1, 0, 1, false}}, nullptr, 1, ' '},
        {"IF P 1 5 OCTAL", {{4, 21, 0, 1, 0, 1, false}}, nullptr, 1, ' '},
        // Searches: a range of two positions (P 1 10 is positions 1 to 10),
        // ANY, STEP, REVERSE; the
        // record pointer "@" unless PTR names another.
        {"IF P 1,20 EQ 'X'", {{4, 1, CF_RANGE | S, 1, 0, 1, true}}, "@", 1, ' '},
        {"IF ANY EQ 'X'", {{4, 1, S, 1, 0, 7, true}}, "@", 1, ' '},
        {"IF P 1 LEN 10 EQ 'X' STEP 2 PTR @P", {{4, 1, L | S | CF_STEP, 1, 0, 1, true}}, "@P", 2, ' '},
        {"IF P 1,20 EQ 'X' REVERSE", {{4, 1, CF_RANGE | S | CF_REV, 1, 0, 1, true}}, "@", 1, ' '},
        {"IF P 1 LEN 2 EQ 'x' CASEI", {{4, 1, L | CF_CASEI, 1, 0, 1, true}}, nullptr, 1, ' '},
        {"IF P 1 LEN 3 EQ 'x' FILL '*'", {{4, 1, L | CF_FILL, 1, 0, 1, true}}, nullptr, 1, '*'},
        {"IF P 1,20 EQ 'X' FILL '*'", {{4, 1, CF_RANGE | CF_FILL, 1, 0, 1, true}}, nullptr, 1, '*'},
        // NULL tests of an @-name; the end of file; counters.
        {"IF @X EQ NULL", {{4, 15, L, 4, 0, -1, false}}, nullptr, 1, ' '},
        {"IF @X NE NUL", {{4, 16, L, 4, 0, -1, false}}, nullptr, 1, ' '},
        {"IF EOF", {{4, 14, 0, -1, 0, -1, false}}, nullptr, 1, ' '},
        {"IF IN GT 100", {{4, 3, CF_ARITH, 8, 0, 1, true}}, nullptr, 1, ' '},
        {"IF LINE GT 50", {{4, 3, CF_ARITH, 13, 0, 1, true}}, nullptr, 1, ' '},
        // Numeric comparisons of typed fields; a number against a character
        // field of unstated length is the character literal.
        {"IF P 1 LEN 4 TYPE B EQ 5", {{4, 1, CF_ARITH, 1, 0, 1, true}}, nullptr, 1, ' '},
        {"IF P 1 LEN 4 TYPE P GT 12", {{4, 3, CF_ARITH, 1, 0, 1, true}}, nullptr, 1, ' '},
        {"IF P 1 EQ 5", {{4, 1, 0, 1, 0, 11, true}}, nullptr, 1, ' '},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Gi gi;
        ASSERT_EQ(gi.stmt(r.text), 0);
        std::vector<CN*> v = gi.made();
        ASSERT_EQ(v.size(), r.els.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            SCOPED_TRACE(i);
            const El& e = r.els[i];
            CN* n = v[i];
            EXPECT_EQ(n->typ1, e.typ1);
            EXPECT_EQ(n->typ2, e.typ2);
            EXPECT_EQ(n->cflags, e.cflags);
            if (e.pk >= 0) {
                ASSERT_NE(n->fld1, nullptr);
                EXPECT_EQ(n->fld1->pkind, e.pk);
                EXPECT_EQ(n->fld1->pos, e.pos);
                if (e.lk >= 0) {
                    EXPECT_EQ(n->fld1->lkind, e.lk);
                }
            }
            EXPECT_EQ(n->fld2 != nullptr, e.f2);
            if (i > 0) {
                EXPECT_EQ(n->fld1, v[0]->fld1);  // the list shares its first operand
            }
            if (r.ptr) {
                ASSERT_NE(n->ptr, nullptr);
                EXPECT_STREQ(n->ptr->name, r.ptr);
            } else {
                EXPECT_EQ(n->ptr, nullptr);
            }
            EXPECT_EQ(n->step, r.step);
            EXPECT_EQ(n->cfill, r.fill);
        }
    }
}

// The second operand's literal: a number against a character field of
// unstated length, or a quoted number against any character field, becomes
// the characters of the number.
TEST(tvlgi, NumberAgainstCharactersIsCharacters) {
    for (const char* text : {"IF P 1 EQ 5", "IF P 1 EQ '5'", "IF P 1 LEN 1 EQ '5'"}) {
        SCOPED_TRACE(text);
        Gi gi;
        ASSERT_EQ(gi.stmt(text), 0);
        CN* n = gi.made()[0];
        ASSERT_NE(n->fld2, nullptr);
        ASSERT_NE(n->fld2->lit, nullptr);
        EXPECT_FALSE(n->cflags & CF_ARITH);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(n->fld2->lit), n->fld2->litlen), "5");
    }
}

// A file-state test names its file after the test, or with FILE.
TEST(tvlgi, FileStateTestTakesItsFile) {
    Gi gi;
    ASSERT_EQ(gi.stmt("READ INFILE"), 0);
    FFREC* in = gi.c().cncur->file;
    ASSERT_EQ(gi.stmt("IF EOF INFILE"), 0);
    EXPECT_EQ(gi.made()[0]->file, in);
    ASSERT_EQ(gi.stmt("THEN PRINT"), 0);
    ASSERT_EQ(gi.stmt("IF EOF FILE INFILE"), 0);
    EXPECT_EQ(gi.made()[0]->file, in);
}

// Every error of the conditions on the statement that raises it.
TEST(tvlgi, ErrorsOfConditions) {
    struct Row { const char* text; int err; };
    static const Row kRows[] = {
        {"IF P 1 GT 'A' 'Z'", 8},            // a further comparand without an operator is EQ
        {"IF P 1 GT 'A' EQ 'Z'", 8},
        {"IF P 1 LEN 2 EQ 'X' STEP 0", 9},
        {"IF P 1 LEN 2 EQ 'X' STEP -1", 9},
        {"IF P 1 EQ P 5", 69},               // neither operand has a length
        {"IF P 1 LEN 2 EQ 'X' PTR X", 128},
        {"IF P 1 LEN 2 EQ 'X' PTR", 128},
        {"IF P 1 EQ 'XY' STEP 2", 129},      // a search needs the first operand's length
        {"IF P 1 LEN 5 EQ 'X' STEP 2 FILL '*'", 130},
        {"IF P 1 LEN 9 TYPE B EQ 5", 133},       // binary longer than 8 bytes
        {"IF P 1 LEN 3 TYPE P EQ 'ABC'", 134},   // packed against characters
        {"IF P 1 LEN 1 EQ 5", 134},              // a written length: the number stays a number
        {"IF @X GT NULL", 157},
        {"IF NOT P 1 5 NUM NOT", 225},
        {"IF P 1 EQ 'A' FILL 'AB'", 46},
        {"IF P 1 REGEXP 'A.*'", 1},          // regular expressions come later
        {"IF DIR", 1},                       // directories come later
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Gi gi;
        EXPECT_EQ(gi.stmt(r.text), r.err);
    }
}

// isitarit: character types are 0, numeric types 1 and marked numeric;
// binary only up to 8 bytes of fixed length; a subroutine argument -1.
TEST(isitarit, NumericTypes) {
    struct Row { int type, lkind; long long len; int want, err; };
    static const Row kRows[] = {
        {0, 1, 4, 0, 0},          {FD_CHAR, 1, 4, 0, 0},   {FD_PACKED, 1, 4, 1, 0},
        {FD_ZONED, 1, 4, 1, 0},   {FD_FLOAT, 1, 8, 1, 0},  {FD_PTR, 1, 8, 1, 0},
        {FD_INT64, 1, 8, 1, 0},   {FD_BIN, 1, 8, 1, 0},    {FD_BIN, 1, 9, 0, 133},
        {FD_BIN, 11, 0, 0, 133},  {FD_HEX, 1, 4, 0, 135},  {FD_UPACKED, 1, 4, 0, 135},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.type);
        Gi gi;
        FLD f{};
        f.pkind = PK_REC;
        f.type = r.type;
        f.lkind = r.lkind;
        f.len = r.len;
        if (r.type == FD_HEX || r.type == FD_UPACKED) f.pflags |= FP_NUM;
        EXPECT_EQ(isitarit(&f), r.want);
        EXPECT_EQ(gi.c().errnum, r.err);
        EXPECT_EQ((f.pflags & FP_NUM) != 0, r.want == 1 || r.err != 0 || r.type == FD_HEX || r.type == FD_UPACKED);
    }
    Gi gi;
    FLD a{};
    a.pkind = PK_ARGN;
    EXPECT_EQ(isitarit(&a), -1);
}
