// Reporting: messages (tvlerr), the print listing (tvlprt) and the
// end-of-job summary (tvlff).
#pragma once
#include <cstdint>

struct CMV;

// Record the error of the current statement; the first one is kept.
void seterr(int number);
// Print the recorded error under its statement.
void tvlerr(CMV* c);
// Internal inconsistency: print the logic-error line and end the process.
[[noreturn]] void errlogic(int number);

int tvlff(CMV* c);             // the end-of-job summary
