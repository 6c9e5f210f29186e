// Whole runs of GEN and CVDATE on 10-byte fixed records.
// GEN numbers come from a separate transcription of the generator's steps
// (h = state >> 16, l = signed low 16 bits; h = 2309h AND 7FFF and
// l = (2309l >> 11) AND FFFF while h < 8192; state = h * 65536 + l; draw
// when state mod (limit OR 7) < limit; h 0 becomes 1; after 1,000 rounds
// state mod limit).  Seeds: 'ABCD' C1C2C3C4, 'Z9' E9F94040, 'SEED'
// E2C5C5C4, 'Q' D8404040, 'U' E4404040.  A-Z draws for 'ABCD' are
// F Q Y Y U T H L A J; 1..1000 gives 631, 967.  X'50000000' stays at
// 50000000, which mod 7 is 3 for ever: the fallback 50000000 mod 3 = 2.
// Dates: 2026-12-04 is day 338 and day number 46359 (1 = 1900-01-01), a
// Friday; 20261204 = X'01352954', 2026338 = X'001EEB62'.
#include "testutil.h"

#include <ctime>

namespace {

using namespace std::string_literals;
using Row = tvt::ActRow;
const std::string kX(20, 'x');
const std::string kD = "20261204XX";
const std::string kRc8 = std::string(25, ' ') + "(***01 RETCD=8***)";
std::string err(const char* n, const char* text) { return std::string("*** ERROR ") + n + " ***  " + text; }
const std::string k7 = err("007", "Not a valid operand here: number or record position expected");
const std::string k79 = err("079", "Invalid TYPE or STYLE value, or print form outside PRINT");
const std::string k59 = err("059", "Operand cannot receive the result (literal or wrong length)");

}  // namespace

TEST(tvlsa_gen, Gen) {
    const std::vector<Row> rows = {
        {"A-Z, sequence goes on", "GEN POS 1 LEN 5 TYPE C BASE 'ABCD'", kX, "FQYYUxxxxxTHLAJxxxxx", 0, ""},
        {"two statements", "GEN POS 1 LEN 5 TYPE C BASE 'ABCD'\nGEN POS 6 LEN 5 TYPE C BASE 'ABCD'", kX,
         "FQYYUFQYYUTHLAJTHLAJ", 0, "    2----3        2 gen     gen"},
        {"packed", "GEN POS 1 LEN 3 RANGE 1,1000 BASE 'ABCD'", kX, "\x00\x63\x1cxxxxxxx\x00\x96\x7cxxxxxxx"s, 0, ""},
        {"binary", "GEN POS 1 LEN 4 TYPE B RANGE 0,99999 BASE 'Z9'", kX,  // 36405, 57080
         "\x00\x00\x8e\x35xxxxxx\x00\x00\xde\xf8xxxxxx"s, 0, ""},
        {"zoned", "GEN 3 AT 2 TYPE Z RANGE 100,999 BASE X'1234'", kX, "x758xxxxxxx159xxxxxx", 0, ""},
        {"unsigned packed", "GEN POS 1 LEN 2 TYPE U RANGE 1,9999 BASE 'U'", kX, "\x46\x46xxxxxxxx\x37\x81xxxxxxxx", 0, ""},
        {"own set", "GEN POS 1 LEN 3 TYPE C RANGE 'AEIOU' BASE 'SEED'", kX.substr(10), "AEOxxxxxxx", 0, ""},
        {"digits of the set", "GEN POS 1 LEN 3 TYPE C RANGE 27,36 BASE 'Q'", kX.substr(10), "979xxxxxxx", 0, ""},
        // h 0 becomes 1: state 1511587841 mod 31 = 3, "D".
        {"seed 1", "GEN POS 1 LEN 10 TYPE C BASE X'00000001'", kX.substr(10), "DFUTSHSYAE", 0, tvt::sum2("gen")},
        {"short cycle", "GEN POS 1 LEN 2 TYPE Z RANGE 1,3 BASE X'50000000'", kX, "03xxxxxxxx03xxxxxxxx", 0, ""},
        {"store fails", "GEN POS 1 LEN 1 RANGE 1,1000 BASE 'ABCD'", kX.substr(10), kX.substr(10), 8, tvt::sum2("gen  (***01 RETCD=8***)")},
        {"no range", "GEN POS 1 LEN 3", kD, "", 52, err("094", "Target type not allowed for this operation")},
        {"float", "GEN POS 1 LEN 4 TYPE F RANGE 1,9", kD, "", 52, k79},
        {"literal range, number", "GEN POS 1 LEN 3 RANGE 'ABC'", kD, "", 52, k7},
        {"empty set", "GEN POS 1 LEN 3 TYPE C RANGE ''", kD, "", 52, k7},
        {"past the set", "GEN POS 1 LEN 3 TYPE C RANGE 40,60", kD, "", 52, k7},
        {"long seed", "GEN POS 1 LEN 3 TYPE C BASE 'ABCDE'", kD, "", 52, k7},
    };
    tvt::actrows("gen-e2e", rows);
}

