// The program builds, starts and ends.
#include <gtest/gtest.h>
#include "tests/testutil.h"

TEST(torvale, StartsAndEnds) {
    std::string d = tvt::tempdir("skeleton");
    tvt::Run r = tvt::run({}, d);
    EXPECT_NE(-1, r.status);
    tvt::rmtree(d);
}
