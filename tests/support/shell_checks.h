#pragma once

// Checks of a shell that do not go through the model's own validity check:
// edges paired in opposite directions, roof corners on their faces' planes,
// areas and volume from the vertices.

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/building_model.h"
#include "pipeline/extraction_result.h"

namespace roofplanes::testing {

inline Point world(const Shell& shell, std::size_t v, const ModelGrid& grid) {
  const auto& g = shell.vertices[v];
  return Point{static_cast<double>(g[0]) * grid.scale.x + grid.translate.x,
               static_cast<double>(g[1]) * grid.scale.y + grid.translate.y,
               static_cast<double>(g[2]) * grid.scale.z + grid.translate.z};
}

// Empty when every directed edge occurs once and its reverse once.
inline std::string unpaired_edges(const Shell& shell) {
  std::map<std::pair<std::size_t, std::size_t>, int> count;
  for (const auto& s : shell.surfaces)
    for (const auto& ring : s.rings)
      for (std::size_t i = 0; i < ring.size(); ++i) ++count[{ring[i], ring[(i + 1) % ring.size()]}];
  for (const auto& [e, n] : count) {
    if (n != 1) return "edge " + std::to_string(e.first) + "-" + std::to_string(e.second) + " used " + std::to_string(n) + " times";
    if (!count.count({e.second, e.first})) return "edge " + std::to_string(e.first) + "-" + std::to_string(e.second) + " has no twin";
  }
  return {};
}

// Largest distance of a roof surface's corner from its segment's plane.
inline double worst_roof_distance(const Shell& shell, const Result& result, const ModelGrid& grid) {
  double worst = 0.0;
  for (const auto& s : shell.surfaces) {
    if (s.kind != SurfaceKind::roof) continue;
    for (const Segment& seg : result.segments) {
      if (seg.number != s.segment) continue;
      for (const auto& ring : s.rings)
        for (std::size_t v : ring) {
          const Point p = world(shell, v, grid);
          worst = std::max(worst, std::abs(seg.normal.x * p.x + seg.normal.y * p.y + seg.normal.z * p.z + seg.d));
        }
    }
  }
  return worst;
}

// Area in x, y of a shell's surfaces of one kind (rings with holes, absolute).
inline double xy_area(const Shell& shell, SurfaceKind kind, const ModelGrid& grid) {
  double total = 0.0;
  for (const auto& s : shell.surfaces) {
    if (s.kind != kind) continue;
    double a = 0.0;
    for (const auto& ring : s.rings)
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point p = world(shell, ring[i], grid);
        const Point q = world(shell, ring[(i + 1) % ring.size()], grid);
        a += (p.x - grid.translate.x) * (q.y - grid.translate.y) - (q.x - grid.translate.x) * (p.y - grid.translate.y);
      }
    total += std::abs(a) / 2.0;
  }
  return total;
}

}  // namespace roofplanes::testing
