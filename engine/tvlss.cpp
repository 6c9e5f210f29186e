// Selection loop (empty until the selection loop lands).
#include "engine/engine.h"

unsigned char* cirp = nullptr;
unsigned char* cirm1 = nullptr;

int tvlss(CMV*) { return 0; }
