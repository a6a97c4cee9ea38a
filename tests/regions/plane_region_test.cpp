#include "regions/plane_region.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "planes/hough_peaks.h"
#include "points/free_roof_points.h"
#include "support/generated_input.h"
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

// The search keeps a region it grew and did not take while none of the points
// listed in depends_on has left play. So taking every other free roof point
// out of play must leave each region as it was, point for point: a list
// missing the candidates or a regrow round's points fails this.
TEST(grow_plane_region, SameRegionWhileThePointsItDependsOnStayFree) {
  using building_generator::RoofShape;
  std::size_t regions = 0, points_taken = 0;
  for (const RoofShape shape : {RoofShape::hip, RoofShape::sample_house, RoofShape::gable_dormers, RoofShape::mansard})
    for (const unsigned seed : {1u, 2u}) {
      PointCloud cloud = generated_cloud(shape, 1200, seed);
      PointTriangulation& roof = cloud.triangulation;
      const TriangleFans fans = triangle_fans(roof);
      const VertexList free_roof = free_roof_points(roof);
      for (const PlaneCandidate& peak : hough_peaks(roof, 2.0, 0.1, 5, 0)) {
        std::vector<std::uint32_t> depends_on;
        const PlaneRegion first =
            grow_plane_region(fans, candidate_points(free_roof, peak), 0.05, 3, free_roof, depends_on);
        std::vector<char> needed(fans.vertices.size(), 0);
        for (const std::uint32_t p : depends_on) needed[p] = 1;
        for (const Vertex_handle& v : free_roof)
          if (!needed[static_cast<std::size_t>(v->info().position())]) v->info().set_is_roof(false);
        const VertexList left = free_roof_points(roof);
        points_taken += free_roof.size() - left.size();
        const PlaneRegion again = grow_plane_region(fans, candidate_points(left, peak), 0.05, 3, left);
        EXPECT_EQ(again.points, first.points) << "shape " << static_cast<int>(shape) << " seed " << seed;
        EXPECT_EQ(again.plane.a, first.plane.a);
        EXPECT_EQ(again.plane.b, first.plane.b);
        EXPECT_EQ(again.plane.c, first.plane.c);
        regions += first.points.empty() ? 0 : 1;
        for (const Vertex_handle& v : free_roof) v->info().set_is_roof(true);
      }
    }
  // Not vacuous: regions were grown, and most points were taken out around them.
  EXPECT_GT(regions, 20u);
  EXPECT_GT(points_taken, regions * 300);
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
