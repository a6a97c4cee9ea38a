#include "planes/hough_search.h"

namespace roofplanes {

void update_points_in_play(HoughSearch& search, const PointTriangulation& triangulation, VertexList* left) {
  VertexList& points = search.in_play;
  if (!search.gathered) {
    // Counted first so that the array is allocated once, at its final size.
    std::size_t count = 0;
    for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
      if (v->info().is_roof()) ++count;
    points.reserve(count);
    for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
      if (v->info().is_roof()) points.push_back(v);
    search.gathered = true;
    return;
  }
  std::size_t kept = 0;
  for (const Vertex_handle& v : points) {
    if (v->info().is_roof())
      points[kept++] = v;
    else if (left != nullptr)
      left->push_back(v);
  }
  points.resize(kept);
}

}  // namespace roofplanes
