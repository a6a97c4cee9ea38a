#include "regions/join_free_points.h"

#include <gtest/gtest.h>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

double sloped(double x, double y) { return 2.0 + 0.2 * x + 0.1 * y; }

// A face holds the columns x < 1.5 of a 10 × 10 grid (spacing 0.5); the rest
// lies on its plane but is free, cut off by a column of outliers at x = 2
// (half a metre above). The free points join through each other, and across
// the outliers, which stay free; the plane is fitted again.
TEST(join_free_points, FreePointsJoinTransitivelyAcrossAColumnOfOutliers) {
  auto points = grid_points(10, 10, 0.5, sloped);
  for (auto& p : points)
    if (p[0] == 2.0) p[2] += 0.5;
  const PointTriangulation roof = roof_of(points);
  std::vector<PlaneRegion> regions = {region_of(vertices_where(roof, [](const Point3& p) { return p.x() < 1.5; }))};
  ASSERT_EQ(regions[0].points.size(), 30u);
  EXPECT_EQ(join_free_points(roof, regions, 0.05), 60u);
  EXPECT_EQ(regions[0].points.size(), 90u);
  for (const Vertex_handle& v : regions[0].points) EXPECT_NE(v->point().x(), 2.0);
  EXPECT_NEAR(regions[0].plane.a, 0.2, 1e-9);
  EXPECT_NEAR(regions[0].plane.b, 0.1, 1e-9);
}

// A column of free points at a lower face's height between two columns of an
// upper face: they fit the lower face, two edges away, but only through the
// upper face's points; across another face nothing joins.
TEST(join_free_points, NoPointJoinsAcrossAnotherFace) {
  const auto height = [](double x, double) { return x < 1.75 || x == 2.5 ? 3.0 : 5.0; };
  const PointTriangulation roof = roof_of(grid_points(10, 10, 0.5, height));
  std::vector<PlaneRegion> regions = {
      region_of(vertices_where(roof, [](const Point3& p) { return p.x() < 1.75; })),
      region_of(vertices_where(roof, [](const Point3& p) { return p.x() > 1.75 && p.x() != 2.5; }))};
  EXPECT_EQ(join_free_points(roof, regions, 0.05), 0u);
  EXPECT_EQ(regions[0].points.size(), 40u);
  EXPECT_EQ(regions[1].points.size(), 50u);
}

}  // namespace
