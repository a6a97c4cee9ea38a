#pragma once

// The outline of a building derived from its roof points: where the roof
// ends, at the scan's spacing, then simplified and squared.

#include <vector>

#include "model/building_attributes.h"
#include "model/roof_triangulation.h"

namespace roofplanes {

// The outline of the roof points of triangulation (local x, y): the piece of
// their regularised alpha shape that holds the most points with a face (labels,
// one segment number per sample point, 0 = none; the largest piece among
// those alike) with squared radius
// (alpha_radius · spacing)², its holes of at least min_hole_area kept. Each
// ring is then simplified (no point of the boundary farther than tolerance
// from it, topology kept) and squared against it (see square_ring); where
// squaring fails, the outer ring is simplified with two, then three times the
// tolerance and squared again, and the coarsest kept if none squares. Outer ring
// counterclockwise, holes clockwise, not closed. Empty when the points have
// no area.
struct OutlineOptions {
  double alpha_radius = 2.5;   // in spacings
  double tolerance = 1.0;      // in spacings
  double min_hole_area = 10.0; // m²
  double square_angle = 10.0;  // degrees
  // The roof's edge lies beyond its outermost points: a squared edge already
  // runs through the outer fifth of its boundary points, and a quarter
  // spacing beyond that is where the suite's true eaves lie (median error
  // 4 cm, outline area 1.01 of the footprint's).
  double edge_offset = 0.25;    // in spacings
};
std::vector<OutlinePolygon> roof_outline(RoofTriangulation& triangulation, const std::vector<int>& labels = {},
                                         const OutlineOptions& options = {});

// A ring simplified from boundary (its corners are points of boundary) with
// its edges within max_angle degrees of the ring's main direction (or of its
// perpendicular) turned onto it, each edge's line moved out to the 80th
// percentile of the boundary points it stands for and offset beyond, consecutive edges made
// one where they then lie within tolerance of one line, edges shorter than
// five tolerances between edges that cross at a clear angle dropped, and
// the corners moved to where consecutive lines cross. The main direction is
// the length-weighted mean of the edges' directions modulo 90° near its mode.
// Returns the ring unchanged when the squared one would not be simple or
// would change the area by more than a tenth beyond perimeter · offset.
std::vector<Point> square_ring(const std::vector<Point>& ring, const std::vector<Point>& boundary, double tolerance,
                               double max_angle, double offset = 0.0);

}  // namespace roofplanes
