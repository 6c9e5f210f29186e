// End-of-job summary (empty until the summary lands).
#include "report/report.h"

int tvlff(CMV*) { return 0; }
