#include "points/centre_points.h"

namespace roofplanes {

std::vector<double> centre_points(PointTriangulation& triangulation) {
  double mx = 0.0, my = 0.0, mz = 0.0;
  const double n = static_cast<double>(triangulation.number_of_vertices());
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    const Point3& p = v->point();
    // Each coordinate is divided before it is added, which keeps the sum in
    // range for large projected coordinates.
    mx = p.x() / n + mx;
    my = p.y() / n + my;
    mz = p.z() / n + mz;
  }
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    const Point3& p = v->point();
    // The same shift for every point keeps the triangulation valid without a rebuild.
    v->set_point(Point3(p.x() - mx, p.y() - my, p.z() - mz));
  }
  return {mx, my, mz};
}

}  // namespace roofplanes
