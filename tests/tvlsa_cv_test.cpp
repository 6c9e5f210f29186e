// Whole runs of the CVxx conversions on one 10-byte record.  Working:
// packed 12 3D is -123; the default text edit is all 9 with a negative
// last digit overpunched (3 -> L, 2 -> K); IEEE single 1234 is 44 9A 40
// 00 (1.205078125 x 2^10, biased 137), -2.5 C0 20 00 00, -123 C2 F6 00
// 00; hex float 1234 is 43 4D 20 00 (0.4D2 x 16^3); zoned "12L" is -123.
// A mask '---9.99' takes -123.45 as "-123.45" (the leftmost "-" left of
// the digits takes the sign).
#include "testutil.h"

namespace {

using Row = tvt::ActRow;
using tvt::sum2;
const std::string kP = std::string("\x12\x3D", 2) + "........";  // -123 at 1, 2 bytes
const std::string kF = std::string("\x44\x9A\x40\x00", 4) + "......";  // 1234 at 1, IEEE single
std::string b(const char* s, std::size_t n) { return std::string(s, n); }

}  // namespace

TEST(tvlsa_cv, DriverRows) {
    const std::vector<Row> rows = {
        {"packed to text", "CVPC POS 1 LEN 2 TO POS 3 LEN 4", kP, b("\x12\x3D", 2) + "012L....", 0, sum2("cvpc")},
        {"INTO length", "UNPK POS 1 LEN 2 TO POS 3 INTO 4", kP, b("\x12\x3D", 2) + "012L....", 0, ""},
        {"packed to zoned", "CVPZ POS 1 LEN 2 TO POS 3 LEN 4", kP, b("\x12\x3D", 2) + "012L....", 0, sum2("cvpz")},
        // The target of length 1 takes the mask's 7 bytes.
        {"mask", "CVPC POS 1 LEN 3 SCALE 2 TO POS 4 FMT '---9.99'", b("\x12\x34\x5D", 3) + ".......",
         b("\x12\x34\x5D", 3) + "-123.45", 0, ""},
        {"text to packed", "PACK POS 1 LEN 3 TO POS 5 LEN 2", "12J-------", b("12J-\x12\x1D", 6) + "----", 0, ""},
        // 9.99 to one decimal rounds to 10.0: digits 100, sign C.
        {"rounding", "CVCP POS 1 LEN 4 TO POS 5 LEN 2 SCALE 1", "9.99......", b("9.99\x10\x0C", 6) + "....", 0, ""},
        {"zoned to packed", "CVZP POS 1 LEN 3 TO POS 4 LEN 2", "12L.......", b("12L\x12\x3D", 5) + ".....", 0, ""},
        {"EBCDIC zoned", "CVZP POS 1 LEN 3 TO POS 4 LEN 2", "\xF1\xF2\xD3.......", b("\xF1\xF2\xD3\x12\x3D", 5) + ".....", 0, ""},
        {"text to float", "CVCF POS 1 LEN 4 TO POS 5 LEN 4", "-2.5......", b("-2.5\xC0\x20\x00\x00", 8) + "..", 0, ""},
        {"zoned to float", "CVZF POS 1 LEN 3 TO POS 4 LEN 4", "12L.......", b("12L\xC2\xF6\x00\x00", 7) + "...", 0, ""},
        {"text to hex, derived", "CVH POS 1 LEN 2 TO POS 3", "AB........", "AB4142....", 0, sum2("cvch")},
        {"hex mask", "CVCH POS 1 LEN 2 TO POS 3 FMT 'XX,'", "AB........", "AB41,42...", 0, ""},
        // Read as it stood: "ABC" shown at 2 overlapping itself.
        {"overlap", "CVCH POS 1 LEN 3 TO POS 2 LEN 6", "ABC.......", "A414243...", 0, ""},
        {"text to binary", "PACKB POS 1 LEN 4 TO POS 5 LEN 2", "  -2......", b("  -2\xFF\xFE", 6) + "....", 0, ""},
        {"zoned to binary", "CVZB POS 1 LEN 3 TO POS 4 LEN 2", "12L.......", b("12L\xFF\x85", 5) + ".....", 0, ""},
        {"packed to binary", "CVB POS 1 LEN 2 TO POS 3 LEN 2", kP, b("\x12\x3D\xFF\x85", 4) + "......", 0, sum2("cvpb")},
        {"float to text", "CVFC POS 1 LEN 4 TO POS 5 LEN 4", kF, b("\x44\x9A\x40\x00", 4) + "1234..", 0, ""},
        {"float to packed", "CVFP POS 1 LEN 4 TO POS 5 LEN 3", kF, b("\x44\x9A\x40\x00\x01\x23\x4C", 7) + "...", 0, ""},
        {"float to hex float", "CVFF POS 1 LEN 4 TO POS 5 LEN 4 TYPE F HEX", kF, b("\x44\x9A\x40\x00\x43\x4D\x20\x00", 8) + "..",
         0, sum2("cvff")},
        {"hex to bytes, derived", "CVHC POS 1 LEN 4 TO POS 5", "C1C2......", b("C1C2\xC1\xC2", 6) + "....", 0, ""},
        {"binary to text", "UNPKB POS 1 LEN 2 TO POS 3 LEN 3", b("\xFF\xFE", 2) + "........", b("\xFF\xFE", 2) + "00K.....", 0, ""},
        {"binary to packed", "CVD POS 1 LEN 2 TO POS 3 LEN 2", b("\x00\x0C", 2) + "........", b("\x00\x0C\x01\x2C", 4) + "......", 0, ""},
        {"binary widened", "CVBB POS 1 LEN 2 TO POS 3 LEN 4", b("\xFF\xFE", 2) + "........", b("\xFF\xFE\xFF\xFF\xFF\xFE", 6) + "....", 0, ""},
        {"number to binary", "CVBB 1000 TO POS 1 LEN 2", "..........", b("\x03\xE8", 2) + "........", 0, sum2("cvbb")},
        {"number to text", "CVBC 42 TO POS 1 LEN 3", "..........", "042.......", 0, sum2("cvbc")},
        {"number to packed", "CVBP 123 TO POS 1 LEN 2", "..........", b("\x12\x3C", 2) + "........", 0, sum2("cvbp")},
        {"packed to packed", "CVPP POS 1 LEN 2 TO POS 3 LEN 3", kP, b("\x12\x3D\x00\x12\x3D", 5) + ".....", 0, ""},
        {"text re-edited by mask", "CVCC POS 1 LEN 3 TO POS 4 FMT '--9.9'", "-12.......", "-12-12.0..", 0, ""},
        // Without a mask the target's content is the pattern: no sign place.
        {"text re-edited by content", "CVCC POS 1 LEN 3 TO POS 4 LEN 4", "-129999...", "-120012...", 0, ""},
        // 123 does not fit 2 digits; the mask past the end fails the target.
        {"overflow", "CVPC POS 1 LEN 2 TO POS 3 LEN 2", kP, b("\x12\x3D", 2) + "**......", 8, sum2("cvpc (***01 RETCD=8***)")},
        {"mask past the record", "CVPC POS 1 LEN 2 TO POS 5 FMT '---9.99'", kP, kP, 8, ""},
    };
    tvt::actrows("cv-e2e", rows);
}

