#include "planes/hough_levels.h"

#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

namespace roofplanes {
namespace {

constexpr double pi = 3.141592653589793;

double degrees(double radians) { return radians * 180 / pi; }

TEST(RoundHalfDown, ExactHalfRoundsDown) {
  EXPECT_EQ(round_half_down(22.5), 22u);
  EXPECT_EQ(round_half_down(22.51), 23u);
  EXPECT_EQ(round_half_down(22.49), 22u);
  EXPECT_EQ(round_half_down(30.0), 30u);
  EXPECT_EQ(round_half_down(0.5), 0u);
  EXPECT_EQ(round_half_down(0.51), 1u);
  EXPECT_EQ(round_half_down(0.001 / 1.2), 0u);
  EXPECT_EQ(round_half_down(0.0), 0u);
}

TEST(HoughLevels, ThreeDegreeGridHas2292Directions) {
  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  double resolution = 3.0;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, resolution);

  EXPECT_EQ(resolution, 3.0);
  ASSERT_EQ(tilt_levels.size(), 30u);
  ASSERT_EQ(pan_levels.size(), 30u);
  for (std::size_t i = 0; i < 30; ++i) EXPECT_NEAR(degrees(tilt_levels[i]), 1.5 + 3.0 * i, 1e-12) << i;

  EXPECT_EQ(pan_levels[0].size(), 120u);   // 1.5°
  EXPECT_EQ(pan_levels[1].size(), 120u);   // 4.5°
  EXPECT_EQ(pan_levels[2].size(), 119u);   // 7.5°
  EXPECT_EQ(pan_levels[14].size(), 87u);   // 43.5°
  EXPECT_EQ(pan_levels[22].size(), 46u);   // 67.5°
  EXPECT_EQ(pan_levels[27].size(), 16u);   // 82.5°
  EXPECT_EQ(pan_levels[28].size(), 9u);    // 85.5°
  EXPECT_EQ(pan_levels[29].size(), 3u);    // 88.5°
  const std::size_t pairs = std::accumulate(pan_levels.begin(), pan_levels.end(), std::size_t{0},
                                            [](std::size_t sum, const auto& pans) { return sum + pans.size(); });
  EXPECT_EQ(pairs, 2292u);

  // Pan bands cut the full circle evenly; the centres ascend from half a band.
  for (const auto& pans : pan_levels) {
    const double width = 360.0 / pans.size();
    for (std::size_t j = 0; j < pans.size(); ++j) EXPECT_NEAR(degrees(pans[j]), (j + 0.5) * width, 1e-10);
  }
  EXPECT_NEAR(degrees(pan_levels[29][0]), 60.0, 1e-12);
  EXPECT_NEAR(degrees(pan_levels[29][2]), 300.0, 1e-12);
  EXPECT_EQ(pan_levels[14][43], (180.0 * pi) / 180);
}

TEST(HoughLevels, FourDegreesGive22TiltBands) {
  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  double resolution = 4.0;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, resolution);

  // 90 / 4 = 22.5 rounds down: 22 bands of 4.0909°, not 23.
  ASSERT_EQ(tilt_levels.size(), 22u);
  EXPECT_EQ(resolution, 90.0 / 22);
  EXPECT_NEAR(degrees(tilt_levels[0]), 90.0 / 44, 1e-12);
  EXPECT_NEAR(degrees(tilt_levels[21]), 90.0 - 90.0 / 44, 1e-12);
  // At 2.045° the pan step is 4.0909 / cos t, about 87.944 bands: 88.
  EXPECT_EQ(pan_levels[0].size(), 88u);
}

TEST(HoughSLevel, VotesAtPlusMinusDLandInFirstAndLastLevel) {
  const double d = 7.3;
  const double min_s = -d, max_s = d + 0.001;
  const std::size_t count = round_half_down((max_s - min_s) / 1.2);  // 14.601 / 1.2 = 12.17
  ASSERT_EQ(count, 12u);
  const HoughDistanceLevels levels{min_s, (max_s - min_s) / count, count};

  EXPECT_EQ(hough_s_level(d, levels), 11);
  EXPECT_EQ(hough_s_level(-d, levels), 0);
  EXPECT_EQ(hough_s_level(min_s + 2.5 * levels.resolution, levels), 2);
  // A hair outside the range, as rounding can leave n · p, stays in the grid.
  EXPECT_EQ(hough_s_level(std::nextafter(-d, -100.0), levels), 0);
  EXPECT_EQ(hough_s_level(-d - 5.0, levels), 0);
  EXPECT_EQ(hough_s_level(max_s, levels), 11);
  EXPECT_EQ(hough_s_level(max_s + 5.0, levels), 11);

  const HoughDistanceLevels one{-0.4, 1.2, 1};
  EXPECT_EQ(hough_s_level(0.4, one), 0);
  EXPECT_EQ(hough_s_level(-0.4, one), 0);
}

}  // namespace
}  // namespace roofplanes
