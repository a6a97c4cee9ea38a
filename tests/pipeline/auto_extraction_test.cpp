#include "pipeline/auto_extraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "building_cases.h"
#include "building_generator.h"
#include "face_score.h"
#include "pipeline/auto_building.h"
#include "pipeline/parameters.h"
#include "roofplanes.h"
#include "support/captured_report.h"
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

// Noisy hipped roofs, pyramids and mansards (8 points per m², 0.1 m), where a
// slab across several faces (a ring round a hip, the cap of a pyramid, the
// shallow top of a mansard) gathers as many votes as a face and holds as many
// points within the plane tolerance: the auto preset finds every face of every
// one of them, with no segment off the faces.
TEST(extract_segments_auto, FindsEveryFaceOfNoisyHippedRoofs) {
  std::size_t faces = 0, found = 0;
  for (const RoofShape shape : {RoofShape::hip, RoofShape::pyramid, RoofShape::mansard}) {
    for (const std::uint64_t seed : {1u, 2u, 3u}) {
      SCOPED_TRACE(building_generator::shape_name(shape) + " seed " + std::to_string(seed));
      const building_generator::Building building = generated(shape, 8.0, 0.1, seed);
      const roof_scoring::FaceScores automatic =
          score(building, preset_parameters(Preset::automatic, roofplanes::testing::input_of(building)));
      faces += automatic.faces.size();
      found += automatic.found;
      EXPECT_EQ(automatic.found, automatic.faces.size());
      EXPECT_TRUE(automatic.no_face_segments.empty());
      EXPECT_EQ(automatic.over_segmented, 0u);
      EXPECT_TRUE(automatic.merging_segments.empty());
    }
  }
  EXPECT_EQ(found, faces);
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

// The outlines' refinement takes the rounds the parameters give it: none
// leaves every refined outline the walked one, and the auto preset's limit
// still lets it work on a noisy roof.
TEST(extract_segments_auto, RefinementTakesTheRoundsItIsGiven) {
  const BuildingInput input =
      roofplanes::testing::input_of(generated(RoofShape::cross_gable, 8.0, 0.05, 2));
  const Parameters on = auto_parameters(input);
  ASSERT_EQ(on.refine_rounds, 10u);
  Parameters off = on;
  off.refine_rounds = 0;
  const Result none = extract_roof_planes(input, off);
  const Result some = extract_roof_planes(input, on);
  ASSERT_EQ(none.segments.size(), some.segments.size());
  bool refined = false;
  for (std::size_t i = 0; i < none.segments.size(); ++i) {
    EXPECT_EQ(none.segments[i].refined_outline, none.segments[i].outline);
    refined = refined || some.segments[i].refined_outline != some.segments[i].outline;
  }
  EXPECT_TRUE(refined);
}

// Each pass takes its region from the points still free, so no point ends in
// two segments. Dormers and noisy faces make the search keep regions from pass
// to pass; one kept after a pass took points it was grown from would claim
// them a second time.
TEST(extract_segments_auto, NoPointInTwoSegments) {
  std::size_t buildings = 0;
  for (const roof_suite::BuildingCase& c : roof_suite::building_cases()) {
    if (c.name.find("dormers") == std::string::npos && c.name.find("-noisy") == std::string::npos) continue;
    SCOPED_TRACE(c.name);
    const BuildingInput input = roofplanes::testing::input_of(building_generator::generate_building(c.options));
    AutoBuilding building(input);
    RoofSegmentList segments;
    std::vector<PassExtras> extras;
    roofplanes::testing::CapturingObserver observer;
    Report report(observer);
    extract_segments_auto(building.cloud, auto_parameters(building), segments, extras, report);
    std::vector<char> seen(building.cloud.vertices.size(), 0);
    for (const RoofSegment& segment : segments)
      for (const Vertex_handle& v : segment.points()) {
        EXPECT_EQ(seen[static_cast<std::size_t>(v->info().position())]++, 0) << "segment " << segment.number();
      }
    ++buildings;
  }
  EXPECT_GT(buildings, 20u);
}

// A settling round is a round: one of them already moves points, so the
// result differs from none on a roof where settling counts, and the run says
// how many moved.
TEST(extract_segments_auto, OneSettlingRoundSettles) {
  const std::vector<roof_suite::BuildingCase> all = roof_suite::building_cases();
  const auto it = std::find_if(all.begin(), all.end(), [](const auto& b) { return b.name == "pyramid-noisy"; });
  ASSERT_NE(it, all.end());
  const building_generator::Building building = building_generator::generate_building(it->options);
  const BuildingInput input = roofplanes::testing::input_of(building);
  Parameters none = auto_parameters(input), one = none;
  none.reassign_rounds = 0;
  one.reassign_rounds = 1;
  roofplanes::testing::CapturingObserver observer;
  const std::vector<int> settled = extract_roof_planes(input, one, observer).labels;
  EXPECT_NE(settled, extract_roof_planes(input, none).labels);
  const std::size_t moved = observer.log_text.find("moved ");
  ASSERT_NE(moved, std::string::npos) << observer.log_text;
  EXPECT_GT(std::stoul(observer.log_text.substr(moved + 6)), 0u);
}

// The run's log: one line per pass, numbered from 1 as the passes start,
// every region large enough to keep but perhaps the last (the search stops
// on it); then what settling, merging and dropping did, in numbers that
// add up to the segments returned.
TEST(extract_segments_auto, LogsEveryPassAndWhatEachStepDid) {
  const std::vector<roof_suite::BuildingCase> all = roof_suite::building_cases();
  std::size_t all_merged = 0;
  for (const char* name : {"sample_house-sparse", "hip_dormers-sparse", "pyramid-noisy"}) {
    SCOPED_TRACE(name);
    const auto it = std::find_if(all.begin(), all.end(), [&](const auto& b) { return b.name == name; });
    ASSERT_NE(it, all.end());
    const BuildingInput input = roofplanes::testing::input_of(building_generator::generate_building(it->options));
    const Parameters parameters = auto_parameters(input);
    roofplanes::testing::CapturedReport captured;
    const Result result = extract_roof_planes(input, parameters, captured.observer);
    std::size_t passes = 0, kept = 0, merged = 0, dropped = 0;
    bool moved = false;
    for (const std::string& line : captured.log_lines()) {
      if (line.rfind("pass ", 0) == 0) {
        ++passes;
        EXPECT_EQ(line.rfind("pass " + std::to_string(passes) + ":", 0), 0u) << line;
        const std::size_t has = line.rfind(" has ");
        ASSERT_NE(has, std::string::npos) << line;
        const std::size_t size = std::stoul(line.substr(has + 5));
        kept += size >= parameters.min_segment_points ? 1 : 0;
        EXPECT_EQ(size < parameters.min_segment_points, kept < passes) << line;  // only the last is too small
      } else if (line.rfind("moved ", 0) == 0) {
        moved = true;
      } else if (line.rfind("merged ", 0) == 0) {
        merged = std::stoul(line.substr(7));
      } else if (line.rfind("dropped ", 0) == 0) {
        dropped = std::stoul(line.substr(8));
      }
    }
    EXPECT_EQ(captured.observer.passes.size(), passes);
    for (std::size_t k = 0; k < captured.observer.passes.size(); ++k)
      EXPECT_EQ(captured.observer.passes[k], static_cast<int>(k));
    EXPECT_GE(kept + 1, passes);  // the search stops on a small region or when too few points are left
    EXPECT_TRUE(moved);
    EXPECT_EQ(result.segments.size(), kept - merged - dropped) << captured.observer.log_text;
    all_merged += merged;
  }
  EXPECT_GT(all_merged, 0u);  // a roof on which merging has something to do
}

}  // namespace
