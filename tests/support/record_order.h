#pragma once

// Inputs with their records in another order, and the check that a result
// of them tells the same as a result of the original order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes::testing {

// The input's records in the given order: record k of the result is record order[k] of input.
inline BuildingInput permuted(const BuildingInput& input, const std::vector<std::size_t>& order) {
  BuildingInput out;
  for (const std::size_t k : order) {
    out.points.push_back(input.points[k]);
    out.roof.push_back(input.roof[k]);
  }
  return out;
}

// The x and y of the given records, in their order (records of one x and y
// may name a vertex by different records, all with that x and y).
inline std::vector<std::pair<double, double>> xy_of(const BuildingInput& input,
                                                    const std::vector<std::size_t>& records) {
  std::vector<std::pair<double, double>> xy;
  for (const std::size_t r : records) xy.emplace_back(input.points[r].x, input.points[r].y);
  return xy;
}

// That b (of b_input, record k being record order[k] of a_input) has the
// segments of a: the same numbers, planes, point sets, corners, and every
// record the same label.
inline void expect_same_result(const Result& a, const BuildingInput& a_input, const Result& b,
                               const BuildingInput& b_input, const std::vector<std::size_t>& order) {
  ASSERT_EQ(b.segments.size(), a.segments.size());
  for (std::size_t i = 0; i < a.segments.size(); ++i) {
    const Segment &sa = a.segments[i], &sb = b.segments[i];
    SCOPED_TRACE("segment " + std::to_string(sa.number));
    EXPECT_EQ(sb.number, sa.number);
    EXPECT_EQ(sb.normal.x, sa.normal.x);
    EXPECT_EQ(sb.normal.y, sa.normal.y);
    EXPECT_EQ(sb.normal.z, sa.normal.z);
    EXPECT_EQ(sb.d, sa.d);
    EXPECT_EQ(sb.rms, sa.rms);
    auto points_a = xy_of(a_input, sa.points), points_b = xy_of(b_input, sb.points);
    std::sort(points_a.begin(), points_a.end());
    std::sort(points_b.begin(), points_b.end());
    EXPECT_EQ(points_b, points_a);
    EXPECT_EQ(xy_of(b_input, sb.corners), xy_of(a_input, sa.corners));
  }
  ASSERT_EQ(b.labels.size(), a.labels.size());
  std::size_t differing = 0;
  for (std::size_t k = 0; k < order.size(); ++k) differing += b.labels[k] != a.labels[order[k]] ? 1 : 0;
  EXPECT_EQ(differing, 0u) << "records labelled differently";
}

}  // namespace roofplanes::testing
