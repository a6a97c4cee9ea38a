#include "regions/trace_region_outline.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "points/face_ring.h"

namespace roofplanes {
namespace {

std::size_t position_of(Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); }

std::uint64_t edge_key(Vertex_handle from, Vertex_handle to) {
  return (static_cast<std::uint64_t>(position_of(from)) << 32) | static_cast<std::uint64_t>(position_of(to));
}

// A boundary edge: from face->vertex(ccw(i)) to face->vertex(cw(i)), the
// region's face on its left and no region face across it.
struct BoundaryEdge {
  Face_handle face;
  int i;
};

}  // namespace

VertexList trace_region_outline(const PointTriangulation& triangulation, const VertexList& region) {
  std::vector<char> member(triangulation.number_of_vertices(), 0);
  for (const Vertex_handle& v : region) member[position_of(v)] = 1;
  const auto own = [&](Face_handle f) {
    return !triangulation.is_infinite(f) && member[position_of(f->vertex(0))] && member[position_of(f->vertex(1))] &&
           member[position_of(f->vertex(2))];
  };

  // Each region face once, from its corner listed first in the region.
  std::vector<BoundaryEdge> boundary;
  std::vector<char> listed(member.size(), 0);
  for (const Vertex_handle& v : region) {
    listed[position_of(v)] = 1;
    for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
      // own first: an infinite face's corner has no position.
      if (!own(f) || listed[position_of(c)] || listed[position_of(e)]) return;
      for (int i = 0; i < 3; ++i)
        if (!own(f->neighbor(i))) boundary.push_back({f, i});
    });
  }

  const auto from_of = [](const BoundaryEdge& edge) { return edge.face->vertex(PointTriangulation::ccw(edge.i)); };
  const auto to_of = [](const BoundaryEdge& edge) { return edge.face->vertex(PointTriangulation::cw(edge.i)); };
  // Around the edge's end, through region faces, to the next boundary edge.
  const auto next_edge = [&](const BoundaryEdge& edge) {
    const Vertex_handle b = to_of(edge);
    Face_handle h = edge.face;
    for (;;) {
      const int j = h->index(b);
      const Face_handle across = h->neighbor(PointTriangulation::cw(j));
      if (!own(across)) return BoundaryEdge{h, PointTriangulation::cw(j)};
      h = across;
    }
  };

  std::unordered_set<std::uint64_t> walked;
  VertexList best;
  double best_area = 0.0;
  for (const BoundaryEdge& first : boundary) {
    if (walked.count(edge_key(from_of(first), to_of(first)))) continue;
    VertexList ring;
    double twice_area = 0.0;
    BoundaryEdge edge = first;
    // Every boundary edge lies on one ring; the bound only guards the walk.
    for (std::size_t step = 0; step <= boundary.size(); ++step) {
      const Vertex_handle a = from_of(edge), b = to_of(edge);
      if (!walked.insert(edge_key(a, b)).second) break;
      ring.push_back(a);
      twice_area += a->point().x() * b->point().y() - b->point().x() * a->point().y();
      edge = next_edge(edge);
    }
    if (twice_area > best_area) {
      best_area = twice_area;
      best = std::move(ring);
    }
  }
  if (best.empty()) return best;
  const auto start = std::min_element(best.begin(), best.end(), [](Vertex_handle p, Vertex_handle q) {
    return p->point().x() != q->point().x() ? p->point().x() < q->point().x() : p->point().y() < q->point().y();
  });
  std::rotate(best.begin(), start, best.end());
  return best;
}

}  // namespace roofplanes
