#include "regions/join_free_points.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace roofplanes {

double own_tolerance(const PlaneRegion& region, double base) {
  return std::clamp(3.0 * height_rms(region.plane, region.points), base, 2.0 * base);
}

std::size_t join_free_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                             double base) {
  return join_free_points(triangulation, point_neighbours(triangulation), regions, base);
}

std::size_t join_free_points(const PointTriangulation& triangulation, const PointNeighbours& neighbours,
                             std::vector<PlaneRegion>& regions, double base) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  std::vector<double> tolerance(regions.size());
  for (std::size_t r = 0; r < regions.size(); ++r) {
    tolerance[r] = own_tolerance(regions[r], base);
    for (const Vertex_handle& v : regions[r].points) owner[static_cast<std::size_t>(v->info().position())] = r;
  }
  const auto position = [](Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); };
  // The finite vertices within two triangulation edges of v (some twice, v itself too): where a
  // lower roof runs under an eave, its points and the eave's alternate in plan, and a point of
  // the lower roof may touch its own face only through an eave point.
  const auto within_two_edges = [&](Vertex_handle v, auto&& visit) {
    const std::size_t p = position(v);
    for (std::uint32_t k = neighbours.start[p]; k < neighbours.start[p + 1]; ++k) {
      const std::uint32_t w = neighbours.positions[k];
      visit(neighbours.vertices[w]);
      if (owner[w] != none) continue;  // through free points only, never across a face
      for (std::uint32_t j = neighbours.start[w]; j < neighbours.start[w + 1]; ++j)
        visit(neighbours.vertices[neighbours.positions[j]]);
    }
  };
  // The free points next to a region are looked at; after the first round
  // only those next to a point that just joined.
  VertexList front;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    if (owner[position(v)] == none && v->info().is_roof()) front.push_back(v);
  std::vector<char> grew(regions.size(), 0);
  std::size_t joined = 0;
  std::vector<char> queued(owner.size(), 0);
  while (!front.empty()) {
    std::vector<std::pair<Vertex_handle, std::size_t>> joining;
    for (const Vertex_handle& v : front) {
      queued[position(v)] = 0;
      if (owner[position(v)] != none) continue;
      std::size_t best = none;
      double best_fit = std::numeric_limits<double>::infinity();
      within_two_edges(v, [&](Vertex_handle w) {
        const std::size_t r = owner[position(w)];
        if (r == none) return;
        const double fit = std::fabs(height_residual(regions[r].plane, v->point())) / tolerance[r];
        if (fit <= 1.0 && (fit < best_fit || (fit == best_fit && r < best))) {
          best = r;
          best_fit = fit;
        }
      });
      if (best != none) joining.emplace_back(v, best);
    }
    VertexList next;
    for (const auto& [v, r] : joining) {
      owner[position(v)] = r;
      regions[r].points.push_back(v);
      grew[r] = 1;
      ++joined;
    }
    for (const auto& [v, r] : joining)
      within_two_edges(v, [&](Vertex_handle w) {
        if (owner[position(w)] != none || !w->info().is_roof() || queued[position(w)]) return;
        queued[position(w)] = 1;
        next.push_back(w);
      });
    // Ascending positions: the order of the rounds does not hang on the order joins were found in.
    std::sort(next.begin(), next.end(), [&](Vertex_handle a, Vertex_handle b) { return position(a) < position(b); });
    front = std::move(next);
  }
  for (std::size_t r = 0; r < regions.size(); ++r)
    if (grew[r]) {
      const HeightPlane plane = fit_height_plane(regions[r].points);
      if (plane.valid) regions[r].plane = plane;
    }
  return joined;
}

}  // namespace roofplanes
