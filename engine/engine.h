// Execution engine: the selection loop and the actions it runs.
#pragma once
#include <cstdint>

struct CMV;

// Action result codes returned to the selection loop.  ORDER ACT_RC
constexpr int ACT_GO     = 0;   // go on
constexpr int ACT_ERROR  = 1;   // end the run in error
constexpr int ACT_BRANCH = 4;   // go to the branch target
constexpr int ACT_END    = 8;   // end the run normally
constexpr int ACT_ALT    = 16;  // go to the alternate successor
constexpr int ACT_EOF    = -1;  // end of file on the statement's file

int  tvlss(CMV* c);            // the selection loop
void setret(int rc);           // raise the run's return code, never lower it
