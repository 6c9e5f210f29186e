// Whole runs of MOVE, the assignments to character fields, their bitwise
// forms and the justifications LEFT, RIGHT and CENTRE: one 10-byte fixed
// record (F 10, so blanks stay in the output) changed by one statement and
// written out.  Expected bytes are worked by hand from the rules:
//   - MOVE and assignments: n = the shorter length; n bytes copied one at
//     a time from the first (a target starting inside its source to the
//     right repeats the source's leading bytes), the rest of the target
//     set to the statement's FILL (a blank by default);
//   - bitwise: n target bytes combined with the source as it stood before
//     the statement, the rest combined with the fill byte;
//   - justification: the text from the first to the last non-blank, inner
//     blank runs cut to one blank, to the target's start (LEFT), end
//     (RIGHT) or offset floor((T - L) / 2), plus 1 when T and L differ in
//     parity (CENTRE); blanks around it.  Text longer than the target
//     keeps its first (LEFT, CENTRE) or last (RIGHT) T bytes, return code 8.
// A field past the record leaves the record as it was, return code 8.
// Statement errors end the run at 52 with no output file.
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Row = tvt::ActRow;
using tvt::sum2;

const std::string kRec = "ABCDEFGHIJ";
const std::string kRuns = "  A   B C ";  // text "A B C", L = 5

std::string sum(const std::string& op) { return sum2(op); }
void runrows(const char* dirname, const std::vector<Row>& rows) { tvt::actrows(dirname, rows); }

}  // namespace

TEST(tvlsa_move, MoveAndAssignments) {
    const std::vector<Row> rows = {
        {"literal with FILL", "MOVE 'XY' TO POS 3 LEN 4 FILL '*'", kRec, "ABXY**GHIJ", 0, sum("mod")},
        {"literal, blank fill", "MOVE 'XY' TO POS 3 LEN 4", kRec, "ABXY  GHIJ", 0, ""},
        {"field with FILL", "MOVE POS 8 LEN 3 TO POS 1 LEN 5 FILL '-'", kRec, "HIJ--FGHIJ", 0, ""},
        {"cut literal", "MOVE 'VWXYZ' TO POS 1 LEN 3", kRec, "VWXDEFGHIJ", 0, ""},
        // The target without a length takes the literal's 2.
        {"target takes source length", "MOVE 'VW' TO POS 9", kRec, "ABCDEFGHVW", 0, ""},
        // Target first when the source is named last: INTO anywhere.
        {"into before source", "MOVE INTO POS 2 LEN 2 'xy'", kRec, "AxyDEFGHIJ", 0, ""},
        // Each byte copied reads the byte just written: A repeated.
        {"repeat move", "MOVE POS 2 LEN 9 FROM POS 1 LEN 9", kRec, "AAAAAAAAAA", 0, ""},
        {"left overlap", "MOVE POS 3 LEN 8 TO POS 1 LEN 8", kRec, "CDEFGHIJIJ", 0, ""},
        {"assignment", "POS 5 LEN 3 = 'xyz'", kRec, "ABCDxyzHIJ", 0, ""},
        // P 1,3 is 3 bytes; the source takes them.
        {"second position", "LET POS 1,3 = POS 8", kRec, "HIJDEFGHIJ", 0, ""},
        {"assignment with FILL", "POS 1 LEN 4 = 'x' FILL '0'", kRec, "x000EFGHIJ", 0, ""},
        // A 1-byte source: A ^ 20 = a; B and C XOR the blank fill (20).
        {"xor 1-byte source", "POS 1 LEN 3 = XOR X'20'", kRec, "abcDEFGHIJ", 0, sum("XOR")},
        // A|20 = a, B|20 = b; C|01 = C (43), D|01 = E (45).
        {"or with FILL", "POS 1 LEN 4 = OR X'2020' FILL X'01'", kRec, "abCEEFGHIJ", 0, sum("OR")},
        {"and longer source", "POS 1 LEN 3 = AND X'DFDFDF'", "abcdefghij", "ABCdefghij", 0, sum("AND")},
        // The source as it stood: B^A = 03, C^B = 01, D^C = 07.
        {"xor over its source", "POS 2 LEN 3 = XOR POS 1 LEN 3", kRec, "A\x03\x01\x07" "EFGHIJ", 0, ""},
        // P 10 LEN 2 ends past the record: it fails, the record stays.
        {"past the record", "MOVE 'QQ' TO POS 10 LEN 2", kRec, kRec, 8, sum("mod  (***01 RETCD=8***)")},
    };
    runrows("move-e2e", rows);
}

