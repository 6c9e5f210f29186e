// Messages (provisional): seterr keeps the first error of a statement,
// tvlerr writes its number to the log and counts it, errlogic ends the
// run on an internal inconsistency.  The listing-based messages replace
// this module.
#include "report/report.h"
#include "driver/driver.h"

#include <cstdio>
#include <cstdlib>

void seterr(int number) {
    if (cm && cm->errnum == 0) cm->errnum = static_cast<std::int16_t>(number);
}

void tvlerr(CMV* c) {
    if (c->errnum == 0) return;
    std::fprintf(c->logfp ? c->logfp : stderr, "*** ERROR %03d ***\n", c->errnum);
    c->errcnt++;
    c->errnum = 0;
}

void errlogic(int number) {
    std::fprintf(cm && cm->logfp ? cm->logfp : stderr,
                 "** Logic Error =%05d  Run terminated.\n", number);
    // An exit status that is 0 modulo 256 would read as success to a shell.
    std::exit(number % 256 == 0 ? 255 : number);
}
