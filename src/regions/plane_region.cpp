#include "regions/plane_region.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "points/free_roof_points.h"

namespace roofplanes {
namespace {

std::size_t index_of(Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); }

// Every point of `from` within tolerance of the plane.
VertexList near_plane(const VertexList& from, const HeightPlane& plane, double tolerance) {
  VertexList kept;
  for (const Vertex_handle& v : from)
    if (std::fabs(height_residual(plane, v->point())) <= tolerance) kept.push_back(v);
  return kept;
}

// The cluster of member points reached from seed through triangles of three
// members, as positions; marks them in reached. Walks on positions, not
// vertex handles: the fans hold positions, and a handle's position is a read
// of the vertex record.
void cluster_from(const TriangleFans& fans, std::uint32_t seed, const std::vector<char>& member,
                  std::vector<char>& reached, std::vector<std::uint32_t>& cluster) {
  cluster.assign(1, seed);
  reached[seed] = 1;
  for (std::size_t k = 0; k < cluster.size(); ++k) {
    const std::uint32_t p = cluster[k];
    for (std::uint32_t t = fans.start[p]; t < fans.start[p + 1]; ++t) {
      const std::uint32_t c = fans.corners[2 * t], e = fans.corners[2 * t + 1];
      if (!member[c] || !member[e]) continue;
      for (const std::uint32_t w : {c, e}) {
        if (reached[w]) continue;
        reached[w] = 1;
        cluster.push_back(w);
      }
    }
  }
}

// largest_connected_cluster with reached, all clear, as scratch: left clear.
VertexList largest_cluster(const TriangleFans& fans, const VertexList& seeds, const std::vector<char>& member,
                           std::vector<char>& reached) {
  std::vector<std::uint32_t> best, cluster;
  std::vector<std::uint32_t> others;  // the other clusters' points, to clear
  for (const Vertex_handle& seed : seeds) {
    const std::uint32_t s = static_cast<std::uint32_t>(index_of(seed));
    if (!member[s] || reached[s]) continue;
    cluster_from(fans, s, member, reached, cluster);
    if (cluster.size() > best.size()) std::swap(best, cluster);
    others.insert(others.end(), cluster.begin(), cluster.end());
  }
  for (const std::vector<std::uint32_t>* list : {&best, &others})
    for (const std::uint32_t p : *list) reached[p] = 0;
  VertexList points;
  points.reserve(best.size());
  for (const std::uint32_t p : best) points.push_back(fans.vertices[p]);
  return points;
}

}  // namespace

VertexList largest_connected_cluster(const PointTriangulation& triangulation, const VertexList& seeds,
                                     const std::vector<char>& member) {
  std::vector<char> reached(member.size(), 0);
  return largest_cluster(triangle_fans(triangulation), seeds, member, reached);
}

PlaneRegion grow_plane_region(const PointTriangulation& triangulation, const VertexList& candidates,
                              double tolerance, std::size_t regrow_rounds) {
  return grow_plane_region(triangle_fans(triangulation), candidates, tolerance, regrow_rounds,
                           regrow_rounds > 0 ? free_roof_points(triangulation) : VertexList{});
}

PlaneRegion grow_plane_region(const TriangleFans& fans, const VertexList& candidates, double tolerance,
                              std::size_t regrow_rounds, const VertexList& free_roof) {
  std::vector<std::uint32_t> depends_on;
  return grow_plane_region(fans, candidates, tolerance, regrow_rounds, free_roof, depends_on);
}

PlaneRegion grow_plane_region(const TriangleFans& fans, const VertexList& candidates, double tolerance,
                              std::size_t regrow_rounds, const VertexList& free_roof,
                              std::vector<std::uint32_t>& depends_on) {
  depends_on.clear();
  for (const Vertex_handle& v : candidates) depends_on.push_back(static_cast<std::uint32_t>(index_of(v)));
  PlaneRegion region;
  HeightPlane plane = fit_height_plane(candidates);
  if (!plane.valid) return region;
  VertexList kept = near_plane(candidates, plane, tolerance);
  plane = fit_height_plane(kept);
  if (!plane.valid) return region;
  kept = near_plane(candidates, plane, tolerance);

  std::vector<char> member(fans.vertices.size(), 0);
  std::vector<char> reached(member.size(), 0);
  for (const Vertex_handle& v : kept) member[index_of(v)] = 1;
  VertexList points = largest_cluster(fans, kept, member, reached);

  for (std::size_t round = 0; round < regrow_rounds && points.size() >= 3; ++round) {
    plane = fit_height_plane(points);
    if (!plane.valid) break;
    for (const Vertex_handle& v : kept) member[index_of(v)] = 0;
    kept = near_plane(free_roof, plane, tolerance);
    for (const Vertex_handle& v : kept) {
      member[index_of(v)] = 1;
      depends_on.push_back(static_cast<std::uint32_t>(index_of(v)));
    }
    // The region's points still on the plane seed the new region, all of them
    // into one cluster where they connect.
    VertexList grown = largest_cluster(fans, points, member, reached);
    const bool same = grown.size() == points.size();
    points = std::move(grown);
    if (same) break;
  }
  region.plane = fit_height_plane(points);
  region.points = std::move(points);
  if (!region.plane.valid) region.points.clear();
  return region;
}

}  // namespace roofplanes
