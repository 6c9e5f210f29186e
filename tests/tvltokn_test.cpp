// The tokenizer: cutting the parameter string and statements into tokens,
// and consuming them with tokt, tokdel, tokf and tokfu.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "frontend/frontend.h"
#include "tests/testutil.h"
#include "testutil.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;
using namespace std::string_literals;

namespace {

// A run context of its own; fresh() starts a row, the token chain is
// released after.
class Tok : public tvt::RunCtx {
protected:
    std::string buf;  // the text being cut; tokens point into it
    void TearDown() override {
        fresh();
        cnkill(&ctx);  // the parameter and environment entries that splitting registered
        RunCtx::TearDown();
    }
    void fresh() {
        tokfree(&ctx);
        tkc = nullptr;
        ctx.errnum = 0;
        ctx.tkerr = ctx.tkcur = nullptr;
    }
    // Cut text (separator sep); mode TOKN_PARM for the parameter string,
    // 0 for a statement.  The result points behind the separator.
    char* cut(std::string_view text, int mode = TOKN_PARM, int sep = '!') {
        buf.assign(text);
        buf += "\n";
        buf += '\0';
        return tvltokn(&ctx, buf.data(), static_cast<int>(text.size()), sep | mode);
    }
    // The text after the separator, "(none)" at the end.
    std::string rest(const char* r) const {
        return r ? std::string(r, buf.data() + buf.size() - 2 - r) : "(none)";
    }
    // The tokens before the end marker.
    std::vector<TK*> toks() {
        std::vector<TK*> v;
        for (TK* t = ctx.tkhead; t && !(t->flags & TK_END); t = t->next) v.push_back(t);
        return v;
    }
    int off(const TK* t) const { return static_cast<int>(t->src - buf.data()); }
};

std::string_view val(const TK* t) { return {t->text, static_cast<std::size_t>(t->len)}; }

using tvltokn_t = Tok;
using tokt_t = Tok;
using tokdel_t = Tok;
using tokf_t = Tok;
using tokfu_t = Tok;

constexpr int P = TOKN_PARM, S = 0;

// The flags a statement's tokens are checked for; those of the parameter
// string are checked in full.
constexpr std::uint32_t kShown = TK_APOS | TK_QUOT | TK_HEX | TK_WORD | TK_LAST | TK_DELIM | TK_USED |
                                 TK_EQSIGN | TK_COMMA | TK_PIECE | TK_LPAR_AFTER | TK_RPAR_AFTER |
                                 TK_LPAR | TK_RPAR;

// A token's flags and value bytes; a row's text and mode, its tokens, and
// the text after the separator ("(none)" at the end).
struct TokWant { std::uint32_t flags; std::string_view val; };
struct TokRow { const char* name; int mode; std::string_view text; std::vector<TokWant> toks; std::string_view rest; };

}  // namespace

