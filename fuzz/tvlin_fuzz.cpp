// Fuzz target of statement input and the tokenizer: every input is written
// as a control-statement file and read by a whole run (-ctl), so that it
// passes through the physical-line reader, the saved lines, continuation,
// the separator and prefix handling and INCLUDE into the tokenizer,
// statement analysis, the listing and the messages; the run is stopped
// before preparation (fuzz/stopafter.h).  Whatever the bytes, the run must
// end with tokens or an error: never a crash, a hang, an internal logic
// error or a sanitizer report.
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

namespace {

std::string dir;

void setup() {
    static char tmpl[] = "/tmp/tvlin_fuzz.XXXXXX";
    fuzz_setup(tmpl);
    dir = tmpl;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (dir.empty()) setup();
    FILE* f = std::fopen("in.ctl", "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    char a0[] = "torvale", a1[] = "-notrap", a2[] = "-ctl", a3[] = "in.ctl";
    char a4[] = "-lst", a5[] = "/dev/null", a6[] = "-log", a7[] = "/dev/null";
    char* argv[] = {a0, a1, a2, a3, a4, a5, a6, a7, nullptr};
    tvlgg(8, argv);
    return 0;
}
