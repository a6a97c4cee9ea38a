#pragma once

#include "points/point_triangulation.h"

namespace roofplanes {

// Border points of a region: the points whose cluster_id equals that of the
// region's first point. A region point is on the border when it has a region
// neighbour and an infinite face or a face with a corner outside the region.
//   region   read only, non-empty
// Returns the border points in region order and sets border_mark = 1 on each;
// never clears a mark. The infinite vertex belongs to no region.
VertexList detect_border(const VertexList& region, PointTriangulation& triangulation);

}  // namespace roofplanes
