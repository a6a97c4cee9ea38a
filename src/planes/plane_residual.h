#pragma once

#include "planes/plane_params.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Absolute distance of p from the plane [pan, tilt, s]:
// |s − (((x · cos pan) · cos tilt + (y · sin pan) · cos tilt) + z · sin tilt)|.
double plane_residual(const Point3& p, const PlaneParams& plane);

// plane_residual of every listed vertex, in list order.
std::vector<double> plane_residuals(const VertexList& vertices, const PlaneParams& plane);

}  // namespace roofplanes
