#pragma once

// Outlines as the segment record holds them.

#include "points/point_triangulation.h"
#include "segments/roof_segment.h"

namespace roofplanes::testing {

inline OutlineList outline_of(const VertexList& vertices) { return OutlineList(vertices.begin(), vertices.end()); }

}  // namespace roofplanes::testing
