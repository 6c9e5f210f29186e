// Statement analysis: operation words to their statement kind, code and
// second code, the order of IF/THEN/ELSE statements, selection numbers,
// EQU substitution, labels, print types, stop-after counts; and whole
// runs with their listing.
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "tests/testutil.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

using namespace std::literals;

namespace {

// A run context in which statements are tokenized and analysed one by one,
// as statement input does it: the error is cleared before each statement.
class Ana : public tvt::StmtRun {
public:
    Ana() {
        opt().dumpenc[0] = '|';
        opt().dumpenc[1] = ':';
    }
    // Analyse one statement; its result.  err() is its error afterwards
    // (45 when words were left unused, as statement input checks it).
    int stmt(std::string_view text) {
        err_ = StmtRun::stmt(text);
        return rc();
    }
    int err() const { return err_; }
    CN* node() { return c().cncur; }
    // The texts of the statement's tokens that are data, in order.
    std::string tokens() {
        std::string s;
        for (TK* t = c().tkhead; t && !(t->flags & TK_END); t = t->next) {
            if ((t->flags & TK_DELIM) || (t->len == 0 && !(t->flags & (TK_APOS | TK_QUOT)))) continue;
            if (!s.empty()) s += ' ';
            bool q = t->flags & TK_APOS;
            if (q) s += '\'';
            s.append(t->text, t->len);
            if (q) s += '\'';
        }
        return s;
    }

private:
    int err_ = 0;
};

}  // namespace

