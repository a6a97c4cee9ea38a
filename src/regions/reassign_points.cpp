#include "regions/reassign_points.h"

#include <cmath>
#include <limits>

namespace roofplanes {
namespace {

constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

// The region v fits best: the lowest cost (r / noise)² + smoothness · (neighbours
// owned by another region), among its own region (own, none for a free
// point) and the regions of its neighbours whose plane it lies within
// tolerance of. Ties keep the current owner, then the lower index.
std::size_t best_region(const PointTriangulation& triangulation, Vertex_handle v, std::size_t own,
                        const std::vector<PlaneRegion>& regions, const std::vector<std::size_t>& owner,
                        double tolerance, double noise, double smoothness) {
  std::vector<std::size_t> around;
  auto w = triangulation.incident_vertices(v);
  if (w == nullptr) return own;
  const auto done = w;
  do {
    if (triangulation.is_infinite(w)) continue;
    const std::size_t other = owner[static_cast<std::size_t>(w->info().position())];
    if (other != none) around.push_back(other);
  } while (++w != done);

  const auto cost = [&](std::size_t r) {
    const double residual = height_residual(regions[r].plane, v->point()) / noise;
    std::size_t differing = 0;
    for (const std::size_t other : around) differing += other != r ? 1 : 0;
    return residual * residual + smoothness * static_cast<double>(differing);
  };
  std::size_t best = own;
  double best_cost = own == none ? std::numeric_limits<double>::infinity() : cost(own);
  for (const std::size_t r : around) {
    if (r == best || std::fabs(height_residual(regions[r].plane, v->point())) > tolerance) continue;
    const double c = cost(r);
    if (c < best_cost || (c == best_cost && best != own && r < best)) {
      best = r;
      best_cost = c;
    }
  }
  return best;
}

}  // namespace

std::size_t reassign_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, double noise, double smoothness, std::size_t max_rounds) {
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) owner[static_cast<std::size_t>(v->info().position())] = r;
  if (!(noise > 0.0)) noise = tolerance;

  std::size_t moves = 0;
  for (std::size_t round = 0; round < max_rounds; ++round) {
    // Decided on this round's planes and owners, applied after.
    std::vector<std::pair<Vertex_handle, std::size_t>> moving;
    std::vector<std::size_t> size(regions.size());
    for (std::size_t r = 0; r < regions.size(); ++r) size[r] = regions[r].points.size();
    for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
      const std::size_t own = owner[static_cast<std::size_t>(v->info().position())];
      if (own == none && !v->info().is_roof()) continue;
      const std::size_t best = best_region(triangulation, v, own, regions, owner, tolerance, noise, smoothness);
      if (best == own || (own != none && size[own] <= 3)) continue;
      moving.emplace_back(v, best);
      if (own != none) --size[own];
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
