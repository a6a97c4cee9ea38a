#include "points/centre_points.h"

#include <gtest/gtest.h>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::triangulation_of;
using testing::vertices_of;

TEST(centre_points, MovesCentroidToOrigin) {
  PointTriangulation t = triangulation_of({{0, 0, 0}, {2, 0, 0}, {0, 4, 0}, {2, 4, 6}});
  VertexList before = vertices_of(t);
  for (Vertex_handle v : before) v->info().set_cluster_id(7);
  EXPECT_EQ(centre_points(t), (std::vector<double>{1, 2, 1.5}));
  VertexList after = vertices_of(t);
  EXPECT_EQ(after, before);  // same handles, same order
  EXPECT_EQ(after[0]->point(), Point3(-1, -2, -1.5));
  EXPECT_EQ(after[1]->point(), Point3(1, -2, -1.5));
  EXPECT_EQ(after[2]->point(), Point3(-1, 2, -1.5));
  EXPECT_EQ(after[3]->point(), Point3(1, 2, 4.5));
  EXPECT_EQ(after[3]->info().cluster_id(), 7);
  EXPECT_TRUE(t.is_valid());
}

TEST(centre_points, EmptyTriangulationStaysEmpty) {
  PointTriangulation t;
  EXPECT_EQ(centre_points(t), (std::vector<double>{0, 0, 0}));
}

TEST(centre_points, LargeProjectedCoordinatesKeepTheirSpacing) {
  PointTriangulation t =
      triangulation_of({{1e9, 1e9, 1e9}, {1e9 + 2, 1e9, 1e9}, {1e9, 1e9 + 4, 1e9}, {1e9 + 2, 1e9 + 4, 1e9 + 6}});
  centre_points(t);
  VertexList v = vertices_of(t);
  EXPECT_DOUBLE_EQ(v[3]->point().x() - v[0]->point().x(), 2.0);
  EXPECT_DOUBLE_EQ(v[3]->point().y() - v[0]->point().y(), 4.0);
  EXPECT_NEAR(v[0]->point().x(), -1.0, 1e-6);
  EXPECT_TRUE(t.is_valid());
}

}  // namespace
}  // namespace roofplanes
