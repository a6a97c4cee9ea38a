#include "regions/reassign_points.h"

#include <gtest/gtest.h>

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

}  // namespace