TEST_F(tvltokn_t, TokenTable) {
    const TokRow rows[] = {
        // The parameter string: no bracket tokens, no splitting.
        {"quoted value", P, "READ IN='my file'",
         {{TK_WORD, "READ"}, {TK_WORD | TK_EQSIGN, "IN"}, {TK_APOS | TK_LAST, "my file"}}, "(none)"},
        {"doubled quote", P, "'it''s'", {{TK_APOS | TK_LAST, "it's"}}, "(none)"},
        {"doubled quotation mark", P, "\"say \"\"x\"\"\"", {{TK_QUOT | TK_LAST, "say \"x\""}}, "(none)"},
        // 1 F2: paired from the right
        {"odd hex digits", P, "X'1F2'", {{TK_HEX | TK_APOS | TK_LAST, "\x01\xF2"sv}}, "(none)"},
        // blanks between digits ignored
        {"hex with blank", P, "x\"1f 2a\"", {{TK_HEX | TK_QUOT | TK_LAST, "\x1F\x2A"sv}}, "(none)"},
        // commas too; 0 00
        {"hex with comma", P, "X'00,0'", {{TK_HEX | TK_APOS | TK_LAST, "\x00\x00"sv}}, "(none)"},
        // the X begins the literal
        {"hex after a letter", P, "AX'41'", {{TK_WORD, "A"}, {TK_HEX | TK_APOS | TK_LAST, "A"}}, "(none)"},
        {"brackets are text", P, "POS(10)", {{TK_WORD | TK_LAST, "POS(10)"}}, "(none)"},
        {"comma and equals marks", P, "a,b = c",
         {{TK_WORD | TK_COMMA, "A"}, {TK_WORD | TK_EQSIGN, "B"}, {TK_WORD | TK_LAST, "C"}}, "(none)"},
        {"no splitting", P, "LRECL-4 %1", {{TK_WORD, "LRECL-4"}, {TK_WORD | TK_LAST, "%1"}}, "(none)"},
        {"bytes above 127 kept", P, "\xAEin \xFF", {{TK_WORD, "\xAEIN"}, {TK_WORD | TK_LAST, "\xFF"}}, "(none)"},
        {"nothing", P, "", {}, "(none)"},
        // Touching the separator the word is marked last; with a blank
        // between, an empty token marked last closes the chain.
        {"separator touching", P, "A B!C", {{TK_WORD, "A"}, {TK_WORD | TK_LAST, "B"}}, "C"},
        {"separator after a blank", P, "A B !C", {{TK_WORD, "A"}, {TK_WORD, "B"}, {TK_LAST, ""}}, "C"},
        {"separator inside quotes", P, "'a!b'", {{TK_APOS | TK_LAST, "a!b"}}, "(none)"},
        {"comment", P, "A * note", {{TK_WORD | TK_LAST, "A"}, {TK_DELIM | TK_USED, "* note"}}, "(none)"},
        // Statements.  The quoted value keeps its case; IN is marked as
        // followed by "=".
        {"quoted keeps case", S, "READ IN='my file'",
         {{TK_WORD, "READ"}, {TK_WORD | TK_EQSIGN, "IN"},
          {TK_APOS | TK_LAST, "\x6D\x79\x20\x66\x69\x6C\x65"sv}},  // m y blank f i l e
         "(none)"},
        {"words upper-cased", S, "read In=x",
         {{TK_WORD, "READ"}, {TK_WORD | TK_EQSIGN, "IN"}, {TK_WORD | TK_LAST, "X"}}, "(none)"},
        // 'it''s': the doubled apostrophe is one: 69 74 27 73.
        {"statement doubled apostrophe", S, "PRINT 'it''s'",
         {{TK_WORD, "PRINT"}, {TK_APOS | TK_LAST, "\x69\x74\x27\x73"sv}}, "(none)"},
        // "a""b" in quotation marks: 61 22 62.
        {"statement doubled quotation mark", S, "\"a\"\"b\" c",
         {{TK_QUOT, "\x61\x22\x62"sv}, {TK_WORD | TK_LAST, "C"}}, "(none)"},
        {"hex in quotation marks", S, "X\"00ff\"", {{TK_HEX | TK_QUOT | TK_LAST, "\x00\xFF"sv}}, "(none)"},
        {"brackets", S, "POS(10)",
         {{TK_WORD | TK_LPAR_AFTER, "POS"}, {TK_LPAR, "("}, {TK_WORD | TK_RPAR_AFTER, "10"},
          {TK_RPAR | TK_LAST, ")"}},
         "(none)"},
        {"equals and comma marks", S, "A=B,C",
         {{TK_WORD | TK_EQSIGN, "A"}, {TK_WORD | TK_COMMA, "B"}, {TK_WORD | TK_LAST, "C"}}, "(none)"},
        {"split at minus", S, "LRECL-4",
         {{TK_WORD | TK_PIECE, "LRECL"}, {TK_WORD | TK_PIECE, "-"}, {TK_WORD | TK_PIECE | TK_LAST, "4"}},
         "(none)"},
        {"parameter reference inside a word", S, "A%1B",
         {{TK_WORD | TK_PIECE, "A"}, {TK_WORD | TK_PIECE, "%1"}, {TK_WORD | TK_PIECE | TK_LAST, "B"}},
         "(none)"},
        {"a word that is all reference", S, "%1", {{TK_WORD | TK_LAST, "%1"}}, "(none)"},
        {"environment reference in quotes", S, "'x%HOME%y'",
         {{TK_APOS | TK_PIECE, "x"}, {TK_APOS | TK_PIECE, "%HOME%"}, {TK_APOS | TK_PIECE | TK_LAST, "y"}},
         "(none)"},
        {"statement comment", S, "EOJ * a note",
         {{TK_WORD | TK_LAST, "EOJ"}, {TK_DELIM | TK_USED, "* a note"}}, "(none)"},
        {"statement separator touching", S, "EOJ!PDUMP", {{TK_WORD | TK_LAST, "EOJ"}}, "PDUMP"},
        {"statement separator after blanks", S, "EOJ ! X", {{TK_WORD, "EOJ"}, {TK_LAST, ""}}, " X"},
        // The comment is no data token: an empty token closes the chain.
        {"comment ends at the separator", S, "EOJ * note ! STOP",
         {{TK_WORD, "EOJ"}, {TK_DELIM | TK_USED, "* note "}, {TK_LAST, ""}}, " STOP"},
        {"bytes above 127 in a word", S, "\xC1\xE9", {{TK_WORD | TK_LAST, "\xC1\xE9"sv}}, "(none)"},
    };
    for (const TokRow& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        EXPECT_EQ(r.rest, rest(cut(r.text, r.mode)));
        EXPECT_EQ(0, ctx.errnum);
        std::vector<TK*> v = toks();
        ASSERT_EQ(r.toks.size(), v.size());
        int data = 0;  // neither the comment nor the empty closing token is counted
        for (std::size_t i = 0; i < v.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(r.toks[i].flags, v[i]->flags & (r.mode == P ? ~0u : kShown));
            EXPECT_EQ(r.toks[i].val, val(v[i]));
            data += r.toks[i].flags != TK_LAST && !(r.toks[i].flags & TK_DELIM);
        }
        if (r.mode == P) { EXPECT_EQ(data, ctx.tkcnt); }
    }
}

