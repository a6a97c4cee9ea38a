#include "planes/plane_residual.h"

#include <cmath>

namespace roofplanes {

double plane_residual(const Point3& p, const PlaneParams& plane) {
  const double pan = plane[0], tilt = plane[1], s = plane[2];
  // This grouping differs from the Hough vote's; the results must match it bit for bit.
  return std::fabs(s - (((p.x() * std::cos(pan)) * std::cos(tilt) + (p.y() * std::sin(pan)) * std::cos(tilt)) +
                        p.z() * std::sin(tilt)));
}

std::vector<double> plane_residuals(const VertexList& vertices, const PlaneParams& plane) {
  std::vector<double> residuals;
  residuals.reserve(vertices.size());
  for (const Vertex_handle& v : vertices) residuals.push_back(plane_residual(v->point(), plane));
  return residuals;
}

}  // namespace roofplanes
