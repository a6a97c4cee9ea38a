#include "cli/parameter_options.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;

TEST(override_parameters, TakesOnlyTheNamedOptionsFromTheCommandLine) {
  const Parameters preset = auto_parameters(0.4, 0.03);
  Parameters given;
  given.angle_resolution = 4.0;
  given.min_points = 9;
  const Parameters run = override_parameters(preset, given, {"--angle-resolution", "--no-such-option"});
  EXPECT_EQ(run.angle_resolution, 4.0);
  EXPECT_EQ(run.min_points, preset.min_points);
  EXPECT_EQ(format_parameters(override_parameters(run, given, {})), format_parameters(run));
  EXPECT_EQ(override_parameters(preset, given, {"--min-points"}).min_points, 9u);
}

// The program as a user runs it on the small gable of the golden tests.
class PresetRun : public ::testing::Test {
 protected:
  testing::ProgramResult extract(const std::string& options) {
    const fs::path input = fs::path(ROOFPLANES_SOURCE_DIR) / "tests/golden/small_gable/input";
    return testing::run_roofplanes("extract '" + (input / "Building_69.txt").string() + "' --roof '" +
                                       (input / "roof.txt").string() + "' " + options,
                                   scratch_.path());
  }
  testing::ScratchDirectory scratch_;
};

TEST_F(PresetRun, PrintsTheValuesUsedWithOverridesOnTopOfThePreset) {
  const testing::ProgramResult seed = extract("--preset seed --print-parameters");
  ASSERT_EQ(seed.status, 0) << seed.err;
  // The seed constants as the seed method has always had them, and no auto method.
  for (const char* line : {"angle_resolution 3\n", "distance_resolution 1.2\n", "blunder_sigma 1.2\n",
                           "shrink_factor 0.658\n", "expansion_factor 0.2\n", "simplify_tolerance 1.5\n",
                           "min_points 3\n", "max_passes 0\n", "auto_method 0\n"})
    EXPECT_NE(seed.out.find(line), std::string::npos) << line << seed.out;
  EXPECT_EQ(seed.out.rfind("angle_resolution 3\n", 0), 0u);
  EXPECT_EQ(seed.out.find("auto_method 1"), std::string::npos);

  const testing::ProgramResult automatic = extract("--angle-resolution 4 --print-parameters");
  ASSERT_EQ(automatic.status, 0) << automatic.err;
  EXPECT_EQ(automatic.out.rfind("angle_resolution 4\n", 0), 0u);  // the first line
  EXPECT_NE(automatic.out.find("auto_method 1\n"), std::string::npos);
  const std::size_t spacing = automatic.out.find("point_spacing ");
  ASSERT_NE(spacing, std::string::npos);
  EXPECT_GT(std::stod(automatic.out.substr(spacing + 14)), 0.0);
}

TEST_F(PresetRun, AutoPresetIsTheDefaultAndAnUnknownPresetIsAUsageError) {
  const testing::ProgramResult plain = extract("");
  const testing::ProgramResult automatic = extract("--preset auto");
  ASSERT_EQ(plain.status, 0);
  EXPECT_EQ(automatic.out, plain.out);
  EXPECT_NE(extract("--preset seed").out, plain.out);
  EXPECT_EQ(extract("--preset fancy").status, 2);
}

}  // namespace
}  // namespace roofplanes
