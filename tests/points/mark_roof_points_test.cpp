#include "points/mark_roof_points.h"

#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "points/clear_labels.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::triangulation_of;
using testing::vertices_of;

std::vector<bool> roof_flags(const PointTriangulation& t) {
  std::vector<bool> flags;
  for (Vertex_handle v : vertices_of(t)) flags.push_back(v->info().is_roof());
  return flags;
}

void mark(const std::string& list, PointTriangulation& t) {
  std::istringstream in(list);
  mark_roof_points(in, t);
}

PointTriangulation square() { return triangulation_of({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}); }

TEST(mark_roof_points, MarksListedPositions) {
  PointTriangulation t = square();
  mark("0 2 2", t);
  EXPECT_EQ(roof_flags(t), (std::vector<bool>{true, false, true, false}));
  PointTriangulation negative = square();
  mark("-5", negative);
  EXPECT_EQ(roof_flags(negative), (std::vector<bool>{true, false, false, false}));
  PointTriangulation empty = square();
  mark("", empty);
  EXPECT_EQ(roof_flags(empty), (std::vector<bool>{false, false, false, false}));
  PointTriangulation missing = square();
  mark_roof_points("/nonexistent/roof.txt", missing);
  EXPECT_EQ(roof_flags(missing), (std::vector<bool>{false, false, false, false}));
}

TEST(mark_roof_points, AddressesVertexPositionsNotRecordNumbers) {
  // Record 2 repeats the (x, y) of record 1, so record 3 is vertex 2.
  std::istringstream points("0 0 0  4 0 0  4 0 9  4 4 0  0 4 0");
  PointTriangulation t = read_point_cloud(points);
  mark("2", t);
  VertexList v = vertices_of(t);
  EXPECT_TRUE(v[2]->info().is_roof());
  EXPECT_EQ(v[2]->point(), Point3(4, 4, 0));
}

TEST(mark_roof_points, SkipsPositionsWithoutVertexAndStopsAtGarbage) {
  PointTriangulation t = square();
  ::testing::internal::CaptureStderr();
  mark("4 1 99999 x 3", t);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(roof_flags(t), (std::vector<bool>{false, true, false, false}));
  EXPECT_NE(err.find("4"), std::string::npos);
  EXPECT_NE(err.find("99999"), std::string::npos);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2);

  PointTriangulation none;
  ::testing::internal::CaptureStderr();
  mark("0 -1", none);
  const std::string none_err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(none_err.begin(), none_err.end(), '\n'), 2);  // no vertex for either
}

TEST(clear_labels, ClearIsRoofOnListAndOnPlaneEverywhere) {
  PointTriangulation t = square();
  mark("0 1 2 3", t);
  VertexList v = vertices_of(t);
  for (Vertex_handle h : v) h->info().set_on_plane(true);
  VertexList none;
  clear_is_roof(t, none);
  EXPECT_EQ(roof_flags(t), (std::vector<bool>{true, true, true, true}));
  VertexList region = {v[3], v[1]};
  clear_is_roof(t, region);
  EXPECT_EQ(roof_flags(t), (std::vector<bool>{true, false, true, false}));
  clear_on_plane(t);
  for (Vertex_handle h : v) EXPECT_FALSE(h->info().on_plane());
}

}  // namespace
}  // namespace roofplanes