TEST_F(tvltokn_t, CountsDataTokens) {
    cut("IF POS(1) = 'A' * note", S);  // IF POS ( 1 ) 'A': six, the comment not counted
    EXPECT_EQ(ctx.tkcnt, 6);
}

TEST_F(tvltokn_t, CommentEnds) {
    struct Row { const char* name; std::string_view text; int sep; std::string_view comment; std::string_view rest; };
    const Row rows[] = {
        {"ends at the separator", "* a!B", '!', "* a", "B"},
        {"a lone CR ends the statement", "* a\rB", '!', "* a", "B"},
        {"CR LF is a line feed", "* a\r\nB", '!', "* a", "(none)"},
        {"*< first runs to the end", "*<a!B", '!', "*<a!B", "(none)"},
        {"no separator: to the end", "A * a!B", 0, "* a!B", "(none)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fresh();
        std::string r = rest(cut(row.text, P, row.sep));
        ASSERT_NE(nullptr, ctx.tkcmt);
        EXPECT_EQ(row.comment, val(ctx.tkcmt));
        EXPECT_EQ(row.rest, r);
    }
}

TEST_F(tvltokn_t, LongValuesAreKeptOrCopied) {
    // 17 characters: a word already in upper case stays in the text; one in
    // lower case gets an upper-cased copy.  shortv shows five and "...".
    cut("ABCDEFGHIJKLMNOPQ abcdefghijklmnopq 'abcdefghijklmnopq'");
    std::vector<TK*> t = toks();
    ASSERT_EQ(3u, t.size());
    EXPECT_EQ(t[0]->src, t[0]->text);
    EXPECT_EQ("ABCDEFGHIJKLMNOPQ", val(t[1]));
    EXPECT_EQ(TK_WORD | TK_OWNCOPY, t[1]->flags);
    EXPECT_STREQ("ABCDE...", t[1]->shortv);
    EXPECT_EQ(t[2]->src + 1, t[2]->text);
    EXPECT_STREQ("abcde...", t[2]->shortv);
    // The chain is reused by the next statement; own copies are released.
    cut("A");
    EXPECT_EQ(1u, toks().size());
}

// Errors found while cutting: the number, the tokens made, and the blamed
// token's place and length in the text (-1: not checked).
TEST_F(tvltokn_t, ErrorsBlameTheirToken) {
    struct Row { int mode; std::string_view text; int err, ntok, at, len; };
    const std::string d558(558, '1'), d557(557, '1');
    const std::string hex558 = "X'" + d558 + "'", hex557 = "X'" + d557 + "'";
    const Row rows[] = {
        {P, "A 'B", 271, 1, -1, -1},         // unclosed quote: the whole text, one token
        {S, "PRINT 'abc", 271, 1, 0, 10},
        {P, "A\0B"sv, 273, 1, -1, -1},       // NUL
        {S, "EOJ \0X"sv, 273, 1, 0, 6},
        {S, "A (B", 272, 1, -1, -1},          // unbalanced bracket in a statement
        {S, "A )B", 272, 1, -1, -1},
        {S, "IF (1 = 2", 272, 1, 0, 9},
        {S, "IF 1) = 2", 272, 1, 0, 9},
        {P, "A (B", 0, 2, -1, -1},            // brackets are text in the parameter string
        {P, "'a'b", 277, 2, -1, -1},          // a quoted string runs on into a word
        {S, "MOVE 'A'B", 277, -1, 5, 3},
        {P, "'a'+b", 0, 2, -1, -1},
        {P, "X'1G'", 275, 1, -1, -1},
        {S, "MOVE X'1G' TO", 275, -1, 5, 5},
        {P, hex558, 276, 1, -1, -1},          // 279 digit pairs
        {P, hex557, 0, 1, -1, -1},            // 278 pairs and a leading digit: 279 bytes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 14));
        fresh();
        cut(row.text, row.mode);
        EXPECT_EQ(row.err, ctx.errnum);
        if (row.ntok >= 0) { EXPECT_EQ(static_cast<std::size_t>(row.ntok), toks().size()); }
        if (!row.err) continue;
        ASSERT_NE(nullptr, ctx.tkerr);
        EXPECT_TRUE(ctx.tkerr->flags & TK_BAD);
        if (row.at >= 0) {
            EXPECT_EQ(row.at, off(ctx.tkerr));
            EXPECT_EQ(row.len, ctx.tkerr->srclen);
        }
    }
    // The NUL is shown as ".".
    fresh();
    cut("A\0B"sv);
    EXPECT_EQ("A.B", val(toks()[0]));
    // The longest literal: 279 bytes, the first from the single digit.
    cut(hex557);
    TK* t = toks()[0];
    ASSERT_EQ(279, t->len);
    EXPECT_EQ(0x01, static_cast<unsigned char>(t->text[0]));
    EXPECT_EQ(0x11, static_cast<unsigned char>(t->text[278]));
}

TEST_F(tvltokn_t, TermFlagRestoresTheBytesAfter) {
    std::string text = "A Bxy";
    tvltokn(&ctx, text.data(), 3, '!' | TOKN_PARM | TOKN_TERM);
    EXPECT_EQ("A Bxy", text);
    EXPECT_EQ(2u, toks().size());
}

TEST_F(tokt_t, MatchesWholeEntriesOnly) {
    cut("PO P pos 'P' X'50'", 0);
    EXPECT_EQ(5, ctx.tkcnt);
    EXPECT_EQ(nullptr, tokt("P,POS"));  // PO is no entry
    EXPECT_STREQ("PO", tokdel());
    EXPECT_STREQ("P", tokt("P,POS"));
    EXPECT_STREQ("POS", tokt("P,POS"));
    EXPECT_EQ(nullptr, tokt("P,POS"));  // quoted
    tokdel();
    EXPECT_EQ(nullptr, tokt("P,POS"));  // a literal
    tokdel();
    EXPECT_EQ(0, ctx.tkcnt);
    EXPECT_EQ(nullptr, tkc);            // all used: at the end marker
    EXPECT_EQ(nullptr, tokdata());
}

TEST_F(tokdel_t, WithoutATokenIsALogicError) {
    tvt::WorkDir wd("logic-stop");  // the listing of the stop goes there
    cut("");
    EXPECT_EXIT(tokdel(), ::testing::ExitedWithCode(3202 & 255), "Logic Error");
}

TEST(inlist, EntriesAreBoundedByCommas) {
    struct Row { const char* list; const char* word; bool hit; };
    const Row rows[] = {
        {"P,POS", "p", true},    {"P,POS", "POS", true}, {"P,POS", "PO", false}, {"POS", "OS", false},
        {"E,END,/*", "/*", true}, {"A,,B", "B", true},    {"AB", "A", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.list) + " " + row.word);
        EXPECT_EQ(row.hit, inlist(row.list, row.word, static_cast<int>(std::strlen(row.word)), nullptr) != nullptr);
    }
}

