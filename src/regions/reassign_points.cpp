#include "regions/reassign_points.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace roofplanes {
namespace {

constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

double height_at(const HeightPlane& plane, double x, double y) { return plane.a * x + plane.b * y + plane.c; }

int sign(double value) { return (value > 0.0) - (value < 0.0); }

// What a round needs to know of every region: its plane and the x-y centre of its points.
struct RegionView {
  HeightPlane plane;
  double x = 0.0, y = 0.0;
};

// The region v fits best among its own region (own, none for a free point)
// and the regions of its neighbours whose plane it lies within tolerance of,
// compared two at a time, own first, then the others in ascending order. Two
// planes that cross between the centres of their regions and lie within
// 2 · tolerance of each other above v are told apart by the side of their
// crossing v lies on: the plane that is the roof there is the one on the same
// side as at its own centre (below the other at a ridge or hip, above it in a
// valley), which no noise can blur. Otherwise the lower cost wins:
// (r / noise)² + smoothness · (neighbours owned by another region). Ties keep
// the current choice. alone: v has no neighbour in another region (and so
// stays whatever the planes) until it or a neighbour moves.
// around and candidates are scratch space, reused from point to point.
std::size_t best_region(const PointNeighbours& neighbours, Vertex_handle v, std::size_t own,
                        const std::vector<RegionView>& views, const std::vector<std::size_t>& owner,
                        double tolerance, double noise, double smoothness, std::vector<std::size_t>& around,
                        std::vector<std::size_t>& candidates, bool& alone) {
  alone = false;
  around.clear();
  candidates.clear();
  bool other_near = false;
  const std::size_t position = static_cast<std::size_t>(v->info().position());
  for (std::uint32_t k = neighbours.start[position]; k < neighbours.start[position + 1]; ++k) {
    const std::size_t other = owner[neighbours.positions[k]];
    if (other != none) around.push_back(other);
    other_near = other_near || (other != none && other != own);
  }
  // Most points have no neighbour in another region: nothing can take them.
  alone = !other_near;
  if (!other_near) return own;

  const Point3& p = v->point();
  const auto cost = [&](std::size_t r) {
    const double residual = height_residual(views[r].plane, p) / noise;
    std::size_t differing = 0;
    for (const std::size_t other : around) differing += other != r ? 1 : 0;
    return residual * residual + smoothness * static_cast<double>(differing);
  };
  // Whether q takes v from r.
  const auto takes = [&](std::size_t r, std::size_t q) {
    const RegionView &a = views[r], &b = views[q];
    const double here = height_at(b.plane, p.x(), p.y()) - height_at(a.plane, p.x(), p.y());
    const double at_a = height_at(b.plane, a.x, a.y) - height_at(a.plane, a.x, a.y);
    const double at_b = height_at(b.plane, b.x, b.y) - height_at(a.plane, b.x, b.y);
    // Planes that cross for real: apart by more than the tolerance at both centres, on opposite sides.
    if (std::fabs(at_a) > tolerance && std::fabs(at_b) > tolerance && sign(at_a) != sign(at_b) &&
        std::fabs(here) <= 2.0 * tolerance)
      return sign(here) == sign(at_b);
    return cost(q) < cost(r);
  };

  for (const std::size_t r : around)
    if (r != own && std::fabs(height_residual(views[r].plane, p)) <= tolerance) candidates.push_back(r);
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  std::size_t best = own;
  for (const std::size_t q : candidates)
    if (best == none || takes(best, q)) best = q;
  return best;
}

}  // namespace

std::size_t reassign_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, double noise, double smoothness, std::size_t max_rounds) {
  return reassign_points(triangulation, point_neighbours(triangulation), regions, tolerance, noise, smoothness,
                         max_rounds);
}

std::size_t reassign_points(const PointTriangulation& triangulation, const PointNeighbours& neighbours,
                            std::vector<PlaneRegion>& regions, double tolerance, double noise, double smoothness,
                            std::size_t max_rounds) {
  std::vector<std::size_t> owner(triangulation.number_of_vertices(), none);
  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) owner[static_cast<std::size_t>(v->info().position())] = r;
  if (!(noise > 0.0)) noise = tolerance;

  // Per vertex position: the point was alone when last looked at, and
  // neither it nor a neighbour has moved since.
  std::vector<char> quiet(owner.size(), 0);
  std::size_t moves = 0;
  for (std::size_t round = 0; round < max_rounds; ++round) {
    // Decided on this round's planes and owners, applied after.
    std::vector<std::pair<Vertex_handle, std::size_t>> moving;
    std::vector<std::size_t> size(regions.size());
    std::vector<RegionView> views(regions.size());
    std::vector<std::size_t> around, candidates;
    for (std::size_t r = 0; r < regions.size(); ++r) {
      size[r] = regions[r].points.size();
      views[r].plane = regions[r].plane;
      for (const Vertex_handle& v : regions[r].points) {
        views[r].x += v->point().x() / static_cast<double>(size[r]);
        views[r].y += v->point().y() / static_cast<double>(size[r]);
      }
    }
    for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
      const std::size_t position = static_cast<std::size_t>(v->info().position());
      if (quiet[position]) continue;
      const std::size_t own = owner[position];
      if (own == none && !v->info().is_roof()) continue;
      bool alone = false;
      const std::size_t best =
          best_region(neighbours, v, own, views, owner, tolerance, noise, smoothness, around, candidates, alone);
      quiet[position] = alone ? 1 : 0;
      if (best == own || (own != none && size[own] <= 3)) continue;
      moving.emplace_back(v, best);
      if (own != none) --size[own];
    }
    if (moving.empty()) break;
    for (const auto& [v, to] : moving) {
      const std::size_t position = static_cast<std::size_t>(v->info().position());
      owner[position] = to;
      quiet[position] = 0;
      for (std::uint32_t k = neighbours.start[position]; k < neighbours.start[position + 1]; ++k)
        quiet[neighbours.positions[k]] = 0;
    }
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
