// Shared by the fuzz targets: each works in a temporary directory of its
// own, with standard input from /dev/null, and stops every run after
// statement analysis, before preparation, as a CANCEL statement would stop
// it, so that no data file named by the fuzzer's text is opened or written
// and no selection loop runs (a loop of GOTO statements would never end).
#pragma once
#include "driver/driver.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

inline bool fuzz_sawcheck = false;  // the run reached the final checks after analysis

// tvlgg_hook: at the final checks the error count becomes 999.
inline void fuzz_stopafter(CMV* c, int step) {
    if (step != 'C') return;
    fuzz_sawcheck = true;
    c->errcnt = 999;
}

// Make the directory of the template tmpl ("/tmp/name.XXXXXX") and work
// in it; statements never come from the fuzzer's own standard input.
inline void fuzz_setup(char* tmpl) {
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0) std::abort();
    int fd = open("/dev/null", O_RDONLY);
    if (fd < 0 || dup2(fd, 0) < 0) std::abort();
    close(fd);
    tvlgg_hook = fuzz_stopafter;
}
