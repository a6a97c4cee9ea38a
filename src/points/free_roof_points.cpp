#include "points/free_roof_points.h"

namespace roofplanes {

VertexList free_roof_points(const PointTriangulation& triangulation) {
  VertexList points;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    if (v->info().is_roof()) points.push_back(v);
  return points;
}

}  // namespace roofplanes
