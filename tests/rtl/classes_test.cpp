#include "rtl/classes.h"

#include <gtest/gtest.h>

TEST(SplitLines, FollowsTheLineRules) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines(std::string("a\nb\0c\nd", 7)), (std::vector<std::string>{"a", "b"}));
}
