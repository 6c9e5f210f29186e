// Kept until every test includes tests/testutil.h, where the run
// contexts now live.
#pragma once
#include "tests/testutil.h"
