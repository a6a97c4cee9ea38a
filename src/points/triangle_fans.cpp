#include "points/triangle_fans.h"

#include "points/face_ring.h"

namespace roofplanes {

TriangleFans triangle_fans(const PointTriangulation& triangulation) {
  const std::size_t n = triangulation.number_of_vertices();
  TriangleFans fans;
  fans.vertices.resize(n);
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    fans.vertices[static_cast<std::size_t>(v->info().position())] = v;
  fans.start.reserve(n + 1);
  fans.corners.reserve(12 * n);
  const auto position = [](Vertex_handle v) { return static_cast<std::uint32_t>(v->info().position()); };
  for (const Vertex_handle& v : fans.vertices) {
    fans.start.push_back(static_cast<std::uint32_t>(fans.corners.size() / 2));
    for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
      if (triangulation.is_infinite(f)) return;
      fans.corners.push_back(position(c));
      fans.corners.push_back(position(e));
    });
  }
  fans.start.push_back(static_cast<std::uint32_t>(fans.corners.size() / 2));
  return fans;
}

}  // namespace roofplanes
