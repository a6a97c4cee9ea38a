#include "regions/find_free_faces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

// A 20 × 10 grid of spacing 0.5: a face on y >= 2.5 and, 1 m below it, a
// lower roof on y < 2.5 (100 points, 9.5 m × 2 m) that the search left free.
// Heights carry a fixed pattern of ±1 cm, under the 5 cm tolerance.
double stepped(double x, double y) {
  const double wobble = 0.01 * std::sin(7.0 * x + 13.0 * y);
  return (y >= 2.5 ? 4.0 + 0.3 * y : 3.0 + 0.1 * x) + wobble;
}

bool upper(const Point3& p) { return p.y() >= 2.5; }

TEST(find_free_faces, ALowerRoofLeftFreeBecomesAFaceOfAllItsPoints) {
  const PointTriangulation roof = roof_of(grid_points(20, 10, 0.5, stepped));
  std::vector<PlaneRegion> regions = {region_of(vertices_where(roof, upper))};
  const VertexList kept = regions[0].points;
  ASSERT_EQ(find_free_faces(roof, regions, 0.05, {20}, 0.5), 1u);
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].points, kept);  // earlier regions untouched
  EXPECT_EQ(regions[1].points.size(), 100u);
  for (const Vertex_handle& v : regions[1].points) EXPECT_FALSE(upper(v->point()));
  EXPECT_NEAR(regions[1].plane.a, 0.1, 0.01);
  // Five rows 0.5 apart: they spread sqrt(0.5) across.
  EXPECT_NEAR(region_width(regions[1].points), std::sqrt(0.5), 1e-9);
  // Fewer points than asked for, or narrower than asked for: no face.
  regions.pop_back();
  EXPECT_EQ(find_free_faces(roof, regions, 0.05, {20}, 1.0), 0u);
  EXPECT_EQ(find_free_faces(roof, regions, 0.05, {101}, 0.5), 0u);
  EXPECT_EQ(regions.size(), 1u);
  // ... unless its points, fewer than the count a denser scan needs, cover the
  // area asked for: 9.5 × 2 by its own triangles and 1.1875 by the halves of
  // those it shares with the upper face.
  EXPECT_EQ(find_free_faces(roof, regions, 0.05, {101, 20.0, 8}, 0.5), 1u);
  regions.pop_back();
  EXPECT_EQ(find_free_faces(roof, regions, 0.05, {101, 20.5, 8}, 0.5), 0u);
}

// Among free points that lie on no plane (clutter: heights scattered over
// 0.5 m from point to point) a level top of 4 × 4 points is a face and one of
// 2 × 2 points, too few, is none.
TEST(find_free_faces, OfClutterAndTopsOnlyTheLargeTopIsAFace) {
  auto points = grid_points(20, 10, 0.5, [](double x, double y) {
    if (y >= 2.5) return 5.0;
    if (x >= 6.0 && x <= 7.5 && y <= 1.5) return 2.0;  // the large top
    if (x >= 1.0 && x <= 1.5 && y <= 0.5) return 2.0;  // the small top
    // A fixed scatter: the grid index mixed as a 64-bit hash (splitmix64).
    std::uint64_t h =
        static_cast<std::uint64_t>(std::lround(2.0 * x) + 100 * std::lround(2.0 * y)) + 0x9e3779b97f4a7c15u;
    h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9u;
    h = (h ^ (h >> 27)) * 0x94d049bb133111ebu;
    h ^= h >> 31;
    return 3.0 + 0.5 * static_cast<double>(h >> 11) / 9007199254740992.0;
  });
  const PointTriangulation roof = roof_of(points);
  std::vector<PlaneRegion> regions = {region_of(vertices_where(roof, upper))};
  EXPECT_EQ(find_free_faces(roof, regions, 0.05, {8}, 0.3), 1u);
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[1].points.size(), 16u);
  for (const Vertex_handle& v : regions[1].points) EXPECT_EQ(v->point().z(), 2.0);
}

// A lower roof (z = 3 + 0.05 x) under the eave of a higher face: on the
// rows y = 1.5 and 2.5 the eave's points hide it, so in plan the row
// y = 2.0 of the lower roof lies between two rows of eave points, which touch
// the rest of the lower roof only through them. That row is part of the lower
// roof's face; rows of points below the plane (a lower level, not an eave that
// hides it) do not bridge that way.
TEST(find_free_faces, ALowerRoofReachesUnderTheEaveThatHidesEveryOtherRow) {
  for (const double eave : {6.0, 1.0}) {
    SCOPED_TRACE(eave > 3.0 ? "the rows between are above" : "the rows between are below");
    const auto hidden = [](double y) { return y == 1.5 || y == 2.5; };
    const PointTriangulation roof = roof_of(grid_points(20, 10, 0.5, [&](double x, double y) {
      if (y >= 3.0) return 5.0 + 0.3 * y;
      return hidden(y) ? eave + 0.3 * y : 3.0 + 0.05 * x;
    }));
    std::vector<PlaneRegion> regions = {
        region_of(vertices_where(roof, [&](const Point3& p) { return p.y() >= 3.0 || hidden(p.y()); }))};
    ASSERT_EQ(find_free_faces(roof, regions, 0.05, {20}, 0.3), 1u);
    ASSERT_EQ(regions.size(), 2u);
    std::size_t row = 0;
    for (const Vertex_handle& v : regions[1].points) row += v->point().y() == 2.0 ? 1 : 0;
    EXPECT_EQ(regions[1].points.size(), eave > 3.0 ? 80u : 60u);
    EXPECT_EQ(row, eave > 3.0 ? 20u : 0u);
  }
}

// The seeds are taken in vertex position order, not in the order the regions
// list or the triangulation iterates: the same points in reverse insertion
// order give the same faces (as sets of points).
TEST(find_free_faces, TwoFreeFacesAreFoundWhicheverOrderThePointsCameIn) {
  auto points = grid_points(20, 10, 0.5, [](double x, double y) {
    return x < 4.75 ? 3.0 + 0.2 * y : 3.0 + 0.2 * y + 0.5 + 0.1 * x;  // a step between two free faces
  });
  for (const bool reverse : {false, true}) {
    SCOPED_TRACE(reverse ? "reversed" : "as generated");
    auto ordered = points;
    if (reverse) ordered.assign(points.rbegin(), points.rend());
    const PointTriangulation roof = roof_of(ordered);
    std::vector<PlaneRegion> regions;
    ASSERT_EQ(find_free_faces(roof, regions, 0.05, {20}, 0.5), 2u);
    for (const PlaneRegion& region : regions) {
      EXPECT_EQ(region.points.size(), 100u);
      const bool left = region.points.front()->point().x() < 4.75;
      for (const Vertex_handle& v : region.points) EXPECT_EQ(v->point().x() < 4.75, left);
    }
  }
}

}  // namespace
