#pragma once

#include <cstddef>
#include <vector>

#include "points/point_triangulation.h"

namespace roofplanes {

// One Hough cell as a plane: the points p with |n · p − s| ≤ half_width.
struct PlaneCandidate {
  double nx = 0.0, ny = 0.0, nz = 1.0;  // unit normal of the cell's direction, nz ≥ 0
  double s = 0.0;                       // centre of the cell's distance level
  double half_width = 0.0;              // half the distance level
  std::size_t votes = 0;                // votes of the cell
};

// The count best distinct cells of a Hough transform over the free roof
// points (is_roof set), on the same direction grid as the seed search
// (angle_resolution degrees) with distance levels of distance_resolution.
// When there are more than max_voters roof points, only every k-th votes
// (k the smallest step that leaves at most max_voters; 0: all vote), which
// keeps a large building's search cheap while the cell contents are taken
// from all points later. A cell is distinct when, for every better cell, its
// normal is more than three angle cells from that cell's normal or
// its plane passes more than two distance levels from the centre of that
// cell's voters. Cells with less than a quarter of the best cell's votes are
// not considered. Best first (most votes; ties: the
// first in tilt, pan, s order). Empty when there are fewer than three roof
// points. Reads only.
std::vector<PlaneCandidate> hough_peaks(const PointTriangulation& triangulation, double angle_resolution,
                                        double distance_resolution, std::size_t count, std::size_t max_voters);

// The free roof points inside a candidate's cell, in vertex iteration order.
VertexList candidate_points(const PointTriangulation& triangulation, const PlaneCandidate& candidate);

// The same among the listed points, which are all free roof points, in their order.
VertexList candidate_points(const VertexList& free_roof, const PlaneCandidate& candidate);

}  // namespace roofplanes