TEST(tvlsa_cv, StatementErrors) {
    const std::string e1 = "*** ERROR 001 ***  Statement, keyword or file form not supported here";
    const std::vector<Row> rows = {
        {"no TO", "CVPC POS 1 LEN 2 POS 3 LEN 4", kP, "", 52, "*** ERROR 051 ***  TO or INTO missing in this statement"},
        {"target without length", "CVPC POS 1 LEN 2 TO POS 3", kP, "", 52,
         "*** ERROR 059 ***  Operand cannot receive the result (literal or wrong length)"},
        {"source without length", "CVPC POS 1 TO POS 3 LEN 4", kP, "", 52,
         "*** ERROR 069 ***  Length missing: give a length or a second position"},
        {"type 1", "CVAC POS 1 LEN 2 TO POS 3 LEN 2", kP, "", 52, e1},
        {"pair without routine", "CVPF POS 1 LEN 2 TO POS 3 LEN 4", kP, "", 52, e1},
    };
    tvt::actrows("cv-err", rows);
}

// A 300-byte source that its target overlaps is read as it stood.
TEST(tvlsa_cv, LongOverlap) {
    const std::string in = std::string(300, 'A') + std::string(400, '.');
    std::string out = "A";
    for (int i = 0; i < 300; ++i) out += "41";
    out += std::string(99, '.');
    tvt::actrows("cv-long", {{"long overlap", "CVCH POS 1 LEN 300 TO POS 2 LEN 600", in, out, 0, ""}},
                 "READ in.dat RECFM F LRECL 700", "WRITE out.dat RECFM F LRECL 700");
}

// An EBCDIC record: text "HELLO", zoned F1 F2 C3 (+123), packed X'045C'
// (+45), binary X'0010' (16), eight EBCDIC blanks.  45 + 16 = 61 =
// X'003D'; +123 packed in 3 bytes X'00123C'; the text in ASCII; 61 as
// text "061"; the zoned +123 + 1 written back as ASCII digits "124".
TEST(tvlsa_cv, EbcdicRecordThroughConversionsAndArithmetic) {
    using namespace std::string_literals;
    const std::string in = "\xC8\xC5\xD3\xD3\xD6\xF1\xF2\xC3\x04\x5C\x00\x10"s + std::string(8, '\x40');
    const std::string out = "HELLO124\x04\x5C\x00\x3D\x00\x12\x3C" "061\x40\x40"s;
    tvt::actrows("cv-ebcdic",
                 {{"ebcdic record",
                   "ADD POS 9 LEN 2 TYPE P TO POS 11 LEN 2 TYPE B\nCVZP POS 6 LEN 3 TO POS 13 LEN 3\n"
                   "TRAN ASCII POS 1 LEN 5\nCVBC POS 11 LEN 2 TO POS 16 LEN 3\nADD 1 TO POS 6 LEN 3 TYPE Z",
                   in, out, 0, ""}},
                 "READ in.dat RECFM F LRECL 20", "WRITE out.dat RECFM F LRECL 20");
}
