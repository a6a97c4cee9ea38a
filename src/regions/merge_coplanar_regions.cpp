#include "regions/merge_coplanar_regions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace roofplanes {

std::vector<std::pair<std::size_t, std::size_t>> neighbouring_regions(const PointTriangulation& triangulation,
                                                                      const std::vector<PlaneRegion>& regions) {
  return neighbouring_regions(point_neighbours(triangulation), regions);
}

std::vector<std::pair<std::size_t, std::size_t>> neighbouring_regions(const PointNeighbours& neighbours,
                                                                      const std::vector<PlaneRegion>& regions) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  const auto position = [](Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); };
  std::vector<std::size_t> owner(neighbours.start.size() - 1, none);
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) owner[position(v)] = r;
  // Two points lie within two edges of each other exactly when some point w
  // is one of them or a neighbour of both: every owner met in w's closed
  // neighbourhood neighbours every other met there. Only a region's points
  // and their neighbours can be such a w, each looked at once.
  std::vector<char> seen(owner.size(), 0);
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  std::vector<std::size_t> met;
  const auto look_at = [&](std::size_t w) {
    if (seen[w]) return;
    seen[w] = 1;
    met.clear();
    if (owner[w] != none) met.push_back(owner[w]);
    for (std::uint32_t k = neighbours.start[w]; k < neighbours.start[w + 1]; ++k)
      if (owner[neighbours.positions[k]] != none) met.push_back(owner[neighbours.positions[k]]);
    if (met.size() < 2) return;
    std::sort(met.begin(), met.end());
    met.erase(std::unique(met.begin(), met.end()), met.end());
    for (std::size_t i = 0; i < met.size(); ++i)
      for (std::size_t j = i + 1; j < met.size(); ++j) pairs.emplace_back(met[i], met[j]);
  };
  for (const PlaneRegion& region : regions)
    for (const Vertex_handle& v : region.points) {
      const std::size_t p = position(v);
      look_at(p);
      for (std::uint32_t k = neighbours.start[p]; k < neighbours.start[p + 1]; ++k) look_at(neighbours.positions[k]);
    }
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  return pairs;
}

std::size_t merge_coplanar_regions(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                                   double rms_limit, double rms_ratio) {
  return merge_coplanar_regions(point_neighbours(triangulation), regions, rms_limit, rms_ratio);
}

std::size_t merge_coplanar_regions(const PointNeighbours& neighbours, std::vector<PlaneRegion>& regions,
                                   double rms_limit, double rms_ratio) {
  // A pair's fit, kept while neither region changes: a merge changes one
  // region and removes another, and the pairs of the merged region are those
  // of its two parts, so the neighbours are found once and each merge refits
  // only the merged region's pairs.
  struct Pair {
    std::size_t i, j;
    bool fitted = false;
    bool valid = false;
    double rms = 0.0, limit = 0.0;
  };
  std::vector<Pair> pairs;
  for (const auto& [i, j] : neighbouring_regions(neighbours, regions)) pairs.push_back({i, j});
  const auto fit = [&](Pair& pair, PlaneRegion* keep) {
    const std::size_t i = pair.i, j = pair.j;
    PlaneRegion together;
    together.points = regions[i].points;
    together.points.insert(together.points.end(), regions[j].points.begin(), regions[j].points.end());
    together.plane = fit_height_plane(together.points);
    pair.fitted = true;
    pair.valid = together.plane.valid;
    if (!pair.valid) return;
    pair.rms = height_rms(together.plane, together.points);
    pair.limit = rms_limit;
    if (rms_ratio > 0.0) {
      const double own_i = height_rms(regions[i].plane, regions[i].points);
      const double own_j = height_rms(regions[j].plane, regions[j].points);
      const double ni = static_cast<double>(regions[i].points.size());
      const double nj = static_cast<double>(regions[j].points.size());
      const double pooled = std::sqrt((ni * own_i * own_i + nj * own_j * own_j) / (ni + nj));
      pair.limit = std::max(pair.limit, rms_ratio * pooled);
    }
    if (keep != nullptr) *keep = std::move(together);
  };
  std::size_t merges = 0;
  for (;;) {
    double best_rms = std::numeric_limits<double>::infinity();
    std::size_t best = pairs.size();
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      Pair& pair = pairs[k];
      if (!pair.fitted) fit(pair, nullptr);
      if (pair.valid && pair.rms <= pair.limit && pair.rms < best_rms) {
        best_rms = pair.rms;
        best = k;
      }
    }
    if (best == pairs.size()) return merges;
    const std::size_t into = pairs[best].i, gone = pairs[best].j;
    PlaneRegion merged;
    fit(pairs[best], &merged);
    regions[into] = std::move(merged);
    regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(gone));
    ++merges;
    // The pairs of the regions now: gone becomes into, the indices above gone
    // shift down, the merged pair goes, and the merged region's pairs are
    // fitted again.
    const auto renumber = [&](std::size_t r) { return r == gone ? into : (r > gone ? r - 1 : r); };
    const std::size_t merged_index = into;
    std::vector<Pair> next;
    for (const Pair& pair : pairs) {
      Pair moved = pair;
      moved.i = renumber(pair.i);
      moved.j = renumber(pair.j);
      if (moved.i == moved.j) continue;
      if (moved.i > moved.j) std::swap(moved.i, moved.j);
      if (moved.i == merged_index || moved.j == merged_index) moved.fitted = false;
      next.push_back(moved);
    }
    std::sort(next.begin(), next.end(),
              [](const Pair& a, const Pair& b) { return a.i != b.i ? a.i < b.i : a.j < b.j; });
    next.erase(std::unique(next.begin(), next.end(),
                           [](const Pair& a, const Pair& b) { return a.i == b.i && a.j == b.j; }),
               next.end());
    pairs = std::move(next);
  }
}

}  // namespace roofplanes
