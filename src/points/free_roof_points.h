#pragma once

#include "points/point_triangulation.h"

namespace roofplanes {

// The roof points still in play (is_roof set), in vertex iteration order.
VertexList free_roof_points(const PointTriangulation& triangulation);

}  // namespace roofplanes