TEST_F(tokf_t, MatchesAnyTokenAnyCase) {
    struct M { std::string_view stmt; const char* list; const char* want; };
    const char* ban = "NOBANNER,NOBAN,BANNER,BAN";
    const M rows[] = {
        {"PRINT nobanner", ban, "NOBANNER"},
        {"PRINT X BAN", ban, "BAN"},
        {"PRINT Banner Y", ban, "BANNER"},
        {"PRINT banne", ban, nullptr},
        {"PRINT 'BAN'", ban, nullptr},
        {"PRINT NOBANNERS", ban, nullptr},
        {"PRINT nobanner", "NOBAN*", "NOBANNER"},
        {"PRINT ban", "B?N", "BAN"},
        {"PRINT bean", "B?N", nullptr},
    };
    for (const M& r : rows) {
        SCOPED_TRACE(std::string(r.stmt) + " / " + r.list);
        fresh();
        cut(r.stmt, S);
        int before = ctx.tkcnt;
        const char* got = tokf(r.list);
        if (!r.want) {
            EXPECT_EQ(got, nullptr);
            EXPECT_EQ(ctx.tkcnt, before);
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_STREQ(got, r.want);
            EXPECT_EQ(ctx.tkcnt, before - 1);
        }
    }
}

TEST_F(tokfu_t, FindsTheFirstUnusedToken) {
    cut("EOJ EXTRA", S);
    ASSERT_NE(tokt("EOJ"), nullptr);
    TK* u = tokfu();
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(std::string_view(u->text, u->len), "EXTRA");
    tkc = u;
    tokdel();
    EXPECT_EQ(tokfu(), nullptr);
    EXPECT_STREQ(tokrest(), "EXTRA");
    EXPECT_EQ(tokfu(), u);
}

