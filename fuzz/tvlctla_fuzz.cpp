// Fuzz target of statement analysis: every input becomes a statement file
// that a whole run reads and analyses (statement kinds, EQU substitution,
// labels, operands, conditions and file statements), and the run is then
// stopped before preparation (fuzz/stopafter.h).  Whatever the text, the run
// must end in nodes or errors with a non-zero return code: never a crash, a hang, an internal logic error or a sanitizer report.
//
// Input forms, chosen by the first byte:
//   even  the rest is the statement text as it stands;
//   odd   each further byte picks a word of the statement language from
//         kWords (byte modulo the table's size), so that short inputs
//         reach far into the operand and condition parsers.
// The file "inc.ctl", which the words may INCLUDE, holds statements of
// its own.
//
// Built with clang and -fsanitize=fuzzer,address,undefined by
// fuzz/CMakeLists.txt; ./run-tests runs it for a bounded number of
// inputs, fuzz/run for longer.
#include "driver/driver.h"
#include "fuzz/stopafter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Words and signs of the statement language; a word carries the blank
// that follows it, a sign none, so that both glued and separate forms
// come out.
constexpr std::string_view kWords[] = {
    "\n", "\n", "\n", " ", "!", ",", "=", "(", ")", "+", "-", "'", "\"", "\\\n", "*", "*> note", "*< rest",
    "READ ", "RD ", "IN ", "GET ", "WRITE ", "WR ", "OUT ", "PUT ", "REPL ", "UPDATE ", "INSERT ",
    "DELETE ", "FLUSH ", "OPEN ", "CLOSE ", "TOUCH ", "CAT ", "FILE ", "F ", "INTO ", "FROM ", "FR ",
    "IF ", "I ", "THEN ", "T ", "ELSE ", "L ", "AND ", "A ", "OR ", "O ", "NOW ", "N ", "THENIF ",
    "ELSEIF ", "EQ ", "NE ", "GT ", "LT ", "GE ", "LE ", "NOT ", "ANY ", "NUM ", "ALPHA ", "ONES ",
    "ZEROS ", "MIXED ", "EOF ", "DIR ", "DATA ", "NULL ", "STEP ", "REVERSE ", "CASEI ", "MATCHLEN ",
    "PTR ", "FILL ", "REGEXP ",
    "P ", "POS ", "LEN ", "LENGTH ", "LRECL ", "RECSIZE ", "AT ", "TYPE ", "TY ", "C ", "B ", "Z ",
    "D ", "DX ", "H ", "M ", "S ", "STYLE ", "SCALE ", "FMT ", "'ZZ9.99' ", "'XXXX' ", "EBC ", "ASC ",
    "PRINT ", "PR ", "PLOG ", "LOG ", "REPLY ", "CLEAR ", "SPACE ", "LINE ", "EOJ ", "STOP ",
    "STOPAFT ", "TIMES ", "GOTO ", "GO ", "TO ", "GOSUB ", "DO ", "RETURN ", "GG ", "START ", "SUSP ",
    "CALL ", "STACK ", "FLAG ", "EOM ", "TRACE ", "ON ", "OFF ", "MOVE ", "ADD ", "TRAN ", "CVPC ",
    "PACK ", "CHANGE ", "EQU ", "INCLUDE inc.ctl ", "INCLUDE ", "CANCEL ", "NOP ", "NOPCTL ",
    "PRTCTL ", "NOPSUM ", "OPTION ", "DCL ",
    "RECFM ", "FB ", "VB ", "U ", "V ", "BLKSIZE ", "EOL ", "CR ", "LF ", "NONE ", "APPEND ", "RESET ",
    "NORDW ", "TEXT ", "ERR ", "in.txt ", "out.txt ", "inc.ctl ",
    "LOOP ", "LOOP: ", "SUB: ARG1 ARG2 ", "ARG1 ", "LIM ", "%1 ", "%2 ", "%HOME% ", "%NOSUCH% ",
    "@P ", "@Q ", "@ ", "RC ", "RETCD ", "DATE ", "PgNo ", "HEAD ", "UXLINE ", "SCALE ", "FHDR ", "DSN ",
    "0 ", "1 ", "5 ", "10 ", "80 ", "256 ", "-1 ", "0x10 ", "0X7FFFFFFF ", "9223372036854775807 ",
    "99999999999999999999 ", "1.5 ", "-5.50 ", "1.2.3 ", "'A' ", "'AB' ", "'' ", "\"q\" ", "X'C1' ",
    "X'1' ", "x'00ff' ", "'it''s' ",
};
constexpr std::size_t kNWords = sizeof kWords / sizeof kWords[0];

std::string dir;

void put(const char* name, const std::string& text) {
    FILE* f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
}

void setup() {
    static char tmpl[] = "/tmp/tvlctla_fuzz.XXXXXX";
    fuzz_setup(tmpl);
    dir = tmpl;
    put("in.txt", "A1\nB2\n");
    put("inc.ctl", "EQU LIM 3\nIF P LIM EQ 'X'\nTHEN PRINT P 1 LEN 2\nELSE WRITE out.txt FROM P 2,LIM\n");
}

std::string text(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    if ((data[0] & 1) == 0) return std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string s;
    for (std::size_t i = 1; i < size; ++i) s += kWords[data[i] % kNWords];
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (dir.empty()) setup();
    put("in.ctl", text(data, size));
    char a0[] = "torvale", a1[] = "-notrap", a2[] = "-ctl", a3[] = "in.ctl";
    char a4[] = "-lst", a5[] = "t.lst", a6[] = "-log", a7[] = "/dev/null";
    char* argv[] = {a0, a1, a2, a3, a4, a5, a6, a7, nullptr};
    fuzz_sawcheck = false;
    int rc = tvlgg(8, argv);
    // A run that got through analysis ends with a non-zero return code;
    // one that did not reach the final checks was stopped inside.
    if (!fuzz_sawcheck || rc == 0) std::abort();
    return 0;
}
