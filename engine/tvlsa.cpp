// Arithmetic actions: the assignment of a number, ADD, SUB, MULT and DIV.
//
// Exports: tvlsa (engine.h).
// Called by: tvlsp, for the arithmetic operation codes.
#include "engine/engine.h"
#include "driver/driver.h"
#include "frontend/frontend.h"
#include "report/report.h"

// Not built yet: analysis refuses these statements, so none arrives here.
int tvlsa(CMV* c) {
    if (c->cncur) c->prt.selid = c->cncur->selid;
    errlogic(27009);
}
