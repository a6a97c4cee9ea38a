#include "regions/reassign_points.h"

#include <cmath>
#include <limits>

namespace roofplanes {

std::size_t reassign_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, std::size_t max_rounds) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) owner[static_cast<std::size_t>(v->info().position())] = r;

  std::size_t moves = 0;
  for (std::size_t round = 0; round < max_rounds; ++round) {
    // Decided on this round's planes and owners, applied after.
    std::vector<std::pair<Vertex_handle, std::size_t>> moving;
    std::vector<std::size_t> leaving(regions.size(), 0);
    for (std::size_t r = 0; r < regions.size(); ++r) {
      for (const Vertex_handle& v : regions[r].points) {
        const double own = std::fabs(height_residual(regions[r].plane, v->point()));
        std::size_t best = none;
        double best_distance = std::min(own, tolerance);
        auto w = triangulation.incident_vertices(v);
        if (w == nullptr) continue;
        const auto done = w;
        do {
          if (triangulation.is_infinite(w)) continue;
          const std::size_t other = owner[static_cast<std::size_t>(w->info().position())];
          if (other == none || other == r) continue;
          const double distance = std::fabs(height_residual(regions[other].plane, v->point()));
          if (distance < best_distance) {
            best = other;
            best_distance = distance;
          }
        } while (++w != done);
        if (best == none || regions[r].points.size() - leaving[r] <= 3) continue;
        moving.emplace_back(v, best);
        ++leaving[r];
      }
    }
    if (moving.empty()) break;
    for (const auto& [v, to] : moving) owner[static_cast<std::size_t>(v->info().position())] = to;
    for (std::size_t r = 0; r < regions.size(); ++r) {
      VertexList kept;
      for (const Vertex_handle& v : regions[r].points)
        if (owner[static_cast<std::size_t>(v->info().position())] == r) kept.push_back(v);
      regions[r].points = std::move(kept);
    }
    for (const auto& [v, to] : moving) regions[to].points.push_back(v);
    for (PlaneRegion& region : regions) {
      const HeightPlane plane = fit_height_plane(region.points);
      if (plane.valid) region.plane = plane;
    }
    moves += moving.size();
  }
  return moves;
}

}  // namespace roofplanes
