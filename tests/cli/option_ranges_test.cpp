// Every numeric option has a range: a value outside it (or no number at all)
// is a usage error, one line and exit status 2 with nothing written, before
// any input is read; the ends of each range run.

#include "cli/option_ranges.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;

const fs::path gable = fs::path(ROOFPLANES_SOURCE_DIR) / "tests/golden/small_gable/input";
const std::string extract_gable = "extract '" + (gable / "Building_69.txt").string() + "' --roof '" +
                                  (gable / "roof.txt").string() + "' ";
const std::string tile_sample = "tile '" ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las' ";

TEST(option_ranges, ValuesOutsideTheRangesAreUsageErrors) {
  testing::ScratchDirectory scratch;
  const struct {
    std::string arguments, names;
  } refused[] = {
      // Finer directions than 0.1 degrees take gigabytes (0.02: 3 GB for 2,000 points).
      {extract_gable + "-o out --angle-resolution 1e-300", "--angle-resolution"},
      {extract_gable + "-o out --angle-resolution 0.09", "--angle-resolution"},
      {extract_gable + "-o out --angle-resolution 91", "--angle-resolution"},
      {extract_gable + "-o out --angle-resolution nan", "--angle-resolution"},
      {extract_gable + "-o out --preset auto --distance-resolution 1e308", "--distance-resolution"},
      {extract_gable + "-o out --distance-resolution 0", "--distance-resolution"},
      {extract_gable + "-o out --distance-resolution inf", "--distance-resolution"},
      {extract_gable + "-o out --blunder-sigma 0", "--blunder-sigma"},
      {extract_gable + "-o out --shrink-factor -1", "--shrink-factor"},
      {extract_gable + "-o out --expansion-factor 1e9", "--expansion-factor"},
      {extract_gable + "-o out --simplify-tolerance nan", "--simplify-tolerance"},
      {extract_gable + "-o out --max-passes -1", "--max-passes"},
      {extract_gable + "-o out --min-points -1", "--min-points"},
      {extract_gable + "-o out --min-points 2.5", "--min-points"},
      {extract_gable + "-o out --min-points 4294967296", "--min-points"},
      {extract_gable + "-o ''", "--output"},
      {tile_sample + "-o out --min-building-points -1", "--min-building-points"},
      {tile_sample + "-o out --min-building-points 0", "--min-building-points"},
      {tile_sample + "-o out --building-gap 0", "--building-gap"},
      {tile_sample + "-o out --building-gap 1001", "--building-gap"},
      {tile_sample + "-o out --margin -0.5", "--margin"},
      {tile_sample + "-o out --max-passes -1", "--max-passes"},
      {tile_sample + "-o ''", "--output"},
  };
  for (const auto& run : refused) {
    SCOPED_TRACE(run.arguments);
    const testing::ProgramResult result = testing::run_roofplanes(run.arguments, scratch.path());
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(run.names), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(scratch.path() / "out"));
  }
  // The ends of the ranges run.
  for (const std::string& arguments :
       {extract_gable + "--angle-resolution 90 --distance-resolution 1000 --max-passes 0 --min-points 0",
        extract_gable + "--preset auto --distance-resolution 1000 --blunder-sigma 1000 --shrink-factor 1000",
        tile_sample + "-o out --building-gap 1000 --margin 0 --min-building-points 1"}) {
    SCOPED_TRACE(arguments);
    const testing::ProgramResult result = testing::run_roofplanes(arguments, scratch.path());
    EXPECT_EQ(result.status, (0)) << result.err;
  }
}

TEST(option_ranges, ValidatorsTakeTheirEndsAndRefuseNotANumber) {
  std::string text;
  const auto check = [&](const CLI::Validator& validator, std::string value) {
    text = value;
    return validator(text);
  };
  EXPECT_EQ(check(number_from_to(0.1, 90.0), "0.1"), "");
  EXPECT_EQ(check(number_from_to(0.1, 90.0), "90"), "");
  EXPECT_NE(check(number_from_to(0.1, 90.0), "nan"), "");
  EXPECT_NE(check(number_from_to(0.1, 90.0), "ten"), "");
  EXPECT_NE(check(number_above_zero_to(1.0), "0"), "");
  EXPECT_EQ(check(number_above_zero_to(1.0), "1e-300"), "");
  EXPECT_EQ(check(count_from(1), "1"), "");
  EXPECT_NE(check(count_from(1), "0"), "");
  EXPECT_NE(check(count_from(0), "-0"), "");
  EXPECT_NE(check(count_from(0), "+3"), "");
  EXPECT_NE(check(not_empty("the folder"), ""), "");
}

}  // namespace
}  // namespace roofplanes
