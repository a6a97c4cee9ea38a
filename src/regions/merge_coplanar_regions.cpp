#include "regions/merge_coplanar_regions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace roofplanes {

std::vector<std::pair<std::size_t, std::size_t>> neighbouring_regions(const PointTriangulation& triangulation,
                                                                      const std::vector<PlaneRegion>& regions) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  const auto position = [](Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); };
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) owner[position(v)] = r;
  // Two points lie within two edges of each other exactly when some point w
  // is one of them or a neighbour of both: every owner met in w's closed
  // neighbourhood neighbours every other met there. Only a region's points
  // and their neighbours can be such a w, each looked at once.
  std::vector<char> seen(owner.size(), 0);
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  std::vector<std::size_t> met;
  const auto look_at = [&](Vertex_handle w) {
    if (seen[position(w)]) return;
    seen[position(w)] = 1;
    met.clear();
    if (owner[position(w)] != none) met.push_back(owner[position(w)]);
    auto u = triangulation.incident_vertices(w);
    if (u == nullptr) return;
    const auto around = u;
    do {
      if (!triangulation.is_infinite(u) && owner[position(u)] != none) met.push_back(owner[position(u)]);
    } while (++u != around);
    std::sort(met.begin(), met.end());
    met.erase(std::unique(met.begin(), met.end()), met.end());
    for (std::size_t i = 0; i < met.size(); ++i)
      for (std::size_t j = i + 1; j < met.size(); ++j) pairs.emplace_back(met[i], met[j]);
  };
  for (const PlaneRegion& region : regions)
    for (const Vertex_handle& v : region.points) {
      look_at(v);
      auto w = triangulation.incident_vertices(v);
      if (w == nullptr) continue;
      const auto done = w;
      do {
        if (!triangulation.is_infinite(w)) look_at(w);
      } while (++w != done);
    }
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
