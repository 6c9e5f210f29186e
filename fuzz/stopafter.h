// Shared by the fuzz targets: a run is stopped after statement analysis,
// before preparation, as a CANCEL statement would stop it, so that no
// data file named by the fuzzer's text is opened or written and no
// selection loop runs (a loop of GOTO statements would never end).
#pragma once
#include "driver/driver.h"

inline bool fuzz_sawcheck = false;  // the run reached the final checks after analysis

// tvlgg_hook: at the final checks the error count becomes 999.
inline void fuzz_stopafter(CMV* c, int step) {
    if (step != 'C') return;
    fuzz_sawcheck = true;
    c->errcnt = 999;
}
