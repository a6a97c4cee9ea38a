#pragma once

#include "observer/report.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Largest Euclidean distance from the origin of any finite vertex whose
// is_roof flag is set; 0 when there is none. A point replaces the maximum only
// when it is strictly farther. A roof point at the origin makes point_distance
// write its warning.
double max_roof_distance(const PointTriangulation& triangulation, Report& report);

// Euclidean distance sqrt((x2 - x1)^2 + (y2 - y1)^2 + (z2 - z1)^2). For two
// equal points it first writes "Calculating distance between a point and
// itself!" to standard output, without a line end, and returns 0.
double point_distance(const Point3& first, const Point3& second, Report& report);

}  // namespace roofplanes
