// Assignments of numbers and to @-names and special names: whole runs on
// 10-byte records, expected bytes worked by hand.  Packed: two digit
// nibbles a byte, the last nibble the sign (C +, D -); zoned: one digit a
// byte, a negative last digit overpunched (J to R for 1 to 9); binary:
// big-endian two's complement.  A value goes in with the target's
// decimals, rounded half away from zero; one that does not fit (or bad
// data) leaves the target as it was, return code 8.  RETCD = n is the
// run's return code from then on (exit 255 above 255); L = n the default
// length a WRITE takes; @P = field the field's position.
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

using Row = tvt::ActRow;
const std::string kT = "ABCDEFG";  // the rest of a record behind 3 bytes
const std::string kRec = "ABCDEFGHIJ";
std::string err(const char* text) { return std::string("*** ERROR ") + text; }

}  // namespace

TEST(tvlsa_assign, NumbersAndNames) {
    const std::vector<Row> rows = {
        // 5 in 3 bytes of packed: 00 00 5C.
        {"number to packed", "POS 1 LEN 3 TYPE P = 5", "\x00\x12\x3C"s + kT, "\x00\x00\x5C"s + kT, 0,
         tvt::sum2("moda")},
        // "12L" is -123 (L overpunches -3): 00 12 3D.
        {"zoned to packed", "POS 1 LEN 3 TYPE P = POS 4 LEN 3 TYPE Z", "\x00\x00\x0C" "12LABCD"s,
         "\x00\x12\x3D" "12LABCD"s, 0, ""},
        // -250 = FFFFFF06 in 4 bytes.
        {"packed to binary", "POS 1 LEN 4 TYPE B = POS 5 LEN 2 TYPE P", "AAAA\x25\x0D" "ABCD"s,
         "\xFF\xFF\xFF\x06\x25\x0D" "ABCD"s, 0, ""},
        // Number text -12.5 to no decimals: -13 (half away from zero).
        {"text rounds", "POS 1 LEN 3 TYPE P = '-12.5'", "\x00\x00\x0C"s + kT, "\x00\x01\x3D"s + kT, 0, ""},
        // A character source is number text: "-42" -> 04 2D.
        {"character source", "POS 1 LEN 2 TYPE P = POS 3 LEN 3 TYPE C", "\x00\x0C-42ABCDE"s, "\x04\x2D-42ABCDE"s, 0, ""},
        // -42 in 3 zoned bytes: 0 4 2 with 2 overpunched negative (K).
        {"number to zoned", "POS 1 LEN 3 TYPE Z = -42", kRec, "04K" "DEFGHIJ", 0, ""},
        // 12345 needs 5 digits, 2 packed bytes hold 3: kept, rc 8.
        {"overflow kept", "POS 1 LEN 2 TYPE P = 12345", "\x00\x1C"s + "ABCDEFGH", "\x00\x1C"s + "ABCDEFGH", 8, ""},
        // "AB" ends in nibble 2, not a sign: bad data.
        {"bad packed kept", "POS 1 LEN 2 TYPE P = POS 3 LEN 2 TYPE P", "\x00\x1C" "ABCDEFGH"s,
         "\x00\x1C" "ABCDEFGH"s, 8, ""},
        {"move into packed", "MOVE '77' TO POS 1 LEN 2 TYPE P", kRec, "\x07\x7C" "CDEFGHIJ"s, 0, ""},
        {"retcd", "RETCD = 7", kRec, kRec, 7, ""},
        {"retcd above 255", "RC = 300", kRec, kRec, 255, ""},
        {"retcd lowered", "POS 1 LEN 2 TYPE P = 12345\nRETCD = 0", "\x00\x1C" "ABCDEFGH"s, "\x00\x1C" "ABCDEFGH"s, 0, ""},
        {"retcd from zoned", "RETCODE = POS 1 LEN 2 TYPE Z", "12" "CDEFGHIJ", "12" "CDEFGHIJ", 12, ""},
        // @P = 5: POS @P LEN 2 is "EF".
        {"pointer at field", "@P = POS 5\nPOS 1 LEN 2 = POS @P LEN 2", kRec, "EFCDEFGHIJ", 0, ""},
        {"pointer number", "@P = 3\nPOS @P LEN 1 = 'x'", kRec, "ABxDEFGHIJ", 0, ""},
        {"negative length", "LRECL = -1", kRec, "", 52, err("009 ***  Position must be 1 or more, and STEP must be above 0")},
        {"name with offset", "@P+2 = 5", kRec, "", 52, err("127 ***  Numeric target may not have an offset or further terms")},
        {"not number text", "POS 1 LEN 2 TYPE P = 'X'", kRec, "", 52, err("204 ***  Invalid decimal literal")},
        {"bitwise on a number", "POS 1 LEN 2 TYPE P = OR X'01'", kRec, "", 52,
         err("001 ***  Statement, keyword or file form not supported here")},
    };
    tvt::actrows("tvlsa_assign", rows);
    // RECSIZE = 5: the WRITE of the record takes 5 bytes.
    tvt::actrows("tvlsa_assign_l", {{"default length", "RECSIZE = 5", kRec, "ABCDE\n", 0, ""}},
                 "READ in.dat RECFM F LRECL 10", "WRITE out.dat EOL LF");
}
