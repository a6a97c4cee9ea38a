#include "planes/max_roof_distance.h"

#include <cmath>

namespace roofplanes {

double max_roof_distance(const PointTriangulation& triangulation, Report& report) {
  const Point3 origin(0.0, 0.0, 0.0);
  double largest = 0.0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    const double distance = point_distance(origin, v->point(), report);
    if (distance > largest) largest = distance;
  }
  return largest;
}

double point_distance(const Point3& first, const Point3& second, Report& report) {
  if (first.x() == second.x() && first.y() == second.y() && first.z() == second.z())
    report.console("Calculating distance between a point and itself!");
  const double dx = second.x() - first.x();
  const double dy = second.y() - first.y();
  const double dz = second.z() - first.z();
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace roofplanes