TEST(tvlsa_move, Justification) {
    const std::vector<Row> rows = {
        {"left", "LEFT POS 1 LEN 10", kRuns, "A B C     ", 0, sum("left")},
        {"right", "RIGHT POS 1 LEN 10", kRuns, "     A B C", 0, sum("right")},
        // T 10, L 5: 5 / 2 = 2, parities differ: offset 3.
        {"centre, parities differ", "CENTRE POS 1 LEN 10", kRuns, "   A B C  ", 0, sum("centre")},
        // T 7, L 3: 4 / 2 = 2, same parity: offset 2.
        {"centre, same parity", "CENTRE POS 1 LEN 3 TO POS 4 LEN 7", "ABC       ", "ABC  ABC  ", 0, ""},
        // 'AB' into 5: 3 / 2 = 1, plus 1: two blanks before, one after.
        {"centre of two", "ADJC POS 1 LEN 2 TO POS 4 LEN 5", "AB        ", "AB   AB   ", 0, ""},
        {"all blanks", "ADJL POS 3 LEN 8 TO POS 1 LEN 4", "XY        ", "          ", 0, ""},
        // The source and a target to its right overlap: "AB CD" at P 3.
        {"left into overlap", "LEFT POS 1 LEN 6 TO POS 3 LEN 8", "AB  CD    ", "ABAB CD   ", 0, ""},
        {"right into overlap", "RIGHT POS 1 LEN 6 TO POS 2 LEN 9", "AB  CD    ", "A    AB CD", 0, ""},
        // Shorter targets: "A B " (first 4), " B C" (last 4).
        {"left, shorter", "LEFT POS 1 LEN 10 TO POS 1 LEN 4", kRuns, "A B   B C ", 8, sum("left (***01 RETCD=8***)")},
        {"right, shorter", "RIGHT POS 1 LEN 10 TO POS 7 LEN 4", kRuns, "  A    B C", 8, ""},
        {"centre, shorter", "CENTRE POS 1 LEN 10 TO POS 2 LEN 4", kRuns, " A B  B C ", 8, ""},
    };
    runrows("adj-e2e", rows);
}

TEST(tvlsa_move, StatementErrors) {
    const std::vector<Row> rows = {
        {"no TO", "MOVE 'A' POS 1 LEN 2", kRec, "", 52, "*** ERROR 051 ***  TO or INTO missing in this statement"},
        {"no source", "MOVE TO POS 1 LEN 2", kRec, "", 52,
         "*** ERROR 005 ***  Required operand, label or keyword value is missing"},
        {"literal in place", "LEFT 'ABC'", kRec, "", 52, "*** ERROR 051 ***  TO or INTO missing in this statement"},
        {"literal target", "MOVE 'A' TO '5'", kRec, "", 52,
         "*** ERROR 059 ***  Operand cannot receive the result (literal or wrong length)"},
        {"no length", "MOVE POS 1 TO POS 5", kRec, "", 52,
         "*** ERROR 069 ***  Length missing: give a length or a second position"},
        // TYPE P gives the source its type; the target without a length
        // takes none.
        {"numeric into character", "POS 1 = POS 5 LEN 2 TYPE P", kRec, "", 52,
         "*** ERROR 219 ***  Numeric source cannot be assigned to a character target"},
        {"bitwise numeric target", "POS 1 LEN 2 TYPE P = OR 'A'", kRec, "", 52,
         "*** ERROR 001 ***  Statement, keyword or file form not supported here"},
    };
    runrows("move-err", rows);
}
