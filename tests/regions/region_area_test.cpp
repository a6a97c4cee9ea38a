#include "regions/region_area.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

// A face of 2 m × 1.5 m, one point per cell of a grid of spacing s, inside a
// larger flat roof. Its own triangles cover
// (2 - s)(1.5 - s) and the triangles across its border add half of a strip s
// wide along its four sides: the measure loses about half a spacing all round,
// never more, whatever the spacing and however many points that takes.
TEST(region_area, AFaceCoversItsAreaLessItsBorderBandAtEverySpacing) {
  for (const double s : {0.1, 0.25, 0.5}) {
    SCOPED_TRACE("spacing " + std::to_string(s));
    const int n = static_cast<int>(std::lround(5.0 / s));
    const PointTriangulation roof = roof_of(grid_points(n, n, s, [](double, double) { return 1.0; }));
    // The cells' corners in [1, 3) × [1, 2.5).
    const auto on_face = [](const Point3& p) {
      return p.x() > 1.0 - 1e-9 && p.x() < 3.0 - 1e-9 && p.y() > 1.0 - 1e-9 && p.y() < 2.5 - 1e-9;
    };
    const VertexList face = vertices_where(roof, on_face);
    ASSERT_EQ(face.size(), static_cast<std::size_t>(std::lround(2.0 / s) * std::lround(1.5 / s)));
    const double expected = (2.0 - s) * (1.5 - s) + (2.0 - s + 1.5 - s) * s / 2.0;
    EXPECT_NEAR(region_area(roof, face), expected, 1e-9);
  }
}

// Random points (about 25 per m²) and the disc of radius 1 among them: its
// points' own triangles and half the border ones cover less than the disc,
// and more than the disc shrunk by two mean spacings.
TEST(region_area, ARandomDiscCoversAtMostItsAreaAndLosesOnlyItsBorder) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> along(-2.5, 2.5);
  std::vector<std::array<double, 3>> points;
  for (int k = 0; k < 625; ++k) points.push_back({along(random), along(random), 1.0});
  const PointTriangulation roof = roof_of(points);
  const VertexList disc = vertices_where(roof, [](const Point3& p) { return p.x() * p.x() + p.y() * p.y() <= 1.0; });
  const double pi = 3.141592653589793, spacing = 0.2;
  const double area = region_area(roof, disc);
  EXPECT_LT(area, pi);
  EXPECT_GT(area, pi * (1.0 - 2.0 * spacing) * (1.0 - 2.0 * spacing));
  // The scratch comes back cleared: a second measure gives the same.
  std::vector<char> member(roof.number_of_vertices(), 0);
  EXPECT_EQ(region_area(roof, disc, member), area);
  for (const char m : member) EXPECT_EQ(m, 0);
}

// A sparse patch with fewer points than the count asks is large enough by its
// area; one of too few points, a line of points (no area of its own beyond its
// border halves) or a size by points only is not.
TEST(region_area, LargeEnoughByPointsOrByTheAreaTheyCover) {
  const PointTriangulation roof = roof_of(grid_points(12, 12, 0.5, [](double, double) { return 1.0; }));
  std::vector<char> member(roof.number_of_vertices(), 0);
  const VertexList patch = vertices_where(roof, [](const Point3& p) { return p.x() <= 1.5 && p.y() <= 1.5; });
  ASSERT_EQ(patch.size(), 16u);  // 4 × 4 points, 1.5 × 1.5 by its own triangles
  EXPECT_TRUE(large_enough(roof, patch, {16}, member));
  EXPECT_FALSE(large_enough(roof, patch, {55}, member));
  EXPECT_TRUE(large_enough(roof, patch, {55, 2.0, 8}, member));
  EXPECT_FALSE(large_enough(roof, patch, {55, 3.0, 8}, member));
  EXPECT_FALSE(large_enough(roof, patch, {55, 2.0, 17}, member));
  const VertexList line = vertices_where(roof, [](const Point3& p) { return p.x() == 2.0 && p.y() <= 3.0; });
  ASSERT_EQ(line.size(), 7u);
  EXPECT_NEAR(region_area(roof, line, member), 6 * 2 * 0.5 * 0.125, 1e-9);
  EXPECT_FALSE(large_enough(roof, line, {55, 1.0, 7}, member));
}

}  // namespace
