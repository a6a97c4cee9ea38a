#include "regions/select_largest_cluster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "support/captured_report.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::triangulation_of;
using testing::vertices_of;

PointTriangulation hexagon() { return triangulation_of(testing::hexagon_points()); }

// Strip of triangles: vertices 0-6 at (i, 0), vertices 7-12 at (i + 0.5, 1).
PointTriangulation strip() {
  std::vector<std::array<double, 3>> points;
  for (int i = 0; i <= 6; ++i) points.push_back({double(i), 0, 0});
  for (int i = 0; i <= 5; ++i) points.push_back({i + 0.5, 1, 0});
  return triangulation_of(points);
}

VertexList plane_points(const VertexList& all, std::initializer_list<int> positions) {
  VertexList points;
  for (int k : positions) {
    all[k]->info().set_on_plane(true);
    points.push_back(all[k]);
  }
  return points;
}

VertexList sorted(VertexList list) {
  std::sort(list.begin(), list.end());
  return list;
}

std::string select_and_capture(VertexList& points, PointTriangulation& t, int pass_number) {
  testing::CapturedReport out;
  select_largest_cluster(points, t, pass_number, out.report);
  return out.observer.console_text;
}

TEST(select_largest_cluster, PatchesTouchingAtOneVertexFormOneCluster) {
  PointTriangulation t = hexagon();
  VertexList v = vertices_of(t);
  VertexList points = plane_points(v, {0, 1, 2, 4, 5});  // triangles 0-1-2 and 0-4-5 share vertex 0
  v[1]->info().set_is_roof(true);
  v[2]->info().set_border_mark(2);

  const std::string out = select_and_capture(points, t, 3);

  // The seed's own faces already reach both triangles.
  EXPECT_EQ(out, "There are 1 clusters. The size of cluster 0 is 5");
  ASSERT_EQ(points.size(), 5u);
  EXPECT_EQ(points[0], v[0]);  // the seed comes first
  EXPECT_EQ(sorted(points), sorted({v[0], v[1], v[2], v[4], v[5]}));
  for (Vertex_handle p : points) EXPECT_EQ(p->info().cluster_id(), 3);
  EXPECT_EQ(v[3]->info().cluster_id(), -1);
  EXPECT_EQ(v[6]->info().cluster_id(), -1);
  // Only cluster_id is written.
  EXPECT_TRUE(v[1]->info().is_roof());
  EXPECT_EQ(v[2]->info().border_mark(), 2);
  EXPECT_TRUE(v[4]->info().on_plane());
}

TEST(select_largest_cluster, NonPlaneVertexInAChainSeparatesClusters) {
  PointTriangulation t = strip();
  VertexList v = vertices_of(t);
  // Vertex 3 at (3, 0) is no plane point: the left patch has 6 points, the right 6 as well.
  VertexList points = plane_points(v, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12});

  const std::string out = select_and_capture(points, t, 0);

  // Sizes are printed after the seed's own faces, before the cluster grows.
  EXPECT_EQ(out, "There are 1 clusters. The size of cluster 0 is 3There are 2 clusters. The size of cluster 1 is 4");
  // Equal sizes: the cluster created later wins.
  EXPECT_EQ(points.front(), v[4]);
  EXPECT_EQ(sorted(points), sorted({v[4], v[5], v[6], v[10], v[11], v[12]}));
  for (Vertex_handle p : points) EXPECT_EQ(p->info().cluster_id(), 0);
  for (int k : {0, 1, 2, 3, 7, 8, 9}) EXPECT_EQ(v[k]->info().cluster_id(), -1) << k;
}

TEST(select_largest_cluster, LaterOfEqualClustersWinsInListOrder) {
  PointTriangulation t = strip();
  VertexList v = vertices_of(t);
  VertexList points = plane_points(v, {12, 11, 10, 9, 8, 7, 6, 5, 4, 2, 1, 0});

  const std::string out = select_and_capture(points, t, 2);

  EXPECT_EQ(out, "There are 1 clusters. The size of cluster 0 is 4There are 2 clusters. The size of cluster 1 is 3");
  EXPECT_EQ(points.front(), v[9]);
  EXPECT_EQ(sorted(points), sorted({v[0], v[1], v[2], v[7], v[8], v[9]}));
  for (int k : {4, 5, 6, 10, 11, 12}) EXPECT_EQ(v[k]->info().cluster_id(), -1) << k;
}

TEST(select_largest_cluster, LargerClusterWins) {
  PointTriangulation t = strip();
  VertexList v = vertices_of(t);
  // Without vertex 10 at (3.5, 1) the left patch keeps 7 points, the right only 5.
  VertexList points = plane_points(v, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12});
  select_and_capture(points, t, 1);
  EXPECT_EQ(sorted(points), sorted({v[0], v[1], v[2], v[3], v[7], v[8], v[9]}));
}

TEST(select_largest_cluster, PointWithoutOnPlaneTriangleIsDropped) {
  PointTriangulation t = hexagon();
  VertexList v = vertices_of(t);
  // Vertex 4's two triangles contain the non-plane vertices 3 and 5.
  VertexList points = plane_points(v, {4, 0, 1, 2});

  const std::string out = select_and_capture(points, t, 5);

  EXPECT_EQ(out, "There are 0 clusters. The size of cluster -1 is There are 1 clusters. The size of cluster 0 is 3");
  EXPECT_EQ(points.front(), v[0]);
  EXPECT_EQ(sorted(points), sorted({v[0], v[1], v[2]}));
  EXPECT_EQ(v[4]->info().cluster_id(), -1);
}

TEST(select_largest_cluster, NoClusterLeavesListEmpty) {
  PointTriangulation empty;
  VertexList none;
  EXPECT_EQ(select_and_capture(none, empty, 0), "");
  EXPECT_TRUE(none.empty());

  // Collinear points have no triangle: every seed prints, none starts a cluster.
  PointTriangulation line = triangulation_of({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  VertexList v = vertices_of(line);
  VertexList points = plane_points(v, {0, 1, 2});
  EXPECT_EQ(select_and_capture(points, line, 0),
            "There are 0 clusters. The size of cluster -1 is There are 0 clusters. The size of cluster -1 is "
            "There are 0 clusters. The size of cluster -1 is ");
  EXPECT_TRUE(points.empty());
  for (Vertex_handle p : v) EXPECT_EQ(p->info().cluster_id(), -1);
}

}  // namespace
}  // namespace roofplanes