// Errors of the tokenizer in a whole run: the statement, the row of "*"
// under the blamed token (for a token on a continued line, within the
// physical line that holds it), the message.
TEST(tvltokn, ErrorsUnderlinedInListing) {
    std::string d = tvt::tempdir("tvltokn_err");
    std::string ctl = "PRINT 'abc\n"
                      "IF (1 = 2\n"
                      "EOJ "s + '\0' + "X\n"
                      "MOVE X'1G' TO\n"
                      "MOVE 'A'B\n"
                      "EOJ \\\n"
                      "  MOVE 'A'B\n"
                      "MOVE X'" + std::string(400, 'A') + "\\\n" + std::string(158, 'A') + "'\n";
    tvt::spit(d + "/in.ctl", ctl);
    auto r = tvt::run({"-ctl", "in.ctl"}, d);
    EXPECT_EQ(r.status, 52);
    std::vector<std::string> l = tvt::listing(d);
    const std::vector<std::string> want = {
        "         PRINT 'abc",  // the whole statement is one token
        "         **********",
        "*** ERROR 271 ***  Quote not closed",
        "",
        "         IF (1 = 2",
        "         *********",
        "*** ERROR 272 ***  Brackets not balanced",
        "",
        "         EOJ .X",  // the NUL shown as a point
        "         ******",
        "*** ERROR 273 ***  NUL character inside the statement",
        "",
        "         MOVE X'1G' TO",  // X'1G' at column 5, 5 long
        "              *****",
        "*** ERROR 275 ***  Invalid character in a hexadecimal literal",
        "",
        "         MOVE 'A'B",  // 'A' at column 5
        "              ***",
        "*** ERROR 277 ***  Quoted string runs on into a word (blank missing)",
        "",
        "         EOJ \\",
        "           MOVE 'A'B",  // on the second line, column 7
        "                ***",
        "*** ERROR 277 ***  Quoted string runs on into a word (blank missing)",
        "",
        "         MOVE X'" + std::string(400, 'A') + "\\",
        "         " + std::string(158, 'A') + "'",
        // 279 pairs: the literal, from column 5 to the end of its first line
        "              " + std::string(403, '*'),
        "*** ERROR 276 ***  Hexadecimal literal too long",
    };
    tvt::starts(l, want);
}
