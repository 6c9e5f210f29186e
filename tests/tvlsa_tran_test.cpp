// Whole runs of TRAN and CHOP/PARSE: one fixed record changed by one
// statement and written out.  Expected bytes are worked by hand:
//   - TRAN by a table: b becomes table[b] over the shorter length, every
//     byte from the source as it stood (overlaps translate once).  ASCII to
//     EBCDIC read off the 16 x 16 table (row high digit, column low): the
//     five places apart from code page 037 1C->22, 1E->35, 5B->AD, 5D->BD,
//     5E->5F; upper half 80->9F, A0->EA, 90->45, FF->FF; a-j 81-89, A C1.
//   - two strings: a byte found in the from-string becomes the byte at the
//     same place of the to-string (first place when it occurs twice).
//   - CHOP: a word per receiver, the fill after it, a cut word rc 8; the
//     last receiver takes the text up to the last non-blank; no word left:
//     filled (numeric 0); packed +12 in 2 bytes 01 2C, -345 in 3 00 34 5D.
#include "testutil.h"  // gtest, string, vector

namespace {

using Row = tvt::ActRow;
using tvt::sum2;

const std::string kAsc = "\x1C\x1E\x5B\x5D\x5E\x41\x80\xA0\xFF\x90";
const std::string kEbc = "\x22\x35\xAD\xBD\x5F\xC1\x9F\xEA\xFF\x45";
const std::string kLow = "abcdefghij";

std::string err(const char* n, const char* text) { return std::string("*** ERROR ") + n + " ***  " + text; }

}  // namespace

TEST(tvlsa_tran, Tables) {
    const std::vector<Row> rows = {
        {"upper word", "TRAN P 1 LEN 10 UPPER", "abcXYZ12.q", "ABCXYZ12.Q", 0, sum2("tran")},
        {"upper as operation", "UPPER P 1 LEN 10", "abcXYZ12.q", "ABCXYZ12.Q", 0, ""}, {"lower word", "TRAN P 1 LEN 10 LOWER", "abcXYZ12.Q", "abcxyz12.q", 0, ""},
        {"lower as operation", "LOWER P 1 LEN 10", "abcXYZ12.Q", "abcxyz12.q", 0, ""},
        // X'00' and X'7F' are not printable, X'A3' is.
        {"print", "TRAN P 1 LEN 4 PRINT", std::string("\0\xA3\x7F" "Aabcdef", 10), ".\xA3.Aabcdef", 0, ""},
        {"ebcdic", "TRAN P 1 LEN 10 EBCDIC", kAsc, kEbc, 0, ""}, {"cvae word", "TRAN P 1 LEN 10 CVAE", kAsc, kEbc, 0, ""},
        {"cve as operation", "CVE P 1 LEN 10", kAsc, kEbc, 0, ""}, {"cvae as operation", "CVAE P 1 LEN 10", kAsc, kEbc, 0, ""},
        {"ascii", "TRAN P 1 LEN 10 ASCII", kEbc, kAsc, 0, ""}, {"cvea word", "TRAN P 1 LEN 10 CVEA", kEbc, kAsc, 0, ""},
        {"cva as operation", "CVA P 1 LEN 10", kEbc, kAsc, 0, ""}, {"cvea as operation", "CVEA P 1 LEN 10", kEbc, kAsc, 0, ""},
        {"to target", "TRAN P 1 LEN 3 TO P 6 LEN 3 UPPER", kLow, "abcdeABCij", 0, ""},
        // Over the shorter length: the target's last two bytes stay.
        {"longer target", "TRAN P 1 LEN 2 INTO P 5 LEN 4 UPPER", kLow, "abcdABghij", 0, ""},
        // Target left of its source: c-g -> 83-87 once each.
        {"left overlap", "TRAN P 3 LEN 5 TO P 1 LEN 5 EBCDIC", kLow, "\x83\x84\x85\x86\x87" "fghij", 0, ""},
        // Target right of its source: a-e -> 81-85 once each.
        {"right overlap", "TRAN P 1 LEN 5 TO P 3 LEN 5 EBCDIC", kLow, "ab\x81\x82\x83\x84\x85hij", 0, ""},
        // 'a' stands twice in the from-string: its first place (x) counts.
        {"two strings", "TRAN P 1 LEN 10 'aba' 'xyz'", "abcabcabca", "xycxycxycx", 0, sum2("tran")},
        {"strings into target", "TRAN P 1 LEN 4 'ab' 'AB' INTO P 7 LEN 4", kLow, "abcdefABcd", 0, ""},
        {"strings, right overlap", "TRAN P 1 LEN 5 TO P 2 LEN 5 'a' 'A'", kLow, "aAbcdeghij", 0, ""},
        // Strings P 1 'ab', P 3 'xy' and source 'abxy' read before P 2 on is written: xyxy.
        {"strings in the target", "TRAN P 1 LEN 4 P 1 LEN 2 P 3 LEN 2 TO P 2 LEN 4", "abxyqqqqqq", "axyxyqqqqq", 0, ""},
        {"past the record", "TRAN P 8 LEN 5 UPPER", kLow, kLow, 8, sum2("tran (***01 RETCD=8***)")},
    };
    tvt::actrows("tran-e2e", rows);
}

