#pragma once

#include "observer/report.h"
#include "planes/plane_params.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Least-squares fit of z = a·x + b·y + c to the points of the listed vertices
// (vertical differences, equal weights), solved through the normal equations
// x = (Aᵀ·A)⁻¹ · (Aᵀ·l). Returns [a, b, c]; three quiet NaNs when the normal
// matrix has no inverse (fewer than three points, all points on one line in
// x/y) or a matrix cannot be allocated (reported as a warning). Reads points only.
PlaneCoefficients fit_plane(const VertexList& vertices, Report& report);

// Normal form [pan, tilt, s] of the plane [a, b, c], with π taken as 3.1416
// for the pan. A horizontal plane (or NaN input) gets pan 0.0. The arguments
// of asin and acos are clamped to [-1, 1]: for a nearly horizontal plane
// |ny / cos(tilt)| can exceed 1 by rounding, which would give a NaN pan.
PlaneParams plane_params_from_fit(const PlaneCoefficients& coefficients);

}  // namespace roofplanes
