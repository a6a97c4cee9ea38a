#include "planes/hough_votes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "points/clear_labels.h"
#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

// Three faces side by side, tilted three ways, so that their cells lie in
// different rows and levels: a face rising along x, one falling along y and a
// level patch, 15 m and 30 m apart.
std::vector<std::array<double, 3>> three_faces() {
  auto points = grid_points(20, 12, 0.5, [](double x, double) { return 1.0 + 0.5 * x; });
  for (const auto& p : grid_points(16, 12, 0.5, [](double, double y) { return 4.0 - 0.3 * y; }))
    points.push_back({p[0] + 15.0, p[1], p[2]});
  for (const auto& p : grid_points(12, 12, 0.5, [](double, double) { return 2.0; }))
    points.push_back({p[0] + 30.0, p[1], p[2]});
  return points;
}

void expect_same_peaks(const std::vector<PlaneCandidate>& kept, const std::vector<PlaneCandidate>& fresh) {
  ASSERT_EQ(kept.size(), fresh.size());
  for (std::size_t k = 0; k < kept.size(); ++k) {
    SCOPED_TRACE("peak " + std::to_string(k));
    EXPECT_EQ(kept[k].nx, fresh[k].nx);
    EXPECT_EQ(kept[k].ny, fresh[k].ny);
    EXPECT_EQ(kept[k].nz, fresh[k].nz);
    EXPECT_EQ(kept[k].s, fresh[k].s);
    EXPECT_EQ(kept[k].votes, fresh[k].votes);
  }
}

// Takes the points the test picks out of play, as a search pass does, and
// withdraws their votes.
void take(PointTriangulation& roof, HoughVotes& votes, const std::function<bool(const Point3&)>& test) {
  VertexList taken = vertices_where(roof, [&](const Point3& p) { return test(p); });
  clear_is_roof(roof, taken);
  withdraw_votes(votes, taken, roof);
}

// Votes kept from pass to pass must be the votes the free points would cast
// afresh: a withdrawal that misses a voter, lands in another direction's row
// or level, or counts a point twice, gives other peaks or counts. Checked
// where every point votes, after a thinned sample is drawn again, and where
// the grid is too large to hold (a roof point 40 km away).
TEST(hough_votes, KeptVotesAreTheFreePointsVotesAfresh) {
  {
    SCOPED_TRACE("every point votes");
    PointTriangulation roof = roof_of(three_faces());
    HoughVotes votes = vote_free_roof_points(roof, 2.0, 0.3, 0);
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 0));
    take(roof, votes, [](const Point3& p) { return p.x() < 12.0; });
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 0));
    EXPECT_GE(vote_peaks(votes, 1).front().votes, 16u * 12u);  // the falling face leads
    // Part of a face: its cell keeps the rest.
    take(roof, votes, [](const Point3& p) { return p.x() > 14.0 && p.x() < 17.0; });
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 0));
    // More leave than remain (the rest is counted afresh).
    take(roof, votes, [](const Point3& p) { return p.x() < 32.0; });
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 0));
  }
  {
    SCOPED_TRACE("thinned sample drawn again");
    PointTriangulation roof = roof_of(three_faces());
    HoughVotes votes = vote_free_roof_points(roof, 2.0, 0.3, 150);  // 576 points: every 4th votes
    ASSERT_EQ(votes.step, 4u);
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 150));
    // 240 of 576 taken: most voters remain, the sample stays.
    take(roof, votes, [](const Point3& p) { return p.x() < 12.0; });
    EXPECT_EQ(votes.step, 4u);
    EXPECT_LT(votes.free_voters, votes.voters.size());
    // Then the second face: fewer than half the voters are free, so the 144
    // free points are drawn again, all of them.
    take(roof, votes, [](const Point3& p) { return p.x() < 25.0; });
    EXPECT_EQ(votes.step, 1u);
    EXPECT_EQ(votes.voters.size(), 144u);
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 150));
  }
  {
    SCOPED_TRACE("grid too large to hold");
    auto points = three_faces();
    points.push_back({40000.0, 0.0, 100.0});
    PointTriangulation roof = roof_of(points);
    HoughVotes votes = vote_free_roof_points(roof, 2.0, 0.3, 0);
    EXPECT_TRUE(votes.counts.empty());
    take(roof, votes, [](const Point3& p) { return p.x() > 14.0 && p.x() < 25.0; });
    expect_same_peaks(vote_peaks(votes, 5), hough_peaks(roof, 2.0, 0.3, 5, 0));
    EXPECT_GE(vote_peaks(votes, 1).front().votes, 20u * 12u);
  }
}