// What analysis adds to the word lists of the operation-code table, with
// NOW before each statement so that no word stands alone (a lone word is
// a label): the second codes that words set, the default WRITE, the
// targets of GOTO, the conversion words, the counts and keywords of the
// small statements, and error 1 for a word whose operation is not run yet
// or not supported (code 0).  Conversion codes are 16 * x + y with
// A=1 .. I=9, B read as I, P as D, Z as G.
TEST(tvlctla, OperationWordsGiveKindAndCode) {
    struct Row { const char* text; int op, sub, arg, err; };
    static const Row kRows[] = {
        {"NOW READ IN", 23, 0, 0, 0},      {"NOW MYFILE", 24, 0, 0, 0},       // no rule takes it: WRITE
        {"NOW WRITE LOG", 24, 0, 0, 0},    {"NOW F X", 24, 0, 0, 0},          // LOG is the file's name
        {"NOW 'a b'", 24, 0, 0, 0},        {"NOW @A=1", 40, 0, 0, 0},
        // Justification's source X is no quoted literal: 42.
        {"NOW CENTRE X", 51, 43, 0, 42},   {"NOW LEFT X", 51, 44, 0, 42},
        {"NOW ADJR X", 51, 45, 0, 42},     {"NOW PK X", 55, 0, 52, 51},
        {"NOW PACKB X", 55, 0, 57, 51},    {"NOW UNPK X", 55, 0, 67, 51},
        // TRAN's source X is neither a field nor a literal: 7.
        {"NOW UNPKB X", 55, 0, 147, 51},   {"NOW TRAN X", 54, 0, 0, 7},
        {"NOW CVA X", 54, 0, 81, 7},       {"NOW CVE X", 54, 0, 21, 7},
        // Conversions need TO or INTO: 51.
        {"NOW CVB X", 55, 0, 73, 51},      {"NOW CVD X", 55, 0, 148, 51},
        {"NOW CVH X", 55, 0, 56, 51},
        {"NOW CVPC X", 55, 0, 0x43, 51},   // P read as D = 4, C = 3
        {"NOW CVZB X", 55, 0, 0x79, 51},   // Z read as G = 7, B as I = 9
        {"NOW CVFA X", 55, 0, 0x61, 51},   // F = 6, A = 1
        {"NOW DO X", 59, 0, 0, 1},         {"NOW RETURN", 60, 0, 0, 1},
        {"NOW GOTO BOF", 61, 0, 0, 1},     {"NOW GOTO X", 62, 0, 0, 0},
        {"NOW GO TO X", 62, 0, 0, 0},      {"NOW GOTO END", 62, 0, 0, 0},
        {"NOW GG", 63, 0, 0, 0},           {"NOW GOTO GET", 63, 0, 0, 0},
        {"NOW FLAG EOM X", 64, 27, 0, 1},  {"NOW SIGNAL EODIR X", 64, 28, 0, 1},
        {"NOW FLAG EODSK X", 64, 29, 0, 1},
        {"NOW SPACE", 68, 8, 1, 0},        {"NOW SPACE 3", 68, 8, 3, 0},
        {"NOW SPACE 58", 68, 8, 58, 0},    {"NOW SPACE 59", 69, 9, 1, 0},  // above the page depth 58
        {"NOW LINE", 69, 9, 1, 0},         {"NOW LINE 12", 69, 9, 12, 0},
        {"NOW LINE X", 69, 9, 1, 45},      // bad count: 1, its error withdrawn, X left over
        {"NOW SLEEP", 70, 0, 1, 1},        {"NOW SLEEP 2 MIN", 70, 0, 120, 1},
        {"NOW SLEEP 2 HRS", 70, 0, 7200, 1},
        {"NOW GOTO DUMP", 71, 0, 0, 1},    {"NOW PDUMP", 72, 0, 0, 1},
        {"NOW GOTO PDUMP", 72, 0, 0, 1},   {"NOW SUSP", 73, 0, 0, 0},
        {"NOW START", 74, 0, 0, 0},        {"NOW STOP", 75, 0, 0, 0},
        {"NOW GOTO EOJ", 75, 0, 0, 0},     {"NOW CALL X", 76, 0, 0, 1},
        {"NOW CANCEL", 83, 0, 0, 0},       {"NOW GOTO CANCEL", 83, 0, 0, 0},
        {"NOW SYSTEM X", 86, 0, 0, 1},     {"NOW STACK", 87, 34, 0, 1},
        {"NOW STACK LIFO", 87, 35, 0, 1},  {"NOW PRINT", 89, 20, 0, 0},
        {"NOW PLOG", 90, 20, 0, 0},        {"NOW LOG", 91, 11, 0, 0},
        {"NOW TRACE ON", 94, 46, 0, 1},    {"NOW TRC OFF", 94, 47, 0, 1},
        {"NOW SORT", 0, 0, 0, 1},          {"NOW JECL", 0, 0, 0, 1},   // known, not supported
        {"NOW CP X", 85, 0, 0, 1},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Ana a;
        EXPECT_EQ(1, a.stmt(r.text));
        EXPECT_EQ(CN_NOW, a.node()->typ1);
        EXPECT_EQ(r.op, a.node()->typ2);
        EXPECT_EQ(r.sub, a.node()->sub);
        EXPECT_EQ(r.arg, a.node()->arg);
        EXPECT_EQ(r.err, a.err());
    }
    // A subroutine argument name comes before an operation word, but not
    // before the words of an explicit WRITE.
    Ana a;
    a.stmt("SUB1: F OUT");
    a.stmt("NOW F");
    EXPECT_EQ(OP_ASSIGN, a.node()->typ2);
    a.stmt("NOW OUT X");
    EXPECT_EQ(OP_WRITE, a.node()->typ2);
}

