// The tokenizer: cutting the parameter string and statements into tokens,
// and consuming them with tokt and tokdel.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "frontend/frontend.h"
#include "tests/runctx.h"
#include "testutil.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;
using namespace std::string_literals;

namespace {

// A run context of its own; the token chain is released after.
class Tok : public tvt::RunCtx {
protected:
    std::string buf;  // the text being cut; tokens point into it
    void TearDown() override {
        tokfree(&ctx);
        cnkill(&ctx);  // the parameter and environment entries that splitting registered
        RunCtx::TearDown();
    }
    // Cut text (separator "!"); mode adds TOKN_PARM for the parameter string.
    char* cut(std::string_view text, int mode = TOKN_PARM) {
        buf.assign(text);
        buf += "\n";
        buf += '\0';
        return tvltokn(&ctx, buf.data(), static_cast<int>(text.size()), '!' | mode);
    }
    // The tokens before the end marker.
    std::vector<TK*> toks() {
        std::vector<TK*> v;
        for (TK* t = ctx.tkhead; t && !(t->flags & TK_END); t = t->next) v.push_back(t);
        return v;
    }
};

std::string_view val(const TK* t) { return {t->text, static_cast<std::size_t>(t->len)}; }

struct Want {
    std::string_view value;
    std::uint32_t    flags;
};

using tvltokn_t = Tok;

TEST_F(tvltokn_t, CutsTheParameterString) {
    struct Row {
        std::string_view  text;
        std::vector<Want> want;
    };
    const Row rows[] = {
        {"READ IN='my file'", {{"READ", TK_WORD}, {"IN", TK_WORD | TK_EQSIGN}, {"my file", TK_APOS | TK_LAST}}},
        {"'it''s'", {{"it's", TK_APOS | TK_LAST}}},                       // a doubled quote is one
        {"\"say \"\"x\"\"\"", {{"say \"x\"", TK_QUOT | TK_LAST}}},
        {"X'1F2'", {{"\x01\xF2"sv, TK_HEX | TK_APOS | TK_LAST}}},          // 1 F2: paired from the right
        {"x\"1f 2a\"", {{"\x1F\x2A"sv, TK_HEX | TK_QUOT | TK_LAST}}},     // blanks between digits ignored
        {"X'00,0'", {{"\x00\x00"sv, TK_HEX | TK_APOS | TK_LAST}}},        // commas too; 0 00
        {"AX'41'", {{"A", TK_WORD}, {"A"sv, TK_HEX | TK_APOS | TK_LAST}}}, // the X begins the literal
        {"POS(10)", {{"POS(10)", TK_WORD | TK_LAST}}},                    // no bracket tokens here
        {"a,b = c", {{"A", TK_WORD | TK_COMMA}, {"B", TK_WORD | TK_EQSIGN}, {"C", TK_WORD | TK_LAST}}},
        {"LRECL-4 %1", {{"LRECL-4", TK_WORD}, {"%1", TK_WORD | TK_LAST}}}, // no splitting here
        {"\xAEin \xFF", {{"\xAEIN", TK_WORD}, {"\xFF", TK_WORD | TK_LAST}}}, // bytes above 127 kept
        {"", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(nullptr, cut(row.text));
        std::vector<TK*> got = toks();
        ASSERT_EQ(row.want.size(), got.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(row.want[i].value, val(got[i]));
            EXPECT_EQ(row.want[i].flags, got[i]->flags);
        }
        EXPECT_EQ(static_cast<int>(row.want.size()), ctx.tkcnt);
        EXPECT_EQ(0, ctx.errnum);
    }
}

TEST_F(tvltokn_t, SeparatorEndsTheStatement) {
    // Touching the separator: the word is marked last; the result is the
    // address behind the separator.
    char* rest = cut("A B!C");
    ASSERT_NE(nullptr, rest);
    EXPECT_EQ(buf.data() + 4, rest);
    std::vector<TK*> t = toks();
    ASSERT_EQ(2u, t.size());
    EXPECT_EQ(TK_WORD | TK_LAST, t[1]->flags);
    // With a blank between, an empty token marked last closes the chain;
    // it is not counted.
    rest = cut("A B !C");
    EXPECT_EQ(buf.data() + 5, rest);
    t = toks();
    ASSERT_EQ(3u, t.size());
    EXPECT_EQ(TK_WORD, t[1]->flags);
    EXPECT_EQ(TK_LAST, t[2]->flags);
    EXPECT_EQ(0, t[2]->len);
    EXPECT_EQ(2, ctx.tkcnt);
    // Inside quotes the separator is text.
    EXPECT_EQ(nullptr, cut("'a!b'"));
    EXPECT_EQ("a!b", val(toks()[0]));
}

TEST_F(tvltokn_t, CommentIsNoDataToken) {
    cut("A * note");
    std::vector<TK*> t = toks();
    ASSERT_EQ(2u, t.size());
    EXPECT_EQ("* note", val(t[1]));
    EXPECT_EQ(TK_DELIM | TK_USED, t[1]->flags);
    EXPECT_EQ(t[1], ctx.tkcmt);
    EXPECT_EQ(1, ctx.tkcnt);
    struct Row {
        const char*      name;
        std::string_view text;
        int              sep;
        std::string_view comment;
        int              rest;  // offset of the result, -1 for null
    };
    const Row rows[] = {
        {"ends at the separator", "* a!B", '!', "* a", 4},
        {"a lone CR ends the statement", "* a\rB", '!', "* a", 4},
        {"CR LF is a line feed", "* a\r\nB", '!', "* a", -1},
        {"*< first runs to the end", "*<a!B", '!', "*<a!B", -1},
        {"no separator: to the end", "A * a!B", 0, "* a!B", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        buf.assign(row.text);
        buf += "\n";
        buf += '\0';
        char* rest = tvltokn(&ctx, buf.data(), static_cast<int>(row.text.size()), row.sep | TOKN_PARM);
        ASSERT_NE(nullptr, ctx.tkcmt);
        EXPECT_EQ(row.comment, val(ctx.tkcmt));
        EXPECT_EQ(row.rest < 0 ? nullptr : buf.data() + row.rest, rest);
    }
}

TEST_F(tvltokn_t, StatementModeMakesBracketTokens) {
    cut("POS(10)", 0);
    std::vector<TK*> t = toks();
    ASSERT_EQ(4u, t.size());
    EXPECT_EQ(TK_WORD | TK_LPAR_AFTER, t[0]->flags);
    EXPECT_EQ(TK_LPAR, t[1]->flags);
    EXPECT_EQ(TK_WORD | TK_RPAR_AFTER, t[2]->flags);
    EXPECT_EQ(TK_RPAR | TK_LAST, t[3]->flags);
    EXPECT_EQ(4, ctx.tkcnt);
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

TEST_F(tvltokn_t, ErrorsBlameTheirToken) {
    struct Row {
        std::string_view text;
        int              mode;
        int              err;
        int              ntok;  // tokens made
    };
    const std::string d558(558, '1'), d557(557, '1');
    const std::string hex558 = "X'" + d558 + "'", hex557 = "X'" + d557 + "'";
    const Row rows[] = {
        {"A 'B", TOKN_PARM, 271, 1},         // unclosed quote: the whole text, one token
        {"A\0B"sv, TOKN_PARM, 273, 1},       // NUL
        {"A (B", 0, 272, 1},                 // unbalanced bracket in a statement
        {"A )B", 0, 272, 1},
        {"A (B", TOKN_PARM, 0, 2},           // brackets are text in the parameter string
        {"'a'b", TOKN_PARM, 277, 2},         // a quoted string runs on into a word
        {"'a'+b", TOKN_PARM, 0, 2},
        {"X'1G'", TOKN_PARM, 275, 1},
        {hex558, TOKN_PARM, 276, 1},         // 279 digit pairs
        {hex557, TOKN_PARM, 0, 1},           // 278 pairs and a leading digit: 279 bytes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 12));
        ctx.errnum = 0;
        cut(row.text, row.mode);
        EXPECT_EQ(row.err, ctx.errnum);
        std::vector<TK*> t = toks();
        EXPECT_EQ(static_cast<std::size_t>(row.ntok), t.size());
        if (row.err) {
            ASSERT_NE(nullptr, ctx.tkerr);
            EXPECT_TRUE(ctx.tkerr->flags & TK_BAD);
        }
    }
    // The NUL is shown as ".".
    ctx.errnum = 0;
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

using tokt_t = Tok;

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

using tokdel_t = Tok;

TEST_F(tokdel_t, WithoutATokenIsALogicError) {
    cut("");
    EXPECT_EXIT(tokdel(), ::testing::ExitedWithCode(3202 & 255), "Logic Error");
}

TEST(inlist, EntriesAreBoundedByCommas) {
    struct Row {
        const char* list;
        const char* word;
        bool        hit;
    };
    const Row rows[] = {
        {"P,POS", "p", true},    {"P,POS", "POS", true}, {"P,POS", "PO", false}, {"POS", "OS", false},
        {"E,END,/*", "/*", true}, {"A,,B", "B", true},    {"AB", "A", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.list) + " " + row.word);
        EXPECT_EQ(row.hit, inlist(row.list, row.word, static_cast<int>(std::strlen(row.word)), nullptr) != nullptr);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Statements (not the parameter string): splitting, marks, errors, and
// matching with tokf
// ---------------------------------------------------------------------------

namespace {

// Statements cut in the shared bare run context; fresh() starts a row.
class Stmt : public tvt::RunCtx {
protected:
    std::vector<char> sbuf;  // the statement being cut; tokens point into it
    void TearDown() override {
        tokfree(&ctx);
        cnkill(&ctx);  // the parameter and environment entries that splitting registered
        tkc = nullptr;
        RunCtx::TearDown();
    }
    void fresh() {
        tokfree(&ctx);
        tkc = nullptr;
        ctx.errnum = 0;
        ctx.tkerr = ctx.tkcur = nullptr;
    }
    // Cut stmt; the rest of the text after the separator, or "(none)".
    std::string cut(std::string_view stmt, int sep = '!') {
        sbuf.assign(stmt.begin(), stmt.end());
        sbuf.push_back('\n');
        sbuf.push_back(0);
        char* r = tvltokn(&ctx, sbuf.data(), static_cast<int>(stmt.size()), sep);
        tkc = ctx.tkhead;
        if (!r) return "(none)";
        return std::string(r, sbuf.data() + stmt.size() - r);
    }
    // The tokens up to the end marker.
    std::vector<TK*> tokens() const {
        std::vector<TK*> v;
        for (TK* t = ctx.tkhead; t && !(t->flags & TK_END); t = t->next) v.push_back(t);
        return v;
    }
    int off(const TK* t) const { return static_cast<int>(t->src - sbuf.data()); }
};

using tvltokn_st = Stmt;
using tokf_t = Stmt;
using tokfu_t = Stmt;

constexpr std::uint32_t kShown = TK_APOS | TK_QUOT | TK_HEX | TK_WORD | TK_LAST | TK_DELIM | TK_USED |
                                 TK_EQSIGN | TK_COMMA | TK_PIECE | TK_LPAR_AFTER | TK_RPAR_AFTER |
                                 TK_LPAR | TK_RPAR;

struct TokWant {
    std::uint32_t flags;    // the flags of kShown
    std::string_view val;   // the value bytes
};

struct TokRow {
    const char*       name;
    std::string_view  stmt;
    std::vector<TokWant> toks;
    std::string_view  rest;  // text after the separator, "(none)" at the end
};

}  // namespace

TEST_F(tvltokn_st, TokenTable) {
    const TokRow rows[] = {
        // The quoted value keeps its case; IN is marked as followed by "=".
        {"quoted keeps case", "READ IN='my file'",
         {{TK_WORD, "READ"}, {TK_WORD | TK_EQSIGN, "IN"},
          {TK_APOS | TK_LAST, "\x6D\x79\x20\x66\x69\x6C\x65"sv}},  // m y blank f i l e
         "(none)"},
        {"words upper-cased", "read In=x",
         {{TK_WORD, "READ"}, {TK_WORD | TK_EQSIGN, "IN"}, {TK_WORD | TK_LAST, "X"}}, "(none)"},
        // 'it''s': the doubled apostrophe is one: 69 74 27 73.
        {"doubled apostrophe", "PRINT 'it''s'",
         {{TK_WORD, "PRINT"}, {TK_APOS | TK_LAST, "\x69\x74\x27\x73"sv}}, "(none)"},
        // "a""b" in quotation marks: 61 22 62.
        {"doubled quotation mark", "\"a\"\"b\" c",
         {{TK_QUOT, "\x61\x22\x62"sv}, {TK_WORD | TK_LAST, "C"}}, "(none)"},
        // X'1F2': digits 1 F 2 paired from the right: 01 F2.
        {"odd hex digits", "X'1F2'", {{TK_HEX | TK_APOS | TK_LAST, "\x01\xF2"sv}}, "(none)"},
        // x'1f 2a': the blank is ignored: 1F 2A.
        {"hex with blank", "x'1f 2a'", {{TK_HEX | TK_APOS | TK_LAST, "\x1F\x2A"sv}}, "(none)"},
        {"hex in quotation marks", "X\"00ff\"", {{TK_HEX | TK_QUOT | TK_LAST, "\x00\xFF"sv}}, "(none)"},
        {"brackets", "POS(10)",
         {{TK_WORD | TK_LPAR_AFTER, "POS"}, {TK_LPAR, "("}, {TK_WORD | TK_RPAR_AFTER, "10"},
          {TK_RPAR | TK_LAST, ")"}},
         "(none)"},
        {"equals and comma marks", "A=B,C",
         {{TK_WORD | TK_EQSIGN, "A"}, {TK_WORD | TK_COMMA, "B"}, {TK_WORD | TK_LAST, "C"}}, "(none)"},
        {"split at minus", "LRECL-4",
         {{TK_WORD | TK_PIECE, "LRECL"}, {TK_WORD | TK_PIECE, "-"}, {TK_WORD | TK_PIECE | TK_LAST, "4"}},
         "(none)"},
        {"parameter reference inside a word", "A%1B",
         {{TK_WORD | TK_PIECE, "A"}, {TK_WORD | TK_PIECE, "%1"}, {TK_WORD | TK_PIECE | TK_LAST, "B"}},
         "(none)"},
        {"a word that is all reference", "%1", {{TK_WORD | TK_LAST, "%1"}}, "(none)"},
        {"environment reference in quotes", "'x%HOME%y'",
         {{TK_APOS | TK_PIECE, "x"}, {TK_APOS | TK_PIECE, "%HOME%"}, {TK_APOS | TK_PIECE | TK_LAST, "y"}},
         "(none)"},
        {"comment", "EOJ * a note",
         {{TK_WORD | TK_LAST, "EOJ"}, {TK_DELIM | TK_USED, "* a note"}}, "(none)"},
        {"separator touching", "EOJ!PDUMP", {{TK_WORD | TK_LAST, "EOJ"}}, "PDUMP"},
        {"separator after blanks", "EOJ ! X", {{TK_WORD, "EOJ"}, {TK_LAST, ""}}, " X"},
        // The comment is no data token: an empty token closes the chain.
        {"comment ends at the separator", "EOJ * note ! STOP",
         {{TK_WORD, "EOJ"}, {TK_DELIM | TK_USED, "* note "}, {TK_LAST, ""}}, " STOP"},
        {"bytes above 127 in a word", "\xC1\xE9", {{TK_WORD | TK_LAST, "\xC1\xE9"sv}}, "(none)"},
    };
    for (const TokRow& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        EXPECT_EQ(cut(r.stmt), r.rest);
        EXPECT_EQ(ctx.errnum, 0);
        auto v = tokens();
        ASSERT_EQ(v.size(), r.toks.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(v[i]->flags & kShown, r.toks[i].flags);
            EXPECT_EQ(std::string_view(v[i]->text, v[i]->len), r.toks[i].val);
        }
    }
}

TEST_F(tvltokn_st, CountsDataTokens) {
    cut("IF POS(1) = 'A' * note");  // IF POS ( 1 ) 'A': six, the comment not counted
    EXPECT_EQ(ctx.tkcnt, 6);
}

// Errors found while cutting: the number, and the blamed token's place
// and length in the statement.
TEST_F(tvltokn_st, StatementErrorsBlameTheirPlace) {
    struct Err {
        const char*      name;
        std::string_view stmt;
        int              err;
        int              at, len;  // blamed token: offset and source length
    };
    const Err rows[] = {
        {"unclosed quote: the whole text", "PRINT 'abc", 271, 0, 10},
        {"unbalanced open bracket", "IF (1 = 2", 272, 0, 9},
        {"close bracket without open", "IF 1) = 2", 272, 0, 9},
        {"NUL inside", "EOJ \0X"sv, 273, 0, 6},
        {"bad hex digit", "MOVE X'1G' TO", 275, 5, 5},
        {"quoted string runs on", "MOVE 'A'B", 277, 5, 3},
    };
    for (const Err& r : rows) {
        SCOPED_TRACE(r.name);
        fresh();
        cut(r.stmt);
        EXPECT_EQ(ctx.errnum, r.err);
        ASSERT_NE(ctx.tkerr, nullptr);
        EXPECT_EQ(off(ctx.tkerr), r.at);
        EXPECT_EQ(ctx.tkerr->srclen, r.len);
        EXPECT_TRUE(ctx.tkerr->flags & TK_BAD);
    }
}

TEST_F(tokf_t, MatchesAnyTokenAnyCase) {
    struct M {
        std::string_view stmt;
        const char*      list;
        const char*      want;
    };
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
        cut(r.stmt);
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
    cut("EOJ EXTRA");
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
    std::vector<std::string> l;
    {
        std::string all = tvt::slurp(d + "/TORV.LST");
        std::size_t at = 0;
        for (int n = 0; at < all.size(); ++n) {
            std::size_t nl = all.find('\n', at);
            std::string line = all.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
            while (!line.empty() && line.back() == ' ') line.pop_back();
            if (n >= 3) l.push_back(line);
            at = nl == std::string::npos ? all.size() : nl + 1;
        }
    }
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
    ASSERT_GE(l.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(l[i], want[i]);
    }
}
