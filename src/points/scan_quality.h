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
  std::size_t fits = 0;       // local plane fits the noise was measured on
};

// Estimates spacing and noise from the roof points (is_roof set) of a
// triangulation. Spacing: a Delaunay triangulation of n points in an area A
// has about 2n triangles, so spacing = sqrt(2 · median area of the triangles
// with three roof corners), in the x-y plane; the median ignores the large
// triangles across holes and along the outline. Noise: for every roof point
// with at least five roof neighbours, the plane z = a·x + b·y + c is fitted to
// it and its neighbours; its residual r over sqrt(1 − h) (h its leverage in
// that fit) has the noise's standard deviation on a plane; noise = median |r /
// sqrt(1 − h)| / 0.6745, the median keeping the few fits across ridges and
// edges out. Both are 0 when there is nothing to measure. Reads only.
ScanQuality estimate_scan_quality(const PointTriangulation& triangulation);

}  // namespace roofplanes
