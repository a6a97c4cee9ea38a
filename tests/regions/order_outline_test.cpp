#include "regions/order_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "regions/detect_border.h"
#include "support/captured_report.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::annulus_points;
using testing::hexagon_points;
using testing::triangulation_of;
using testing::vertices_of;

// Marks the listed points as detect_border would and returns them.
VertexList marked(const VertexList& all, std::initializer_list<int> positions) {
  VertexList list;
  for (int k : positions) {
    all[k]->info().set_border_mark(1);
    list.push_back(all[k]);
  }
  return list;
}

VertexList border_of_region(const VertexList& all, std::initializer_list<int> positions, PointTriangulation& t) {
  VertexList region;
  for (int k : positions) {
    all[k]->info().set_cluster_id(0);
    region.push_back(all[k]);
  }
  return detect_border(region, t);
}

TEST(leftmost_point, FirstOfSmallestXWins) {
  PointTriangulation t = triangulation_of({{0, 1, 0}, {0, 0, 0}, {1, -1, 0}, {-1, 5, 0}});
  VertexList v = vertices_of(t);
  EXPECT_EQ(leftmost_point({v[0], v[1], v[2]}), v[0]);
  EXPECT_EQ(leftmost_point({v[2], v[1], v[0]}), v[1]);
  EXPECT_EQ(leftmost_point({v[0], v[1], v[3]}), v[3]);
  EXPECT_EQ(leftmost_point({v[2]}), v[2]);
}

TEST(order_outline, OneTriangleCounterclockwiseFromLeftmost) {
  testing::CapturedReport silent;
  PointTriangulation t = triangulation_of({{2, 1, 0}, {1, 3, 0}, {0, 0, 0}});
  VertexList v = vertices_of(t);
  const VertexList border = marked(v, {0, 1, 2});
  const VertexList outline = order_outline(border, t, silent.report);
  EXPECT_EQ(outline, (VertexList{v[2], v[0], v[1]}));
  for (Vertex_handle p : v) EXPECT_EQ(p->info().border_mark(), 2);
  EXPECT_EQ(order_outline(border, t, silent.report), outline);  // marks of 2 still count
}

TEST(order_outline, WholeTriangulationGivesHullAlongLowerPartFirst) {
  testing::CapturedReport silent;
  PointTriangulation t = triangulation_of(hexagon_points());
  VertexList v = vertices_of(t);
  const VertexList border = border_of_region(v, {0, 1, 2, 3, 4, 5, 6}, t);
  EXPECT_EQ(order_outline(border, t, silent.report), (VertexList{v[4], v[5], v[6], v[1], v[2], v[3]}));
  EXPECT_EQ(v[0]->info().border_mark(), 0);
}

TEST(order_outline, TouchingPointListedTwice) {
  testing::CapturedReport silent;
  PointTriangulation t = triangulation_of(hexagon_points());
  VertexList v = vertices_of(t);
  // Triangles 0-1-2 and 0-4-5 touch at the centre; the walk starts at vertex 4.
  const VertexList border = border_of_region(v, {0, 1, 2, 4, 5}, t);
  ASSERT_EQ(border.size(), 5u);
  EXPECT_EQ(order_outline(border, t, silent.report), (VertexList{v[4], v[5], v[0], v[1], v[2], v[0]}));
}

TEST(order_outline, TouchingStartPointEndsAtFirstReturn) {
  testing::CapturedReport silent;
  // Vertex 0 at the origin is the leftmost point and the only one the
  // triangles 0-1-2 (above) and 0-3-4 (below) share; vertex 5 is outside.
  PointTriangulation t = triangulation_of({{0, 0, 0}, {2, 1, 0}, {1, 2, 0}, {1, -2, 0}, {2, -1, 0}, {2.2, 0, 0}});
  VertexList v = vertices_of(t);
  const VertexList border = marked(v, {0, 1, 2, 3, 4});
  EXPECT_EQ(order_outline(border, t, silent.report), (VertexList{v[0], v[3], v[4]}));
  EXPECT_EQ(v[1]->info().border_mark(), 1);
  EXPECT_EQ(v[2]->info().border_mark(), 1);
}

