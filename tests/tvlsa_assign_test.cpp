// Assignments of numbers and to @-names and special names, on 10-byte
// records, worked by hand: packed two digits a byte, sign nibble C or D;
// zoned a digit a byte, a negative last digit overpunched (J-R = 1-9);
// binary big-endian.  Rounded half away from zero to the target; what does
// not fit, or bad data, leaves the target, rc 8.  RETCD = n is the exit
// (255 above 255); L = n the length a WRITE takes.
#include "testutil.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

using Row = tvt::ActRow;
const std::string kT = "ABCDEFG";
const std::string kRec = "ABCDEFGHIJ";
std::string err(const char* text) { return std::string("*** ERROR ") + text; }

}  // namespace

TEST(tvlsa_assign, NumbersAndNames) {
    const std::vector<Row> rows = {
        // 5 -> 00 00 5C; "12L" is -123 (L overpunches -3) -> 00 12 3D; -250 = FFFFFF06.
        {"number to packed", "POS 1 LEN 3 TYPE P = 5", "\x00\x12\x3C"s + kT, "\x00\x00\x5C"s + kT, 0, tvt::sum2("moda")},
        {"zoned to packed", "POS 1 LEN 3 TYPE P = POS 4 LEN 3 TYPE Z", "\x00\x00\x0C" "12LABCD"s,
         "\x00\x12\x3D" "12LABCD"s, 0, ""},
        {"packed to binary", "POS 1 LEN 4 TYPE B = POS 5 LEN 2 TYPE P", "AAAA\x25\x0D" "ABCD"s,
         "\xFF\xFF\xFF\x06\x25\x0D" "ABCD"s, 0, ""},
        // -12.5 to no decimals: -13 (half away from zero); "-42" -> 04 2D; zoned -42: 04K.
        {"text rounds", "POS 1 LEN 3 TYPE P = '-12.5'", "\x00\x00\x0C"s + kT, "\x00\x01\x3D"s + kT, 0, ""},
        {"character source", "POS 1 LEN 2 TYPE P = POS 3 LEN 3 TYPE C", "\x00\x0C-42ABCDE"s, "\x04\x2D-42ABCDE"s, 0, ""},
        {"number to zoned", "POS 1 LEN 3 TYPE Z = -42", kRec, "04K" "DEFGHIJ", 0, ""},
        // 12345 needs 5 digits, 2 packed bytes hold 3; "AB" ends in nibble 2, no sign.
        {"overflow kept", "POS 1 LEN 2 TYPE P = 12345", "\x00\x1C"s + "ABCDEFGH", "\x00\x1C"s + "ABCDEFGH", 8, ""},
        {"bad packed kept", "POS 1 LEN 2 TYPE P = POS 3 LEN 2 TYPE P", "\x00\x1C" "ABCDEFGH"s,
         "\x00\x1C" "ABCDEFGH"s, 8, ""},
        {"move into packed", "MOVE '77' TO POS 1 LEN 2 TYPE P", kRec, "\x07\x7C" "CDEFGHIJ"s, 0, ""},
        {"retcd", "RETCD = 7", kRec, kRec, 7, ""},
        {"retcd above 255", "RC = 300", kRec, kRec, 255, ""},
        {"retcd lowered", "POS 1 LEN 2 TYPE P = 12345\nRETCD = 0", "\x00\x1C" "ABCDEFGH"s, "\x00\x1C" "ABCDEFGH"s, 0, ""},
        {"retcd from zoned", "RETCODE = POS 1 LEN 2 TYPE Z", "12" "CDEFGHIJ", "12" "CDEFGHIJ", 12, ""},
        {"pointer at field", "@P = POS 5\nPOS 1 LEN 2 = POS @P LEN 2", kRec, "EFCDEFGHIJ", 0, ""},
        {"pointer number", "@P = 3\nPOS @P LEN 1 = 'x'", kRec, "ABxDEFGHIJ", 0, ""},
        {"negative length", "THEN L = -1", kRec, "", 52, err("009 ***  Position must be 1 or more, and STEP must be above 0")},
        {"name with offset", "@P+2 = 5", kRec, "", 52, err("127 ***  Numeric target may not have an offset or further terms")},
        {"not number text", "POS 1 LEN 2 TYPE P = 'X'", kRec, "", 52, err("204 ***  Invalid decimal literal, or initial value has more digits than the declared variable")},
        {"bitwise on a number", "POS 1 LEN 2 TYPE P = OR X'01'", kRec, "", 52,
         err("001 ***  Statement, keyword or file form not supported here")},
    };
    tvt::actrows("tvlsa_assign", rows);
    // A statement that begins with L (otherwise ELSE) and "=" assigns.
    tvt::actrows("tvlsa_assign_l", {{"default length", "THEN L = 5", kRec, "ABCDE\n", 0, tvt::sum2("LRECL=")},
                                    {"L alone", "L = 4", kRec, "ABCD\n", 0, ""},
                                    {"LEN", "LEN=3", kRec, "ABC\n", 0, ""}},
                 "READ in.dat RECFM F LRECL 10", "WRITE out.dat EOL LF");
}
