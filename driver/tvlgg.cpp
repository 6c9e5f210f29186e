// The run: command line, run context, phases and return code.
// (Placeholder until the driver lands.)
#include "driver/driver.h"

CMV*          cm = nullptr;
TK*           tkc = nullptr;
std::uint32_t cmsw2 = 0, cmsw3 = 0, cmsw4 = 0;
int           startsw = 0;
int           savsiz = 4096;
volatile int  cmsigtot = 0, cmsig_id = 0;

int tvlgg(int, char**) { return 52; }
