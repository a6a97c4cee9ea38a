#include "pipeline/auto_extraction.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "building_cases.h"
#include "building_generator.h"
#include "face_score.h"
#include "roofplanes.h"
#include "support/generated_input.h"

namespace {

using namespace roofplanes;
using building_generator::RoofShape;

building_generator::Building generated(RoofShape shape, double density, double noise, std::uint64_t seed) {
  building_generator::BuildingOptions options;
  options.shape = shape;
  options.points_per_m2 = density;
  options.height_noise = noise;
  options.seed = seed;
  options.rotation_deg = 20.0;
  return building_generator::generate_building(options);
}

roof_scoring::FaceScores score(const building_generator::Building& building, const Parameters& parameters) {
  const BuildingInput input = roofplanes::testing::input_of(building);
  return roof_scoring::score_faces(roofplanes::testing::true_faces(building),
                                   extract_roof_planes(input, parameters).labels);
}

// Roofs on which the seed constants leave faces split or missed: the auto
// preset finds every face, with no segment off the faces.
TEST(extract_segments_auto, FindsEveryFaceWhereTheSeedConstantsDoNot) {
  for (const RoofShape shape : {RoofShape::hip, RoofShape::pyramid, RoofShape::mansard, RoofShape::hip_dormers}) {
    SCOPED_TRACE(building_generator::shape_name(shape));
    const building_generator::Building building = generated(shape, 6.0, 0.04, 21);
    const BuildingInput input = roofplanes::testing::input_of(building);
    const roof_scoring::FaceScores seed = score(building, preset_parameters(Preset::seed, input));
    const roof_scoring::FaceScores automatic = score(building, preset_parameters(Preset::automatic, input));
    EXPECT_LT(seed.found, seed.faces.size());
    EXPECT_EQ(automatic.found, automatic.faces.size());
    EXPECT_TRUE(automatic.no_face_segments.empty());
    EXPECT_EQ(automatic.over_segmented, 0u);
    EXPECT_TRUE(automatic.merging_segments.empty());
  }
}

// Each stage switched off alone costs faces on a roof of the suite where it
// matters: on a noisy mansard the best Hough cell is a slab across the
// shallow top; a noisy pyramid's first regions take bands of their
// neighbours; dormer faces come out smaller than the cells found them; a
// sparse face cut by a dormer is found in two pieces. Without a minimum
// segment size, pieces of dormers too small for a face of their own come out
// as segments on no face.
TEST(extract_segments_auto, EveryStageCountsOnSomeRoof) {
  struct Case {
    const char* stage;
    const char* building;
    void (*off)(Parameters&);
  };
  const Case cases[] = {
      {"peak judging", "mansard-noisy", [](Parameters& p) { p.peak_candidates = 1; }},
      {"reassigning", "pyramid-noisy", [](Parameters& p) { p.reassign_rounds = 0; }},
      {"regrowing", "gable_dormers-noisy", [](Parameters& p) { p.regrow_rounds = 0; }},
      {"merging", "sample_house-sparse", [](Parameters& p) { p.merge_rms = 0.0; p.merge_ratio = 0.0; }},
  };
  const std::vector<roof_suite::BuildingCase> all = roof_suite::building_cases();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    const auto it = std::find_if(all.begin(), all.end(), [&](const auto& b) { return b.name == c.building; });
    ASSERT_NE(it, all.end());
    const building_generator::Building building = building_generator::generate_building(it->options);
    const Parameters on = auto_parameters(roofplanes::testing::input_of(building));
    Parameters off = on;
    c.off(off);
    EXPECT_LT(score(building, off).found, score(building, on).found);
  }
  const auto it = std::find_if(all.begin(), all.end(), [](const auto& b) { return b.name == "hip_dormers-sparse"; });
  ASSERT_NE(it, all.end());
  const building_generator::Building building = building_generator::generate_building(it->options);
  const Parameters on = auto_parameters(roofplanes::testing::input_of(building));
  Parameters off = on;
  off.min_segment_points = 0;
  EXPECT_GT(score(building, off).no_face_segments.size(), score(building, on).no_face_segments.size());
}

}  // namespace
