#include "regions/expand_region.h"

#include <gtest/gtest.h>

#include <cmath>

#include "planes/plane_residual.h"
#include "regions/detect_border.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::kDegree;
using testing::triangulation_of;
using testing::vertices_of;

// The vertical plane x = 0: the residual of (x, y, z) is exactly |x|.
const PlaneParams kPlaneXZero{0, 0, 0};
// The horizontal plane z = 0 (up to a residual of order 1e-16 · |x|).
const PlaneParams kPlaneZZero{0, 3.141592653589793 / 2, 0};

// A region of roof points.
VertexList region_of(const VertexList& all, std::initializer_list<int> positions, int label) {
  return testing::region_of(all, positions, label, true);
}

// Region triangle 0-1-2 far left of the plane x = 0, and vertex 3 at (x, 1),
// which lies in one triangle with region vertices 0 and 1.
PointTriangulation triangle_and_candidate(double x) {
  return triangulation_of({{-1, 0, 0}, {-1, 2, 0}, {-3, 1, 0}, {x, 1, 0}});
}

// Centre (vertex 0), hexagon vertex k + 1 at 60k degrees and vertex 7 just
// outside the edge 4-5: vertex 7 neighbours only 4 and 5. All at height z.
PointTriangulation fan(double z4, double z5, double z7) {
  std::vector<std::array<double, 3>> points{{0, 0, 0}};
  for (int k = 0; k < 6; ++k) points.push_back({std::cos(60 * k * kDegree), std::sin(60 * k * kDegree), 0});
  points[4][2] = z4;
  points[5][2] = z5;
  points.push_back({1.2 * std::cos(210 * kDegree), 1.2 * std::sin(210 * kDegree), z7});
  return triangulation_of(points);
}

TEST(expand_region, DistanceTestIsStrict) {
  double factor1 = 0.658, factor2 = 0.2;
  const double threshold = factor1 * factor2;
  ASSERT_LT(0.1316, threshold);

  PointTriangulation at = triangle_and_candidate(threshold);
  VertexList v = vertices_of(at);
  ASSERT_EQ(plane_residual(v[3]->point(), kPlaneXZero), threshold);
  v[3]->info().set_is_roof(true);
  VertexList region = region_of(v, {0, 1, 2}, 2);
  VertexList border = detect_border(region, at);
  expand_region(border, region, at, kPlaneXZero, factor1, factor2);
  EXPECT_EQ(region, (VertexList{v[0], v[1], v[2]}));
  EXPECT_EQ(border, region);
  EXPECT_EQ(v[3]->info().cluster_id(), -1);

  PointTriangulation below = triangle_and_candidate(0.1316);
  VertexList w = vertices_of(below);
  w[3]->info().set_is_roof(true);
  VertexList region2 = region_of(w, {0, 1, 2}, 2);
  VertexList border2 = detect_border(region2, below);
  expand_region(border2, region2, below, kPlaneXZero, factor1, factor2);
  EXPECT_EQ(region2, (VertexList{w[0], w[1], w[2], w[3]}));
  EXPECT_EQ(border2, region2);
  EXPECT_EQ(w[3]->info().cluster_id(), 2);
  EXPECT_EQ(w[3]->info().border_mark(), 1);
}

TEST(expand_region, TwoFreePointsJoinThroughOneFace) {
  PointTriangulation t = fan(0.05, -0.05, 0.1);
  VertexList v = vertices_of(t);
  for (int k : {4, 5, 7}) v[k]->info().set_is_roof(true);  // 3 and 6 are no roof points
  VertexList region = region_of(v, {0, 1, 2}, 1);
  VertexList border = detect_border(region, t);
  ASSERT_EQ(border, region);
  double factor1 = 0.658, factor2 = 0.2;

  expand_region(border, region, t, kPlaneZZero, factor1, factor2);

  // 4 and 5 join together through face 0-4-5 (4 first, it follows 0
  // counterclockwise); 7 joins later from them.
  EXPECT_EQ(region, (VertexList{v[0], v[1], v[2], v[4], v[5], v[7]}));
  EXPECT_EQ(border, region);  // every point keeps a face leaving the grown region
  for (int k : {3, 6}) EXPECT_EQ(v[k]->info().cluster_id(), -1) << k;
  for (int k : {4, 5, 7}) EXPECT_EQ(v[k]->info().cluster_id(), 1) << k;
}

TEST(expand_region, NonRoofOrForeignThirdVertexBlocksJoining) {
  double factor1 = 0.658, factor2 = 0.2;
  for (int blocker_label : {-1, 9}) {
    PointTriangulation t = fan(0, 0, 0);
    VertexList v = vertices_of(t);
    // Vertex 4 lies on the plane, but each of its faces with a region point
    // has vertex 3 (no roof point) or vertex 5 as third corner.
    v[4]->info().set_is_roof(true);
    v[7]->info().set_is_roof(true);
    if (blocker_label != -1) {
      v[5]->info().set_is_roof(true);
      v[5]->info().set_cluster_id(blocker_label);
    }
    VertexList region = region_of(v, {0, 1, 2}, 1);
    VertexList border = detect_border(region, t);
    expand_region(border, region, t, kPlaneZZero, factor1, factor2);
    EXPECT_EQ(region, (VertexList{v[0], v[1], v[2]})) << blocker_label;
    EXPECT_EQ(border, region) << blocker_label;
    for (int k : {3, 4, 6, 7}) EXPECT_EQ(v[k]->info().cluster_id(), -1) << k;
  }
}

TEST(expand_region, OneOfTwoFreePointsFarFromPlaneKeepsBothOut) {
  PointTriangulation t = fan(0.05, 0.5, 0.05);
  VertexList v = vertices_of(t);
  for (int k : {4, 5, 7}) v[k]->info().set_is_roof(true);
  VertexList region = region_of(v, {0, 1, 2}, 1);
  VertexList border = detect_border(region, t);
  double factor1 = 0.658, factor2 = 0.2;
  expand_region(border, region, t, kPlaneZZero, factor1, factor2);
  EXPECT_EQ(region, (VertexList{v[0], v[1], v[2]}));
  for (int k : {4, 5, 7}) EXPECT_EQ(v[k]->info().cluster_id(), -1) << k;
}

TEST(expand_region, EmptyBorderChangesNothing) {
  PointTriangulation t = fan(0, 0, 0);
  VertexList v = vertices_of(t);
  for (int k : {4, 5, 7}) v[k]->info().set_is_roof(true);
  VertexList region = region_of(v, {0, 1, 2}, 1);
  VertexList border;
  double factor1 = 0.658, factor2 = 0.2;
  expand_region(border, region, t, kPlaneZZero, factor1, factor2);
  EXPECT_TRUE(border.empty());
  EXPECT_EQ(region, (VertexList{v[0], v[1], v[2]}));
  EXPECT_EQ(v[4]->info().cluster_id(), -1);
}

}  // namespace
}  // namespace roofplanes
