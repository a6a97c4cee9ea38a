#include "regions/drop_fragments.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

double flat(double x, double y) { return 2.0 + 0.1 * x + 0.05 * y; }

bool in_corner(const Point3& p) { return p.x() < 0.75 && p.y() < 0.25; }  // two points

TEST(drop_fragments, AFragmentOnItsNeighboursPlaneJoinsIt) {
  const PointTriangulation roof = roof_of(grid_points(10, 10, 0.5, flat));
  std::vector<PlaneRegion> regions = {
      region_of(vertices_where(roof, [](const Point3& p) { return !in_corner(p) && p.y() < 3.0; })),
      region_of(vertices_where(roof, in_corner)),
      region_of(vertices_where(roof, [](const Point3& p) { return p.y() >= 3.0; }))};
  ASSERT_EQ(regions[1].points.size(), 2u);
  EXPECT_EQ(drop_fragments(roof, regions, {5}, 0.05), 1u);
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].points.size(), 60u);
  EXPECT_EQ(regions[1].points.size(), 40u);
}

TEST(drop_fragments, AFragmentOffEveryPlaneLeavesItsPointsInNoRegion) {
  auto points = grid_points(10, 10, 0.5, flat);
  for (auto& p : points)
    if (p[0] < 0.75 && p[1] < 0.25) p[2] += 1.0;
  const PointTriangulation roof = roof_of(points);
  std::vector<PlaneRegion> regions = {region_of(vertices_where(roof, [](const Point3& p) { return !in_corner(p); })),
                                      region_of(vertices_where(roof, in_corner))};
  EXPECT_EQ(drop_fragments(roof, regions, {5}, 0.05), 1u);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0].points.size(), 98u);
  // A minimum the fragment reaches keeps it.
  regions.push_back(region_of(vertices_where(roof, in_corner)));
  EXPECT_EQ(drop_fragments(roof, regions, {2}, 0.05), 0u);
  EXPECT_EQ(regions.size(), 2u);
}

// A column of ten points between two kept regions on one level plane: every
// point fits both exactly, so the lower index takes it, whichever side that is.
TEST(drop_fragments, ATieGoesToTheLowerIndex) {
  const PointTriangulation roof = roof_of(grid_points(10, 10, 0.5, [](double, double) { return 1.0; }));
  const std::function<bool(const Point3&)> left = [](const Point3& p) { return p.x() < 2.0; };
  const std::function<bool(const Point3&)> right = [](const Point3& p) { return p.x() > 2.0; };
  const auto column = [](const Point3& p) { return p.x() == 2.0; };
  for (const bool left_first : {true, false}) {
    SCOPED_TRACE(left_first ? "left first" : "right first");
    std::vector<PlaneRegion> regions = {region_of(vertices_where(roof, left_first ? left : right)),
                                        region_of(vertices_where(roof, column)),
                                        region_of(vertices_where(roof, left_first ? right : left))};
    const std::size_t first = regions[0].points.size();
    ASSERT_EQ(regions[1].points.size(), 10u);
    EXPECT_EQ(drop_fragments(roof, regions, {15}, 0.05), 1u);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0].points.size(), first + 10);
    for (const Vertex_handle& v : regions[1].points) EXPECT_NE(v->point().x(), 2.0);
  }
  // Fewer points than asked, but covering the area asked (the halves of its
  // 18 triangles of 0.125 m² with the columns beside it): it stays.
  std::vector<PlaneRegion> regions = {region_of(vertices_where(roof, left)), region_of(vertices_where(roof, column)),
                                      region_of(vertices_where(roof, right))};
  EXPECT_EQ(drop_fragments(roof, regions, {15, 1.125, 10}, 0.05), 0u);
  EXPECT_EQ(drop_fragments(roof, regions, {15, 1.2, 10}, 0.05), 1u);
}

}  // namespace
