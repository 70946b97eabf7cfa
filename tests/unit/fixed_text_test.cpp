// Composition in fixed buffers, checked against the C library's own formatting.
#include "install/fixed_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

namespace {

TEST(FixedTextTest, DecimalsAreWhatPercentDWrites) {
    for (const int value : {0, 7, -1, 1802, -2147024891, INT_MAX, INT_MIN}) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%d", value);
        EXPECT_STREQ(velmora::DecimalText(value).c_str(), expected);
    }
}

TEST(FixedTextTest, PartsFillMemoryExactlyOrLeaveItEmpty) {
    char memory[6] = "xxxxx";
    EXPECT_TRUE(velmora::ComposeInto(memory, 6, {"ab", ",", "cd"}));
    EXPECT_STREQ(memory, "ab,cd");
    EXPECT_FALSE(velmora::ComposeInto(memory, 5, {"ab", ",", "cd"}));
    EXPECT_STREQ(memory, "");
    EXPECT_FALSE(velmora::ComposeInto(memory, 0, {""}));
}

}  // namespace
