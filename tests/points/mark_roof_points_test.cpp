#include "points/mark_roof_points.h"

#include <gtest/gtest.h>

#include "pipeline/building_input.h"
#include "points/clear_labels.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

std::vector<bool> roof_flags(const PointCloud& cloud) {
  std::vector<bool> flags;
  for (Vertex_handle v : cloud.vertices) flags.push_back(v->info().is_roof());
  return flags;
}

const std::vector<Point> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

// The roof list as the program reads it, marked on a fresh triangulation.
std::vector<bool> marked(const std::vector<Point>& points, const std::vector<long long>& positions,
                         std::vector<std::size_t>* unknown_out = nullptr) {
  std::vector<std::size_t> unknown;
  const std::vector<std::uint8_t> roof = roof_flags_from_positions(points, positions, unknown);
  if (unknown_out != nullptr) *unknown_out = unknown;
  PointCloud cloud = triangulate_points(points);
  mark_roof_points(roof, cloud);
  return roof_flags(cloud);
}

TEST(mark_roof_points, MarksListedPositions) {
  EXPECT_EQ(marked(square, {0, 2, 2}), (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(marked(square, {-5}), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(marked(square, {}), (std::vector<bool>{false, false, false, false}));
}

TEST(mark_roof_points, AddressesVertexPositionsNotRecordNumbers) {
  // Record 2 repeats the (x, y) of record 1 (with −0 for 0), so record 3 is vertex 2.
  const std::vector<Point> points = {{0, 0, 0}, {4, -0.0, 0}, {4, 0, 9}, {4, 4, 0}, {0, 4, 0}};
  std::vector<std::size_t> unknown;
  EXPECT_EQ(marked(points, {2, 4, 3}, &unknown), (std::vector<bool>{false, false, true, true}));
  EXPECT_EQ(unknown, (std::vector<std::size_t>{1}));  // entry 1 names position 4: no such vertex

  // The first record of a vertex decides, whichever record is flagged later.
  PointCloud cloud = triangulate_points(points);
  mark_roof_points({0, 0, 1, 0, 0}, cloud);
  EXPECT_EQ(roof_flags(cloud), (std::vector<bool>{false, false, false, false}));
}

TEST(mark_roof_points, PositionsWithoutVertexAreReturnedInOrder) {
  std::vector<std::size_t> unknown;
  EXPECT_EQ(marked(square, {4, 1, 99999, 3}, &unknown), (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(unknown, (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(marked({}, {0, -1}, &unknown), std::vector<bool>{});
  EXPECT_EQ(unknown, (std::vector<std::size_t>{0, 1}));  // no vertex for either
}

TEST(clear_labels, ClearIsRoofOnListAndOnPlaneEverywhere) {
  PointCloud cloud = triangulate_points(square);
  mark_roof_points({1, 1, 1, 1}, cloud);
  const VertexList& v = cloud.vertices;
  for (Vertex_handle h : v) h->info().set_on_plane(true);
  VertexList none;
  clear_is_roof(cloud.triangulation, none);
  EXPECT_EQ(roof_flags(cloud), (std::vector<bool>{true, true, true, true}));
  VertexList region = {v[3], v[1]};
  clear_is_roof(cloud.triangulation, region);
  EXPECT_EQ(roof_flags(cloud), (std::vector<bool>{true, false, true, false}));
  clear_on_plane(cloud.triangulation);
  for (Vertex_handle h : v) EXPECT_FALSE(h->info().on_plane());
}

}  // namespace
}  // namespace roofplanes