// The peaks as documented, by brute force: every free voter's cell counted
// in a map, every cell at least a quarter of the best (and 3) sorted by votes,
// then direction, then level, and taken unless the same plane as a better
// peak. Reads only the votes' directions, grid and voters.
std::vector<PlaneCandidate> peaks_by_full_sort(const HoughVotes& votes, std::size_t count) {
  std::map<std::pair<std::size_t, std::int32_t>, std::uint32_t> cells;
  std::vector<std::int32_t> levels;
  for (std::size_t d = 0; d < votes.directions.size(); ++d) {
    const HoughVotes::Direction& n = votes.directions[d];
    levels.clear();
    for (std::size_t p = 0; p < votes.voters.size(); ++p)
      if (votes.free[p])
        levels.push_back(hough_s_level(n.nx * votes.x[p] + n.ny * votes.y[p] + n.nz * votes.z[p], votes.grid));
    std::sort(levels.begin(), levels.end());
    for (std::size_t i = 0, j = 0; i < levels.size(); i = j) {
      while (j < levels.size() && levels[j] == levels[i]) ++j;
      if (j - i >= 3) cells[{d, levels[i]}] = static_cast<std::uint32_t>(j - i);
    }
  }
  std::uint32_t best = 0;
  for (const auto& [cell, n] : cells) best = std::max(best, n);
  const std::uint32_t floor = std::max<std::uint32_t>(3, best / 4);
  std::vector<std::tuple<std::uint32_t, std::size_t, std::int32_t>> order;  // votes, direction, level
  for (const auto& [cell, n] : cells)
    if (n >= floor) order.emplace_back(n, cell.first, cell.second);
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) > std::get<0>(b);
    return std::make_pair(std::get<1>(a), std::get<2>(a)) < std::make_pair(std::get<1>(b), std::get<2>(b));
  });
  const double cos_apart = std::cos(3.0 * votes.direction_resolution * 3.141592653589793 / 180.0);
  std::vector<PlaneCandidate> peaks;
  std::vector<std::array<double, 3>> centres;
  for (const auto& [n_votes, d, level] : order) {
    if (peaks.size() == count) break;
    const HoughVotes::Direction& n = votes.directions[d];
    const double s = votes.grid.min_s + (level + 0.5) * votes.grid.resolution;
    bool same = false;
    for (std::size_t k = 0; k < peaks.size(); ++k)
      same = same || (n.nx * peaks[k].nx + n.ny * peaks[k].ny + n.nz * peaks[k].nz > cos_apart &&
                      std::fabs(n.nx * centres[k][0] + n.ny * centres[k][1] + n.nz * centres[k][2] - s) <=
                          2.0 * votes.grid.resolution);
    if (same) continue;
    peaks.push_back({n.nx, n.ny, n.nz, s, 0.5 * votes.grid.resolution, n_votes * votes.step});
    std::array<double, 3> centre{0.0, 0.0, 0.0};
    for (std::size_t p = 0; p < votes.voters.size(); ++p)
      if (votes.free[p] &&
          hough_s_level(n.nx * votes.x[p] + n.ny * votes.y[p] + n.nz * votes.z[p], votes.grid) == level) {
        centre[0] += votes.x[p] / n_votes;
        centre[1] += votes.y[p] / n_votes;
        centre[2] += votes.z[p] / n_votes;
      }
    centres.push_back(centre);
  }
  return peaks;
}

