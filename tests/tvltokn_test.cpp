// The tokenizer: cutting the parameter string and statements into tokens,
// and consuming them with tokt and tokdel.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "frontend/frontend.h"
#include "tests/runctx.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

namespace {

// A run context of its own; the token chain is released after.
class Tok : public tvt::RunCtx {
protected:
    std::string buf;  // the text being cut; tokens point into it
    void TearDown() override {
        tokfree(&ctx);
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
