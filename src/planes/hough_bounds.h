#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "planes/hough_levels.h"
#include "planes/hough_vote.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Points gathered into square columns of the xy plane, each kept as the box
// around its points and how many there are: enough to bound, for any
// direction, how many of them one distance level can hold, at a small part of
// the cost of voting them.
struct PointBins {
  std::vector<double> cx, cy, cz;  // box centres
  std::vector<double> hx, hy, hz;  // box half extents
  std::vector<std::uint32_t> count;
  double slack = 0.0;    // widens every projected box past any rounding of a vote
  std::size_t points = 0;  // binned in all
};

// Bins points into columns holding about points_per_bin of them on average.
PointBins bin_points(std::span<const Vertex_handle> points, std::size_t points_per_bin = 16);

// Fills row[0, levels.count) with, per level, at least the number of binned
// points whose vote in direction n lands there (a box adds its count to every
// level its projection touches), and returns the largest of them.
std::uint32_t bound_row(const PointBins& bins, const HoughDirection& n, const HoughDistanceLevels& levels,
                        std::uint32_t* row);

}  // namespace roofplanes
