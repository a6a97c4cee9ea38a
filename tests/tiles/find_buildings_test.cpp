#include "tiles/find_buildings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace {

using roofplanes::BuildingFinderOptions;
using roofplanes::FoundBuilding;
using roofplanes::Point;
using Indices = std::vector<std::size_t>;

// National-grid coordinates, where a sloppy cell computation would round.
constexpr double x0 = 350000.0, y0 = 5800000.0;

BuildingFinderOptions every_cluster(double gap = 2.0, double margin = 0.0) {
  BuildingFinderOptions options;
  options.building_gap = gap;
  options.min_building_points = 1;
  options.margin = margin;
  return options;
}

std::vector<Indices> roofs(const std::vector<FoundBuilding>& buildings) {
  std::vector<Indices> result;
  for (const FoundBuilding& b : buildings) result.push_back(b.roof);
  return result;
}

TEST(find_buildings, ConnectedAtTheGapItselfNotBeyond) {
  // 2 m apart exactly along x and along y, then 2 m plus a millimetre.
  const std::vector<Point> points{{x0, y0, 0}, {x0 + 2.0, y0, 0}, {x0 + 2.0, y0 + 2.0, 0}, {x0 + 4.001, y0 + 2.0, 0}};
  const std::vector<std::uint8_t> roof(points.size(), 1);
  EXPECT_EQ(roofs(find_buildings(points, roof, every_cluster())), (std::vector<Indices>{{0, 1, 2}, {3}}));
  // A diagonal of exactly 2.5 m (1.5 by 2): joined with a gap of 2.5, not of 2.4999.
  const std::vector<Point> diagonal{{x0 + 0.25, y0 + 0.5, 0}, {x0 + 1.75, y0 + 2.5, 0}};
  EXPECT_EQ(find_buildings(diagonal, {1, 1}, every_cluster(2.5)).size(), 1u);
  EXPECT_EQ(find_buildings(diagonal, {1, 1}, every_cluster(2.4999)).size(), 2u);
}

TEST(find_buildings, ChainsJoinSmallClustersDropOrderByLowestIndex) {
  std::vector<Point> points;
  std::vector<std::uint8_t> roof;
  auto add = [&](double x, double y, bool is_roof) {
    points.push_back({x0 + x, y0 + y, 10.0});
    roof.push_back(is_roof);
  };
  // Interleaved in file order: an L-shaped chain of 12 points 1.9 m apart
  // (ends 15 m apart), a cluster of 3 far away, and a row of 5 points.
  for (int k = 0; k < 6; ++k) {
    add(1.9 * k, 0.0, true);                  // chain, first leg
    if (k < 3) add(100.0 + k, 100.0, true);   // small cluster
    add(9.5, 1.9 * (k + 1), true);            // chain, second leg
    if (k < 5) add(50.0 + 0.5 * k, 50.0, true);  // row
  }
  add(60.0, 60.0, false);  // not a roof point: in no cluster
  BuildingFinderOptions options = every_cluster();
  options.min_building_points = 4;
  const auto found = find_buildings(points, roof, options);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].roof, (Indices{0, 2, 4, 6, 8, 10, 12, 13, 15, 16, 18, 19}));
  EXPECT_EQ(found[1].roof, (Indices{3, 7, 11, 14, 17}));
  options.min_building_points = 3;  // the small cluster now counts; it comes second
  EXPECT_EQ(roofs(find_buildings(points, roof, options))[1], (Indices{1, 5, 9}));
}

TEST(find_buildings, InputIsEveryPointInTheGrownBox) {
  // Roof points spanning x 0..4, y 0..2; margin 1 grows the box to -1..5, -1..3.
  const std::vector<Point> points{
      {x0 - 1.0, y0 + 1.0, 0},   // on the box's edge: in
      {x0 + 0.0, y0 + 0.0, 5},   // roof
      {x0 + 5.001, y0 + 1.0, 0}, // just outside
      {x0 + 4.0, y0 + 2.0, 5},   // roof
      {x0 + 2.0, y0 + 1.0, 5},   // roof
      {x0 + 2.0, y0 + 3.0, 7},   // other class, top edge: in
      {x0 + 2.0, y0 - 1.01, 0},  // just below
      {x0 + std::numeric_limits<double>::quiet_NaN(), y0, 0},  // not a number: nowhere
  };
  const std::vector<std::uint8_t> roof{0, 1, 0, 1, 1, 0, 0, 1};
  const auto found = find_buildings(points, roof, every_cluster(2.5, 1.0));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].roof, (Indices{1, 3, 4}));
  EXPECT_EQ(found[0].input, (Indices{0, 1, 3, 4, 5}));
  const roofplanes::BuildingInput input = building_input(points, found[0]);
  EXPECT_EQ(input.roof, (std::vector<std::uint8_t>{0, 1, 1, 1, 0}));
  EXPECT_EQ(input.points[4], points[5]);

  EXPECT_THROW(find_buildings(points, roof, every_cluster(0.0)), std::invalid_argument);
  EXPECT_THROW(find_buildings(points, {1, 1}, every_cluster()), std::invalid_argument);
}

// Clusters by testing every pair: the slow, plain answer. A search from each
// point not yet reached, in index order, gives them ordered by lowest index.
std::vector<Indices> clusters_by_pairs(const std::vector<Point>& points, double gap) {
  std::vector<bool> reached(points.size(), false);
  std::vector<Indices> result;
  for (std::size_t first = 0; first < points.size(); ++first) {
    if (reached[first]) continue;
    Indices cluster{first};
    reached[first] = true;
    for (std::size_t k = 0; k < cluster.size(); ++k)
      for (std::size_t j = 0; j < points.size(); ++j) {
        const Point &p = points[cluster[k]], &q = points[j];
        if (!reached[j] && (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) <= gap * gap)
          reached[j] = true, cluster.push_back(j);
      }
    std::sort(cluster.begin(), cluster.end());
    result.push_back(cluster);
  }
  return result;
}

TEST(find_buildings, SameClustersAsTestingEveryPair) {
  // Random points, dense here and sparse there, so that cells of every
  // neighbourhood are linked and unlinked; several gaps against one layout.
  std::uint64_t state = 7;
  auto uniform = [&] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  std::vector<Point> points;
  for (int k = 0; k < 1500; ++k) {
    const double spread = k % 3 == 0 ? 80.0 : 25.0;
    points.push_back({x0 + spread * uniform(), y0 + spread * uniform(), 0.0});
  }
  const std::vector<std::uint8_t> roof(points.size(), 1);
  for (double gap : {0.7, 1.5, 2.0, 3.3}) {
    SCOPED_TRACE(gap);
    const auto expected = clusters_by_pairs(points, gap);
    EXPECT_GT(expected.size(), 5u);
    EXPECT_EQ(roofs(find_buildings(points, roof, every_cluster(gap))), expected);
  }
}

}  // namespace
