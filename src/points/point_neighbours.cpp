#include "points/point_neighbours.h"

namespace roofplanes {

namespace {

// Appends v's finite neighbours in circulator order.
void circulate(const PointTriangulation& triangulation, Vertex_handle v, std::vector<std::uint32_t>& positions) {
  auto w = triangulation.incident_vertices(v);
  if (w == nullptr) return;
  const auto done = w;
  do {
    if (!triangulation.is_infinite(w)) positions.push_back(static_cast<std::uint32_t>(w->info().position()));
  } while (++w != done);
}

}  // namespace

PointNeighbours point_neighbours(const PointTriangulation& triangulation, const TriangleFans& fans) {
  PointNeighbours neighbours;
  neighbours.vertices = fans.vertices;
  const std::size_t n = fans.vertices.size();
  neighbours.start.reserve(n + 1);
  neighbours.positions.reserve(fans.corners.size() / 2 + n);
  neighbours.start.push_back(0);
  for (std::size_t p = 0; p < n; ++p) {
    // The vertex circulator and the fan both turn counterclockwise from the
    // face the triangulation stores for p, the vertex after p in each face
    // being the next neighbour; where the fan closes (each triangle's e the
    // next one's c), no infinite face was left out of it, and its c are the
    // neighbours in circulator order.
    const std::uint32_t first = fans.start[p], end = fans.start[p + 1];
    bool closed = end - first >= 3;
    for (std::uint32_t t = first; closed && t < end; ++t) {
      const std::uint32_t next = t + 1 < end ? t + 1 : first;
      closed = fans.corners[2 * t + 1] == fans.corners[2 * next];
    }
    if (closed)
      for (std::uint32_t t = first; t < end; ++t) neighbours.positions.push_back(fans.corners[2 * t]);
    else
      circulate(triangulation, fans.vertices[p], neighbours.positions);
    neighbours.start.push_back(static_cast<std::uint32_t>(neighbours.positions.size()));
  }
  return neighbours;
}

PointNeighbours point_neighbours(const PointTriangulation& triangulation) {
  return point_neighbours(triangulation, triangle_fans(triangulation));
}

}  // namespace roofplanes
