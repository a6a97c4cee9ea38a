#include "regions/detect_border.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::annulus_points;
using testing::hexagon_points;
using testing::region_of;
using testing::triangulation_of;
using testing::vertices_of;

PointTriangulation annulus() { return triangulation_of(annulus_points()); }

TEST(detect_border, WholeTriangulationGivesConvexHull) {
  PointTriangulation t = triangulation_of(hexagon_points());
  VertexList v = vertices_of(t);
  VertexList region = region_of(v, {0, 1, 2, 3, 4, 5, 6}, 5);
  v[0]->info().set_border_mark(2);  // interior: keeps whatever mark it had
  v[3]->info().set_border_mark(2);  // border: overwritten with 1

  const VertexList border = detect_border(region, t);

  EXPECT_EQ(border, (VertexList{v[1], v[2], v[3], v[4], v[5], v[6]}));
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(v[k]->info().border_mark(), 1) << k;
  EXPECT_EQ(v[0]->info().border_mark(), 2);
  EXPECT_EQ(detect_border(region, t), border);  // a second call finds the same
}

TEST(detect_border, BorderFollowsRegionOrder) {
  PointTriangulation t = triangulation_of(hexagon_points());
  VertexList v = vertices_of(t);
  VertexList region = region_of(v, {6, 0, 2, 1}, 4);
  // The centre is not on the hull but has faces leaving the region.
  EXPECT_EQ(detect_border(region, t), (VertexList{v[6], v[0], v[2], v[1]}));
}

TEST(detect_border, PointWithoutRegionNeighbourIsNoBorderPoint) {
  PointTriangulation t = triangulation_of(hexagon_points());
  VertexList v = vertices_of(t);
  // Vertex 4's neighbours 0, 3 and 5 all lie outside the region, one of them in another region.
  VertexList region = region_of(v, {4, 1, 2}, 4);
  v[3]->info().set_cluster_id(9);

  EXPECT_EQ(detect_border(region, t), (VertexList{v[1], v[2]}));
  EXPECT_EQ(v[4]->info().border_mark(), 0);
}

TEST(detect_border, HoleBorderAndOuterBorder) {
  PointTriangulation t = annulus();
  VertexList v = vertices_of(t);
  // Everything but the centre: the inner ring borders the hole, the outer ring the hull.
  VertexList region = region_of(v, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0);
  EXPECT_EQ(detect_border(region, t), region);

  // With the centre in the region the inner ring is interior.
  PointTriangulation whole = annulus();
  VertexList w = vertices_of(whole);
  VertexList all = region_of(w, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0);
  EXPECT_EQ(detect_border(all, whole), (VertexList{w[7], w[8], w[9], w[10], w[11], w[12]}));
  for (int k = 0; k <= 6; ++k) EXPECT_EQ(w[k]->info().border_mark(), 0) << k;
}

TEST(detect_border, NoFacesNoBorder) {
  PointTriangulation line = triangulation_of({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  VertexList v = vertices_of(line);
  EXPECT_TRUE(detect_border(region_of(v, {0, 1, 2}, 0), line).empty());
}

}  // namespace
}  // namespace roofplanes
