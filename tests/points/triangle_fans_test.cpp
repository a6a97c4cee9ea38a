#include "points/triangle_fans.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

// Every finite triangle stands once in the fan of each of its corners, with
// its corners counterclockwise, and nothing else does; vertices are listed by
// position.
TEST(triangle_fans, EachFiniteTriangleOnceAroundEachCorner) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  std::vector<std::array<double, 3>> points;
  for (const auto& p : testing::grid_points(9, 7, 1.0, [](double, double) { return 0.0; }))
    points.push_back({p[0] + jitter(random), p[1] + jitter(random), 0.0});
  const PointTriangulation t = testing::triangulation_of(points);
  const TriangleFans fans = triangle_fans(t);

  ASSERT_EQ(fans.vertices.size(), t.number_of_vertices());
  ASSERT_EQ(fans.start.size(), t.number_of_vertices() + 1);
  for (std::size_t p = 0; p < fans.vertices.size(); ++p)
    EXPECT_EQ(fans.vertices[p]->info().position(), static_cast<int>(p));

  std::set<std::tuple<std::size_t, std::size_t, std::size_t>> seen;
  for (std::size_t p = 0; p < fans.vertices.size(); ++p)
    for (std::uint32_t k = fans.start[p]; k < fans.start[p + 1]; ++k) {
      const std::size_t c = fans.corners[2 * k], e = fans.corners[2 * k + 1];
      Face_handle face;
      ASSERT_TRUE(t.is_face(fans.vertices[p], fans.vertices[c], fans.vertices[e], face));
      EXPECT_FALSE(t.is_infinite(face));
      EXPECT_EQ(face->vertex(PointTriangulation::ccw(face->index(fans.vertices[p]))), fans.vertices[c]);
      EXPECT_TRUE(seen.emplace(p, c, e).second);
    }
  EXPECT_EQ(seen.size(), 3 * t.number_of_faces());
}

}  // namespace
}  // namespace roofplanes
