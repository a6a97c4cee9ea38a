// The auto method's result depends on the points, not on the order of the records.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "building_generator.h"
#include "roofplanes.h"
#include "support/generated_input.h"
#include "support/record_order.h"

namespace {

using namespace roofplanes;
using building_generator::RoofShape;

// Generated roofs with their ridges along x and across, repeated records
// (two records of one x and y: the roof flag on the later one in some orders)
// and grid points on common circles, where the triangulation depends on the
// order of insertion.
TEST(AutoRecordOrder, ShuffledRecordsGiveTheSameSegmentsLabelsAndNumbers) {
  std::mt19937_64 random(7);
  for (const RoofShape shape : {RoofShape::gable, RoofShape::hip, RoofShape::cross_gable, RoofShape::gable_dormers,
                                RoofShape::two_storeys}) {
    for (const double rotation : {0.0, 90.0, 33.0}) {
      SCOPED_TRACE(building_generator::shape_name(shape) + " rotated " + std::to_string(rotation));
      building_generator::BuildingOptions options;
      options.shape = shape;
      options.points_per_m2 = 8.0;
      options.height_noise = 0.03;
      options.seed = 5;
      options.rotation_deg = rotation;
      const BuildingInput input = roofplanes::testing::input_of(building_generator::generate_building(options));
      const Parameters parameters = auto_parameters(input);
      const Result reference = extract_roof_planes(input, parameters);
      ASSERT_GE(reference.segments.size(), 2u);

      std::vector<std::size_t> order(input.points.size());
      std::iota(order.begin(), order.end(), std::size_t{0});
      std::reverse(order.begin(), order.end());
      for (int trial = 0; trial < 2; ++trial) {
        if (trial == 1) std::shuffle(order.begin(), order.end(), random);
        const BuildingInput shuffled = roofplanes::testing::permuted(input, order);
        const Parameters shuffled_parameters = auto_parameters(shuffled);
        EXPECT_EQ(format_parameters(shuffled_parameters), format_parameters(parameters));
        const Result result = extract_roof_planes(shuffled, shuffled_parameters);
        roofplanes::testing::expect_same_result(reference, input, result, shuffled, order);
        // The commands' way: one building made ready for the estimate and the extraction.
        AutoBuilding ready(shuffled);
        EXPECT_EQ(format_parameters(auto_parameters(ready)), format_parameters(parameters));
        ExtractionObserver silent;
        const Result shared = extract_roof_planes(shuffled, ready, shuffled_parameters, silent);
        roofplanes::testing::expect_same_result(reference, input, shared, shuffled, order);
      }
    }
  }
}

}  // namespace
