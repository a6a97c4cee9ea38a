#include "regions/reassign_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

// The gable's first face took the row of its neighbour next to the ridge, as
// the first pass does; one eave point of the second face is in no region.
TEST(reassign_points, GivesTheRidgeBandBackAndTakesInEavePoints) {
  const PointTriangulation roof = roof_of(gable_points());
  const auto eave = [](const Point3& p) { return p.x() == 0.0 && p.y() == 4.5; };
  std::vector<PlaneRegion> regions = {
      region_of(vertices_where(roof, [](const Point3& p) { return p.y() < 2.75; })),
      region_of(vertices_where(roof, [&](const Point3& p) { return p.y() > 2.75 && !eave(p); }))};
  ASSERT_EQ(regions[0].points.size(), 120u);
  ASSERT_EQ(regions[1].points.size(), 79u);
  EXPECT_EQ(reassign_points(roof, regions, 0.05, 0.01, 0.5, 10), 21u);
  for (const Vertex_handle& v : regions[0].points) EXPECT_LT(v->point().y(), 2.25);
  for (const Vertex_handle& v : regions[1].points) EXPECT_GT(v->point().y(), 2.25);
  EXPECT_EQ(regions[0].points.size(), 100u);
  EXPECT_EQ(regions[1].points.size(), 100u);
  EXPECT_NEAR(regions[0].plane.b, 0.6, 1e-9);
  EXPECT_NEAR(regions[1].plane.b, -0.6, 1e-9);
}

// On one plane the residuals tie, so the neighbours decide: a point of one
// region poking into another goes over, and without the neighbour weight it
// stays.
TEST(reassign_points, NeighboursDecideBetweenPlanesThatFitEquallyWell) {
  const PointTriangulation roof = roof_of(grid_points(10, 10, 0.5, [](double x, double) { return 0.2 * x; }));
  const auto poke = [](const Point3& p) { return p.x() == 2.5 && p.y() == 2.5; };
  const auto make = [&] {
    return std::vector<PlaneRegion>{
        region_of(vertices_where(roof, [&](const Point3& p) { return p.x() < 2.25 || poke(p); })),
        region_of(vertices_where(roof, [&](const Point3& p) { return p.x() > 2.25 && !poke(p); }))};
  };
  std::vector<PlaneRegion> regions = make();
  EXPECT_EQ(reassign_points(roof, regions, 0.05, 0.01, 0.0, 10), 0u);
  regions = make();
  EXPECT_EQ(reassign_points(roof, regions, 0.05, 0.01, 0.5, 10), 1u);
  EXPECT_EQ(regions[0].points.size(), 50u);
  EXPECT_EQ(regions[1].points.size(), 50u);
}

// A noisy gable whose ridge runs at any angle: the first region took a band
// of 0.6 m of its neighbour's face. Near the ridge the two planes lie within
// the noise of each other, so only the side of their crossing can settle the
// points there: every point ends on its own side, whichever way the ridge runs.
TEST(reassign_points, TheSideOfTheCrossingSettlesARidgeInAnyDirection) {
  for (const double degrees : {0.0, 90.0, 37.0, 180.0}) {
    SCOPED_TRACE(degrees);
    const double c = std::cos(degrees * 3.141592653589793 / 180.0), s = std::sin(degrees * 3.141592653589793 / 180.0);
    // Across the ridge, from the centre of the 24 × 24 grid.
    const auto across = [&](double x, double y) { return c * (x - 5.75) + s * (y - 5.75) + 0.01; };
    std::uint64_t state = 12345;
    const auto noise = [&] {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      return 0.04 * (static_cast<double>(state >> 11) * 0x1.0p-53 * 2.0 - 1.0);
    };
    auto points = grid_points(24, 24, 0.5, [&](double x, double y) { return 4.0 - 0.15 * std::fabs(across(x, y)); });
    for (auto& p : points) p[2] += noise();
    const PointTriangulation roof = roof_of(points);
    std::vector<PlaneRegion> regions = {
        region_of(vertices_where(roof, [&](const Point3& p) { return across(p.x(), p.y()) < 0.6; })),
        region_of(vertices_where(roof, [&](const Point3& p) { return across(p.x(), p.y()) >= 0.6; }))};
    EXPECT_GT(reassign_points(roof, regions, 0.12, 0.04, 0.5, 10), 0u);
    ASSERT_EQ(regions[0].points.size() + regions[1].points.size(), 576u);
    for (const Vertex_handle& v : regions[0].points) EXPECT_LT(across(v->point().x(), v->point().y()), 0.05);
    for (const Vertex_handle& v : regions[1].points) EXPECT_GT(across(v->point().x(), v->point().y()), -0.05);
  }
}

// One round is one round: the band goes back in the first, and a second has
// less to do. Rounds stop as soon as nothing moves.
TEST(reassign_points, EveryRoundCountsFromTheFirst) {
  const PointTriangulation roof = roof_of(gable_points());
  const auto make = [&] {
    return std::vector<PlaneRegion>{region_of(vertices_where(roof, [](const Point3& p) { return p.y() < 2.75; })),
                                    region_of(vertices_where(roof, [](const Point3& p) { return p.y() > 2.75; }))};
  };
  std::vector<PlaneRegion> regions = make();
  EXPECT_EQ(reassign_points(roof, regions, 0.05, 0.01, 0.5, 0), 0u);
  EXPECT_EQ(regions[0].points.size(), 120u);
  const std::size_t first = reassign_points(roof, regions, 0.05, 0.01, 0.5, 1);
  EXPECT_GT(first, 0u);
  EXPECT_LT(regions[0].points.size(), 120u);
  regions = make();
  EXPECT_EQ(reassign_points(roof, regions, 0.05, 0.01, 0.5, 10), 20u);
  EXPECT_EQ(reassign_points(roof, regions, 0.05, 0.01, 0.5, 10), 0u);  // settled
}

}  // namespace
