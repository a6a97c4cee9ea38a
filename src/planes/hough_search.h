#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "planes/hough_bounds.h"
#include "planes/hough_vote.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Bytes the plane search may spend on counting every cell of its grid at
// once: far above any real building (a 100 m building needs about 1 MB).
// Above it the search counts one direction at a time.
inline constexpr std::size_t hough_grid_budget = std::size_t{64} << 20;

// What the plane search carries from one pass to the next of one extraction:
// the roof points still in play and, while the grid fits the budget, the vote
// counts of every cell. A row (one direction) is counted, or brought up to
// date, only when one of its cells might hold the most votes; until then it
// keeps bounds taken from bins of the points, or the counts it had at its
// epoch in the grid it was counted in, and a bound on what any of its cells in
// the newest grid holds. Between two searches roof flags may
// only be cleared and coordinates must not change.
struct HoughSearch {
  VertexList in_play;  // vertex iteration order
  bool gathered = false;

  std::vector<HoughDirection> directions;  // of the last search, row by row: tilt outer, pan inner
  std::vector<std::uint32_t> counts;  // row d at counts + d · count_stride, one count per s level
  std::size_t count_stride = 0;
  bool counts_valid = false;
  double counted_max_distance = 0.0;  // the newest grid
  double counted_angle_resolution = 0.0;
  double counted_s_resolution = 0.0;
  std::vector<HoughDistanceLevels> grids;  // every grid a row is counted in, the newest last
  std::vector<std::uint32_t> row_grid;     // per row: its grid in grids
  // Per row: its counts are exact for the points in play before
  // departed[row_epoch, end) left play, or, at bound_only, bounds from bins.
  std::vector<std::size_t> row_epoch;
  static constexpr std::size_t bound_only = static_cast<std::size_t>(-1);
  PointBins bins;             // fine bins of the points in play when they were last made
  std::size_t bins_made = 0;  // how many times
  std::vector<std::size_t> row_bins;  // per row: bins_made when its bound came from them (0: coarse)
  VertexList departed;  // the points that left play since the oldest epoch, in order
  // Per row: at least the count of any of its cells in the newest grid.
  // Counts only fall between passes, so a bound stays one.
  std::vector<std::uint32_t> row_bound;

  // The first point in play at the largest distance from the origin, while
  // known, and the points in play exactly at the origin.
  bool farthest_known = false;
  Vertex_handle farthest;
  double farthest_distance = 0.0;
  VertexList at_origin;

  std::size_t grid_budget = hough_grid_budget;  // bytes
  VoteKernel kernel = default_vote_kernel();
};

// Brings search.in_play up to date with the triangulation's roof flags. The
// first call gathers every roof point in vertex iteration order; later calls
// drop the points whose flag was cleared, keeping the order of the rest, and
// append the dropped ones to left (when given).
void update_points_in_play(HoughSearch& search, const PointTriangulation& triangulation, VertexList* left);

}  // namespace roofplanes
