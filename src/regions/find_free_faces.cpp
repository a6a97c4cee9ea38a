#include "regions/find_free_faces.h"

#include <algorithm>
#include <cmath>

#include "points/face_ring.h"
#include "regions/region_area.h"

namespace roofplanes {
namespace {

std::size_t index_of(Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); }

// Whether w lies above the plane by more than tolerance: a point of a higher
// level (an eave, a canopy) that hides the plane beneath it from some pulses,
// so that in plan the plane's points alternate with its points.
bool above(const HeightPlane& plane, Vertex_handle w, double tolerance) {
  return height_residual(plane, w->point()) > tolerance;
}

// The points reached from seed through edges to eligible points within
// tolerance of the plane, also through one point above the plane (two edges);
// refits the plane each time the region doubles when refit is set. Uses
// member as scratch and leaves it cleared.
VertexList grow(const PointTriangulation& triangulation, Vertex_handle seed, HeightPlane& plane, double tolerance,
                const std::vector<char>& eligible, std::vector<char>& member, bool refit) {
  VertexList region{seed};
  member[index_of(seed)] = 1;
  std::size_t fitted = 1;
  const auto take = [&](Vertex_handle w) {
    if (triangulation.is_infinite(w) || member[index_of(w)] || !eligible[index_of(w)] ||
        std::fabs(height_residual(plane, w->point())) > tolerance)
      return false;
    member[index_of(w)] = 1;
    region.push_back(w);
    return true;
  };
  for (std::size_t k = 0; k < region.size(); ++k) {
    auto w = triangulation.incident_vertices(region[k]);
    if (w == nullptr) continue;
    const auto done = w;
    do {
      if (take(w) || triangulation.is_infinite(w) || !above(plane, w, tolerance)) continue;
      auto u = triangulation.incident_vertices(w);
      const auto around = u;
      do take(u);
      while (++u != around);
    } while (++w != done);
    if (refit && region.size() >= 2 * fitted && region.size() >= 3) {
      const HeightPlane again = fit_height_plane(region);
      if (again.valid) plane = again;
      fitted = region.size();
    }
  }
  for (const Vertex_handle& v : region) member[index_of(v)] = 0;
  return region;
}

// The plane of the seed and those of its eligible neighbours that lie within
// tolerance of the plane fitted to all of them; invalid unless at least three
// points, the seed among them, lie within tolerance of it.
HeightPlane seed_plane(const PointTriangulation& triangulation, Vertex_handle seed, double tolerance,
                       const std::vector<char>& eligible) {
  VertexList around{seed};
  auto w = triangulation.incident_vertices(seed);
  if (w == nullptr) return {};
  const auto done = w;
  do {
    if (!triangulation.is_infinite(w) && eligible[index_of(w)]) around.push_back(w);
  } while (++w != done);
  for (int round = 0; round < 2; ++round) {
    if (around.size() < 3) return {};
    const HeightPlane plane = fit_height_plane(around);
    if (!plane.valid) return {};
    VertexList near;
    for (const Vertex_handle& v : around)
      if (std::fabs(height_residual(plane, v->point())) <= tolerance) near.push_back(v);
    if (near.size() == around.size()) return std::fabs(height_residual(plane, seed->point())) <= tolerance ? plane
                                                                                                          : HeightPlane{};
    if (near.empty() || near.front() != seed) near.insert(near.begin(), seed);
    around = std::move(near);
  }
  return {};
}

// How many of the region's points are a corner of a triangle of region points
// and points above the plane (two of them region points at least: the eave
// above a lower roof hides some of its points): a surface's points nearly
// all are, a chain of points of one height through clutter (joined edge by
// edge, other levels between) hardly any.
std::size_t surface_points(const PointTriangulation& triangulation, const VertexList& points,
                           const HeightPlane& plane, double tolerance, std::vector<char>& member) {
  for (const Vertex_handle& v : points) member[index_of(v)] = 1;
  std::size_t count = 0;
  for (const Vertex_handle& v : points) {
    bool corner = false;
    for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
      corner = corner || (!triangulation.is_infinite(f) && (member[index_of(c)] || above(plane, c, tolerance)) &&
                          (member[index_of(e)] || above(plane, e, tolerance)) &&
                          (member[index_of(c)] || member[index_of(e)]));
    });
    count += corner ? 1 : 0;
  }
  for (const Vertex_handle& v : points) member[index_of(v)] = 0;
  return count;
}

}  // namespace

double region_width(const VertexList& points) {
  if (points.empty()) return 0.0;
  const double n = static_cast<double>(points.size());
  double cx = 0.0, cy = 0.0;
  for (const Vertex_handle& v : points) {
    cx += v->point().x() / n;
    cy += v->point().y() / n;
  }
  double xx = 0.0, yy = 0.0, xy = 0.0;
  for (const Vertex_handle& v : points) {
    const double dx = v->point().x() - cx, dy = v->point().y() - cy;
    xx += dx * dx / n;
    yy += dy * dy / n;
    xy += dx * dy / n;
  }
  const double half = 0.5 * (xx - yy);
  return std::sqrt(std::max(0.0, 0.5 * (xx + yy) - std::sqrt(half * half + xy * xy)));
}

std::size_t find_free_faces(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, const FaceSize& size, double min_width) {
  const std::size_t n = triangulation.number_of_vertices();
  std::vector<char> eligible(n, 0);  // free roof points that no region holds
  std::vector<Vertex_handle> by_position(n);
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    by_position[index_of(v)] = v;
    eligible[index_of(v)] = v->info().is_roof() ? 1 : 0;
  }
  for (const PlaneRegion& region : regions)
    for (const Vertex_handle& v : region.points) eligible[index_of(v)] = 0;

  std::vector<char> tried(n, 0);  // points of a plane grown before: they seed nothing more
  std::vector<char> member(n, 0);
  std::size_t added = 0;
  for (std::size_t position = 0; position < n; ++position) {
    const Vertex_handle seed = by_position[position];
    if (seed == Vertex_handle() || !eligible[position] || tried[position]) continue;
    HeightPlane plane = seed_plane(triangulation, seed, tolerance, eligible);
    if (!plane.valid) continue;
    const VertexList first = grow(triangulation, seed, plane, tolerance, eligible, member, true);
    const HeightPlane fitted = fit_height_plane(first);
    if (fitted.valid) plane = fitted;
    PlaneRegion region;
    region.points = grow(triangulation, seed, plane, tolerance, eligible, member, false);
    for (const Vertex_handle& v : first) tried[index_of(v)] = 1;
    for (const Vertex_handle& v : region.points) tried[index_of(v)] = 1;
    if (region.points.size() < 3 || !large_enough(triangulation, region.points, size, member)) continue;
    region.plane = fit_height_plane(region.points);
    if (!region.plane.valid || region_width(region.points) < min_width ||
        2 * surface_points(triangulation, region.points, region.plane, tolerance, member) < region.points.size())
      continue;
    // A face holds about two thirds of its points within one noise width
    // (tolerance / 3) of its plane; points strewn over the whole tolerance
    // band (a plane found through clutter) a third.
    std::size_t close = 0;
    for (const Vertex_handle& v : region.points)
      close += std::fabs(height_residual(region.plane, v->point())) <= tolerance / 3.0 ? 1 : 0;
    if (2 * close < region.points.size()) continue;
    for (const Vertex_handle& v : region.points) eligible[index_of(v)] = 0;
    regions.push_back(std::move(region));
    ++added;
  }
  return added;
}

}  // namespace roofplanes
