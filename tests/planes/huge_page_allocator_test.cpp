#include "planes/huge_page_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace roofplanes {
namespace {

// Counts grown from a few to millions and shrunk again, as the Hough counts
// are from building to building: a block from the threshold up starts on a
// 2 MB boundary, every count written is read back, and each block goes back
// the way it came (under the address sanitizer, an aligned block freed as a
// plain one, or the reverse, stops the test).
TEST(huge_page_allocator, LargeBlocksStartOnWholePagesAndComeBackTheWayTheyCame) {
  std::vector<std::uint32_t, HugePageAllocator<std::uint32_t>> counts;
  for (const std::size_t size : {std::size_t{100}, std::size_t{1} << 17, std::size_t{3'000'000}, std::size_t{1000},
                                 std::size_t{5'000'000}}) {
    SCOPED_TRACE(size);
    std::vector<std::uint32_t, HugePageAllocator<std::uint32_t>> fresh(size, 0u);
    if (size * sizeof(std::uint32_t) >= huge_page_threshold) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(fresh.data()) % huge_page_size, 0u);
    }
    for (std::size_t k = 0; k < size; ++k) fresh[k] = static_cast<std::uint32_t>(k * 7);
    counts = fresh;  // copied into whatever block counts holds or needs
    counts.shrink_to_fit();
    bool same = counts.size() == size;
    for (std::size_t k = 0; same && k < size; ++k) same = counts[k] == static_cast<std::uint32_t>(k * 7);
    EXPECT_TRUE(same);
  }
}

}  // namespace
}  // namespace roofplanes