// The first word gives the statement kind.
TEST(tvlctla, FirstWordGivesKind) {
    struct Row { const char* before; const char* text; int kind; };
    static const Row kRows[] = {
        {"", "N EOJ", CN_NOW},                 {"", "NOW EOJ", CN_NOW},
        {"", "EOJ", CN_NOW},                   {"", "'text'", CN_NOW},
        {"IF P 1 'A'", "THEN EOJ", CN_THEN},         {"IF P 1 'A'", "TH EOJ", CN_THEN},
        {"IF P 1 'A'", "T EOJ", CN_THEN},            {"IF P 1 'A'", "THEN IF P 2 'B'", CN_THENIF},
        {"IF P 1 'A'", "T I P 2 'B'", CN_THENIF},          {"IF P 1 'A'", "THENIF P 2 'B'", CN_THENIF},
        {"IF P 1 'A'", "TI P 2 'B'", CN_THENIF},           {"IF P 1 'A'", "AND P 2 'B'", CN_AND},
        {"IF P 1 'A'", "A P 2 'B'", CN_AND},               {"IF P 1 'A'", "OR P 2 'B'", CN_OR},
        {"IF P 1 'A'", "O P 2 'B'", CN_OR},                {"", "IF P 1 'A'", CN_IF},
        {"", "I P 1 'A'", CN_IF},                    {"IF P 1 'A'!THEN EOJ", "ELSE EOJ", CN_ELSE},
        {"IF P 1 'A'!THEN EOJ", "EL EOJ", CN_ELSE},  {"IF P 1 'A'!THEN EOJ", "L EOJ", CN_ELSE},
        {"IF P 1 'A'!THEN EOJ", "ELSE IF P 2 'B'", CN_ELSEIF},
        {"IF P 1 'A'!THEN EOJ", "ELSEIF P 2 'B'", CN_ELSEIF},
        {"IF P 1 'A'!THEN EOJ", "LI P 2 'B'", CN_ELSEIF},  {"IF P 1 'A'!THEN EOJ", "L I P 2 'B'", CN_ELSEIF},
        {"NOW EOJ", "THEN EOJ", CN_NOW},       // THEN right after NOW is a NOW statement
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Ana a;
        std::string before = r.before;
        for (std::size_t p = 0; !before.empty();) {
            std::size_t q = before.find('!', p);
            a.stmt(before.substr(p, q == std::string::npos ? std::string::npos : q - p));
            ASSERT_EQ(0, a.err());
            if (q == std::string::npos) break;
            p = q + 1;
        }
        a.stmt(r.text);
        EXPECT_EQ(0, a.err());
        EXPECT_EQ(r.kind, a.node()->typ1);
    }
}

// The order of statement kinds: each statement's error (17 out of
// sequence).  After a 17 the last kind counts as NOW.
TEST(stmtseq, OrderOfKinds) {
    struct Row { std::vector<const char*> stmts; std::vector<int> errs; };
    static const Row kRows[] = {
        {{"IF P 1 'A'", "IF P 2 'B'"}, {0, 17}},                              // IF after IF without THEN
        {{"IF P 1 'A'", "IF P 2 'B'", "THEN EOJ"}, {0, 17, 0}},               // then THEN after "NOW" is NOW
        {{"ELSE EOJ"}, {17}},                                     // ELSE without an open IF
        {{"THEN EOJ"}, {17}},                                     // THEN after nothing
        {{"AND P 1 'A'"}, {17}},                                        // AND after nothing
        {{"NOW EOJ", "OR P 1 'A'"}, {0, 17}},                           // OR after NOW
        {{"NOW EOJ", "THEN EOJ"}, {0, 0}},                        // THEN after NOW: a NOW statement
        {{"IF P 1 'A'", "THEN EOJ", "ELSE EOJ", "ELSE EOJ"}, {0, 0, 0, 17}},
        {{"IF P 1 'A'", "AND P 2 'B'", "OR P 3 'C'", "THEN EOJ", "ELSE IF P 4 'D'", "THEN EOJ", "ELSE EOJ"},
         {0, 0, 0, 0, 0, 0, 0}},
        {{"IF P 1 'A'", "THEN IF P 2 'B'", "THEN EOJ", "ELSE EOJ", "ELSE EOJ", "ELSE EOJ"}, {0, 0, 0, 0, 0, 17}},
        {{"IF P 1 'A'", "THEN EOJ", "NOW EOJ", "ELSE EOJ"}, {0, 0, 0, 17}},  // NOW closes the IFs
        {{"IF P 1 'A'", "ELSE EOJ"}, {0, 17}},                          // ELSE after IF
        {{"IF P 1 'A'", "THEN EOJ", "ELSE IF P 2 'B'", "AND P 3 'C'", "THEN EOJ"}, {0, 0, 0, 0, 0}},
    };
    for (const Row& r : kRows) {
        std::string name;
        for (const char* s : r.stmts) name += std::string(s) + " / ";
        SCOPED_TRACE(name);
        Ana a;
        for (std::size_t i = 0; i < r.stmts.size(); ++i) {
            a.stmt(r.stmts[i]);
            EXPECT_EQ(r.errs[i], a.err()) << "statement " << i + 1;
        }
    }
}

