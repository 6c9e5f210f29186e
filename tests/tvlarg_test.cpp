// The help words of the command line: alone they print the usage and end
// 0 without reading statements or writing a listing; anywhere else they
// are positional values.
#include <gtest/gtest.h>

#include "tests/testutil.h"

#include <string>
#include <vector>

TEST(tvlarg, HelpWordAloneIsTheUsage) {
    struct Row {
        std::vector<std::string> args;
        bool help;
    };
    const Row rows[] = {
        {{"-h"}, true},
        {{"--help"}, true},
        {{"-?"}, true},
        {{"-h", "x"}, false},        // %1 and %2, statements from standard input
        {{"! EQU %1 -h ! END"}, false},
    };
    for (const Row& r : rows) {
        std::string d = tvt::tempdir("help");
        tvt::Run run = tvt::run(r.args, d);
        SCOPED_TRACE(r.args[0]);
        bool usage = run.out.rfind("usage: torvale ", 0) == 0;
        EXPECT_EQ(r.help, usage) << run.out;
        if (r.help) {
            EXPECT_EQ(0, run.status);
            EXPECT_NE(std::string::npos, run.out.find("Return codes:"));
            EXPECT_EQ("", run.err);
            EXPECT_FALSE(tvt::exists(d + "/TORV.LST"));
        } else {
            EXPECT_NE(0, run.status);
            EXPECT_TRUE(tvt::exists(d + "/TORV.LST"));
        }
        tvt::rmtree(d);
    }
}
