// The vote kernels and the parallel vote: every kernel gives every point the
// level the scalar formula gives it, and the counts do not depend on the
// kernel or on the number of threads.

#include "planes/hough_vote.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <tbb/task_arena.h>

#include "support/generated_input.h"

namespace roofplanes {
namespace {

// Directions spread over the hemisphere, a few hundred of them.
std::vector<HoughDirection> some_directions() {
  std::vector<HoughDirection> directions;
  for (int t = 0; t < 15; ++t)
    for (int p = 0; p < 24; ++p) {
      const double tilt = (t * 6 + 3) * 3.141592653589793 / 180, pan = (p * 15 + 1) * 3.141592653589793 / 180;
      directions.push_back({std::cos(tilt) * std::cos(pan), std::cos(tilt) * std::sin(pan), std::sin(tilt)});
    }
  return directions;
}

TEST(HoughVote, EveryKernelGivesTheScalarLevelOfEveryPoint) {
  if (!vote_kernel_available(VoteKernel::avx2)) GTEST_SKIP() << "no AVX2 on this processor";
  // Random points, points on level boundaries, points beyond both ends of
  // the range (clamped), a NaN (level 0), and a count that is not a multiple
  // of any vector width.
  std::mt19937 random(11);
  std::uniform_real_distribution<double> coordinate(-60.0, 60.0);
  std::vector<double> x, y, z;
  for (int i = 0; i < 4099; ++i) {
    x.push_back(coordinate(random));
    y.push_back(coordinate(random));
    z.push_back(coordinate(random) / 4);
  }
  const HoughDistanceLevels levels{-50.0, 1.25, 80};
  for (int k = -2; k <= 82; ++k) {
    x.push_back(-50.0 + k * 1.25);
    y.push_back(0.0);
    z.push_back(0.0);
  }
  x.push_back(std::numeric_limits<double>::quiet_NaN());
  y.push_back(1.0);
  z.push_back(1.0);
  const HoughPoints points{x.data(), y.data(), z.data(), x.size()};

  std::vector<HoughDirection> directions = some_directions();
  directions.push_back({1.0, 0.0, 0.0});  // puts the boundary points exactly on their boundary
  std::vector<std::int32_t> sse2(x.size()), avx2(x.size());
  for (const HoughDirection& d : directions) {
    hough_point_levels(d, points, levels, sse2.data(), VoteKernel::sse2);
    hough_point_levels(d, points, levels, avx2.data(), VoteKernel::avx2);
    for (std::size_t p = 0; p < x.size(); ++p) {
      const std::int32_t expected = hough_s_level(normal_distance(d, x[p], y[p], z[p]), levels);
      ASSERT_EQ(sse2[p], expected) << "point " << p;
      ASSERT_EQ(avx2[p], expected) << "point " << p;
    }
  }
}

// Counts of a generated building's roof points with a kernel and a number of threads.
std::vector<std::uint32_t> grid_counts(const VertexList& points, const std::vector<HoughDirection>& directions,
                                       const HoughDistanceLevels& levels, VoteKernel kernel, int threads) {
  std::vector<std::uint32_t> counts(directions.size() * levels.count, 0);
  tbb::task_arena arena(threads);
  arena.execute([&] { vote_grid(points, directions.data(), directions.size(), counts.data(), levels, false, kernel); });
  return counts;
}

TEST(HoughVote, GridCountsAreTheSameForEveryKernelAndThreadCount) {
  const PointCloud cloud = testing::generated_cloud(building_generator::RoofShape::hip, 20000, 5);
  VertexList points;
  for (const Vertex_handle& v : cloud.vertices)
    if (v->info().is_roof()) points.push_back(v);
  ASSERT_GT(points.size(), 16384u);  // more than two tiles
  const std::vector<HoughDirection> directions = some_directions();
  const HoughDistanceLevels levels{-40.0, 1.2, 67};

  const std::vector<std::uint32_t> one = grid_counts(points, directions, levels, VoteKernel::sse2, 1);
  // Each row holds every point once; the counts are not all in one level.
  for (std::size_t d = 0; d < directions.size(); ++d) {
    std::uint64_t sum = 0, largest = 0;
    for (std::size_t k = 0; k < levels.count; ++k) {
      sum += one[d * levels.count + k];
      largest = std::max<std::uint64_t>(largest, one[d * levels.count + k]);
    }
    ASSERT_EQ(sum, points.size());
    ASSERT_LT(largest, points.size());
  }
  EXPECT_EQ(grid_counts(points, directions, levels, VoteKernel::sse2, 2), one);
  if (vote_kernel_available(VoteKernel::avx2)) {
    EXPECT_EQ(grid_counts(points, directions, levels, VoteKernel::avx2, 1), one);
    EXPECT_EQ(grid_counts(points, directions, levels, VoteKernel::avx2, 2), one);
  }

  // Taking a third of the points away again leaves the counts of the rest.
  VertexList rest, gone;
  for (std::size_t i = 0; i < points.size(); ++i) (i % 3 == 0 ? gone : rest).push_back(points[i]);
  std::vector<std::uint32_t> carried = one;
  vote_grid(gone, directions.data(), directions.size(), carried.data(), levels, true, VoteKernel::sse2);
  EXPECT_EQ(carried, grid_counts(rest, directions, levels, VoteKernel::sse2, 2));
}

}  // namespace
}  // namespace roofplanes
