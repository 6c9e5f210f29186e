// Control, print and log actions (a stand-in until they land): every
// action ends the run with logic error 27009.
#include "engine/engine.h"
#include "report/report.h"

int tvlsp(CMV*) { errlogic(27009); }