// Actions count 1, 2, 3; other statements show the count negated and do
// not advance it; a label statement and an EQU give 0.
TEST(tvlctla, SelectionNumbers) {
    Ana a;
    EXPECT_EQ(1, a.stmt("READ IN"));
    EXPECT_EQ(0, a.stmt("IF A"));
    EXPECT_EQ(-2, a.node()->selid);
    EXPECT_EQ(2, a.stmt("THEN WRITE OUT"));
    EXPECT_EQ(0, a.stmt("LOOP"));
    EXPECT_EQ(0, a.stmt("EQU X 1"));
    EXPECT_EQ(3, a.stmt("NOW PRINT"));
    EXPECT_EQ(3, a.node()->selid);
    EXPECT_EQ(4, a.c().cncnt);  // label and EQU reuse the node of the next statement
}

// EQU: a later use of the name is replaced by the value; a quoted name is
// not; %n from the command line replaces in quotes too.
TEST(tvlctla, EquSubstitution) {
    struct Row { std::vector<const char*> stmts; const char* tokens; int err; };
    static const Row kRows[] = {
        {{"EQU LIM 100", "IF P LIM 'LIM'"}, "IF P 100 'LIM'", 0},
        {{"EQU FLD POS 10 LEN 4", "IF FLD EQ 'X'"}, "IF POS 10 LEN 4 EQ 'X'", 0},
        {{"EQU N 5", "EQU M N", "IF P M 'X'"}, "IF P 5 'X'", 0},               // substituted when defined
        {{"EQU A A"}, "EQU A A", 31},                               // used in its own definition
        {{"EQU A 1 A"}, "EQU A 1 A", 31},
        {{"EQU A"}, "EQU A", 31},                                   // no value
        {{"EQU 'A' 1"}, "EQU 'A' 1", 31},                           // not a plain word
        {{"EQU A 1", "EQU A 2"}, "EQU A 2", 82},                    // already defined
        {{"EQU SFX 7", "NOW 'ABC%1'"}, "NOW 'ABC%1'", 0},                 // no value: left as written
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        Ana a;
        for (const char* s : r.stmts) a.stmt(s);
        EXPECT_EQ(r.err, a.err());
        EXPECT_EQ(r.tokens, a.tokens());
    }
}

// Parameters: the driver's EQU statements of line 0 give %1 and %2 their
// values; in a statement file a word holding %1 takes the value, inside
// quotes too; a later EQU of a given parameter changes nothing.
TEST(tvlctla, ParameterValues) {
    Ana a;
    a.c().parmcnt = 2;
    a.c().linecnt = 0;
    a.stmt("EQU %1   IN");
    EXPECT_EQ(0, a.err());
    a.stmt("EQU %2   'b c'");
    EXPECT_EQ(0, a.err());
    a.c().linecnt = 1;
    a.stmt("EQU %1 OTHER");
    EXPECT_EQ(0, a.err());
    a.stmt("IF P 1 NE '%1' NE %2");
    EXPECT_EQ(0, a.err());
    EXPECT_EQ("IF P 1 NE 'IN' NE 'b c'", a.tokens());
    // Pieces of split words joined again, but at signs; the words make no
    // valid condition, only the substitution is looked at.
    a.stmt("AND X%1Y 'f_%1.txt' %2 LRECL-%1");
    EXPECT_EQ("AND XINY 'f_IN.txt' 'b c' LRECL - IN", a.tokens());
}

