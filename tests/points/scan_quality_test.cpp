#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "building_cases.h"
#include "building_generator.h"
#include "points/mark_roof_points.h"
#include "points/point_cloud.h"
#include "points/scan_quality.h"
#include "support/generated_input.h"
#include "support/triangulations.h"

namespace {

using namespace roofplanes;

ScanQuality quality_of(const BuildingInput& input) {
  PointCloud cloud = triangulate_points(input.points);
  mark_roof_points(input.roof, cloud);
  return estimate_scan_quality(cloud.triangulation);
}

// On every building of the roof suite with white height noise only
// (densities 2 to 20 points per m², noise 0.02 to 0.1 m, ridges, hips,
// dormers, steps, walls and trees around) both estimates stay within 20 % of
// what the generator used. The real scans' texture and strips add spread the
// generator's noise figure does not hold.
TEST(estimate_scan_quality, WithinAFifthOfTheGeneratorsSpacingAndNoiseOverTheSuite) {
  for (const roof_suite::BuildingCase& c : roof_suite::building_cases()) {
    if (c.options.roof_texture > 0.0 || c.options.flight_strips > 1) continue;
    const ScanQuality q =
        quality_of(roofplanes::testing::input_of(building_generator::generate_building(c.options)));
    const double spacing = 1.0 / std::sqrt(c.options.points_per_m2);
    EXPECT_NEAR(q.spacing, spacing, 0.2 * spacing) << c.name;
    EXPECT_NEAR(q.noise, c.options.height_noise, 0.2 * c.options.height_noise) << c.name;
  }
}

// A roof of about 100,000 points is measured on a sample of its points: the
// estimates stay as near as on the suite's buildings, from fewer fits than
// the roof has triangle pairs.
TEST(estimate_scan_quality, LargeRoofMeasuredOnASample) {
  building_generator::BuildingOptions options =
      building_generator::options_for_roof_points(building_generator::RoofShape::hip, 100000, 5);
  options.surroundings = false;
  const BuildingInput input = roofplanes::testing::input_of(building_generator::generate_building(options));
  const ScanQuality q = quality_of(input);
  const double spacing = 1.0 / std::sqrt(options.points_per_m2);
  EXPECT_NEAR(q.spacing, spacing, 0.2 * spacing);
  EXPECT_NEAR(q.noise, options.height_noise, 0.1 * options.height_noise);
  EXPECT_GT(q.fits, 20000u);
  EXPECT_LT(q.fits, 2 * input.points.size());  // all pairs: about three per point
}

// A noise-free tilted grid: every roof triangle has half a cell's area and
// every local fit is exact. Points that are not roof points are not measured.
TEST(estimate_scan_quality, ExactOnATiltedGridAndOnlyOnRoofPoints) {
  const auto points =
      roofplanes::testing::grid_points(12, 10, 0.5, [](double x, double y) { return 0.3 * x - 0.2 * y + 4.0; });
  PointCloud cloud = triangulate_points([&] {
    std::vector<Point> records;
    for (const auto& p : points) records.push_back(Point{p[0], p[1], p[2]});
    return records;
  }());
  std::vector<std::uint8_t> roof(points.size(), 1);
  // The last two rows lie 3 m lower and are no roof points: they must not count.
  for (std::size_t i = 0; i < points.size(); ++i)
    if (points[i][1] >= 4.0) {
      roof[i] = 0;
      cloud.vertices[i]->set_point(Point3(points[i][0], points[i][1], points[i][2] - 3.0));
    }
  mark_roof_points(roof, cloud);
  const ScanQuality q = estimate_scan_quality(cloud.triangulation);
  EXPECT_NEAR(q.spacing, 0.5, 1e-12);
  EXPECT_NEAR(q.noise, 0.0, 1e-9);
  EXPECT_EQ(q.triangles, 2u * 11u * 7u);
  EXPECT_GT(q.fits, 0u);
}

}  // namespace