TEST(order_outline, HoleBorderIsLeftOut) {
  testing::CapturedReport silent;
  // Inner hexagon around a centre outside the region, outer ring of radius
  // 2.5 at 20 + 60k degrees (vertices 7-12); vertex 10 at 200 degrees is leftmost.
  PointTriangulation t = triangulation_of(annulus_points());
  VertexList v = vertices_of(t);
  const VertexList border = border_of_region(v, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, t);
  ASSERT_EQ(border.size(), 12u);

  EXPECT_EQ(order_outline(border, t, silent.report), (VertexList{v[10], v[11], v[12], v[7], v[8], v[9]}));
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(v[k]->info().border_mark(), 1) << k;
  for (int k = 7; k <= 12; ++k) EXPECT_EQ(v[k]->info().border_mark(), 2) << k;
}

TEST(order_outline, DeadEndIsRepeatedThenLeft) {
  // Only 0 and 1 are marked: at 1 the only marked neighbour is the way back,
  // so 1 is listed again and the next step, with no direction back, turns from +x.
  PointTriangulation t = triangulation_of({{0, 0, 0}, {2, 1, 0}, {1, 3, 0}});
  VertexList v = vertices_of(t);
  testing::CapturedReport out;
  const VertexList outline = order_outline(marked(v, {1, 0}), t, out.report);
  EXPECT_EQ(out.observer.console_text, "rectangular_to_polar_angle_deg: direction undefined!");
  EXPECT_EQ(outline, (VertexList{v[0], v[1], v[1]}));
  EXPECT_EQ(v[2]->info().border_mark(), 0);
}

TEST(order_outline, LonePointIsItsOwnOutline) {
  testing::CapturedReport silent;
  PointTriangulation t = triangulation_of({{0, 0, 0}, {2, 1, 0}, {1, 3, 0}});
  VertexList v = vertices_of(t);
  EXPECT_EQ(order_outline(marked(v, {1}), t, silent.report), (VertexList{v[1]}));
}

TEST(order_outline, WalkThatNeverReturnsStopsAtItsBound) {
  // 0 (0, 0) - 1 (3, 1) - 2 (2, 1) are marked; 3 (1, 0.5) on the segment 0-2
  // keeps 0 and 2 apart. Coming from 1, the walk at 2 finds only the way back
  // in direction 0 degrees, and a repeated point's reference is 0 degrees too:
  // it stays at 2 for good.
  PointTriangulation t = triangulation_of({{0, 0, 0}, {3, 1, 0}, {2, 1, 0}, {1, 0.5, 0}});
  VertexList v = vertices_of(t);
  testing::CapturedReport captured;
  const VertexList outline = order_outline(marked(v, {0, 1, 2}), t, captured.report);
  const std::string err = captured.observer.warnings;
  const std::string out = captured.observer.console_text;

  const std::size_t bound = 6 * 4 + 6;
  ASSERT_EQ(outline.size(), 1 + bound);  // the start and one point per step, the last kept
  EXPECT_EQ(outline[0], v[0]);
  EXPECT_EQ(outline[1], v[1]);
  for (std::size_t k = 2; k < outline.size(); ++k) EXPECT_EQ(outline[k], v[2]) << k;
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_EQ(err.back(), '\n');
  // Steps 4 to 30 start from a repeated point.
  std::string expected_out;
  for (int k = 4; k <= 30; ++k) expected_out += "rectangular_to_polar_angle_deg: direction undefined!";
  EXPECT_EQ(out, expected_out);
}

TEST(order_outline, WalkThatCirclesStopsAtItsFirstRepeatedStep) {
  // The walk of the test above, bounded by its first repeated step: 0 to 1,
  // 1 to 2, 2 to 2, and 2 to 2 again would follow for good.
  PointTriangulation t = triangulation_of({{0, 0, 0}, {3, 1, 0}, {2, 1, 0}, {1, 0.5, 0}});
  VertexList v = vertices_of(t);
  testing::CapturedReport captured;
  const VertexList outline = order_outline(marked(v, {0, 1, 2}), t, captured.report, OutlineBound::first_repeat);
  EXPECT_EQ(outline, (VertexList{v[0], v[1], v[2], v[2]}));
  const std::string& err = captured.observer.warnings;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(order_outline, RepeatBoundLeavesReturningWalksAlone) {
  // The walk through a point where the region touches itself lists that
  // point twice but steps from it differently each time, and returns.
  testing::CapturedReport captured;
  PointTriangulation t = triangulation_of(hexagon_points());
  VertexList v = vertices_of(t);
  const VertexList border = border_of_region(v, {0, 1, 2, 4, 5}, t);
  EXPECT_EQ(order_outline(border, t, captured.report, OutlineBound::first_repeat),
            (VertexList{v[4], v[5], v[0], v[1], v[2], v[0]}));
  EXPECT_TRUE(captured.observer.warnings.empty());
}

}  // namespace
}  // namespace roofplanes
