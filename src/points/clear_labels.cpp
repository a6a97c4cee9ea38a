#include "points/clear_labels.h"

namespace roofplanes {

void clear_is_roof(PointTriangulation& /*triangulation*/, VertexList& vertices) {
  for (const Vertex_handle& v : vertices) v->info().set_is_roof(false);
}

void clear_on_plane(PointTriangulation& triangulation) {
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    v->info().set_on_plane(false);
}

void clear_on_plane(const VertexList& vertices) {
  for (const Vertex_handle& v : vertices) v->info().set_on_plane(false);
}

}  // namespace roofplanes
