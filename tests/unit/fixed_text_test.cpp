// Composition of texts in caller memory.
#include "common/fixed_text.h"

#include <gtest/gtest.h>

namespace {

TEST(FixedTextTest, PartsFillMemoryExactlyOrLeaveItEmpty) {
    char memory[6] = "xxxxx";
    EXPECT_TRUE(velmora::ComposeInto(memory, 6, {"ab", ",", "cd"}));
    EXPECT_STREQ(memory, "ab,cd");
    EXPECT_FALSE(velmora::ComposeInto(memory, 5, {"ab", ",", "cd"}));
    EXPECT_STREQ(memory, "");
    EXPECT_FALSE(velmora::ComposeInto(memory, 0, {""}));
}

}  // namespace
