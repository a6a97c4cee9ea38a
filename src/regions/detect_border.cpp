#include "regions/detect_border.h"

#include "points/face_ring.h"

namespace roofplanes {

VertexList detect_border(const VertexList& region, PointTriangulation& triangulation) {
  VertexList border;
  if (region.empty()) return border;
  const int label = region.front()->info().cluster_id();
  auto in_region = [&](Vertex_handle v) {
    return !triangulation.is_infinite(v) && v->info().cluster_id() == label;
  };

  for (const Vertex_handle& v : region) {
    // Every neighbour lies in two faces around v, so this counts each region
    // neighbour twice.
    int count = 0;
    for_each_face_around(triangulation, v, [&](Face_handle, Vertex_handle c, Vertex_handle e) {
      if (in_region(c)) ++count;
      if (in_region(e)) ++count;
    });
    if (count < 2) continue;  // an isolated point bounds nothing

    bool on_border = false;
    for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
      on_border = triangulation.is_infinite(f) || !in_region(c) || !in_region(e);
      return !on_border;
    });
    if (on_border) {
      border.push_back(v);
      v->info().set_border_mark(1);
    }
  }
  return border;
}

}  // namespace roofplanes
