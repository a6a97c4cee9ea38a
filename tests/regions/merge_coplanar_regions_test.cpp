#include "regions/merge_coplanar_regions.h"

#include <gtest/gtest.h>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

double tilted(double x, double y) { return 1.0 + 0.2 * x - 0.1 * y; }

// Two pieces of one plane: left up to x_left, right from x_right.
std::vector<PlaneRegion> pieces(const PointTriangulation& roof, double x_left, double x_right) {
  return {region_of(vertices_where(roof, [&](const Point3& p) { return p.x() <= x_left; })),
          region_of(vertices_where(roof, [&](const Point3& p) { return p.x() >= x_right; }))};
}

TEST(merge_coplanar_regions, JoinsPiecesOfOnePlaneUpToTwoEdgesApart) {
  const PointTriangulation roof = roof_of(grid_points(20, 10, 0.5, tilted));
  std::vector<PlaneRegion> regions = pieces(roof, 4.5, 5.0);  // touching
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), 1u);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0].points.size(), 200u);
  EXPECT_NEAR(regions[0].plane.a, 0.2, 1e-9);

  regions = pieces(roof, 4.0, 5.0);  // one column between them
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), 1u);
  EXPECT_EQ(regions.size(), 1u);

  regions = pieces(roof, 3.0, 5.0);  // three columns between them: apart
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), 0u);
  EXPECT_EQ(regions.size(), 2u);
}

TEST(merge_coplanar_regions, KeepsTheFacesOfARidgeApart) {
  const PointTriangulation roof = roof_of(gable_points());
  std::vector<PlaneRegion> regions = {
      region_of(vertices_where(roof, [](const Point3& p) { return p.y() < 2.25; })),
      region_of(vertices_where(roof, [](const Point3& p) { return p.y() > 2.25; }))};
  EXPECT_EQ(neighbouring_regions(roof, regions), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}}));
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.05), 0u);
  EXPECT_EQ(regions.size(), 2u);
}

}  // namespace
