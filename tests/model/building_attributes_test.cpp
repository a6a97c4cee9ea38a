// Building attributes: exact values on faces drawn by hand, the roof type of
// every roof type of the generated suite after a real extraction, and the
// measures of a generated house against its known size.

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "building_cases.h"
#include "building_generator.h"
#include "model/building_attributes.h"
#include "pipeline/extract_roof_planes.h"
#include "pipeline/parameters.h"
#include "support/generated_input.h"

namespace roofplanes {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The face of the plane z = a·x + b·y + c over the polygon (x, y pairs).
RoofFace face(double a, double b, double c, const std::vector<std::pair<double, double>>& polygon) {
  const double length = std::sqrt(a * a + b * b + 1.0);
  RoofFace f{{-a / length, -b / length, 1.0 / length}, -c / length, {}};
  for (const auto& [x, y] : polygon) f.corners.push_back({x, y, a * x + b * y + c});
  return f;
}

// A hipped roof over [0, l] x [0, w] (l >= w) at height e with slope t; a pyramid when l == w.
std::vector<RoofFace> hipped(double l, double w, double e, double t) {
  const double h = w / 2;
  return {face(0, t, e, {{0, 0}, {l, 0}, {l - h, h}, {h, h}}),             // south, rising north
          face(0, -t, e + t * w, {{l, w}, {0, w}, {h, h}, {l - h, h}}),    // north
          face(t, 0, e, {{0, 0}, {h, h}, {0, w}}),                          // west
          face(-t, 0, e + t * l, {{l, 0}, {l, w}, {l - h, h}})};            // east
}

TEST(building_attributes, ShapeOfFacesDrawnByHand) {
  // A gable 10 x 6 m, eaves at 105 m over ground at 100 m, 45 degrees: ridge at 108 m.
  const std::vector<RoofFace> gable = {face(0, 1, 105, {{0, 0}, {10, 0}, {10, 3}, {0, 3}}),
                                       face(0, -1, 111, {{0, 3}, {10, 3}, {10, 6}, {0, 6}})};
  const RoofShape shape = roof_shape(gable, 100.0);
  EXPECT_EQ(shape.faces, 2u);
  EXPECT_DOUBLE_EQ(shape.eave_height, 105.0);
  EXPECT_DOUBLE_EQ(shape.ridge_height, 108.0);
  EXPECT_NEAR(shape.footprint_area, 60.0, 1e-9);
  EXPECT_NEAR(shape.roof_area, 60.0 * std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(shape.volume, 60.0 * 5.0 + 60.0 * 3.0 / 2.0, 1e-9);  // the walls' box and the prism over it
  EXPECT_EQ(roof_type(gable), "gable");

  // A pyramid's volume: the box and a third of its height over the base.
  const RoofShape pyramid = roof_shape(hipped(8, 8, 5, 0.5), 0.0);
  EXPECT_NEAR(pyramid.volume, 64.0 * 5.0 + 64.0 * 2.0 / 3.0, 1e-9);
  EXPECT_DOUBLE_EQ(pyramid.ridge_height, 7.0);

  EXPECT_EQ(roof_type(hipped(8, 8, 5, 0.5)), "pyramid");
  EXPECT_EQ(roof_type(hipped(12, 8, 5, 0.7)), "hip");
  // The same hip turned by 30 degrees about the origin is still a hip.
  std::vector<RoofFace> turned = hipped(12, 8, 5, 0.7);
  const double c = std::cos(kPi / 6), s = std::sin(kPi / 6);
  for (RoofFace& f : turned) {
    const Point n = f.normal;
    f.normal = {c * n.x - s * n.y, s * n.x + c * n.y, n.z};
    for (Point& p : f.corners) p = {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
  }
  EXPECT_EQ(roof_type(turned), "hip");

  EXPECT_EQ(roof_type({face(0, 0, 7, {{0, 0}, {9, 0}, {9, 9}, {0, 9}}), face(0, 0, 9, {{3, 3}, {5, 3}, {5, 5}})}),
            "flat");
  EXPECT_EQ(roof_type({face(0, 0.3, 5, {{0, 0}, {9, 0}, {9, 6}, {0, 6}}), face(0, 0, 3, {{9, 0}, {14, 0}, {14, 5}, {9, 5}})}),
            "shed");
  // Two faces turned away from each other that do not touch are no gable.
  EXPECT_EQ(roof_type({face(0, 1, 5, {{0, 0}, {10, 0}, {10, 3}, {0, 3}}),
                       face(0, -1, 20, {{0, 9}, {10, 9}, {10, 12}, {0, 12}})}),
            "complex");
  EXPECT_EQ(roof_type({}), "none");
}

TEST(building_attributes, HeightsAndGround) {
  BuildingInput input;
  for (double z : {3.0, 1.0, 7.0, 2.0, 5.0, 4.0, 9.0}) input.points.push_back({z, 0.0, z});
  input.roof = {1, 1, 1, 0, 1, 0, 1};  // roof heights 1, 3, 5, 7, 9
  const std::optional<RoofHeights> heights = roof_heights(input);
  ASSERT_TRUE(heights);
  EXPECT_DOUBLE_EQ(heights->min, 1.0);
  EXPECT_DOUBLE_EQ(heights->p50, 5.0);
  EXPECT_DOUBLE_EQ(heights->p70, 6.6);  // 0.7 of the way from 1 to 9 in four steps: between 5 and 7
  EXPECT_DOUBLE_EQ(heights->max, 9.0);

  const GroundHeight median = ground_height(input, {0, 0, 0, 1, 0, 1, 0});  // 2 and 4
  EXPECT_DOUBLE_EQ(median.height, 3.0);
  EXPECT_EQ(median.source, "ground points");
  const GroundHeight lowest = ground_height(input, {});
  EXPECT_DOUBLE_EQ(lowest.height, 1.0);
  EXPECT_EQ(lowest.source, "lowest point");
  input.roof.assign(input.points.size(), 0);
  EXPECT_FALSE(roof_heights(input));
}

// Every building of the suite's first 13 roof types (5 scans each) after the auto
// preset's extraction. Only at 2 points per m² may a dormer be too small to
// count, leaving its main roof's type.
TEST(building_attributes, RoofTypeOfEveryGeneratedType) {
  const std::map<std::string, std::string> expected = {
      {"gable", "gable"},         {"hip", "hip"},           {"pyramid", "pyramid"},
      {"mansard", "mansard"},     {"flat_with_box", "flat"}, {"shed_with_annex", "shed"},
      {"cross_gable", "complex"}, {"sample_house", "complex"}, {"t_gable", "complex"},
      {"plus_gable", "complex"},  {"gable_dormers", "complex"}, {"hip_dormers", "complex"},
      {"two_storeys", "complex"}};
  const std::map<std::string, std::string> sparse_dormers = {{"gable_dormers", "gable"}, {"hip_dormers", "hip"}};
  std::vector<roof_suite::BuildingCase> cases;
  ASSERT_TRUE(roof_suite::named_cases("all", cases));
  // The first cases are the 13 types under the five clean scans.
  ASSERT_GE(cases.size(), 5 * expected.size());
  cases.resize(5 * expected.size());
  for (const roof_suite::BuildingCase& c : cases) {
    SCOPED_TRACE(c.name);
    const BuildingInput input = testing::input_of(building_generator::generate_building(c.options));
    const Result result = extract_roof_planes(input, preset_parameters(Preset::automatic, input));
    const std::string type = roof_type(roof_faces(input, result));
    if (c.name == c.type + "-sparse" && sparse_dormers.count(c.type) && type == sparse_dormers.at(c.type)) continue;
    EXPECT_EQ(type, expected.at(c.type));
  }
}

// A gable of known size: 12 x 8 m, eaves 5.5 m over the ground, 35 degrees, turned by 20 degrees.
TEST(building_attributes, GeneratedGableMeasures) {
  building_generator::BuildingOptions options;
  options.shape = building_generator::RoofShape::gable;
  options.rotation_deg = 20.0;
  options.points_per_m2 = 10.0;
  const BuildingInput input = testing::input_of(building_generator::generate_building(options));
  const Result result = extract_roof_planes(input, preset_parameters(Preset::automatic, input));
  const BuildingAttributes a = building_attributes(input, result, {});

  const double ground = 36.40, t = std::tan(35.0 * kPi / 180.0);
  EXPECT_EQ(a.ground.source, "lowest point");
  EXPECT_NEAR(a.ground.height, ground, 0.3);
  EXPECT_EQ(a.roof_type, "gable");
  EXPECT_EQ(a.shape.faces, 2u);
  // The corner polygons run through the outermost roof points, a little inside the eaves.
  EXPECT_NEAR(a.shape.footprint_area, 96.0, 96.0 * 0.12);
  EXPECT_NEAR(a.shape.roof_area, 96.0 / std::cos(35.0 * kPi / 180.0), 117.2 * 0.12);
  EXPECT_NEAR(a.shape.ridge_height, ground + 5.5 + 4.0 * t, 0.3);
  EXPECT_NEAR(a.shape.eave_height, ground + 5.5, 0.5);
  const double volume = 96.0 * 5.5 + 96.0 * 4.0 * t / 2.0;
  EXPECT_NEAR(a.shape.volume, volume, volume * 0.12);
  ASSERT_TRUE(a.rmse);
  EXPECT_LT(*a.rmse, 0.1);  // the scan's noise is 0.03 m
  ASSERT_TRUE(a.roof_heights);
  EXPECT_NEAR(a.roof_heights->max, ground + 5.5 + 4.0 * t, 0.2);
  EXPECT_LT(a.roof_heights->min, ground + 5.5 + 0.5);
}

}  // namespace
}  // namespace roofplanes
