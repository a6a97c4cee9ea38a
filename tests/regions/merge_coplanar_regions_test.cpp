#include "regions/merge_coplanar_regions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <set>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

double tilted(double x, double y) { return 1.0 + 0.2 * x - 0.1 * y; }

// Two pieces of one plane: left up to x_left, right from x_right.
std::vector<PlaneRegion> pieces(const PointTriangulation& roof, double x_left, double x_right) {
  return {region_of(vertices_where(roof, [&](const Point3& p) { return p.x() <= x_left; })),
          region_of(vertices_where(roof, [&](const Point3& p) { return p.x() >= x_right; }))};
}

TEST(merge_coplanar_regions, JoinsPiecesOfOnePlaneUpToTwoEdgesApart) {
  const PointTriangulation roof = roof_of(grid_points(20, 10, 0.5, tilted));
  std::vector<PlaneRegion> regions = pieces(roof, 4.5, 5.0);  // touching
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), 1u);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0].points.size(), 200u);
  EXPECT_NEAR(regions[0].plane.a, 0.2, 1e-9);

  regions = pieces(roof, 4.0, 5.0);  // one column between them
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), 1u);
  EXPECT_EQ(regions.size(), 1u);

  regions = pieces(roof, 3.0, 5.0);  // three columns between them: apart
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), 0u);
  EXPECT_EQ(regions.size(), 2u);
}

TEST(merge_coplanar_regions, KeepsTheFacesOfARidgeApart) {
  const PointTriangulation roof = roof_of(gable_points());
  std::vector<PlaneRegion> regions = {
      region_of(vertices_where(roof, [](const Point3& p) { return p.y() < 2.25; })),
      region_of(vertices_where(roof, [](const Point3& p) { return p.y() > 2.25; }))};
  EXPECT_EQ(neighbouring_regions(roof, regions), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}}));
  EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.05), 0u);
  EXPECT_EQ(regions.size(), 2u);
}

// A curved roof (z = 0.05 x²) cut into strips of 1 m: two neighbouring
// strips fit one plane within the limit (rms about 0.015 m), three do not
// (about 0.034 m). Each merge must judge the merged region's pairs by its new
// points: judged by the pairs' fits from before the merge, a strip joins a
// pair whose plane no longer fits it.
TEST(merge_coplanar_regions, JudgesAMergedRegionByAllItsPoints) {
  const PointTriangulation roof = roof_of(grid_points(24, 12, 0.25, [](double x, double) { return 0.05 * x * x; }));
  std::vector<PlaneRegion> regions;
  for (int strip = 0; strip < 6; ++strip)
    regions.push_back(region_of(vertices_where(roof, [&](const Point3& p) {
      return p.x() >= strip * 1.0 && p.x() < (strip + 1) * 1.0;
    })));
  const double limit = 0.02;
  // All pairs fit equally well up to rounding, so which pairs merge may
  // vary; none of three strips, and no strip stays alone beside another.
  const std::size_t merges = merge_coplanar_regions(roof, regions, limit);
  EXPECT_GE(merges, 2u);
  EXPECT_EQ(regions.size(), 6u - merges);
  for (const PlaneRegion& region : regions) {
    EXPECT_LE(region.points.size(), 2u * 4u * 12u);
    EXPECT_LE(height_rms(region.plane, region.points), limit);
  }
}

// Neighbours of every vertex along the triangulation's finite edges.
std::vector<std::vector<std::size_t>> adjacency(const PointTriangulation& triangulation) {
  std::vector<std::vector<std::size_t>> next(triangulation.number_of_vertices());
  for (auto e = triangulation.finite_edges_begin(); e != triangulation.finite_edges_end(); ++e) {
    const auto a = static_cast<std::size_t>(e->first->vertex(e->first->cw(e->second))->info().position());
    const auto b = static_cast<std::size_t>(e->first->vertex(e->first->ccw(e->second))->info().position());
    next[a].push_back(b);
    next[b].push_back(a);
  }
  return next;
}

// Random regions on random points of one plane: the pairs joined by a path of
// at most two edges are those a search along the edges finds, and merging
// leaves one region per group of regions so joined.
TEST(neighbouring_regions, PairsWithinTwoEdgesOnRandomPointsAndRegions) {
  std::uint64_t state = 99;
  const auto uniform = [&] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE(trial);
    std::vector<std::array<double, 3>> points;
    for (int k = 0; k < 300; ++k) {
      const double x = 10.0 * uniform(), y = 10.0 * uniform();
      points.push_back({x, y, tilted(x, y)});
    }
    const PointTriangulation roof = roof_of(points);
    // Eight blobs: each point takes the label of its nearest centre; a fifth of the points and
    // two of the blobs hold no region, which leaves gaps of one or two edges between regions.
    std::array<std::array<double, 2>, 8> centres;
    for (auto& c : centres) c = {10.0 * uniform(), 10.0 * uniform()};
    std::vector<VertexList> members(6);
    std::vector<std::size_t> owner(roof.number_of_vertices(), 99);
    for (auto v = roof.finite_vertices_begin(); v != roof.finite_vertices_end(); ++v) {
      std::size_t nearest = 0;
      for (std::size_t c = 1; c < centres.size(); ++c)
        if (std::hypot(v->point().x() - centres[c][0], v->point().y() - centres[c][1]) <
            std::hypot(v->point().x() - centres[nearest][0], v->point().y() - centres[nearest][1]))
          nearest = c;
      if (nearest >= members.size() || uniform() < 0.2) continue;
      members[nearest].push_back(v);
      owner[static_cast<std::size_t>(v->info().position())] = nearest;
    }
    std::vector<PlaneRegion> regions;
    std::vector<std::size_t> index_of_blob(members.size(), 99);
    for (std::size_t b = 0; b < members.size(); ++b)
      if (members[b].size() >= 3) {
        index_of_blob[b] = regions.size();
        regions.push_back(region_of(members[b]));
      }
    const auto next = adjacency(roof);
    std::set<std::pair<std::size_t, std::size_t>> expected;
    const auto meet = [&](std::size_t r, std::size_t w) {
      if (owner[w] == 99 || index_of_blob[owner[w]] == 99) return;
      const std::size_t other = index_of_blob[owner[w]];
      if (other != r) expected.insert({std::min(r, other), std::max(r, other)});
    };
    for (std::size_t r = 0; r < regions.size(); ++r)
      for (const Vertex_handle& v : regions[r].points)
        for (const std::size_t w : next[static_cast<std::size_t>(v->info().position())]) {
          meet(r, w);
          for (const std::size_t u : next[w]) meet(r, u);
        }
    const auto pairs = neighbouring_regions(roof, regions);
    const std::set<std::pair<std::size_t, std::size_t>> found(pairs.begin(), pairs.end());
    EXPECT_EQ(found, expected);

    // Groups of regions joined by such pairs.
    std::vector<std::size_t> group(regions.size());
    for (std::size_t r = 0; r < group.size(); ++r) group[r] = r;
    const auto root = [&](std::size_t r) {
      while (group[r] != r) r = group[r];
      return r;
    };
    for (const auto& [i, j] : expected) group[root(j)] = root(i);
    std::size_t groups = 0;
    for (std::size_t r = 0; r < group.size(); ++r) groups += root(r) == r ? 1 : 0;
    const std::size_t before = regions.size();
    EXPECT_EQ(merge_coplanar_regions(roof, regions, 0.01), before - groups);
    EXPECT_EQ(regions.size(), groups);
  }
}

}  // namespace