// 266-byte records: a 256-byte user table (b XOR 20, every byte value
// once) and ten letters.  The table's bytes go through EBCDIC and back.
TEST(tvlsa_tran, UserTableAndRoundTrip) {
    std::string tab;
    for (int b = 0; b < 256; ++b) tab += static_cast<char>(b ^ 0x20);
    const std::vector<Row> rows = {
        {"user table", "TRAN P 257 LEN 10 TAB P 1 LEN 256", tab + "ABCDEFGHIJ", tab + kLow, 0, sum2("tran")},
        {"round trip", "TRAN P 1 LEN 256 EBCDIC\nTRAN P 1 LEN 256 ASCII", tab + kLow, tab + kLow, 0, ""},
    };
    tvt::actrows("tran-tab", rows, "READ in.dat RECFM F LRECL 266", "WRITE out.dat RECFM F LRECL 266");
}

// 20-byte records: the source in 1-10, receivers mostly in 11-20.
TEST(tvlsa_tran, Chop) {
    const std::string dots = "..........";
    const std::vector<Row> rows = {
        // ABCDE cut to ABC (rc 8), FG, and no word for the last: blanks.
        {"cut and missing", "CHOP P 1 LEN 10 INTO P 11 LEN 3 P 14 LEN 3 P 17 LEN 4", "ABCDE FG  " + dots,
         "ABCDE FG  ABCFG     ", 8, sum2("chop (***01 RETCD=8***)")},
        {"fill", "CHOP P 1 LEN 10 INTO P 11 LEN 3 P 14 LEN 7 FILL '*'", "AB CD     " + dots,
         "AB CD     AB*CD*****", 0, sum2("chop")},
        // The last receiver takes "B  C D", inner blanks kept.
        {"last takes the rest", "PARSE P 1 LEN 10 INTO P 11 LEN 2 P 13 LEN 8", "A B  C D  " + dots,
         "A B  C D  A B  C D  ", 0, ""},
        {"rest does not fit", "CHOP P 1 LEN 10 INTO P 11 LEN 2 P 13 LEN 3", "A B  C D  " + dots,
         "A B  C D  A B  .....", 8, ""},
        {"only blanks lost", "CHOP FROM P 1 LEN 10 P 11 LEN 2 P 13 LEN 3", "A BCD     " + dots,
         "A BCD     A BCD.....", 0, ""},
        {"packed and binary", "CHOP P 1 LEN 10 INTO P 11 LEN 2 TYPE P P 13 LEN 3 TYPE P P 16 LEN 4 TYPE B P 20 LEN 1 TYPE B",
         "12 -345 7 " + dots, std::string("12 -345 7 \x01\x2C\x00\x34\x5D\x00\x00\x00\x07\x00", 20), 0, ""},
        // 1.5 as a big-endian IEEE double: exponent 3FF, fraction .1: 3FF8 0...0; -2 in 2 bytes FFFE.
        {"float receiver", "CHOP P 1 LEN 10 INTO P 11 LEN 8 TYPE F P 19 LEN 2 TYPE B", "1.5 -2    " + dots,
         std::string("1.5 -2    \x3F\xF8\0\0\0\0\0\0\xFF\xFE", 20), 0, ""},
        {"bad number stops", "CHOP P 1 LEN 10 INTO P 11 LEN 2 TYPE P P 13 LEN 3", "AB CD     " + dots,
         "AB CD     " + dots, 8, ""},
        // Only the first record: STOPAFT is no receiver.
        {"stop-after", "CHOP P 1 LEN 10 INTO P 11 LEN 10 STOPAFT 1", "A B  C D  " + dots + "X" + dots.substr(1) + "Y" + dots.substr(1),
         "A B  C D  A B  C D  X" + dots.substr(1) + "Y" + dots.substr(1), 0, ""},
        // The first receiver overwrites " A"; the second still reads ABCDEFG.
        {"receivers over source", "CHOP P 1 LEN 10 INTO P 1 LEN 3 P 4 LEN 7", "X ABCDEFG " + dots,
         "X  ABCDEFG" + dots, 0, ""},
    };
    tvt::actrows("chop-e2e", rows, "READ in.dat RECFM F LRECL 20", "WRITE out.dat RECFM F LRECL 20");
}

TEST(tvlsa_tran, StatementErrors) {
    const char* k144 = "Translation table must be exactly 256 bytes";
    const char* k145 = "From and to strings need equal fixed lengths";
    const std::vector<Row> rows = {
        {"table of 255", "TRAN P 1 LEN 3 TAB P 4 LEN 255", kLow, "", 52, err("144", k144)},
        {"table literal", "TRAN P 1 LEN 3 TAB X'00'", kLow, "", 52, err("144", k144)},
        {"table at a pointer", "TRAN P 1 LEN 3 TAB @T", kLow, "", 52,
         err("218", "Pointer operand not allowed with a translation table")},
        {"unequal strings", "TRAN P 1 LEN 3 'AB' 'XYZ'", kLow, "", 52, err("145", k145)},
        {"one string", "TRAN P 1 LEN 3 'AB'", kLow, "", 52, err("145", k145)},
        {"no table, no strings", "TRAN P 1 LEN 3", kLow, "", 52, err("145", k145)},
        {"receiver of terms", "CHOP P 1 LEN 5 INTO P @X+@Y LEN 2", kLow, "", 52,
         err("216", "Only one declared variable or term allowed in this operand")},
        {"zoned receiver", "CHOP P 1 LEN 5 INTO P 6 LEN 3 TYPE Z", kLow, "", 52,
         err("079", "Invalid TYPE or STYLE value, or print form outside PRINT")},
    };
    tvt::actrows("tran-err", rows);
}
