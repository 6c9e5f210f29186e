// Wildcard matching of names against masks.
#include <gtest/gtest.h>
#include "files/files.h"

namespace {

// want: 0 match; -1 mismatch after a "?"; else name byte minus mask byte.
struct Row { const char* mask; const char* name; int want; };
constexpr int kNo = 1000;  // no match, the value left to where the last "*" gave up

TEST(cblmtch, MatchesMasks) {
    const Row rows[] = {
        {"abc", "abc", 0},
        {"abc", "abd", 1},        // 'd' (0x64) - 'c' (0x63)
        {"ABC", "abc", 32},       // case counts: 'a' (0x61) - 'A' (0x41)
        {"*", "", 0},
        {"*", "a.b.c", 0},        // "*" takes points too
        {"*.*", "abc", 0},        // a name without a point
        {"*.*", "a.b", 0},
        {"*.", "abc", 0},         // "*." only names without a point
        {"*.", "a.b", 1},
        {"a*c", "abbbc", 0},
        {"a*b*c", "aXbYbZc", 0},  // only the last "*" backtracks, and that suffices
        {"a*c", "abcx", kNo},
        {"*x", "abc", kNo},
        {"a?c", "abc", 0},
        {"a?c", "a.c", -1},       // "?" never takes a point
        {"a?c", "ac", -1},
        {"AB??", "AB", 0},        // "?" at the end of the name takes nothing
        {"ABC.", "ABC", 0},       // a final point, or point and "*", after the name
        {"ABC.*", "ABC", 0},
        {"ABC.*", "ABC.D", 0},
        {"ABC.D", "ABC", -'.'},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.mask) + " ~ " + r.name);
        int got = cblmtch(r.name, r.mask);
        if (r.want == kNo) EXPECT_NE(0, got);
        else EXPECT_EQ(r.want, got);
    }
}

}  // namespace
