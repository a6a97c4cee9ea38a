#include "segments/simplify_outer_border.h"

#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/captured_report.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::silent_report;

using testing::triangulation_of;
using testing::vertices_of;

TEST(LineThrough, DistanceIsNonNegativeBothWays) {
  // y = 1: normal straight up (π/2 with π = 3.1416), distance 1, either way.
  for (const auto& [angle, distance] : {line_through(0, 1, 1, 1, silent_report()), line_through(1, 1, 0, 1, silent_report())}) {
    EXPECT_DOUBLE_EQ(angle, 3.1416 / 2);
    EXPECT_DOUBLE_EQ(distance, 1);
  }
  // x = 4 upward: normal exactly along +x.
  const auto [angle, distance] = line_through(4, 0, 4, 20, silent_report());
  EXPECT_EQ(angle, 0);
  EXPECT_EQ(distance, 4);
}

TEST(LineThrough, LineThroughOriginFollowsSignOfDx) {
  // dx = x1 − x2 >= 0 takes +r, dx < 0 takes −r: both directions of the
  // diagonal y = −x get the same normal (1, 1)/√2.
  const auto [angle_down, distance_down] = line_through(-1, 1, 1, -1, silent_report());  // dx < 0
  const auto [angle_up, distance_up] = line_through(1, -1, -1, 1, silent_report());      // dx >= 0
  EXPECT_DOUBLE_EQ(angle_down, std::atan(1.0));
  EXPECT_DOUBLE_EQ(angle_up, std::atan(1.0));
  EXPECT_EQ(distance_down, 0);
  EXPECT_EQ(distance_up, 0);
  // On the y axis dx = 0 in both directions, so the normal turns with it.
  EXPECT_EQ(line_through(0, 0, 0, 1, silent_report()).first, 0);
  EXPECT_DOUBLE_EQ(line_through(0, 1, 0, 0, silent_report()).first, 3.1416);
}

TEST(FarthestPair, FirstPairOfLargestDistance) {
  PointTriangulation t = triangulation_of({{0, 0, 0}, {3, 0, 0}, {3, 4, 0}, {0, 4, 0}, {1, 1, 0}});
  VertexList v = vertices_of(t);
  // Both diagonals measure 5; (0,0)–(3,4) comes first, A earlier in the list.
  EXPECT_EQ(farthest_pair({v[4], v[2], v[1], v[3], v[0]}), (VertexList{v[2], v[0]}));
  EXPECT_EQ(farthest_pair({v[1], v[3], v[0], v[2]}), (VertexList{v[1], v[3]}));
  EXPECT_TRUE(farthest_pair({v[1]}).empty());
  EXPECT_TRUE(farthest_pair({v[1], v[1], v[1]}).empty());
}

TEST(FarthestPair, SameAsComparingEveryDistance) {
  // The pair every distance compared in (i, j) order gives, with the ties of
  // small whole-number grids and, on a grid of 2^26 with offsets of 1,
  // squared distances that differ (2^52 and 2^52 + 1) where their square
  // roots round alike.
  const auto every_distance = [](const VertexList& vertices) {
    double best = 0;
    VertexList pair;
    for (std::size_t i = 0; i < vertices.size(); ++i)
      for (std::size_t j = i + 1; j < vertices.size(); ++j) {
        const double dx = vertices[j]->point().x() - vertices[i]->point().x();
        const double dy = vertices[j]->point().y() - vertices[i]->point().y();
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d > best) best = d, pair = {vertices[i], vertices[j]};
      }
    return pair;
  };
  std::uint64_t state = 12345;
  const auto next = [&](std::uint64_t range) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>((state >> 33) % range);
  };
  for (int trial = 0; trial < 300; ++trial) {
    const bool long_distances = trial % 2 == 1;
    std::vector<Point3> points;
    const int count = 2 + static_cast<int>(next(30));
    for (int k = 0; k < count; ++k) {
      const double x = long_distances ? next(3) * 0x1p26 + next(2) : next(6);
      const double y = long_distances ? next(3) * 0x1p26 + next(2) : next(6);
      points.push_back(Point3(x, y, 0));
    }
    PointTriangulation t;
    VertexList vertices;
    for (const Point3& p : points) vertices.push_back(t.insert(p));  // repeats give the same vertex
    ASSERT_EQ(farthest_pair(vertices), every_distance(vertices)) << "trial " << trial;
  }
  // 2^26 and sqrt(2^52 + 1) are the same double: the later pair is no farther.
  PointTriangulation t = triangulation_of({{0, 0, 0}, {0x1p26, 0, 0}, {0x1p26, 1, 0}});
  const VertexList v = vertices_of(t);
  EXPECT_EQ(farthest_pair(v), every_distance(v));
  EXPECT_EQ(farthest_pair(v), (VertexList{v[0], v[1]}));
}

