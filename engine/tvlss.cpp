// Selection loop (empty until the selection loop lands).
#include "engine/engine.h"

int tvlss(CMV*) { return 0; }
