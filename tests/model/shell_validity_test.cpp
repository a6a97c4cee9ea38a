// The validity check must pass a closed box and name each kind of fault a
// broken shell can have.

#include "model/shell_measures.h"
#include "model/shell_validity.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using namespace roofplanes;

// An axis-aligned box on the millimetre grid, faces outward.
Shell box(std::int64_t x0, std::int64_t y0, std::int64_t z0, std::int64_t x1, std::int64_t y1, std::int64_t z1,
          std::size_t base = 0) {
  Shell s;
  for (std::int64_t z : {z0, z1})
    for (std::int64_t y : {y0, y1})
      for (std::int64_t x : {x0, x1}) s.vertices.push_back({x, y, z});
  // Vertex k: x bit 0, y bit 1, z bit 2.
  auto face = [&](SurfaceKind kind, std::vector<std::size_t> ring) {
    for (auto& v : ring) v += base;
    s.surfaces.push_back(ShellSurface{kind, kind == SurfaceKind::roof ? 1 : 0, {ring}});
  };
  face(SurfaceKind::ground, {0, 2, 3, 1});
  face(SurfaceKind::roof, {4, 5, 7, 6});
  face(SurfaceKind::wall, {0, 1, 5, 4});
  face(SurfaceKind::wall, {1, 3, 7, 5});
  face(SurfaceKind::wall, {3, 2, 6, 7});
  face(SurfaceKind::wall, {2, 0, 4, 6});
  return s;
}

TEST(shell_validity, BoxIsValidAndMeasured) {
  const ModelGrid grid;
  const Shell s = box(0, 0, 0, 2000, 3000, 4000);
  EXPECT_EQ(shell_problem(s, grid), "");
  EXPECT_NEAR(shell_volume(s, grid), 24.0, 1e-9);
  // Far from the origin as in a tile of projected coordinates.
  const Shell far = box(350'000'000, 5'800'000'000, 40'000, 350'002'000, 5'800'003'000, 44'000);
  EXPECT_EQ(shell_problem(far, grid), "");
  EXPECT_NEAR(shell_volume(far, grid), 24.0, 1e-6);
}

TEST(shell_validity, NamesEachFault) {
  const ModelGrid grid;
  {
    Shell s = box(0, 0, 0, 2000, 3000, 4000);
    s.surfaces.pop_back();
    EXPECT_EQ(shell_problem(s, grid), "the shell is not closed");
  }
  {
    Shell s = box(0, 0, 0, 2000, 3000, 4000);
    std::reverse(s.surfaces[2].rings[0].begin(), s.surfaces[2].rings[0].end());
    EXPECT_EQ(shell_problem(s, grid), "an edge is used twice in one direction");
  }
  {
    Shell s = box(0, 0, 0, 2000, 3000, 4000);
    for (auto& surface : s.surfaces) std::reverse(surface.rings[0].begin(), surface.rings[0].end());
    EXPECT_EQ(shell_problem(s, grid), "the shell faces inward");
  }
  {
    Shell s = box(0, 0, 0, 2000, 3000, 4000);
    s.vertices[7][2] += 50;  // one roof corner 5 cm up: roof and two walls bent
    EXPECT_NE(shell_problem(s, grid).find("is not planar"), std::string::npos);
    s.vertices[7][2] -= 45;  // 5 mm: within what validators accept
    EXPECT_EQ(shell_problem(s, grid), "");
  }
  {
    Shell s = box(0, 0, 0, 2000, 3000, 4000);
    s.vertices.push_back({-1000, 1500, 4000});
    s.surfaces[1].rings[0] = {4, 5, 7, 8, 6};  // the roof's ring crosses itself
    EXPECT_EQ(shell_problem(s, grid), "surface 2 is not a simple polygon");
  }
  {
    Shell s = box(0, 0, 0, 2000, 3000, 4000);
    s.surfaces[1].rings[0] = {4, 5, 7, 5, 6};
    EXPECT_EQ(shell_problem(s, grid), "surface 2 repeats a vertex");
  }
  {
    // Two closed boxes that overlap: every edge paired, yet the solid crosses itself.
    Shell s = box(0, 0, 0, 2000, 2000, 2000);
    const Shell t = box(1000, 1000, 1000, 3000, 3000, 3000, s.vertices.size());
    s.vertices.insert(s.vertices.end(), t.vertices.begin(), t.vertices.end());
    s.surfaces.insert(s.surfaces.end(), t.surfaces.begin(), t.surfaces.end());
    EXPECT_EQ(shell_problem(s, grid), "the shell intersects itself");
  }
  {
    // Two boxes touching at one corner only: closed, but not a 2-manifold there.
    Shell s = box(0, 0, 0, 1000, 1000, 1000);
    Shell t = box(1000, 1000, 1000, 2000, 2000, 2000, s.vertices.size());
    for (auto& surface : t.surfaces)
      for (auto& v : surface.rings[0])
        if (v == s.vertices.size()) v = 7;  // t's lowest corner is s's highest
    s.vertices.insert(s.vertices.end(), t.vertices.begin(), t.vertices.end());
    s.surfaces.insert(s.surfaces.end(), t.surfaces.begin(), t.surfaces.end());
    EXPECT_EQ(shell_problem(s, grid), "the shell is not 2-manifold at a vertex");
  }
}

}  // namespace
