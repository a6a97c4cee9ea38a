#include "cli/huge_page_heap.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "support/generated_tile.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

// The second start is asked for only where the kernel waits to be asked, and
// never over what the user or a preloaded tool set: a profiler or checker
// preloaded into the program would not follow it into a second start, and a
// user's own tunables (even none, an empty value) stand.
TEST(huge_page_tunables, OnlyWhereTheKernelWaitsToBeAskedAndNothingIsSet) {
  const HeapEnvironment bare{nullptr, nullptr, "madvise"};
  const auto asked = huge_page_tunables(bare);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35))
  ASSERT_TRUE(asked.has_value());
  EXPECT_EQ(*asked, "glibc.malloc.hugetlb=1");
#else
  EXPECT_FALSE(asked.has_value());
#endif
  EXPECT_FALSE(huge_page_tunables({"", nullptr, "madvise"}));
  EXPECT_FALSE(huge_page_tunables({"glibc.malloc.check=3", nullptr, "madvise"}));
  EXPECT_FALSE(huge_page_tunables({nullptr, "/usr/lib/valgrind/vgpreload_core.so", "madvise"}));
  for (const char* mode : {"always", "never", ""}) EXPECT_FALSE(huge_page_tunables({nullptr, nullptr, mode})) << mode;
}

// A tile run started a second time for its heap's pages writes what a run
// started once writes, and the second start does not start again.
TEST(huge_page_heap, TileRunStartedTwiceWritesWhatOneStartedOnceWrites) {
  testing::ScratchDirectory scratch;
  const testing::TilePoints tile = testing::tile_points(testing::small_tile_options());
  ASSERT_TRUE(building_generator::write_las(tile.tile.records, building_generator::LasFileOptions{}, "town.las"));
  const testing::ProgramResult twice = testing::run_roofplanes("tile town.las -o twice", scratch.path(), "", 120);
  const testing::ProgramResult once =
      testing::run_roofplanes("tile town.las -o once", scratch.path(), "GLIBC_TUNABLES=", 120);
  ASSERT_EQ(twice.status, 0) << twice.err;
  ASSERT_EQ(once.status, 0) << once.err;
  const auto counts = [](const std::string& out) { return out.substr(0, out.find("wall time")); };
  EXPECT_EQ(counts(twice.out), counts(once.out));
  for (const char* file : {"points.ply", "tile.city.json", "tile.city.jsonl"})
    EXPECT_TRUE(testing::read_text(std::filesystem::path("twice") / file) ==
                testing::read_text(std::filesystem::path("once") / file))
        << file;
}

}  // namespace
}  // namespace roofplanes
