#pragma once

#include "points/point_triangulation.h"

namespace roofplanes {

// The outer boundary of a region as the edges of its triangles: the union of
// the triangles whose three corners are all region points, traced
// counterclockwise (the region on the left) ring by ring, each ring turning
// at a point where the region touches itself into the triangles it came
// through. Unlike a walk over border points, it always closes.
//   region  the region's points (no repeats)
// Returns the ring enclosing the largest area, from its point of smallest
// x (then y), without repeating that point at the end; a point where the
// region touches itself may appear twice. Empty when the region has no
// triangle of its own.
VertexList trace_region_outline(const PointTriangulation& triangulation, const VertexList& region);

}  // namespace roofplanes
