#include "regions/drop_fragments.h"

#include <cmath>
#include <limits>

#include "regions/region_area.h"

namespace roofplanes {

std::size_t drop_fragments(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                           const FaceSize& size, double tolerance) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  std::vector<char> kept(regions.size(), 0);
  std::vector<char> member(triangulation.number_of_vertices(), 0);
  for (std::size_t r = 0; r < regions.size(); ++r) {
    kept[r] = large_enough(triangulation, regions[r].points, size, member) ? 1 : 0;
    if (kept[r])
      for (const Vertex_handle& v : regions[r].points) owner[static_cast<std::size_t>(v->info().position())] = r;
  }
  std::vector<char> grew(regions.size(), 0);
  std::size_t dropped = 0;
  for (std::size_t r = 0; r < regions.size(); ++r) {
    if (kept[r]) continue;
    ++dropped;
    for (const Vertex_handle& v : regions[r].points) {
      std::size_t best = none;
      double best_distance = tolerance;
      auto w = triangulation.incident_vertices(v);
      if (w == nullptr) continue;
      const auto done = w;
      do {
        if (triangulation.is_infinite(w)) continue;
        const std::size_t other = owner[static_cast<std::size_t>(w->info().position())];
        if (other == none) continue;
        const double distance = std::fabs(height_residual(regions[other].plane, v->point()));
        if (distance < best_distance || (distance == best_distance && other < best)) {
          best = other;
          best_distance = distance;
        }
      } while (++w != done);
      if (best == none) continue;
      regions[best].points.push_back(v);
      owner[static_cast<std::size_t>(v->info().position())] = best;
      grew[best] = 1;
    }
  }
  std::vector<PlaneRegion> remaining;
  for (std::size_t r = 0; r < regions.size(); ++r) {
    if (!kept[r]) continue;
    if (grew[r]) regions[r].plane = fit_height_plane(regions[r].points);
    remaining.push_back(std::move(regions[r]));
  }
  regions = std::move(remaining);
  return dropped;
}

}  // namespace roofplanes
