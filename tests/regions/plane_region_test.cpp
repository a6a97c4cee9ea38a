#include "regions/plane_region.h"

#include <gtest/gtest.h>

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

}  // namespace
