#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "planes/hough_levels.h"
#include "planes/hough_peaks.h"
#include "planes/huge_page_allocator.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// The Hough votes of the free roof points (is_roof set), kept from pass to
// pass of a search so that a pass does not vote again: the points a pass
// takes withdraw their votes. When there are more than max_voters free roof
// points, only every step-th votes (step the smallest that leaves at most
// max_voters; max_voters 0: all vote); once fewer than half of those voters
// are still free, the sample is drawn again from the free points, so that the
// voters stay dense enough for the smaller faces left.
struct HoughVotes {
  struct Direction {
    double nx, ny, nz;
  };
  double distance_resolution = 0.0;
  std::size_t max_voters = 0;
  double direction_resolution = 0.0;  // the direction grid's tilt step, degrees
  std::vector<Direction> directions;
  HoughDistanceLevels grid{0.0, 1.0, 1};
  std::size_t step = 1;                         // every step-th free roof point votes
  VertexList voters;                            // in vertex iteration order
  std::vector<double> x, y, z;                  // the voters' points
  std::vector<char> free;                       // per voter: still a free roof point
  std::size_t free_voters = 0;
  std::vector<std::int32_t> voter_of_position;  // per vertex position, −1: no voter
  // The counts, row by row: direction d's levels [rows[d].first, rows[d].second)
  // from counts[row_start[d]] on. Empty when too many to hold.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> rows;
  std::vector<std::size_t> row_start;
  std::vector<std::uint32_t, HugePageAllocator<std::uint32_t>> counts;
  std::vector<std::uint32_t> row_bound;  // per direction: no count of its row is larger
  // The points of the voters withdrawn since the counts were made; row d's
  // counts still hold the votes of those from index applied[d] on, and lose
  // them when the row is next read (most rows never are again), or are then
  // counted afresh from the free voters when fewer remain than are to leave.
  std::vector<double> withdrawn_x, withdrawn_y, withdrawn_z;
  std::vector<std::uint32_t> applied;
  std::vector<double> free_x, free_y, free_z;  // the free voters' points, for counting a row afresh
  bool free_points_stale = true;              // free_x, y, z no longer the free voters'
};

// The votes of the free roof points of triangulation, on the direction grid of
// the seed search (angle_resolution degrees) without the directions of planes
// steeper than max_slope degrees (90: none left out), with distance levels of
// distance_resolution, by at most max_voters of them (see HoughVotes).
HoughVotes vote_free_roof_points(const PointTriangulation& triangulation, double angle_resolution,
                                 double distance_resolution, std::size_t max_voters, double max_slope = 90.0);

// Withdraws the votes of the taken points (which must have left play:
// is_roof cleared); draws the sample again from the free roof points of
// triangulation when fewer than half of a thinned sample's voters are free.
void withdraw_votes(HoughVotes& votes, const VertexList& taken, const PointTriangulation& triangulation);

// The count best distinct cells of the votes, as hough_peaks describes them.
// Tightens the rows' bounds it reads on the way.
std::vector<PlaneCandidate> vote_peaks(HoughVotes& votes, std::size_t count);

}  // namespace roofplanes
