// The outline derived from roof points follows the roof's true edge, keeps a
// courtyard as a hole and squares what is nearly square.

#include "model/building_outline.h"

#include <gtest/gtest.h>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

using namespace roofplanes;
using K = CGAL::Exact_predicates_inexact_constructions_kernel;

double area(const std::vector<Point>& ring) {
  double a = 0.0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Point& p = ring[i];
    const Point& q = ring[(i + 1) % ring.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2.0;
}

bool simple(const std::vector<Point>& ring) {
  std::vector<K::Point_2> points;
  for (const Point& p : ring) points.emplace_back(p.x, p.y);
  return CGAL::is_simple_2(points.begin(), points.end(), K());
}

// Points of a jittered 0.35 m grid (about 8 per m²) inside a shape, turned
// by angle about the origin. The grid starts half a step in, so that, as in
// a scan, the outermost points lie about half a spacing inside the edge.
template <class Inside>
RoofSample scan(Inside inside, double size, double angle, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> jitter(-0.1, 0.1);
  RoofSample sample;
  const double c = std::cos(angle), s = std::sin(angle);
  for (double x = 0.175; x <= size; x += 0.35)
    for (double y = 0.175; y <= size; y += 0.35) {
      const double px = x + jitter(random), py = y + jitter(random);
      if (!inside(px, py)) continue;
      sample.points.push_back(Point{c * px - s * py, s * px + c * py, 0.0});
      sample.labels.push_back(1);
    }
  return sample;
}

TEST(building_outline, LShapeFollowsTheRoofEdgeSquared) {
  // 20 × 12 m less a 10 × 6 m corner: 180 m², six corners.
  for (double angle : {0.0, 0.3, 1.1}) {
    SCOPED_TRACE(angle);
    auto inside = [](double x, double y) { return x >= 0 && x <= 20 && y >= 0 && y <= 12 && !(x > 10 && y > 6); };
    const RoofSample sample = scan(inside, 20.0, angle, 5);
    RoofTriangulation triangulation = triangulate_roof(sample);
    EXPECT_NEAR(triangulation.spacing, 0.35, 0.05);
    const auto outline = roof_outline(triangulation);
    ASSERT_EQ(outline.size(), 1u);
    const auto& ring = outline[0].outer;
    EXPECT_TRUE(simple(ring));
    EXPECT_GT(area(ring), 0.0);
    EXPECT_NEAR(area(ring), 180.0, 180.0 * 0.05);
    EXPECT_EQ(ring.size(), 6u);
    EXPECT_TRUE(outline[0].holes.empty());
    // Squared: every corner a right angle.
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point& a = ring[i];
      const Point& b = ring[(i + 1) % ring.size()];
      const Point& c = ring[(i + 2) % ring.size()];
      const double dot = (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y);
      EXPECT_NEAR(dot / (std::hypot(b.x - a.x, b.y - a.y) * std::hypot(c.x - b.x, c.y - b.y)), 0.0, 1e-9);
    }
  }
}

TEST(building_outline, CourtyardIsAHoleAndGapsAreNot) {
  // 24 × 24 m around an 8 × 8 m courtyard, and a 1 × 1 m gap in the points
  // (a chimney's shadow) that is no hole.
  auto inside = [](double x, double y) {
    const bool courtyard = x > 8 && x < 16 && y > 8 && y < 16;
    const bool gap = x > 3 && x < 4 && y > 3 && y < 4;
    return x >= 0 && x <= 24 && y >= 0 && y <= 24 && !courtyard && !gap;
  };
  const RoofSample sample = scan(inside, 24.0, 0.2, 9);
  RoofTriangulation triangulation = triangulate_roof(sample);
  const auto outline = roof_outline(triangulation);
  ASSERT_EQ(outline.size(), 1u);
  ASSERT_EQ(outline[0].holes.size(), 1u);
  EXPECT_LT(area(outline[0].holes[0]), 0.0);
  EXPECT_NEAR(-area(outline[0].holes[0]), 64.0, 64.0 * 0.15);
  EXPECT_NEAR(area(outline[0].outer), 576.0, 576.0 * 0.05);
}

// Of two pieces of the shape, the outline is the one holding more points of
// faces, each point counted once: a strip of about 114 labelled points (a point in
// about three triangles) against a square of about 196 points of which 100 are
// labelled (a point in about six). Counting all points, or a point once per
// triangle, takes the square.
TEST(building_outline, PieceWithTheMostFacePointsEachCountedOnce) {
  auto inside = [](double x, double y) {
    const bool strip = x >= 0.0 && x <= 20.0 && y >= 0.0 && y <= 0.7;
    const bool square = x >= 30.0 && x <= 35.0 && y >= 0.0 && y <= 5.0;
    return strip || square;
  };
  RoofSample sample = scan(inside, 36.0, 0.0, 3);
  std::size_t strip = 0, square = 0, labelled = 0;
  for (std::size_t i = 0; i < sample.points.size(); ++i) {
    if (sample.points[i].x < 25.0) {
      ++strip;
      continue;
    }
    ++square;
    sample.labels[i] = labelled < 100 ? 1 : 0;
    labelled += sample.labels[i];
  }
  ASSERT_GT(strip, 105u);           // about 114, all labelled
  ASSERT_GT(square, strip + 50u);   // about 196, 100 labelled
  RoofTriangulation triangulation = triangulate_roof(sample);
  const auto outline = roof_outline(triangulation, sample.labels);
  ASSERT_EQ(outline.size(), 1u);
  for (const Point& p : outline[0].outer) EXPECT_LT(p.x, 25.0);
  // Every point labelled, the square holds more.
  std::fill(sample.labels.begin(), sample.labels.end(), 1);
  RoofTriangulation all = triangulate_roof(sample);
  const auto larger = roof_outline(all, sample.labels);
  ASSERT_EQ(larger.size(), 1u);
  for (const Point& p : larger[0].outer) EXPECT_GT(p.x, 25.0);
}

TEST(building_outline, SquaringKeepsWhatIsNotNearlySquare) {
  // A triangle and a ring with one 45° edge: no edge is turned that lies far
  // from the main direction.
  const std::vector<Point> triangle{{0, 0, 0}, {10, 0, 0}, {5, 8, 0}};
  EXPECT_EQ(square_ring(triangle, triangle, 0.3, 10.0), triangle);
  const std::vector<Point> cut{{0, 0, 0}, {10, 0.2, 0}, {10, 6, 0}, {6, 10, 0}, {0, 10, 0}};
  const auto squared = square_ring(cut, cut, 0.3, 10.0);
  ASSERT_EQ(squared.size(), 5u);
  // The 45° edge keeps its direction.
  bool diagonal = false;
  for (std::size_t i = 0; i < squared.size(); ++i) {
    const Point& a = squared[i];
    const Point& b = squared[(i + 1) % squared.size()];
    const double deg = std::atan2(b.y - a.y, b.x - a.x) * 180.0 / std::numbers::pi;
    if (std::abs(deg - 135.0) < 2.0) diagonal = true;
  }
  EXPECT_TRUE(diagonal);
}

}  // namespace
