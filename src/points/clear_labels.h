#pragma once

#include "points/point_triangulation.h"

namespace roofplanes {

// End-of-pass resets. clear_is_roof takes the listed points out of play
// (the triangulation is not used); clear_on_plane clears the plane flag on
// every finite vertex, or on the listed ones only (where a pass knows which
// it flagged, so that a pass costs its own points, not the building's).
void clear_is_roof(PointTriangulation& triangulation, VertexList& vertices);
void clear_on_plane(PointTriangulation& triangulation);
void clear_on_plane(const VertexList& vertices);

}  // namespace roofplanes
