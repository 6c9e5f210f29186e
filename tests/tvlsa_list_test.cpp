// Whole runs of field lists: an assignment whose source is several fields,
// PRINT of several fields, and WRITE of a record built from them.  The
// value is the fields laid end to end, each read as it stood before the
// statement; numeric fields are edited: packed with decimals and others
// by "SS,SSS,SSS,SS9.9999", binary by "SS,SSS,SSS,SS9", a field's own FMT
// pattern first.  The edit engine lays digits from the right, blanks the
// unused left part and puts the sign just left of the first digit.  A
// pattern longer than the room left adds nothing, a failed edit gives
// "*" in its place: return code 8 both.
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Row = tvt::ActRow;
using tvt::sum2;

const std::string kRec = "ABCDEFGHIJ";
const std::string kAZ = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
std::string sp(int n) { return std::string(n, ' '); }

}  // namespace

TEST(tvlsa_list, Assignments) {
    tvt::actrows("list-asg", {
        // The target covers P 5 LEN 3: "EFG" is read before it changes.
        {"literal and fields", "POS 1 LEN 10 = 'A' POS 5 LEN 3 'B'", kRec, "AEFGB" + sp(5), 0, sum2("mod")},
        {"FILL and TIMES", "POS 1 LEN 4 = 'xy' 'z' TIMES 2 FILL '.'", kRec, "xyz.EFGHIJ", 0,
         "    2             2 mod"},
        {"length built", "POS 1 = 'xy' 'z'", kRec, "xyzDEFGHIJ", 0, ""},
        {"cut at the target", "POS 1 LEN 4 = 'xyz' POS 8 LEN 3", kRec, "xyzHEFGHIJ", 0, ""},
        // 20 20 20 XOR "CDE", the fourth byte F XOR the blank fill.
        {"bitwise", "POS 3 LEN 4 = XOR X'20' X'2020'", kRec, "ABcdefGHIJ", 0, sum2("XOR")},
        {"field past the record", "POS 1 LEN 4 = 'xyz' POS 10 LEN 2", kRec, kRec, 8,
         sum2("mod  (***01 RETCD=8***)")},
    });
}

TEST(tvlsa_list, EditedNumbers) {
    const std::string pk = kAZ + "\x12\x34\x5D", bin = kAZ + std::string("\x00\x01\x02", 3);
    const std::string fl("\x40\x28\0\0\0\0\0\0", 8);
    tvt::actrows("list-num", {
        // -123.45: 4 decimals "-123.4500" (9) behind 10 blanks.
        {"packed, decimals", "POS 1 LEN 26 TYPE C = '=' POS 27 LEN 3 TYPE P SCALE 2 'Z'", pk,
         "=" + sp(10) + "-123.4500Z" + sp(5) + pk.substr(26), 0, sum2("mod")},
        // 258 by "SS,SSS,SSS,SS9": "+258" behind 10 blanks; "ABCD" by XX-.
        {"binary, hex mask", "POS 1 LEN 26 TYPE C = POS 27 LEN 3 TYPE B '/' POS 1 LEN 4 FMT 'XX-'", bin,
         sp(10) + "+258/41-42-43-44" + bin.substr(26), 0, ""},
        // "12.5" by "---9.99": no sign for a positive number.
        {"text by its pattern", "POS 5 LEN 20 TYPE C = 'x' POS 1 LEN 4 FMT '---9.99'", "12.5" + bin.substr(4),
         "12.5x  12.50" + sp(12) + bin.substr(24), 0, ""},
        {"pattern past the room", "POS 1 LEN 17 TYPE C = '=' POS 27 LEN 3 TYPE P SCALE 2", pk,
         "=" + sp(16) + pk.substr(17), 8, sum2("mod  (***01 RETCD=8***)")},
        // 12.0 as an IEEE big-endian double: "+12.0000" behind 11 blanks.
        {"float", "POS 1 LEN 21 TYPE C = '=' POS 22 LEN 8 TYPE F", kAZ.substr(0, 21) + fl,
         "=" + sp(11) + "+12.0000 " + fl, 0, ""},
        {"not packed", "POS 10 LEN 15 TYPE C = '=' POS 1 LEN 3 TYPE P", pk,
         "ABCDEFGHI=" + std::string(14, '*') + pk.substr(24), 8, ""},
    }, "READ in.dat RECFM F LRECL 29", "WRITE out.dat RECFM F LRECL 29");
}

TEST(tvlsa_list, PrintAndWrite) {
    tvt::actrows("list-prt", {
        {"print", "PRINT 'R=' POS 1 LEN 3", kRec, kRec, 0, "        1     1   2 R=ABC" + sp(101) + "5"},
    });
    const std::string a(300, 'A'), b(300, 'B');
    // 600 bytes: cut to the 528 of the print area, return code 5.
    tvt::actrows("list-prt528", {
        {"print cut", "PRINT POS 1 LEN 300 POS 1 LEN 300", a, a, 5, "        1     1   2 " + a.substr(0, 100) + "    528"},
    }, "READ in.dat RECFM F LRECL 300", "WRITE out.dat RECFM F LRECL 300");
    const char* w600 = "WRITE out.dat RECFM U EOL NONE POS 1 LEN 300 POS 1 LEN 300";
    tvt::actrows("list-wr", {
        {"write", "WRITE out.dat RECFM U EOL NONE 'X' POS 1 LEN 3", kRec, "XABC", 0, ""},
    }, "READ in.dat RECFM F LRECL 10", "");
    // Lines of 300: the first 600-byte record enlarges the run's area; the
    // second fits it.  A 601-byte list of another statement then does not.
    tvt::actrows("list-wr600", {
        {"enlarged once", w600, a + "\n" + b + "\n", a + a + b + b, 0, ""},
        {"second overflow", std::string(w600) + "\nWRITE out2.dat RECFM U EOL NONE POS 1 LEN 300 POS 1 LEN 300 'B'",
         a + "\n", a + a, 44,
         "     (SEL----3)   *** SELECTION TIME ERROR 618 ***   Field list does not fit the enlarged work area"},
    }, "READ in.dat EOL LF", "");
    // 300 + 220 bytes, then packed +258 edited (14 bytes, no room left in 528),
    // then 10 bytes that overflow: the area asked for holds all 544.
    const std::string e = std::string("\x25\x8C") + a.substr(2);
    tvt::actrows("list-wr544", {
        {"edited field in the enlarged area",
         "WRITE out.dat RECFM U EOL NONE POS 1 LEN 300 POS 1 LEN 220 POS 1 LEN 2 TYPE P POS 1 LEN 10", e + "\n",
         e + e.substr(0, 220) + sp(10) + "+258" + e.substr(0, 10), 0, ""},
    }, "READ in.dat EOL LF", "");
}
