#include "planes/hough_search.h"

namespace roofplanes {

void update_points_in_play(HoughSearch& search, const PointTriangulation& triangulation, HoughPointArrays* left) {
  HoughPointArrays& points = search.in_play;
  if (!search.gathered) {
    // Counted first so that each array is allocated once, at its final size.
    std::size_t count = 0;
    for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
      if (v->info().is_roof()) ++count;
    points.x.reserve(count);
    points.y.reserve(count);
    points.z.reserve(count);
    points.vertices.reserve(count);
    for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
      if (v->info().is_roof()) points.push_back(v);
    search.gathered = true;
    return;
  }
  std::size_t kept = 0;
  for (std::size_t p = 0; p < points.vertices.size(); ++p) {
    const Vertex_handle v = points.vertices[p];
    if (!v->info().is_roof()) {
      if (left != nullptr) left->push_back(v);
      continue;
    }
    points.x[kept] = points.x[p];
    points.y[kept] = points.y[p];
    points.z[kept] = points.z[p];
    points.vertices[kept] = v;
    ++kept;
  }
  points.x.resize(kept);
  points.y.resize(kept);
  points.z.resize(kept);
  points.vertices.resize(kept);
}

}  // namespace roofplanes
