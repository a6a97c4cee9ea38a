#include "regions/trace_region_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::grid_points;
using testing::triangulation_of;
using testing::vertices_of;

using Plan = std::vector<std::pair<double, double>>;

Plan plan_of(const VertexList& points) {
  Plan plan;
  for (const Vertex_handle& v : points) plan.emplace_back(v->point().x(), v->point().y());
  return plan;
}

// The grid's points (unit spacing, nx columns) whose (x, y) pass keep.
template <class Keep>
VertexList grid_region(const VertexList& all, int nx, Keep keep) {
  VertexList region;
  for (std::size_t k = 0; k < all.size(); ++k)
    if (keep(static_cast<int>(k) % nx, static_cast<int>(k) / nx)) region.push_back(all[k]);
  return region;
}

TEST(trace_region_outline, OuterRingOfARegionWithAHole) {
  // A 5 × 5 grid without its centre: the hole's ring runs clockwise and is
  // not the outline; the outline is the square's 16 boundary points,
  // counterclockwise from the corner of smallest x and y.
  PointTriangulation t = triangulation_of(grid_points(5, 5, 1.0, [](double, double) { return 0.0; }));
  const VertexList region = grid_region(vertices_of(t), 5, [](int x, int y) { return x != 2 || y != 2; });
  const Plan expected{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}, {4, 2}, {4, 3},
                      {4, 4}, {3, 4}, {2, 4}, {1, 4}, {0, 4}, {0, 3}, {0, 2}, {0, 1}};
  EXPECT_EQ(plan_of(trace_region_outline(t, region)), expected);
}

TEST(trace_region_outline, LargestPieceWhenTheRegionFallsApart) {
  // Columns 0-1 and 3-6 of a 7 × 3 grid: column 2 keeps them apart, and
  // the wider piece's ring is the outline, whichever piece is listed first.
  PointTriangulation t = triangulation_of(grid_points(7, 3, 1.0, [](double x, double) { return 0.1 * x; }));
  const VertexList all = vertices_of(t);
  VertexList region = grid_region(all, 7, [](int x, int) { return x != 2; });
  const Plan expected{{3, 0}, {4, 0}, {5, 0}, {6, 0}, {6, 1}, {6, 2}, {5, 2}, {4, 2}, {3, 2}, {3, 1}};
  EXPECT_EQ(plan_of(trace_region_outline(t, region)), expected);
  std::reverse(region.begin(), region.end());
  EXPECT_EQ(plan_of(trace_region_outline(t, region)), expected);
}

TEST(trace_region_outline, NoOutlineWithoutATriangleOfItsOwn) {
  // A row of points, and every other point of a grid: no triangle has its
  // three corners in the region.
  PointTriangulation t = triangulation_of(grid_points(6, 4, 1.0, [](double, double) { return 0.0; }));
  const VertexList all = vertices_of(t);
  EXPECT_TRUE(trace_region_outline(t, grid_region(all, 6, [](int, int y) { return y == 1; })).empty());
  EXPECT_TRUE(trace_region_outline(t, grid_region(all, 6, [](int x, int y) { return (x + y) % 2 == 0; })).empty());
}

}  // namespace
}  // namespace roofplanes
