#pragma once

#include <cstddef>

#include "points/point_triangulation.h"

namespace roofplanes {

// How densely and how precisely a building's roof was scanned, estimated from
// its own roof points.
struct ScanQuality {
  double spacing = 0.0;     // typical horizontal distance between neighbouring roof points; 1 / sqrt(points per m²)
  double noise = 0.0;       // standard deviation of the roof points' heights about their faces
  std::size_t triangles = 0;  // roof triangles the spacing was measured on
  std::size_t fits = 0;       // pairs of roof triangles the noise was measured on
};

// Estimates spacing and noise from the roof points (is_roof set) of a
// triangulation.
// Spacing: a Delaunay triangulation of n points in an area A has about 2n
// triangles, so spacing = sqrt(2 · median area of the triangles with three
// roof corners), in the x-y plane; the median ignores the large triangles
// across holes and along the outline.
// Noise: the smaller of two estimates, each trimmed so that what lies across
// a ridge, hip, eave or step does not count (both overestimate there, the one
// less than the other depending on the roof):
//  - pairs of roof triangles sharing an edge: the height of the fourth point
//    minus the plane through the other three, over sqrt(1 + wa² + wb² + wc²)
//    (the barycentric weights of the fourth point), has the noise's spread;
//    σ = median |r| / 0.6745, then repeatedly the median of the |r| ≤ 2σ over
//    0.6391 (the median of |x| below 2 for a standard normal x);
//  - for every roof point with five roof neighbours or more, the plane fitted
//    to it and them: its own residual over sqrt(1 − h), h its leverage;
//    σ = median / 0.6745 over the fits whose every point lies within 3σ of
//    the fit, σ from the round before.
// Above 40,000 roof points both are measured on a sample: the points whose
// position is a multiple of ceil(roof points / 40,000), and the pairs whose
// shared edge's lower-position end is one.
// Both are 0 when there is nothing to measure. Reads only.
ScanQuality estimate_scan_quality(const PointTriangulation& triangulation);

}  // namespace roofplanes