TEST(FarthestPair, SameAsComparingEveryDistanceOnOutlines) {
  // Outlines as scans give them, hundreds of points: the border of a grid
  // rectangle (points along every side, ties between its diagonals, repeats
  // of the first corners at the end), a jittered ring, and a ring with a
  // notch. The pair comes from the hull's corners and the points reaching as
  // far; every pair compared in (i, j) order is the oracle.
  const auto every_distance = [](const VertexList& vertices) {
    double best = 0;
    VertexList pair;
    for (std::size_t i = 0; i < vertices.size(); ++i)
      for (std::size_t j = i + 1; j < vertices.size(); ++j) {
        const double dx = vertices[j]->point().x() - vertices[i]->point().x();
        const double dy = vertices[j]->point().y() - vertices[i]->point().y();
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d > best) best = d, pair = {vertices[i], vertices[j]};
      }
    return pair;
  };
  std::uint64_t state = 99;
  const auto uniform = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) * 0x1p-53;
  };
  for (int trial = 0; trial < 60; ++trial) {
    PointTriangulation t;
    VertexList outline;
    const int kind = trial % 3;
    if (kind == 0) {
      const int w = 3 + trial, h = 2 + trial / 2;
      for (int i = 0; i < w; ++i) outline.push_back(t.insert(Point3(i * 0.5, 0, 0)));
      for (int j = 0; j < h; ++j) outline.push_back(t.insert(Point3(w * 0.5, j * 0.5, 0)));
      for (int i = w; i > 0; --i) outline.push_back(t.insert(Point3(i * 0.5, h * 0.5, 0)));
      for (int j = h; j > 0; --j) outline.push_back(t.insert(Point3(0, j * 0.5, 0)));
      outline.push_back(outline[0]);
      outline.push_back(outline[1]);
    } else {
      const int n = 50 + 10 * trial;
      for (int k = 0; k < n; ++k) {
        const double angle = 2 * 3.141592653589793 * k / n;
        double radius = 10 + 0.3 * uniform();
        if (kind == 2 && k > n / 3 && k < n / 2) radius = 4;
        outline.push_back(t.insert(Point3(400000 + radius * std::cos(angle), 5e6 + radius * std::sin(angle), 0)));
      }
    }
    ASSERT_EQ(farthest_pair(outline), every_distance(outline)) << "trial " << trial;
  }
}

TEST(FarthestFromLine, FirstOfLargestDistance) {
  PointTriangulation t = triangulation_of({{4, 0, 0}, {4, 20, 0}, {6, 5, 0}, {2, 15, 0}, {5, 9, 0}});
  VertexList v = vertices_of(t);
  BorderLine line;
  line.start = v[0];
  line.end = v[1];
  std::tie(line.angle, line.distance) = line_through(4, 0, 4, 20, silent_report());
  EXPECT_EQ(farthest_from_line(line), std::make_pair(-1.0, Vertex_handle()));
  line.chain = {v[4], v[3], v[2]};
  EXPECT_EQ(point_line_distance(v[4], line), 1);
  EXPECT_EQ(farthest_from_line(line), std::make_pair(2.0, v[3]));
}

// Vertical pieces along x = 4 have the normal angle exactly 0, so distances
// from them are exact.
class SimplifyOuterBorder : public ::testing::Test {
 protected:
  PointTriangulation t = triangulation_of({{4, 0, 0},     // 0 A
                                           {4, 20, 0},    // 1 B
                                           {5.5, 10, 0},  // 2 exactly 1.5 off AB
                                           {5.6, 10, 0},  // 3 beyond 1.5
                                           {6, 5, 0},     // 4 2 off AB
                                           {6, 15, 0},    // 5 2 off AB
                                           {3, 10, 0},    // 6 1 off AB
                                           {-3, 10, 0}});  // 7 7 off AB
  VertexList v = vertices_of(t);
};

