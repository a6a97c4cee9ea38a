#include "planes/hough_votes.h"

#include <array>
#include <cmath>
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
