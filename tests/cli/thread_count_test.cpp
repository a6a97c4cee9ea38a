#include "cli/thread_count.h"

#include <gtest/gtest.h>

namespace roofplanes {
namespace {

TEST(ThreadCount, TakesOnlyAWholeNumberFromOneTo1024) {
  EXPECT_EQ(parse_thread_count("1"), 1u);
  EXPECT_EQ(parse_thread_count("2"), 2u);
  EXPECT_EQ(parse_thread_count("0016"), 16u);
  EXPECT_EQ(parse_thread_count("1024"), 1024u);
  for (const char* bad : {"", "0", "1025", "99999", "-1", "+2", " 2", "2 ", "2.0", "two", "0x2"})
    EXPECT_EQ(parse_thread_count(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace roofplanes
