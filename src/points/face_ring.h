#pragma once

#include <type_traits>

#include "points/point_triangulation.h"

namespace roofplanes {

// Visits the faces around v the one way every stage does: counterclockwise,
// starting at the face the triangulation stores for v, each face exactly once,
// infinite faces included. For a face f, c is the vertex after v
// counterclockwise in f and e the vertex after c. Calls visit(f, c, e); when
// visit returns bool, false stops the turn early. Without 2-D faces (fewer
// than three points, or all on one line) nothing is visited.
template <class Visit>
void for_each_face_around(const PointTriangulation& triangulation, Vertex_handle v, Visit&& visit) {
  auto face = triangulation.incident_faces(v);
  if (face == nullptr) return;
  const auto done = face;
  do {
    const Face_handle f = face;
    const int i = f->index(v);
    const Vertex_handle c = f->vertex(PointTriangulation::ccw(i));
    const Vertex_handle e = f->vertex(PointTriangulation::cw(i));
    if constexpr (std::is_same_v<std::invoke_result_t<Visit&, Face_handle, Vertex_handle, Vertex_handle>, bool>) {
      if (!visit(f, c, e)) return;
    } else {
      visit(f, c, e);
    }
  } while (++face != done);
}

}  // namespace roofplanes
