#include "points/point_neighbours.h"

namespace roofplanes {

PointNeighbours point_neighbours(const PointTriangulation& triangulation) {
  const std::size_t n = triangulation.number_of_vertices();
  PointNeighbours neighbours;
  neighbours.vertices.resize(n);
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    neighbours.vertices[static_cast<std::size_t>(v->info().position())] = v;
  neighbours.start.reserve(n + 1);
  neighbours.positions.reserve(6 * n);
  neighbours.start.push_back(0);
  for (const Vertex_handle& v : neighbours.vertices) {
    auto w = triangulation.incident_vertices(v);
    if (w != nullptr) {
      const auto done = w;
      do {
        if (!triangulation.is_infinite(w))
          neighbours.positions.push_back(static_cast<std::uint32_t>(w->info().position()));
      } while (++w != done);
    }
    neighbours.start.push_back(static_cast<std::uint32_t>(neighbours.positions.size()));
  }
  return neighbours;
}

}  // namespace roofplanes
