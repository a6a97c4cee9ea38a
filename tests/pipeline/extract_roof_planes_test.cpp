#include "pipeline/extract_roof_planes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <stdexcept>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "points/point_cloud.h"
#include "support/captured_report.h"
#include "support/generated_input.h"

namespace roofplanes {
namespace {

namespace gen = building_generator;
using testing::CapturingObserver;
using testing::input_of;

// Taken relative to the first point: far projected coordinates would cancel.
double signed_area(const std::vector<std::size_t>& ring, const std::vector<Point>& points) {
  const Point& o = points[ring.front()];
  double area = 0.0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Point& a = points[ring[i]];
    const Point& b = points[ring[(i + 1) % ring.size()]];
    area += (a.x - o.x) * (b.y - o.y) - (b.x - o.x) * (a.y - o.y);
  }
  return area / 2.0;
}

// What must hold whatever the roof: every segment holds roof points that no
// other segment holds, the labels say so, and every outline is a closed
// counterclockwise walk along triangulation edges over border points of its
// own segment.
void expect_sound(const BuildingInput& input, const Result& result) {
  const PointCloud cloud = triangulate_points(input.points);
  auto vertex = [&](std::size_t record) {
    return cloud.vertices[static_cast<std::size_t>(cloud.position_of_record[record])];
  };
  ASSERT_EQ(result.labels.size(), input.points.size());
  std::map<std::size_t, int> owner;  // first record -> segment number
  for (std::size_t i = 0; i < result.segments.size(); ++i) {
    const Segment& segment = result.segments[i];
    EXPECT_EQ(segment.number, static_cast<int>(i) + 1);
    EXPECT_GT(segment.normal.z, 0.0);
    EXPECT_NEAR(std::hypot(segment.normal.x, segment.normal.y, segment.normal.z), 1.0, 1e-12);
    for (const std::size_t r : segment.points) {
      EXPECT_EQ(input.roof[r], 1) << "segment " << segment.number << " holds a point that is not a roof point";
      EXPECT_TRUE(owner.emplace(r, segment.number).second) << "two segments hold record " << r;
    }
  }
  for (std::size_t r = 0; r < input.points.size(); ++r) {
    const std::size_t first = cloud.first_record[static_cast<std::size_t>(cloud.position_of_record[r])];
    const auto it = owner.find(first);
    EXPECT_EQ(result.labels[r], it == owner.end() ? 0 : it->second) << "record " << r;
  }
  for (const Segment& segment : result.segments) {
    ASSERT_GE(segment.outline.size(), 3u) << "segment " << segment.number;
    EXPECT_GT(signed_area(segment.outline, input.points), 0.0) << "outline " << segment.number << " is not ccw";
    for (std::size_t k = 0; k < segment.outline.size(); ++k) {
      const std::size_t r = segment.outline[k], next = segment.outline[(k + 1) % segment.outline.size()];
      EXPECT_TRUE(cloud.triangulation.is_edge(vertex(r), vertex(next))) << "outline " << segment.number;
      EXPECT_EQ(result.labels[r], segment.number) << "outline " << segment.number << " leaves its segment";
    }
    for (const std::size_t r : segment.corners)
      EXPECT_TRUE(std::find(segment.points.begin(), segment.points.end(), r) != segment.points.end());
  }
}

class SegmentsOfGeneratedBuildings : public ::testing::TestWithParam<gen::RoofShape> {};

TEST_P(SegmentsOfGeneratedBuildings, AreSoundWhateverTheRoof) {
  gen::BuildingOptions options;
  options.shape = GetParam();
  options.seed = 7;
  options.repeated_records = 3;
  const BuildingInput input = input_of(gen::generate_building(options));
  const Result result = extract_roof_planes(input);
  EXPECT_GE(result.segments.size(), 1u);
  expect_sound(input, result);
}

INSTANTIATE_TEST_SUITE_P(extract_roof_planes, SegmentsOfGeneratedBuildings,
                         ::testing::Values(gen::RoofShape::gable, gen::RoofShape::hip, gen::RoofShape::pyramid,
                                           gen::RoofShape::cross_gable, gen::RoofShape::flat_with_box,
                                           gen::RoofShape::shed_with_annex, gen::RoofShape::sample_house),
                         [](const auto& info) { return gen::shape_name(info.param); });

TEST(extract_roof_planes, FarProjectedCoordinatesGiveSoundSegments) {
  gen::BuildingOptions options;
  options.shape = gen::RoofShape::cross_gable;
  options.origin_x = 1e9;
  options.origin_y = 1e9;
  const BuildingInput input = input_of(gen::generate_building(options));
  const Result result = extract_roof_planes(input);
  EXPECT_GE(result.segments.size(), 2u);
  expect_sound(input, result);
}

TEST(extract_roof_planes, LargeGableGivesItsTwoFacesAsTheLargestSegments) {
  gen::BuildingOptions options;
  options.shape = gen::RoofShape::gable;
  options.size_scale = 1.8;  // faces of 21.6 m by 7.2 m
  options.surroundings = false;
  options.seed = 3;
  const gen::Building building = gen::generate_building(options);
  ASSERT_EQ(building.planes.size(), 2u);
  const BuildingInput input = input_of(building);
  const Result result = extract_roof_planes(input);
  expect_sound(input, result);
  ASSERT_GE(result.segments.size(), 2u);
  const std::vector<int> face_of = testing::true_faces(building);

  std::vector<const Segment*> largest;
  for (const Segment& segment : result.segments) largest.push_back(&segment);
  std::stable_sort(largest.begin(), largest.end(),
                   [](const Segment* a, const Segment* b) { return a->points.size() > b->points.size(); });
  std::set<int> faces_found;
  for (std::size_t rank = 0; rank < 2; ++rank) {
    const Segment& segment = *largest[rank];
    std::map<int, std::size_t> votes;
    for (const std::size_t r : segment.points) ++votes[face_of[r]];
    const auto face = std::max_element(votes.begin(), votes.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    ASSERT_GE(face->first, 0);
    EXPECT_GE(face->second * 10, segment.points.size() * 8) << "segment mixes faces";
    faces_found.insert(face->first);

    // Every point of a region lies within the blunder threshold 0.658 × 1.2
    // of a plane fitted to it, and the detection resolves directions to 3
    // degrees: the plane must match the true face that closely.
    const gen::TruePlane& truth = building.planes[static_cast<std::size_t>(face->first)];
    for (const std::size_t r : segment.points) {
      if (face_of[r] != face->first) continue;
      const Point& p = input.points[r];
      const double z_true = truth.a * p.x + truth.b * p.y + truth.c;
      EXPECT_LT(std::fabs(segment.normal.x * p.x + segment.normal.y * p.y + segment.normal.z * z_true + segment.d),
                0.658 * 1.2);
    }
    const double w = std::sqrt(truth.a * truth.a + truth.b * truth.b + 1.0);
    const double cos_angle =
        (-truth.a / w) * segment.normal.x + (-truth.b / w) * segment.normal.y + (1.0 / w) * segment.normal.z;
    EXPECT_LT(std::acos(std::min(1.0, cos_angle)), 3.0 * std::numbers::pi / 180.0);
  }
  EXPECT_EQ(faces_found.size(), 2u) << "the two largest segments are the same face";
}

// Two noise-free faces meeting at a ridge, and three ground points that are not roof.
BuildingInput ridge_roof() {
  BuildingInput input;
  for (int j = 0; j <= 12; ++j)
    for (int i = 0; i < 16; ++i) {
      const double y = j * 0.7;
      input.points.push_back({i * 0.7, y, 0.7 * std::min(y, 8.4 - y)});
    }
  input.roof.assign(input.points.size(), 1);
  for (const Point& ground : {Point{-20, -20, 0}, Point{20, -20, 0}, Point{0, 25, 0}}) {
    input.points.push_back(ground);
    input.roof.push_back(0);
  }
  return input;
}

TEST(extract_roof_planes, ReportsLogConsoleAndScenesOfEveryPass) {
  const BuildingInput input = ridge_roof();
  CapturingObserver observer;
  const Result result = extract_roof_planes(input, {}, observer);
  ASSERT_EQ(result.segments.size(), 2u);
  EXPECT_EQ(result.passes, 3u);
  EXPECT_EQ(observer.passes, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(observer.log_text.rfind("///////////////////\nITTERATION 0\n///////////////////\n", 0), 0u);
  EXPECT_NE(observer.console_text.find("there are that many segments: 2\nRefining Segments\n"), std::string::npos);

  std::vector<std::string> names;
  for (const Scene& scene : observer.scenes) names.push_back(scene.name);
  const std::vector<std::string> pass_scenes = {"test0.wrl", "border_0.wrl", "oob_this_segment0.wrl",
                                                "poly_simplified_outer_border.wrl", "test1.wrl", "border_1.wrl",
                                                "oob_this_segment1.wrl", "poly_simplified_outer_border.wrl"};
  ASSERT_GT(names.size(), pass_scenes.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 8), pass_scenes);
  for (std::size_t k = 8; k < names.size(); ++k) EXPECT_EQ(names[k], "work/ob0_after_first_round.wrl");

  // The rewritten polygon scene holds the second pass's corners, in the run's
  // centred coordinates; the refinement scene the first segment's outline.
  const Scene& polygon = observer.scenes[7];
  const Segment& second = result.segments[1];
  ASSERT_EQ(polygon.points.size(), second.corners.size());
  for (std::size_t k = 0; k < second.corners.size(); ++k) {
    const Point& p = input.points[second.corners[k]];
    EXPECT_EQ(polygon.points[k].x, p.x - result.centroid.x);
    EXPECT_EQ(polygon.points[k].y, p.y - result.centroid.y);
  }
  EXPECT_EQ(observer.scenes.back().points.size(), result.segments[0].refined_outline.size());
}

TEST(extract_roof_planes, FewerThanThreePointsRunNoPass) {
  BuildingInput input{{{0, 0, 0}, {1, 0, 0}}, {1, 1}};
  CapturingObserver observer;
  const Result result = extract_roof_planes(input, {}, observer);
  EXPECT_EQ(observer.console_text, "there are that many segments: 0\nRefining Segments\n");
  EXPECT_EQ(observer.log_text, "");
  EXPECT_TRUE(observer.scenes.empty());
  EXPECT_EQ(result.labels, (std::vector<int>{0, 0}));
  EXPECT_EQ(result.passes, 0u);
}

TEST(extract_roof_planes, OneConnectedPlaneEndsAfterItsSecondPass) {
  BuildingInput input;
  for (int j = 0; j < 12; ++j)
    for (int i = 0; i < 12; ++i)
      input.points.push_back({i * 0.7, j * 0.7 + (i % 2) * 0.2, 0.4 * i * 0.7 + 0.1 * j * 0.7});
  input.roof.assign(input.points.size(), 1);
  for (const Point& ground : {Point{-20, -20, 0}, Point{20, -20, 0}, Point{0, 25, 0}}) {
    input.points.push_back(ground);
    input.roof.push_back(0);
  }
  CapturingObserver observer;
  const Result result = extract_roof_planes(input, {}, observer);
  EXPECT_NE(observer.log_text.find("ITTERATION 1\n"), std::string::npos);
  EXPECT_EQ(observer.log_text.find("ITTERATION 2\n"), std::string::npos);
  const std::string ending = "the largest cluster has 0\n";
  ASSERT_GE(observer.log_text.size(), ending.size());
  EXPECT_EQ(observer.log_text.substr(observer.log_text.size() - ending.size()), ending);
  EXPECT_NE(observer.log_text.find("s_levels 0\nmin_s -0\nmax_s 0.001\ns_resolution inf\n"), std::string::npos);
  ASSERT_EQ(result.segments.size(), 1u);
  for (std::size_t r = 0; r < input.points.size(); ++r) EXPECT_EQ(result.labels[r], input.roof[r] ? 1 : 0);
}

TEST(extract_roof_planes, LevelRoofWithEqualHeightsIsOneSegment) {
  // 200 roof points at exactly one height, well above the ground points that
  // pull the centroid down: the fit's a and b come out as a few 1e-16, and
  // rounding must not turn the pan into a NaN that drops every point.
  BuildingInput input;
  for (int k = 0; k < 200; ++k)
    input.points.push_back({350100.0 + std::round(std::fmod(k * 7.31, 12.0) * 1000) / 1000,
                            5800200.0 + std::round(std::fmod(k * 3.97, 9.0) * 1000) / 1000, 101.7});
  input.roof.assign(input.points.size(), 1);
  for (int k = 0; k < 60; ++k) {
    input.points.push_back({350090.0 + std::round(std::fmod(k * 5.3, 32.0) * 1000) / 1000,
                            5800190.0 + (k % 2 ? 0 : 21) + std::round(std::fmod(k * 2.9, 8.0) * 1000) / 1000, 0.5});
    input.roof.push_back(0);
  }
  const Result result = extract_roof_planes(input);
  ASSERT_EQ(result.segments.size(), 1u);
  EXPECT_GT(result.segments[0].points.size(), 190u);
  EXPECT_FALSE(std::isnan(result.segments[0].pan));
}

TEST(extract_roof_planes, RefusesBadParametersInputAndOutOfRangeDistances) {
  const BuildingInput input = ridge_roof();
  for (auto change : {+[](Parameters& p) { p.angle_resolution = 0; },
                      +[](Parameters& p) { p.distance_resolution = -1.2; },
                      +[](Parameters& p) { p.blunder_sigma = std::nan(""); },
                      +[](Parameters& p) { p.simplify_tolerance = INFINITY; },
                      +[](Parameters& p) { p.angle_resolution = 91; }}) {
    Parameters parameters;
    change(parameters);
    EXPECT_FALSE(check_parameters(parameters).empty());
    EXPECT_THROW(extract_roof_planes(input, parameters), std::invalid_argument);
  }
  BuildingInput short_flags = input;
  short_flags.roof.pop_back();
  EXPECT_THROW(extract_roof_planes(short_flags), std::invalid_argument);
  BuildingInput not_finite = input;
  not_finite.points[3].z = std::nan("");
  EXPECT_THROW(extract_roof_planes(not_finite), std::invalid_argument);

  // One roof point 10,000 km away would need 16.7 million distance levels.
  BuildingInput far = input;
  far.points.push_back({1e7, 0, 0});
  far.roof.push_back(1);
  CapturingObserver observer;
  EXPECT_THROW(extract_roof_planes(far, {}, observer), std::length_error);
  EXPECT_EQ(observer.log_text + observer.console_text, "");
  EXPECT_TRUE(observer.scenes.empty());
}

TEST(extract_roof_planes, MaxPassesStopsTheLoop) {
  Parameters parameters;
  parameters.max_passes = 1;
  CapturingObserver observer;
  const Result result = extract_roof_planes(ridge_roof(), parameters, observer);
  EXPECT_EQ(result.passes, 1u);
  EXPECT_EQ(result.segments.size(), 1u);
  EXPECT_EQ(observer.log_text.find("ITTERATION 1"), std::string::npos);
}

bool same(const Result& a, const Result& b) {
  if (a.labels != b.labels || a.segments.size() != b.segments.size()) return false;
  for (std::size_t i = 0; i < a.segments.size(); ++i) {
    const Segment &x = a.segments[i], &y = b.segments[i];
    if (x.points != y.points || x.outline != y.outline || x.refined_outline != y.refined_outline || x.corners != y.corners || x.pan != y.pan ||
        x.tilt != y.tilt || x.s != y.s || x.d != y.d || x.rms != y.rms)
      return false;
  }
  return true;
}

TEST(extract_roof_planes, TwoThreadsGiveTheResultsOfOneAfterTheOther) {
  gen::BuildingOptions hip, cross;
  hip.shape = gen::RoofShape::hip;
  cross.shape = gen::RoofShape::cross_gable;
  cross.seed = 4;
  const BuildingInput first = input_of(gen::generate_building(hip));
  const BuildingInput second = input_of(gen::generate_building(cross));
  const Result first_alone = extract_roof_planes(first);
  const Result second_alone = extract_roof_planes(second);
  Result first_together, second_together;
  CapturingObserver first_text, second_text;
  std::thread a([&] { first_together = extract_roof_planes(first, {}, first_text); });
  std::thread b([&] { second_together = extract_roof_planes(second, {}, second_text); });
  a.join();
  b.join();
  EXPECT_TRUE(same(first_alone, first_together));
  EXPECT_TRUE(same(second_alone, second_together));
  CapturingObserver first_again;
  extract_roof_planes(first, {}, first_again);
  EXPECT_EQ(first_text.log_text, first_again.log_text);
  EXPECT_EQ(first_text.console_text, first_again.console_text);
}

// The triangulation holds one point of each x and y. A record under or over
// a face's vertex (overlapping strips, a roof edge over a lower roof, a wall
// point under the eaves) is no point of the face; a copy of the vertex's
// record is. Around roofs of several faces and steps, with a copy, a roof
// record 3 m above and a building record 3 m below at every fifth labelled
// roof record: the copies take the label of the record they copy, the records
// off the plane none, and every other record keeps its label.
TEST(extract_roof_planes, RecordSharingAVertexKeepsItsLabelOnlyOnItsPlane) {
  for (const gen::RoofShape shape : {gen::RoofShape::hip, gen::RoofShape::two_storeys, gen::RoofShape::stepped}) {
    SCOPED_TRACE(gen::shape_name(shape));
    gen::BuildingOptions options;
    options.shape = shape;
    options.points_per_m2 = 8.0;
    options.height_noise = 0.03;
    options.seed = 11;
    options.rotation_deg = 21.0;
    const BuildingInput input = input_of(gen::generate_building(options));
    const Parameters parameters = auto_parameters(input);
    const Result reference = extract_roof_planes(input, parameters);
    ASSERT_GE(reference.segments.size(), 2u);

    BuildingInput more = input;
    std::vector<int> expected = reference.labels;
    std::size_t added = 0;
    for (std::size_t r = 0; r < input.points.size(); ++r) {
      if (!input.roof[r] || reference.labels[r] <= 0 || r % 5 != 0) continue;
      const Point& p = input.points[r];
      for (const auto& [dz, roof, label] : {std::tuple{0.0, 0, reference.labels[r]}, std::tuple{3.0, 1, 0},
                                           std::tuple{-3.0, 0, 0}}) {
        more.points.push_back({p.x, p.y, p.z + dz});
        more.roof.push_back(roof);
        expected.push_back(label);
      }
      ++added;
    }
    ASSERT_GT(added, 50u);
    // The same triangulated points: the same estimate.
    ASSERT_EQ(format_parameters(auto_parameters(more)), format_parameters(parameters));
    const Result result = extract_roof_planes(more, parameters);
    ASSERT_EQ(result.segments.size(), reference.segments.size());
    EXPECT_EQ(result.labels, expected);
    // Each segment's own points carry its label.
    for (const Result* run : {&reference, &result})
      for (const Segment& segment : run->segments)
        for (const std::size_t r : segment.points) ASSERT_EQ(run->labels[r], segment.number) << "record " << r;
  }
}

}  // namespace
}  // namespace roofplanes
