// Bounds from bins stand in for vote counts the search has not made: no cell
// may ever hold more votes than its bound, whatever the directions, the
// building, or points lying exactly on the edge of a level.

#include "planes/hough_bounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "planes/hough_TDS.h"
#include "support/generated_input.h"

namespace roofplanes {
namespace {

// Every direction of the 3-degree grid, as the plane search makes them.
std::vector<HoughDirection> grid_directions() {
  std::vector<double> tilts;
  std::vector<std::vector<double>> pans;
  double resolution = 3.0;
  hough_levels(tilts, pans, 0, 360, 0, 90, resolution);
  return hough_directions(tilts, pans);
}

// Checks bound_row against a fresh vote in every direction. Returns the share
// of directions whose largest bound stays below the largest count of all: the
// rows the search need not count.
double expect_bounds_hold(const VertexList& points, const HoughDistanceLevels& levels) {
  const std::vector<HoughDirection> directions = grid_directions();
  const PointBins bins = bin_points(points);
  const std::size_t n = directions.size();
  std::vector<std::uint32_t> counts(n * levels.count, 0);
  vote_grid(points, directions.data(), n, counts.data(), levels, false, VoteKernel::sse2);
  std::vector<std::uint32_t> bound(levels.count);
  std::size_t over = 0;
  std::vector<std::uint32_t> largest_bound(n);
  for (std::size_t d = 0; d < n; ++d) {
    largest_bound[d] = bound_row(bins, directions[d], levels, bound.data());
    EXPECT_EQ(largest_bound[d], *std::max_element(bound.begin(), bound.end()));
    const std::uint32_t* row = counts.data() + d * levels.count;
    for (std::size_t level = 0; level < levels.count; ++level)
      over += row[level] > bound[level];
  }
  EXPECT_EQ(over, 0u) << "cells holding more votes than their bound";
  const std::uint32_t peak = *std::max_element(counts.begin(), counts.end());
  const auto below =
      std::count_if(largest_bound.begin(), largest_bound.end(), [&](std::uint32_t b) { return b < peak; });
  return static_cast<double>(below) / static_cast<double>(n);
}

TEST(bound_row, NoCellHoldsMoreVotesThanItsBound) {
  // A generated building, centred as the search meets it.
  PointCloud cloud = testing::generated_cloud(building_generator::RoofShape::cross_gable, 3000, 7);
  VertexList roof;
  double reach = 0.0;
  for (const Vertex_handle& v : cloud.vertices) {
    if (!v->info().is_roof()) continue;
    roof.push_back(v);
    const Point3& p = v->point();
    reach = std::max(reach, std::sqrt(p.x() * p.x() + p.y() * p.y() + p.z() * p.z()));
  }
  ASSERT_GT(roof.size(), 2000u);
  // Most rows need no count at all.
  EXPECT_GT(expect_bounds_hold(roof, hough_distance_levels(reach, 1.2)), 0.75);

  // Points exactly on the edges of levels in the vertical direction, a few
  // at one (x, y), and one lone point: the bins' boxes are flat or empty.
  const HoughDistanceLevels levels{-6.0, 1.5, 8};
  std::vector<Point> records;
  for (int k = 0; k < 8; ++k) records.push_back({0.25 * k, 0.5, -6.0 + 1.5 * k});
  records.push_back({5.0, 5.0, 0.0});
  PointCloud edges = triangulate_points(records);
  expect_bounds_hold(edges.vertices, levels);
}

}  // namespace
}  // namespace roofplanes
