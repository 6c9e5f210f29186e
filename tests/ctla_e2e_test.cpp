// Whole runs through statement analysis, read from their listing: the
// selection numbers of action statements, the order errors, EQU
// substitution, labels, GOTO and GO, INCLUDE within INCLUDE, unused
// words, positional values, the listing keywords and the text after END.
// Every run holds a statement error, so it ends after analysis with 52.
//
// Listing lines, worked by hand from the listing's rules: a statement is
// echoed after nine positions, which hold its selection number edited as
// "000009.  " with leading zeros blank ("     1.  "), or blanks for a
// statement that is no action; under a statement the blamed word gets as
// many "*" as it is long, in its columns (a quoted word with its quotes),
// a defined label as many "-"; then the message line "*** ERROR nnn ***  "
// with the text of torvale.msg, and an empty line.  Error 17 draws no
// "*" row.
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Message lines of the numbers these runs raise (texts of torvale.msg).
const std::string kE017 = "*** ERROR 017 ***  Statement out of sequence (IF, AND, OR, THEN, ELSE order)\n\n";
const std::string kE018 = "*** ERROR 018 ***  GO must be followed by TO\n\n";
const std::string kE031 = "*** ERROR 031 ***  EQU name invalid or used inside its own definition, or DCL without a variable name\n\n";
const std::string kE045 = "*** ERROR 045 ***  Words not used by the statement (misspelt or misplaced)\n\n";
const std::string kE082 = "*** ERROR 082 ***  Label, EQU name or declared variable already defined\n\n";
const std::string kE182 = "*** ERROR 182 ***  Reserved word cannot be used as a label\n\n";

// The files (name, contents; the first is -ctl), the arguments before -ctl,
// consecutive listing lines, a text the listing must not hold (or null).
struct Row {
    const char* name; std::vector<std::pair<const char*, const char*>> files; std::vector<std::string> args;
    std::string want; const char* absent;
};