// The rows are read lazily, from the highest bound down, and a peak is taken
// as soon as no unread row can hold a better cell; the peaks must still be
// those of a full sort, ties included. Exact grids give many cells of equal
// votes in different rows (so a tie taken out of order shows), and random
// withdrawals leave bounds above the counts. Checked for 1, 5 and 30 peaks
// (the last reads down to the floor) over generated roofs.
TEST(hough_votes, PeaksAreThoseOfAFullSortOfEveryCell) {
  std::mt19937 random(7);
  for (int roof_index = 0; roof_index < 12; ++roof_index) {
    SCOPED_TRACE("roof " + std::to_string(roof_index));
    std::uniform_real_distribution<double> slope(-0.8, 0.8), height(2.0, 6.0);
    const double a = slope(random), b = slope(random), c = height(random);
    const double spacing = roof_index % 3 == 0 ? 0.5 : 0.37;
    std::vector<std::array<double, 3>> points =
        grid_points(14, 10, spacing, [&](double x, double y) { return c + a * x + b * y; });
    const double a2 = slope(random), c2 = height(random);
    for (const auto& p : grid_points(10, 8, spacing, [&](double x, double) { return c2 + a2 * x; }))
      points.push_back({p[0] + 8.0, p[1], p[2]});
    if (roof_index % 2 == 1) {  // jitter: fewer ties, cells split between levels
      std::normal_distribution<double> noise(0.0, 0.03);
      for (auto& p : points) p[2] += noise(random);
    }
    PointTriangulation roof = roof_of(points);
    HoughVotes votes = vote_free_roof_points(roof, 3.0, 0.25, 0);
    std::bernoulli_distribution leaves(0.3);
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      // Peaks are taken greedily, so fewer are the first of more.
      const std::vector<PlaneCandidate> expected = peaks_by_full_sort(votes, 30);
      ASSERT_FALSE(expected.empty());
      for (const std::size_t count : {1u, 5u, 30u})
        expect_same_peaks(vote_peaks(votes, count),
                          {expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(
                                                                   std::min(count, expected.size()))});
      take(roof, votes, [&](const Point3&) { return leaves(random); });
    }
  }
}

// A wall (80°, as many points as the roof beside it, more to a cell) proposes the best plane on the
// whole direction grid; with max_slope 75 no proposed plane is steeper, and
// the roof is still proposed.
TEST(hough_votes, NoPlaneSteeperThanTheSlopeLimit) {
  auto points = grid_points(12, 24, 0.5, [](double, double) { return 3.0; });
  for (const auto& p : grid_points(20, 24, 0.05, [](double x, double) { return 5.67 * x; }))
    points.push_back({p[0] + 6.0, p[1], p[2]});
  PointTriangulation roof = roof_of(points);
  const double limit = std::sin(15.0 * 3.141592653589793 / 180.0);  // the normal's z at a slope of 75°

  HoughVotes all = vote_free_roof_points(roof, 2.0, 0.3, 0);
  const std::vector<PlaneCandidate> any_slope = vote_peaks(all, 5);
  ASSERT_FALSE(any_slope.empty());
  EXPECT_LT(any_slope.front().nz, limit);

  HoughVotes limited = vote_free_roof_points(roof, 2.0, 0.3, 0, 75.0);
  const std::vector<PlaneCandidate> peaks = vote_peaks(limited, 5);
  ASSERT_FALSE(peaks.empty());
  bool level = false;
  for (const PlaneCandidate& peak : peaks) {
    EXPECT_GE(peak.nz, limit);
    level = level || peak.nz > 0.999;
  }
  EXPECT_TRUE(level);
}

}  // namespace
