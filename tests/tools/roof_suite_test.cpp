#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "building_cases.h"
#include "suite_report.h"

namespace {

using namespace roof_suite;

TEST(building_cases, SpreadOverShapesDensitiesNoiseAndOrigins) {
  const std::vector<BuildingCase> cases = building_cases();
  ASSERT_GE(cases.size(), 40u);
  std::set<std::string> names, types;
  double min_density = 1e9, max_density = 0.0, min_noise = 1e9, max_noise = 0.0;
  int rotated = 0, gauss_krueger = 0, bare = 0;
  for (const BuildingCase& c : cases) {
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    types.insert(c.type);
    min_density = std::min(min_density, c.options.points_per_m2);
    max_density = std::max(max_density, c.options.points_per_m2);
    min_noise = std::min(min_noise, c.options.height_noise);
    max_noise = std::max(max_noise, c.options.height_noise);
    rotated += c.options.rotation_deg != 0.0 ? 1 : 0;
    gauss_krueger += c.options.origin_x >= 1e6 ? 1 : 0;
    bare += c.options.surroundings ? 0 : 1;
  }
  EXPECT_EQ(types.size(), building_generator::all_shapes().size());
  EXPECT_EQ(min_density, 2.0);
  EXPECT_EQ(max_density, 20.0);
  EXPECT_EQ(min_noise, 0.008);  // the real scans: white noise under the texture
  EXPECT_EQ(max_noise, 0.1);
  EXPECT_GE(rotated, 20);
  EXPECT_GE(gauss_krueger, 10);
  EXPECT_GE(bare, 5);
  EXPECT_LE(bare, static_cast<int>(cases.size()) / 4);  // most have walls and trees
}

// The first suite's 65 cases come first with the seeds they always had, and so generate the
// same points; every shape also comes as a real scan, with every effect of one.
TEST(building_cases, KeepTheFirstSuiteAndScanEveryShapeAsARealScan) {
  const std::vector<BuildingCase> cases = building_cases();
  const char* first_variants[] = {"usual", "sparse", "dense", "noisy", "bare"};
  const std::vector<building_generator::RoofShape> shapes = building_generator::all_shapes();
  ASSERT_GE(cases.size(), 65u);
  for (std::size_t i = 0; i < 65; ++i) {
    const std::string shape = building_generator::shape_name(shapes[i % 13]);
    EXPECT_EQ(cases[i].name, shape + "-" + first_variants[i / 13]);
    EXPECT_EQ(cases[i].options.seed, 101 + i);
    EXPECT_EQ(cases[i].options.flight_strips, 1);
    EXPECT_EQ(cases[i].options.roof_texture, 0.0);
    EXPECT_EQ(cases[i].options.line_spacing_factor, 1.1);
    EXPECT_EQ(cases[i].options.occlusion_gaps, 0);
    EXPECT_EQ(cases[i].options.overhanging_trees, 0);
  }
  std::set<std::string> real;
  for (const BuildingCase& c : cases) {
    if (c.name != c.type + "-real") continue;
    real.insert(c.type);
    EXPECT_EQ(c.options.flight_strips, 2) << c.name;
    EXPECT_GT(c.options.strip_offset, 0.0) << c.name;
    EXPECT_GE(c.options.roof_texture, 0.01) << c.name;
    EXPECT_GT(c.options.line_spacing_factor, 1.5) << c.name;
    EXPECT_GT(c.options.occlusion_gaps, 0) << c.name;
    EXPECT_GT(c.options.overhanging_trees, 0) << c.name;
    EXPECT_GE(c.options.points_per_m2, 8.0) << c.name;
  }
  EXPECT_EQ(real.size(), shapes.size());
}

TEST(named_cases, SelectsByVariantOrShape) {
  std::vector<BuildingCase> cases;
  ASSERT_TRUE(named_cases("quick", cases));
  ASSERT_EQ(cases.size(), building_generator::all_shapes().size());
  for (const BuildingCase& c : cases) EXPECT_EQ(c.name, c.type + "-usual");
  ASSERT_TRUE(named_cases("gable", cases));  // not gable_dormers
  EXPECT_EQ(cases.size(), 6u);
  for (const BuildingCase& c : cases) EXPECT_EQ(c.options.shape, building_generator::RoofShape::gable);
  for (const std::string& name : case_set_names()) EXPECT_TRUE(named_cases(name, cases)) << name;
  ASSERT_TRUE(named_cases("all", cases));
  EXPECT_EQ(cases.size(), building_cases().size());
  EXPECT_FALSE(named_cases("gable-usual", cases));
  EXPECT_EQ(cases.size(), building_cases().size());  // left alone
}

BuildingScore building(const std::string& name, const std::string& type, std::size_t faces, std::size_t found,
                       std::size_t over, std::vector<int> merging, std::vector<int> no_face,
                       const std::string& error = "") {
  BuildingScore b;
  b.name = name;
  b.type = type;
  b.records = 100;
  b.score.faces.resize(faces);
  b.score.found = found;
  b.score.over_segmented = over;
  b.score.merging_segments = merging;
  b.score.no_face_segments = no_face;
  b.score.segments = 9;
  b.error = error;
  return b;
}

TEST(format_type_summary, AddsUpPerTypeInOrderOfFirstAppearance) {
  const std::vector<BuildingScore> buildings = {building("h1", "hip", 4, 3, 1, {2}, {}),
                                                building("g1", "gable", 2, 2, 0, {}, {5, 6}),
                                                building("h2", "hip", 4, 0, 0, {}, {}, "bad | input")};
  EXPECT_EQ(format_type_summary(buildings),
            "| type | buildings | faces found | over-segmented faces | merging segments | segments on no face | failed |\n"
            "|---|---:|---:|---:|---:|---:|---:|\n"
            "| hip | 2 | 3 / 8 | 1 | 1 | 0 | 1 |\n"
            "| gable | 1 | 2 / 2 | 0 | 0 | 2 | 0 |\n"
            "| all | 3 | 5 / 10 | 1 | 1 | 2 | 1 |\n");
  EXPECT_EQ(format_building_row(buildings[0]), "| h1 | hip | 100 | 3 / 4 | 1 | 1 | 0 | 9 |\n");
  EXPECT_EQ(format_building_row(buildings[2]), "| h2 | hip | 100 | 0 / 4 | 0 | 0 | 0 | failed: bad / input |\n");
}

TEST(format_preset_comparison, TypesAndFiguresSideBySide) {
  std::vector<BuildingScore> seed = {building("h1", "hip", 4, 3, 1, {2}, {}),
                                     building("g1", "gable", 2, 2, 0, {}, {5, 6}),
                                     building("h2", "hip", 4, 0, 0, {}, {}, "bad input")};
  std::vector<BuildingScore> automatic = {building("h1", "hip", 4, 4, 0, {}, {}),
                                          building("g1", "gable", 2, 1, 0, {}, {7}),
                                          building("h2", "hip", 4, 4, 0, {}, {})};
  seed[0].score.under_segmented = 2;
  for (std::vector<BuildingScore>* run : {&seed, &automatic}) {
    (*run)[0].density = 2.0;
    (*run)[1].density = 8.0;  // dense: a face missed here counts
    (*run)[2].density = 20.0;
  }
  const SuiteFigures f = suite_figures(seed);
  EXPECT_EQ(f.complete, 1u);
  EXPECT_EQ(f.dense_missed, 1u);  // h2; g1 is complete, h1 is sparse
  EXPECT_EQ(suite_figures(automatic).dense_missed, 1u);  // g1
  EXPECT_EQ(format_preset_comparison({"seed", "auto"}, {seed, automatic}),
            "| type | buildings | faces | found (seed) | complete (seed) | found (auto) | complete (auto) |\n"
            "|---|---:|---:|---:|---:|---:|---:|\n"
            "| hip | 2 | 8 | 3 | 0 | 8 | 2 |\n"
            "| gable | 1 | 2 | 2 | 1 | 1 | 0 |\n"
            "| all | 3 | 10 | 5 | 1 | 9 | 2 |\n"
            "\n"
            "| figure | seed | auto |\n"
            "|---|---:|---:|\n"
            "| buildings with every face found | 33.3 % | 66.7 % |\n"
            "| buildings of 8 points per m² or more with a face missed | 1 | 1 |\n"
            "| faces found | 50.0 % | 90.0 % |\n"
            "| over-segmented faces | 10.0 % | 0.0 % |\n"
            "| under-segmented faces | 20.0 % | 0.0 % |\n"
            "| segments on no face per building | 0.67 | 0.33 |\n"
            "| failed extractions | 1 | 0 |\n");
}

}  // namespace