const Row kRows[] = {
    {"selection numbers count actions only",
     {{"main.ctl", "READ in.txt\nIF P 1 EQ 'A'\nTHEN PRINT\nOPTION X\nTHEN WRITE out.txt\n"}},
     {},
     "     1.  READ in.txt\n"
     "         IF P 1 EQ 'A'\n"
     "     2.  THEN PRINT\n"
     "         OPTION X\n"
     "                *\n" + kE045 +
     "     3.  THEN WRITE out.txt\n",
     nullptr},
    {"statements out of sequence",
     {{"main.ctl", "IF P 1 EQ 'A'\nIF P 2 EQ 'B'\nTHEN EOJ\nELSE EOJ\n"}},
     {},
     // The second IF is out of order and counts as an action kind, so
     // THEN follows "NOW" (a NOW statement) and ELSE has no open IF.
     "         IF P 1 EQ 'A'\n"
     "         IF P 2 EQ 'B'\n" + kE017 +
     "     1.  THEN EOJ\n"
     "     2.  ELSE EOJ\n" + kE017,
     nullptr},
    {"EQU value in place of the name, not inside quotes",
     {{"main.ctl", "EQU LIM 3\nNOW SPACE LIM\nNOW SPACE 'LIM'\n"}},
     {},
     // SPACE LIM is SPACE 3; SPACE 'LIM' has no count (1) and 'LIM' is
     // left over: columns 11 to 15 of the statement.
     "         EQU LIM 3\n"
     "     1.  NOW SPACE LIM\n"
     "     2.  NOW SPACE 'LIM'\n"
     "                   *****\n" + kE045,
     nullptr},
    {"EQU value that is a reserved word as a GOTO target",
     {{"main.ctl", "EQU TGT PRINT\nNOW GOTO TGT\n"}},
     {},
     "         EQU TGT PRINT\n"
     "     1.  NOW GOTO TGT\n"
     "                  ***\n" + kE182,
     nullptr},
    {"EQU used in its own definition",
     {{"main.ctl", "EQU A A\nNOW EOJ\n"}},
     {},
     "         EQU A A\n"
     "               *\n" + kE031 +
     "     1.  NOW EOJ\n",
     nullptr},
    {"label defined twice",
     {{"main.ctl", "LOOP\nNOW EOJ\nloop\nNOW EOJ\n"}},
     {},
     "         LOOP\n"
     "         ----\n"
     "     1.  NOW EOJ\n"
     "         loop\n"
     "         ****\n" + kE082 +
     "     2.  NOW EOJ\n",
     nullptr},
    {"GOTO PRINT",
     {{"main.ctl", "NOW GOTO PRINT\n"}},
     {},
     "     1.  NOW GOTO PRINT\n"
     "                  *****\n" + kE182,
     nullptr},
    {"GO without TO",
     {{"main.ctl", "LOOP\nNOW GO LOOP\n"}},
     {},
     "     1.  NOW GO LOOP\n"
     "                ****\n" + kE018,
     nullptr},
    {"INCLUDE of a file that includes another",
     {{"main.ctl", "READ in.txt\nINCLUDE inc1.ctl\nNOW EOJ X\n"},
      {"inc1.ctl", "THEN PRINT\nINCLUDE inc2.ctl\nNOW SPACE 2\n"},
      {"inc2.ctl", "NOW LINE 3\n"}},
     {},
     "     1.  READ in.txt\n"
     "         INCLUDE inc1.ctl\n"
     "     2.  THEN PRINT\n"
     "         INCLUDE inc2.ctl\n"
     "     3.  NOW LINE 3\n"
     "     4.  NOW SPACE 2\n"
     "     5.  NOW EOJ X\n"
     "                 *\n" + kE045,
     nullptr},
    {"positional values %1 to %9",
     {{"main.ctl", "READ %1\nNOW SPACE %2\nNOW PRINT '%3'\nNOW %4 %5\nNOW EOJ %9\n"}},
     {"in.txt", "4", "abc", "GOTO", "L5", "a", "b", "c", "d"},
     // The values become EQU statements of their own, listed first; %9
     // is "d", a word EOJ does not use.
     "         EQU %1   in.txt\n"
     "         EQU %2   4\n"
     "         EQU %3   abc\n"
     "         EQU %4   GOTO\n"
     "         EQU %5   L5\n"
     "         EQU %6   a\n"
     "         EQU %7   b\n"
     "         EQU %8   c\n"
     "         EQU %9   d\n"
     "     1.  READ %1\n"
     "     2.  NOW SPACE %2\n"
     "     3.  NOW PRINT '%3'\n"
     "     4.  NOW %4 %5\n"
     "     5.  NOW EOJ %9\n"
     "                 **\n" + kE045,
     nullptr},
    {"NOP lists its own line, then no statements",
     {{"main.ctl", "NOW EOJ\nNOW PRINT NOP\nNOW EOJ X\n"}},
     {},
     "     1.  NOW EOJ\n"
     "         NOW PRINT NOP\n" + kE045,
     "NOW EOJ X"},
    {"the text after END is not analysed",
     {{"main.ctl", "NOW EOJ\nOPTION X\nEND\nthis is no statement\nIF IF IF\n"}},
     {},
     "     1.  NOW EOJ\n"
     "         OPTION X\n"
     "                *\n" + kE045 +
     "         END\n",
     "this is no statement"},
};

}  // namespace

TEST(ctla_e2e, ListingOfAnalysedStatements) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        std::string d = tvt::tempdir("ctla-e2e");
        tvt::spit(d + "/in.txt", "A\nB\n");
        for (const auto& [name, text] : row.files) tvt::spit(d + "/" + name, text);
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"-ctl", row.files.front().first, "-lst", "t.lst"});
        tvt::Run r = tvt::run(args, d);
        EXPECT_EQ(52, r.status);
        std::string lst = tvt::slurp(d + "/t.lst");
        EXPECT_NE(std::string::npos, lst.find("\n" + row.want)) << lst;
        if (row.absent) { EXPECT_EQ(std::string::npos, lst.find(row.absent)) << lst; }
        tvt::rmtree(d);
    }
}
