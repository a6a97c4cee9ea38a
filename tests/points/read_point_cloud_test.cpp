#include "points/read_point_cloud.h"

#include <sstream>

#include <gtest/gtest.h>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::vertices_of;

PointTriangulation read_text(const std::string& text) {
  std::istringstream in(text);
  return read_point_cloud(in);
}

TEST(read_point_cloud, FreshLabelsInFileOrder) {
  PointTriangulation t = read_text("0 0 1\n4 0 2\n0 3 3\n");
  ASSERT_EQ(t.number_of_vertices(), 3u);
  VertexList v = vertices_of(t);
  for (int k = 0; k < 3; ++k) {
    const PointLabel& label = v[k]->info();
    EXPECT_EQ(label.index(), k);
    EXPECT_FALSE(label.is_roof());
    EXPECT_FALSE(label.on_plane());
    EXPECT_EQ(label.border_mark(), 0);
    EXPECT_EQ(label.cluster_id(), -1);
    EXPECT_EQ(v[k]->point().z(), k + 1.0);
  }
  EXPECT_EQ(t.dimension(), 2);
}

TEST(read_point_cloud, RepeatedPositionKeepsPointTakesLaterLabel) {
  // Records 2 and 3 (0-based) share x and y.
  PointTriangulation t = read_text("0 0 0  5 0 0  2 2 7  2 2 9  5 5 1  0 5 2");
  ASSERT_EQ(t.number_of_vertices(), 5u);
  VertexList v = vertices_of(t);
  EXPECT_EQ(v[2]->point().z(), 7.0);
  EXPECT_EQ(v[2]->info().index(), 3);
  // Every later vertex is one position earlier than its record number.
  EXPECT_EQ(v[3]->info().index(), 4);
  EXPECT_EQ(v[4]->info().index(), 5);
  EXPECT_EQ(v[4]->point().z(), 2.0);
}

TEST(read_point_cloud, StopsAtFirstNonNumberAndDropsIncompleteRecord) {
  EXPECT_EQ(read_text("0 0 0\n1 0 0\n1 1 0\n2 2").number_of_vertices(), 3u);
  EXPECT_EQ(read_text("0 0 0\n1 0 0\n1 x 0\n2 2 2\n").number_of_vertices(), 2u);
  // Line breaks carry no meaning: a record may span lines.
  PointTriangulation t = read_text("3 4\n5\n");
  ASSERT_EQ(t.number_of_vertices(), 1u);
  EXPECT_EQ(vertices_of(t)[0]->point(), Point3(3, 4, 5));
}

TEST(read_point_cloud, MissingEmptyAndDegenerateFiles) {
  EXPECT_EQ(read_point_cloud("/nonexistent/Building_69.txt").number_of_vertices(), 0u);
  EXPECT_EQ(read_text("").number_of_vertices(), 0u);
  PointTriangulation line = read_text("0 0 0  1 1 0  2 2 0  3 3 5");
  EXPECT_EQ(line.number_of_vertices(), 4u);
  EXPECT_EQ(line.number_of_faces(), 0u);
  EXPECT_LT(line.dimension(), 2);
}

TEST(read_point_cloud, InfiniteVertexReadsAsNothing) {
  PointTriangulation t = read_text("0 0 0  1 0 0  0 1 0");
  const PointLabel& label = t.infinite_vertex()->info();
  EXPECT_EQ(label.index(), -1);
  EXPECT_FALSE(label.is_roof());
  EXPECT_FALSE(label.on_plane());
  EXPECT_EQ(label.border_mark(), 0);
  EXPECT_EQ(label.cluster_id(), -3);
}

}  // namespace
}  // namespace roofplanes
