#pragma once

#include "points/point_triangulation.h"

namespace roofplanes {

// The plane z = a·x + b·y + c; valid is false when no plane could be fitted.
struct HeightPlane {
  double a = 0.0, b = 0.0, c = 0.0;
  bool valid = false;
};

// Least-squares fit of z = a·x + b·y + c to the listed points (vertical
// residuals, equal weights; the scan's noise is in z). Invalid for fewer than
// three points or points on one line in x-y.
HeightPlane fit_height_plane(const VertexList& points);

// z − (a·x + b·y + c): the height of p above the plane.
inline double height_residual(const HeightPlane& plane, const Point3& p) {
  return p.z() - (plane.a * p.x() + plane.b * p.y() + plane.c);
}

// Root mean square of height_residual over the listed points; 0 for none.
double height_rms(const HeightPlane& plane, const VertexList& points);

}  // namespace roofplanes