// Labels: a lone word, or a word with a colon and argument names; a
// reserved word is no label; errors 82, 182, 18 and 5.
TEST(labmake, DefineAndReference) {
    struct Row { std::vector<const char*> stmts; int err; };
    static const Row kRows[] = {
        {{"LOOP", "NOW EOJ"}, 0},
        {{"LOOP", "LOOP"}, 82},            // defined twice
        {{"loop", "NOW EOJ", "LOOP"}, 82}, // names compare without regard to case
        {{"NOW GOTO PRINT"}, 182},         // reserved word as a target
        {{"NOW GOTO LOOP"}, 0},            // defined later (or never: preparation reports it)
        {{"NOW GO LOOP"}, 18},             // GO without TO
        {{"NOW GOTO"}, 5},                 // no label
        {{"SUB1: A B"}, 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        Ana a;
        for (const char* s : r.stmts) a.stmt(s);
        EXPECT_EQ(r.err, a.err());
    }
    Ana a;
    EXPECT_EQ(0, a.stmt("SUB1: ARG1 ARG2"));
    EXPECT_EQ(0, a.err());
    EXPECT_TRUE(cmsw2 & SW2_LABMARK);
    EXPECT_EQ(1, a.stmt("NOW EOJ"));
    LB* l = a.c().lbhead;
    ASSERT_NE(nullptr, l);
    EXPECT_EQ("SUB1"s, std::string(l->namep, l->namelen));
    EXPECT_EQ(a.node(), l->node);
    EXPECT_EQ(LBF_COLON, l->flags);
    ASSERT_NE(nullptr, l->args);
    EXPECT_EQ("ARG1"s, l->args->name);
    ASSERT_NE(nullptr, l->args->next);
    EXPECT_EQ("ARG2"s, l->args->next->name);
    EXPECT_FALSE(cmsw2 & SW2_LABMARK);
    EXPECT_EQ(2, a.stmt("NOW GOTO SUB1"));
    EXPECT_EQ(l, a.node()->label);
}

// Print types: TYPE letters of print statements; error 22 for a data
// letter or an unknown one; the record-print switch for types above 13.
TEST(typechk, PrintTypes) {
    struct Row { const char* text; int sub; int err; };
    static const Row kRows[] = {
        {"NOW PRINT TYPE B", 22, 0}, {"NOW PRINT TYPE C", 20, 0}, {"NOW PRINT TY D", 14, 0},
        {"NOW PRINT TYPE DX", 15, 0}, {"NOW PRINT TYPE DA", 16, 0}, {"NOW PRINT TYPE DE", 17, 0},
        {"NOW PRINT TYPE H", 21, 0}, {"NOW PRINT TYPE M", 23, 0}, {"NOW PRINT TYPE MC", 23, 0},
        {"NOW PRINT TYPE MP", 23, 0}, {"NOW PRINT TYPE N", 19, 0}, {"NOW LOG TYPE S", 11, 0},
        {"NOW PRINT TYPE=C", 20, 0},
        {"NOW PRINT TYPE P", 20, 22}, {"NOW PRINT TYPE F", 20, 22}, {"NOW PRINT TYPE Q", 20, 22},
        {"NOW PRINT TYPE DZ", 20, 22}, {"NOW PRINT TYPE", 20, 22},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Ana a;
        a.stmt(r.text);
        EXPECT_EQ(r.sub, a.node()->sub);
        EXPECT_EQ(r.err, a.err());
    }
    Ana a;
    a.stmt("NOW LOG");
    EXPECT_FALSE(a.c().lstsw & LST_RECPRT);  // type 11
    a.stmt("NOW PRINT TYPE D");
    EXPECT_TRUE(a.c().lstsw & LST_RECPRT);   // type 14
    EXPECT_EQ(0, a.node()->dumpenc);         // no DUMPENC of its own: the run's markers
    // Report mode: the defaults become plain lines (12); a written type stays.
    Ana r;
    r.c().lstsw |= LST_REPORT;
    r.stmt("NOW PRINT");
    EXPECT_EQ(12, r.node()->sub);
    r.stmt("NOW LOG");
    EXPECT_EQ(12, r.node()->sub);
    r.stmt("NOW PRINT TYPE C");
    EXPECT_EQ(20, r.node()->sub);
}

// Stop-after counts, TIMES, and the default limits.
TEST(sartn, StopAfterCounts) {
    struct Row { const char* text; long long limit; int times; int err; };
    static const Row kRows[] = {
        {"NOW WRITE OUT STOPAFT 5", 5, 0, 0},
        {"NOW WRITE OUT STOPAFT=7", 7, 0, 0},
        {"NOW WRITE OUT S 2", 2, 0, 0},
        {"NOW WRITE OUT STOP X", 0, 0, 131},
        {"NOW PRINT TYPE S S 3", 3, 0, 0},   // the first S is the print type
        {"NOW PRINT TIMES 3", 0, 3, 0},
        {"NOW LOG", 50, 0, 0},               // LOG acts at most 50 times
        {"NOW LOG STOPAFT 80", 80, 0, 0},
        {"NOW PRINT", 0, 0, 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Ana a;
        a.stmt(r.text);
        EXPECT_EQ(r.limit, a.node()->limit);
        EXPECT_EQ(r.times, a.node()->times);
        EXPECT_EQ(r.err, a.err());
    }
}

// END, CANCEL and the listing keywords.
TEST(tvlctla, EndCancelAndListingWords) {
    {
        Ana a;
        a.stmt("NOW EOJ");
        a.stmt("END");
        EXPECT_EQ(CN_END, a.c().lastkind);
        EXPECT_EQ(0, a.c().errcnt);
        EXPECT_EQ(0, a.err());
    }
    {
        Ana a;
        a.stmt("CANCEL EOJ");
        EXPECT_EQ(CN_END, a.c().lastkind);
        EXPECT_EQ(999, a.c().errcnt);
        EXPECT_EQ(0, a.err());
    }
    {
        Ana a;
        a.c().lstsw = 0x200;
        a.stmt("NOW EOJ NOPRINT");
        EXPECT_EQ(0, a.err());
        EXPECT_EQ(LST_SUM0 | LST_NOSTMT, a.c().lstsw);
        a.stmt("PRTCTL");
        EXPECT_EQ(LST_SUM0, a.c().lstsw);
    }
    {
        Ana a;
        a.stmt("*< the rest of the line is no statement");
        EXPECT_TRUE(a.c().linesw & CM_LINE_REST);
        a.stmt("NOW EOJ *> kept for the summary");
        ASSERT_NE(nullptr, a.node()->cmtline);
        EXPECT_EQ("*> kept for the summary"s, a.node()->cmtline);
    }
}

// The conversion words: three letters, and CVxy as 16 * x + y.
TEST(cvxx_kwd, ConversionCodes) {
    struct Row { const char* word; int code; };
    static const Row kRows[] = {
        {"CVA", 81}, {"CVB", 73}, {"CVD", 148}, {"CVE", 21}, {"CVH", 56}, {"CVX", 0},
        {"CVCP", 0x34}, {"CVPC", 0x43}, {"CVBZ", 0x97}, {"CVIA", 0x91}, {"CVAJ", 0},
        {"CVDT", 0}, {"CV", 0}, {"CVABC", 0}, {"XVAB", 0},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.word);
        EXPECT_EQ(r.code, cvxx_kwd(r.word, static_cast<int>(std::strlen(r.word))));
    }
}

// The operands of action statements, and position terms holding an EQU
// value.  Positions are held 0-based: P 5 is pos 4.  The literal 'AB' is
// the bytes 41 42.  P 2,4 is 4 - 2 + 1 = 3 bytes from offset 1.  A list of
// two fields is refused (error 1) until lists are built at run time.  A
// plain number is no PRINT operand: the literal path wants a quoted text
// (42).  A subroutine argument name: A2 is the second argument (place 1,
// position kind 36, length kind 14); words are upper-cased, so a2 is A2.
// The REPLY of LOG is refused before its message operand is parsed.  LAB
// = -5 makes 20-LAB position 25 (offset 24) and 20+LAB position 15
// (offset 14); the condition's field takes the length of the other side
// (length kind 11).
TEST(tvlctla, ActionOperands) {
    struct Row {
        std::vector<const char*> stmts;
        int err;
        int nfld;            // fields in the operand chain (the reply counted apart)
        bool reply;          // the operand looked at is the reply field
        bool cond;           // the operand looked at is the condition's first
        int pkind; long long pos; int lkind; long long len;
        const char* lit;     // literal bytes, or null
    };
    static const Row kRows[] = {
        {{"NOW PRINT P 5 LEN 3"}, 0, 1, false, false, PK_REC, 4, PK_REC, 3, nullptr},
        {{"NOW PRINT 'AB'"}, 0, 1, false, false, PK_LIT, 0, PK_REC, 2, "\x41\x42"},
        {{"NOW WRITE OUT FROM P 2,4"}, 0, 1, false, false, PK_REC, 1, PK_REC, 3, nullptr},
        {{"NOW PRINT P 1 LEN 2 P 3 LEN 1"}, 0, 2, false, false, PK_REC, 0, PK_REC, 2, nullptr},
        {{"NOW PRINT 3"}, 42, 1, false, false, 0, 0, 0, 0, nullptr},
        {{"NOW LOG 'X' REPLY P 1 LEN 8"}, 1, 0, true, false, PK_REC, 0, PK_REC, 8, nullptr},
        {{"SUB1: A1 A2", "NOW PRINT A2"}, 0, 1, false, false, PK_ARGN, 0, PK_PCB, 0, nullptr},
        {{"SUB1: A1 A2", "NOW PRINT a2"}, 0, 1, false, false, PK_ARGN, 0, PK_PCB, 0, nullptr},
        {{"EQU LAB -5", "IF POS 20-LAB EQ 'X'"}, 0, 0, false, true, PK_REC, 24, PK_COMRG, 0, nullptr},
        {{"EQU LAB -5", "IF POS 20+LAB EQ 'X'"}, 0, 0, false, true, PK_REC, 14, PK_COMRG, 0, nullptr},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        Ana a;
        for (const char* s : r.stmts) a.stmt(s);
        EXPECT_EQ(r.err, a.err());
        CN* n = a.node();
        int cnt = 0;
        for (FLD* f = n->operands; f; f = f->next) ++cnt;
        EXPECT_EQ(r.nfld, cnt);
        FLD* f = r.reply ? n->reply : r.cond ? n->fld1 : n->operands;
        if (r.err == 42) continue;
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(r.pkind, f->pkind);
        EXPECT_EQ(r.pos, f->pos);
        EXPECT_EQ(r.lkind, f->lkind);
        if (r.pkind == PK_ARGN) EXPECT_EQ(1, f->argix);
        else EXPECT_EQ(r.len, f->len);
        if (r.lit) {
            ASSERT_EQ(static_cast<long>(std::strlen(r.lit)), f->litlen);
            EXPECT_EQ(0, std::memcmp(r.lit, f->lit, f->litlen));
        }
    }
    Ana a;
    a.stmt("NOW PRINT P 1 LEN 2 P 3 LEN 1");
    EXPECT_TRUE(a.node()->opflags & CN_OPF_MULTI);
}
