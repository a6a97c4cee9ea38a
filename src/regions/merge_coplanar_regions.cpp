#include "regions/merge_coplanar_regions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace roofplanes {

std::vector<std::pair<std::size_t, std::size_t>> neighbouring_regions(const PointTriangulation& triangulation,
                                                                      const std::vector<PlaneRegion>& regions) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) owner[static_cast<std::size_t>(v->info().position())] = r;
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  // Owners met within two edges of v.
  const auto visit = [&](Vertex_handle v, auto&& meet) {
    auto w = triangulation.incident_vertices(v);
    if (w == nullptr) return;
    const auto done = w;
    do {
      if (triangulation.is_infinite(w)) continue;
      meet(owner[static_cast<std::size_t>(w->info().position())]);
      auto u = triangulation.incident_vertices(w);
      const auto around = u;
      do {
        if (!triangulation.is_infinite(u)) meet(owner[static_cast<std::size_t>(u->info().position())]);
      } while (++u != around);
    } while (++w != done);
  };
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points)
      visit(v, [&](std::size_t other) {
        if (other != none && other > r) pairs.emplace_back(r, other);
      });
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  return pairs;
}

std::size_t merge_coplanar_regions(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                                   double rms_limit, double rms_ratio) {
  std::size_t merges = 0;
  for (;;) {
    double best_rms = std::numeric_limits<double>::infinity();
    std::pair<std::size_t, std::size_t> best{0, 0};
    PlaneRegion best_union;
    for (const auto& [i, j] : neighbouring_regions(triangulation, regions)) {
      PlaneRegion together;
      together.points = regions[i].points;
      together.points.insert(together.points.end(), regions[j].points.begin(), regions[j].points.end());
      together.plane = fit_height_plane(together.points);
      if (!together.plane.valid) continue;
      const double rms = height_rms(together.plane, together.points);
      double limit = rms_limit;
      if (rms_ratio > 0.0) {
        const double own_i = height_rms(regions[i].plane, regions[i].points);
        const double own_j = height_rms(regions[j].plane, regions[j].points);
        const double ni = static_cast<double>(regions[i].points.size());
        const double nj = static_cast<double>(regions[j].points.size());
        const double pooled = std::sqrt((ni * own_i * own_i + nj * own_j * own_j) / (ni + nj));
        limit = std::max(limit, rms_ratio * pooled);
      }
      if (rms <= limit && rms < best_rms) {
        best_rms = rms;
        best = {i, j};
        best_union = std::move(together);
      }
    }
    if (!(best_rms < std::numeric_limits<double>::infinity())) return merges;
    regions[best.first] = std::move(best_union);
    regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(best.second));
    ++merges;
  }
}

}  // namespace roofplanes
