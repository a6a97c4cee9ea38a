#include "planes/hough_peaks.h"

#include <cmath>

#include <gtest/gtest.h>

#include "support/roof_grids.h"

namespace {

using namespace roofplanes;
using namespace roofplanes::testing;

// A face of 240 points rising at 0.5 along x, and 5 m away a level patch of 144 below it.
std::vector<std::array<double, 3>> face_and_patch() {
  auto points = grid_points(20, 12, 0.5, [](double x, double) { return 1.0 + 0.5 * x; });
  for (const auto& p : grid_points(12, 12, 0.5, [](double, double) { return 0.0; }))
    points.push_back({p[0] + 15.0, p[1], p[2]});
  return points;
}

double degrees_between(const PlaneCandidate& c, double nx, double ny, double nz) {
  const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  return std::acos(std::min(1.0, (c.nx * nx + c.ny * ny + c.nz * nz) / length)) * 180.0 / 3.141592653589793;
}

TEST(hough_peaks, BestCellsFirstEachPlaneOnce) {
  const PointTriangulation roof = roof_of(face_and_patch());
  const std::vector<PlaneCandidate> peaks = hough_peaks(roof, 2.0, 0.3, 2, 0);
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_LT(degrees_between(peaks[0], -0.5, 0.0, 1.0), 2.0);
  // The second best cell is not a neighbour of the first but the level patch.
  EXPECT_LT(degrees_between(peaks[1], 0.0, 0.0, 1.0), 2.0);
  EXPECT_EQ(peaks[1].votes, 144u);
  EXPECT_EQ(candidate_points(roof, peaks[1]).size(), 144u);
  EXPECT_GT(peaks[0].votes, 144u);  // nearly all of the face
  EXPECT_EQ(candidate_points(roof, peaks[0]).size(), peaks[0].votes);
}

TEST(hough_peaks, FewerVotersFindTheSamePlaneAndOnlyFreeRoofPointsCount) {
  PointTriangulation roof = roof_of(face_and_patch());
  const std::vector<PlaneCandidate> all = hough_peaks(roof, 2.0, 0.3, 1, 0);
  const std::vector<PlaneCandidate> some = hough_peaks(roof, 2.0, 0.3, 1, 100);  // every 4th point votes
  ASSERT_EQ(some.size(), 1u);
  EXPECT_LT(degrees_between(some[0], all[0].nx, all[0].ny, all[0].nz), 4.0);
  // With the face taken, the patch leads.
  for (const Vertex_handle& v : vertices_where(roof, [](const Point3& p) { return p.x() < 12.0; }))
    v->info().set_is_roof(false);
  const std::vector<PlaneCandidate> rest = hough_peaks(roof, 2.0, 0.3, 3, 0);
  ASSERT_FALSE(rest.empty());
  EXPECT_LT(degrees_between(rest[0], 0.0, 0.0, 1.0), 2.0);
  EXPECT_EQ(rest[0].votes, 144u);
}

// One roof point 40 km away: a grid of every direction and distance level
// would need gigabytes, so the cells are counted from each direction's sorted
// levels instead; the same planes and counts come out.
TEST(hough_peaks, AFarRoofPointNeedsNoWholeGrid) {
  auto points = face_and_patch();
  points.push_back({40000.0, 0.0, 100.0});
  const PointTriangulation roof = roof_of(points);
  const std::vector<PlaneCandidate> peaks = hough_peaks(roof, 2.0, 0.3, 2, 0);
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_LT(degrees_between(peaks[0], -0.5, 0.0, 1.0), 2.0);
  EXPECT_GT(peaks[0].votes, 144u);
  EXPECT_LT(degrees_between(peaks[1], 0.0, 0.0, 1.0), 2.0);
  EXPECT_EQ(peaks[1].votes, 144u);
}

}  // namespace