TEST(tvlsa_gen, Cvdate) {
    char today[11];
    std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y/%m/%d", std::localtime(&now));
    const std::vector<Row> rows = {
        {"I to A", "CVDATE TO POS 1 LEN 8 STYLE A FROM POS 1 LEN 8", kD, "12042026XX", 0, tvt::sum2("cvdate")},
        {"I to B", "CVDATE TO POS 1 LEN 8 STYLE B FROM POS 1 LEN 8", kD, "04122026XX", 0, ""},
        {"I to J", "CVDATE TO POS 1 LEN 7 STYLE J FROM POS 1 LEN 8", kD, "20263384XX", 0, ""},
        {"I to D, zero-padded", "CVDATE TO POS 1 LEN 6 STYLE D FROM POS 1 LEN 8", kD, "04635904XX", 0, ""},
        // Day 46359: (46359 - 1) x 21093750 = X'E3AD3D7624' in 5 bytes, 3 zero bytes.
        {"I to T", "CVDATE TO POS 1 LEN 8 STYLE T FROM POS 1 LEN 8", kD, "\xe3\xad\x3d\x76\x24\0\0\0XX"s, 0, ""},
        // The time of day (under a day) added to 2026-12-04 00:00 keeps the date.
        {"now into T", "CVDATE TO POS 1 LEN 8 STYLE T FROM NOW\nCVDATE TO POS 1 LEN 8 FROM POS 1 LEN 8 STYLE T",
         "\xe3\xad\x3d\x76\x24\0\0\0XX"s, kD, 0, ""},
        {"T to I", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 8 STYLE T", "\xe3\xad\x3d\x76\x24\0\0\0XX"s, kD, 0, ""},
        {"A to I", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 8 STYLE A", "12042026XX", kD, 0, ""},
        // DEC becomes 12; ddmmyy 251226: 26 below 50 is 2026.
        {"B, month name", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 9 STYLE B", "25 DEC 26X", "202612256X", 0, ""},
        {"J to I", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 7 STYLE J", "2026338XXX", kD, 0, ""},
        {"D to I", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 5 STYLE D", "46359XXXXX", kD, 0, ""},
        {"window 26", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 6", "261204XXXX", kD, 0, ""},
        {"window 50", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 6", "501204XXXX", "19501204XX", 0, ""},
        {"window 49", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 6", "491231XXXX", "20491231XX", 0, ""},
        {"packed", "CVDATE TO POS 1 LEN 5 TYPE P FROM POS 1 LEN 8 TYPE C", kD, "\x02\x02\x61\x20\x4c" "204XX", 0, ""},
        {"binary", "CVDATE TO POS 1 LEN 4 TYPE B FROM POS 1 LEN 8 TYPE C", kD, "\x01\x35\x29\x54" "1204XX", 0, ""},
        {"unsigned packed", "CVDATE TO POS 1 LEN 4 TYPE U FROM POS 1 LEN 8 TYPE C", kD, "\x20\x26\x12\x04" "1204XX", 0, ""},
        {"from packed", "CVDATE TO POS 1 LEN 8 TYPE C FROM POS 1 LEN 5 TYPE P", "\x02\x02\x61\x20\x4cXXXXX", kD, 0, ""},
        {"number", "CVDATE TO POS 1 LEN 4 TYPE B STYLE J 20261204", kD, "\x00\x1e\xeb\x62" "1204XX"s, 0, ""},
        {"month 13", "CVDATE TO POS 1 LEN 8 STYLE A FROM POS 1 LEN 8", "20261304XX", "20261304XX", 8, kRc8},
        {"not a leap year", "CVDATE TO POS 1 LEN 8 STYLE A FROM POS 1 LEN 8", "20260229XX", "20260229XX", 8, ""},
        {"mask", "CVDATE TO POS 1 LEN 10 FMT 'dd.mm.yyyy' FROM POS 1 LEN 8", kD, "04.12.2026", 0, ""},
        {"short mask", "CVDATE TO POS 1 FMT 'Ddd dd' FROM POS 1 LEN 8", kD, "Fri 04  XX", 0, ""},
        {"long mask", "CVDATE TO POS 1 FMT 'dd.mm.yyyy' FROM POS 1 LEN 8", kD, kD, 8, kRc8},
        {"block", "CVDATE TO DATE FROM POS 1 LEN 8\nMOVE DATE TO POS 1 LEN 10", kD, "2026/12/04", 0, ""},
        {"refresh", "CVDATE TO DATE FROM NOW\nMOVE DATE TO POS 1 LEN 10", kD, today, 0, ""},
        {"no TO", "CVDATE POS 1 LEN 8 FROM NOW", kD, "", 52, err("051", "TO or INTO missing in this statement")},
        {"target N", "CVDATE TO POS 1 LEN 8 STYLE N FROM POS 1 LEN 8", kD, "", 52, k79},
        {"source F", "CVDATE TO POS 1 LEN 8 FROM POS 1 LEN 8 STYLE F", kD, "", 52, k79},
        {"zoned", "CVDATE TO POS 1 LEN 8 TYPE Z FROM POS 1 LEN 8", kD, "", 52, k79},
        {"fixed long mask", "CVDATE TO POS 1 LEN 5 FMT 'dd.mm.yyyy' FROM POS 1 LEN 8", kD, "", 52, k59},
        {"short block", "CVDATE TO DATE LEN 50 FROM NOW", kD, "", 52, k59},
    };
    tvt::actrows("cvdate-e2e", rows);
}
