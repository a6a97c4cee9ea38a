#pragma once

#include <vector>

#include "points/point_triangulation.h"

namespace roofplanes {

// Moves every finite vertex so the centroid of all points (roof or not) lies
// at the origin. Returns the centroid [x, y, z]; [0, 0, 0] when there is no
// vertex. The triangles, vertex order, handles and labels stay as they were.
std::vector<double> centre_points(PointTriangulation& triangulation);

}  // namespace roofplanes