TEST_F(SimplifyOuterBorder, StraightOutlineGivesFarthestPair) {
  EXPECT_EQ(simplify_outer_border({v[6], v[0], v[2], v[1]}, 1.5, silent_report()), (VertexList{v[0], v[1]}));
  EXPECT_EQ(simplify_outer_border({v[1], v[6], v[0], v[2]}, 1.5, silent_report()), (VertexList{v[1], v[0]}));
}

TEST_F(SimplifyOuterBorder, SplitsOnlyBeyondTolerance) {
  EXPECT_EQ(simplify_outer_border({v[0], v[2], v[1]}, 1.5, silent_report()), (VertexList{v[0], v[1]}));
  EXPECT_EQ(simplify_outer_border({v[0], v[3], v[1]}, 1.5, silent_report()), (VertexList{v[0], v[3], v[1]}));
}

TEST_F(SimplifyOuterBorder, TieSplitsAtFirst) {
  // Split at (6, 15) instead would leave (6, 5) within 1.5 of the rest.
  EXPECT_EQ(simplify_outer_border({v[0], v[4], v[5], v[1]}, 1.5, silent_report()), (VertexList{v[0], v[4], v[1]}));
}

TEST_F(SimplifyOuterBorder, LeadVerticesCloseSecondChain) {
  EXPECT_EQ(simplify_outer_border({v[7], v[0], v[6], v[1]}, 1.5, silent_report()), (VertexList{v[0], v[1], v[7]}));
}

TEST_F(SimplifyOuterBorder, RepeatedEndIsAHitAndThirdHitEndsTheChains) {
  // A met again is the third hit: (−3, 10) behind it is not used.
  EXPECT_EQ(simplify_outer_border({v[0], v[2], v[1], v[6], v[0], v[7]}, 1.5, silent_report()), (VertexList{v[0], v[1]}));
  // B met again ends the second chain after (3, 10).
  EXPECT_EQ(simplify_outer_border({v[0], v[1], v[6], v[1], v[7]}, 1.5, silent_report()), (VertexList{v[0], v[1]}));
}

TEST_F(SimplifyOuterBorder, OutlineWithoutFarthestPairIsReturnedAsItIs) {
  EXPECT_TRUE(simplify_outer_border({}, 1.5, silent_report()).empty());
  EXPECT_EQ(simplify_outer_border({v[3]}, 1.5, silent_report()), (VertexList{v[3]}));
  EXPECT_EQ(simplify_outer_border({v[3], v[3], v[3]}, 1.5, silent_report()), (VertexList{v[3], v[3], v[3]}));
}

// The square of side 10, corners and side midpoints, with heights h(x, y).
template <class Height>
VertexList simplified_square(PointTriangulation& t, Height h) {
  const double xy[8][2] = {{5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}, {0, 0}};
  std::vector<std::array<double, 3>> points;
  for (const auto& p : xy) points.push_back({p[0], p[1], h(p[0], p[1])});
  t = triangulation_of(points);
  return simplify_outer_border(vertices_of(t), 1.5, silent_report());
}

TEST(SimplifyOuterBorderSquare, GivesCornersFromFirstDiagonal) {
  PointTriangulation t;
  const VertexList corners = simplified_square(t, [](double, double) { return 0.0; });
  const VertexList v = vertices_of(t);
  // (10, 0)–(0, 10) is the first diagonal in scan order.
  EXPECT_EQ(corners, (VertexList{v[1], v[3], v[5], v[7]}));

  PointTriangulation steep;
  const VertexList steep_corners = simplified_square(steep, [](double x, double y) { return 40 * x - 17 * y * y; });
  const VertexList w = vertices_of(steep);
  EXPECT_EQ(steep_corners, (VertexList{w[1], w[3], w[5], w[7]}));
}

}  // namespace
}  // namespace roofplanes
