#include "regions/plane_region.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

// One plane z = 2 + 0.3 x + 0.1 y on a 30 × 10 grid, cut by a box 6 m higher
// over 6 ≤ x < 11: a patch of 120 points on the left, 80 on the right.
double cut_plane(double x, double y) { return x >= 6.0 && x < 11.0 ? 8.0 : 2.0 + 0.3 * x + 0.1 * y; }

TEST(grow_plane_region, KeepsTheLargestConnectedPieceOfThePlane) {
  const PointTriangulation roof = roof_of(grid_points(30, 10, 0.5, cut_plane));
  const VertexList on_plane = vertices_where(roof, [](const Point3& p) { return p.z() < 7.0; });
  ASSERT_EQ(on_plane.size(), 200u);
  const PlaneRegion region = grow_plane_region(roof, on_plane, 0.05, 0);
  EXPECT_EQ(region.points.size(), 120u);
  for (const Vertex_handle& v : region.points) EXPECT_LT(v->point().x(), 6.0);
  EXPECT_NEAR(region.plane.a, 0.3, 1e-9);
  EXPECT_NEAR(region.plane.b, 0.1, 1e-9);
}

TEST(grow_plane_region, RegrowsOverTheConnectedPointsOfItsPlane) {
  PointTriangulation roof = roof_of(grid_points(30, 10, 0.5, cut_plane));
  const VertexList half = vertices_where(roof, [](const Point3& p) { return p.x() < 3.0; });
  ASSERT_EQ(half.size(), 60u);
  EXPECT_EQ(grow_plane_region(roof, half, 0.05, 0).points.size(), 60u);
  // One round reaches the whole left patch, neither the box nor the patch beyond it.
  EXPECT_EQ(grow_plane_region(roof, half, 0.05, 1).points.size(), 120u);
  // Points already taken (no longer roof points) are not regrown over.
  for (const Vertex_handle& v : vertices_where(roof, [](const Point3& p) { return p.x() >= 4.0; }))
    v->info().set_is_roof(false);
  EXPECT_EQ(grow_plane_region(roof, half, 0.05, 3).points.size(), 80u);
}

// A slab across both faces of a gable holds no face: fitted to both, the
// plane lies within tolerance of neither.
TEST(grow_plane_region, FindsNoFaceInASlabAcrossARidge) {
  const PointTriangulation roof = roof_of(gable_points());
  const VertexList slab = vertices_where(roof, [](const Point3& p) { return p.z() > 3.8; });
  ASSERT_EQ(slab.size(), 80u);  // two rows on each side of the ridge
  EXPECT_TRUE(grow_plane_region(roof, slab, 0.05, 3).points.empty());
}

// Members left and right of a column that is not one: two clusters of 40 and
// 50 points on a 10 × 10 grid. A seed in the column starts nothing, even where
// triangles of members on both sides meet at it.
TEST(largest_connected_cluster, OnlyFlaggedSeedsStartClustersAndTheFirstFoundWinsATie) {
  const PointTriangulation roof = roof_of(grid_points(10, 10, 0.5, [](double, double) { return 1.0; }));
  std::vector<char> member(roof.number_of_vertices(), 0);
  const auto flag = [&](double x0, double x1) {
    std::fill(member.begin(), member.end(), 0);
    for (const Vertex_handle& v : vertices_where(roof, [&](const Point3& p) { return p.x() >= x0 && p.x() <= x1; }))
      member[static_cast<std::size_t>(v->info().position())] = 1;
  };
  const VertexList column = vertices_where(roof, [](const Point3& p) { return p.x() == 2.0; });
  const VertexList left = vertices_where(roof, [](const Point3& p) { return p.x() < 2.0; });
  const VertexList right = vertices_where(roof, [](const Point3& p) { return p.x() > 2.0; });
  // Left 0 to 1.5 (40 points), right 2.5 to 4.5 (50 points).
  VertexList seeds = column;
  seeds.insert(seeds.end(), left.begin(), left.end());
  seeds.insert(seeds.end(), right.begin(), right.end());
  flag(0.0, 1.5);
  for (const Vertex_handle& v : right) member[static_cast<std::size_t>(v->info().position())] = 1;
  const VertexList best = largest_connected_cluster(roof, seeds, member);
  EXPECT_EQ(best.size(), 50u);
  for (const Vertex_handle& v : best) EXPECT_GT(v->point().x(), 2.0);
  EXPECT_TRUE(largest_connected_cluster(roof, column, member).empty());

  // Left 0 to 1.5 and right 2.5 to 4.0: 40 points each; the seed order decides.
  flag(0.0, 1.5);
  for (const Vertex_handle& v : vertices_where(roof, [](const Point3& p) { return p.x() >= 2.5 && p.x() <= 4.0; }))
    member[static_cast<std::size_t>(v->info().position())] = 1;
  VertexList right_first = column;
  right_first.insert(right_first.end(), right.begin(), right.end());
  right_first.insert(right_first.end(), left.begin(), left.end());
  for (const bool left_listed_first : {true, false}) {
    const VertexList tie = largest_connected_cluster(roof, left_listed_first ? seeds : right_first, member);
    ASSERT_EQ(tie.size(), 40u);
    for (const Vertex_handle& v : tie) EXPECT_EQ(v->point().x() < 2.0, left_listed_first);
  }
}

// A plane cut by a box into two pieces of 60 points each: of two equal pieces
// grow_plane_region keeps the one its first candidate lies in.
TEST(grow_plane_region, OfTwoEqualPiecesKeepsTheOneOfTheFirstCandidate) {
  const auto cut = [](double x, double y) { return x >= 3.0 && x < 12.0 ? 8.0 : 2.0 + 0.3 * x + 0.1 * y; };
  const PointTriangulation roof = roof_of(grid_points(30, 10, 0.5, cut));
  const VertexList left = vertices_where(roof, [](const Point3& p) { return p.x() < 3.0; });
  const VertexList right = vertices_where(roof, [](const Point3& p) { return p.x() >= 12.0; });
  ASSERT_EQ(left.size(), 60u);
  ASSERT_EQ(right.size(), 60u);
  VertexList left_first = left, right_first = right;
  left_first.insert(left_first.end(), right.begin(), right.end());
  right_first.insert(right_first.end(), left.begin(), left.end());
  for (const std::size_t rounds : {0u, 3u}) {
    const PlaneRegion l = grow_plane_region(roof, left_first, 0.05, rounds);
    const PlaneRegion r = grow_plane_region(roof, right_first, 0.05, rounds);
    ASSERT_EQ(l.points.size(), 60u);
    ASSERT_EQ(r.points.size(), 60u);
    for (const Vertex_handle& v : l.points) EXPECT_LT(v->point().x(), 3.0);
    for (const Vertex_handle& v : r.points) EXPECT_GE(v->point().x(), 12.0);
  }
}

}  // namespace
