#include "pipeline/roof_pipeline.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "pipeline/execution_log.h"
#include "planes/plane_residual.h"
#include "points/centre_points.h"
#include "points/mark_roof_points.h"
#include "points/read_point_cloud.h"
#include "segments/simplify_outer_border.h"
#include "support/scratch_directory.h"
#include "support/triangulations.h"
#include "vrml/vrml_writers.h"

namespace roofplanes {
namespace {

namespace gen = building_generator;
using testing::read_text;
using testing::ScratchDirectory;
using testing::vertices_of;
using testing::write_text;

const std::filesystem::path data = "Testdaten_Tolvar/69";

void write_building(const gen::Building& building) {
  ASSERT_TRUE(gen::write_point_file(building, (data / "Building_69.txt").string()));
  ASSERT_TRUE(gen::write_roof_list(building, (data / "roof.txt").string()));
}

struct ProgramRun {
  std::string out, err, log;
};

// The program as main runs it, in the current (scratch) directory.
ProgramRun run_program() {
  open_execution_log();
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const int status = run_pipeline();
  ProgramRun run;
  run.out = ::testing::internal::GetCapturedStdout();
  run.err = ::testing::internal::GetCapturedStderr();
  ExecutionLog.close();
  EXPECT_EQ(status, 0);
  run.log = read_text(data / "execution_log.txt");
  return run;
}

// The main loop and the numbering on the files in the scratch directory,
// keeping the triangulation and the segments for inspection.
struct Extraction {
  PointTriangulation triangulation;
  std::vector<double> centroid;
  std::set<Vertex_handle> roof;
  RoofSegmentList segments;
};

void extract(Extraction& x) {
  x.triangulation = read_point_cloud((data / "Building_69.txt").string());
  x.centroid = centre_points(x.triangulation);
  mark_roof_points((data / "roof.txt").string(), x.triangulation);
  for (Vertex_handle v : vertices_of(x.triangulation))
    if (v->info().is_roof()) x.roof.insert(v);
  ::testing::internal::CaptureStdout();
  extract_roof_segments(x.triangulation, x.segments);
  number_segments(x.triangulation, x.segments);
  ::testing::internal::GetCapturedStdout();
}

double signed_area(const OutlineList& outline) {
  double area = 0.0;
  for (auto it = outline.begin(); it != outline.end(); ++it) {
    auto next = std::next(it) == outline.end() ? outline.begin() : std::next(it);
    area += (*it)->point().x() * (*next)->point().y() - (*next)->point().x() * (*it)->point().y();
  }
  return area / 2.0;
}

// What must hold whatever the roof.
void expect_segments_sound(const Extraction& x) {
  const PointTriangulation& t = x.triangulation;
  std::map<Vertex_handle, int> owner;
  for (std::size_t i = 0; i < x.segments.size(); ++i) {
    const RoofSegment& segment = x.segments[i];
    EXPECT_EQ(segment.number(), static_cast<int>(i) + 1);
    for (Vertex_handle v : segment.points()) {
      EXPECT_TRUE(x.roof.count(v)) << "segment " << i << " holds a point that is not a roof point";
      EXPECT_TRUE(owner.emplace(v, static_cast<int>(i) + 1).second)
          << "segment " << i << " holds a point an earlier segment took";
    }
  }
  for (Vertex_handle v : vertices_of(t)) {
    const auto it = owner.find(v);
    EXPECT_EQ(v->info().cluster_id(), it == owner.end() ? 0 : it->second);
  }
  for (std::size_t i = 0; i < x.segments.size(); ++i) {
    const OutlineList outline = x.segments[i].outline();
    ASSERT_GE(outline.size(), 3u) << "segment " << i;
    EXPECT_GT(signed_area(outline), 0.0) << "outline " << i << " is not counterclockwise";
    const int number = static_cast<int>(i) + 1;
    for (auto it = outline.begin(); it != outline.end(); ++it) {
      const Vertex_handle v = *it;
      const Vertex_handle next = std::next(it) == outline.end() ? outline.front() : *std::next(it);
      EXPECT_TRUE(t.is_edge(v, next)) << "outline " << i << " is not closed along triangulation edges";
      EXPECT_EQ(v->info().cluster_id(), number) << "outline " << i << " leaves its segment";
      bool on_border = false;
      auto neighbour = t.incident_vertices(v), done = neighbour;
      do {
        on_border = on_border || t.is_infinite(neighbour) || neighbour->info().cluster_id() != number;
      } while (++neighbour != done);
      EXPECT_TRUE(on_border) << "outline " << i << " holds an interior point";
    }
  }
}

class SegmentsOfGeneratedBuildings : public ::testing::TestWithParam<gen::RoofShape> {};

TEST_P(SegmentsOfGeneratedBuildings, AreSoundWhateverTheRoof) {
  ScratchDirectory scratch;
  gen::BuildingOptions options;
  options.shape = GetParam();
  options.seed = 7;
  options.repeated_records = 3;
  write_building(gen::generate_building(options));
  Extraction x;
  extract(x);
  EXPECT_GE(x.segments.size(), 1u);
  expect_segments_sound(x);
}

INSTANTIATE_TEST_SUITE_P(roof_pipeline, SegmentsOfGeneratedBuildings,
                         ::testing::Values(gen::RoofShape::gable, gen::RoofShape::hip, gen::RoofShape::pyramid,
                                           gen::RoofShape::cross_gable, gen::RoofShape::flat_with_box,
                                           gen::RoofShape::shed_with_annex, gen::RoofShape::sample_house),
                         [](const auto& info) { return gen::shape_name(info.param); });

TEST(roof_pipeline, LargeGableGivesItsTwoFacesAsTheLargestSegments) {
  ScratchDirectory scratch;
  gen::BuildingOptions options;
  options.shape = gen::RoofShape::gable;
  options.size_scale = 1.8;  // faces of 21.6 m by 7.2 m
  options.surroundings = false;
  options.seed = 3;
  const gen::Building building = gen::generate_building(options);
  ASSERT_EQ(building.planes.size(), 2u);
  write_building(building);
  Extraction x;
  extract(x);
  expect_segments_sound(x);
  ASSERT_GE(x.segments.size(), 2u);

  std::map<Vertex_handle, int> face_of;
  const VertexList vertices = vertices_of(x.triangulation);
  for (std::size_t k = 0; k < vertices.size(); ++k) face_of[vertices[k]] = building.plane_of_position[k];

  std::vector<std::size_t> order(x.segments.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return x.segments[a].points().size() > x.segments[b].points().size();
  });
  std::set<int> faces_found;
  for (std::size_t rank = 0; rank < 2; ++rank) {
    const RoofSegment& segment = x.segments[order[rank]];
    std::map<int, std::size_t> votes;
    for (Vertex_handle v : segment.points()) ++votes[face_of[v]];
    const auto face = std::max_element(votes.begin(), votes.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    ASSERT_GE(face->first, 0);
    EXPECT_GE(face->second * 10, segment.points().size() * 8) << "segment mixes faces";
    faces_found.insert(face->first);

    // Every point of a region lies within the blunder threshold 0.658 × 1.2 of
    // a plane fitted to the region, and the detection resolves directions to
    // 3 degrees: the segment's plane must match the true face that closely
    // wherever the segment has points of that face.
    const gen::TruePlane& truth = building.planes[static_cast<std::size_t>(face->first)];
    const PlaneParams plane = {segment.pan(), segment.tilt(), segment.s()};
    for (Vertex_handle v : segment.points()) {
      if (face_of[v] != face->first) continue;
      const double x_file = v->point().x() + x.centroid[0], y_file = v->point().y() + x.centroid[1];
      const double z_true = truth.a * x_file + truth.b * y_file + truth.c - x.centroid[2];
      EXPECT_LT(plane_residual(Point3(v->point().x(), v->point().y(), z_true), plane), 0.658 * 1.2);
    }
    const double w = std::sqrt(truth.a * truth.a + truth.b * truth.b + 1.0);
    const double cos_angle = (-truth.a / w) * std::cos(plane[1]) * std::cos(plane[0]) +
                             (-truth.b / w) * std::cos(plane[1]) * std::sin(plane[0]) + (1.0 / w) * std::sin(plane[1]);
    EXPECT_LT(std::acos(std::min(1.0, cos_angle)), 3.0 * std::numbers::pi / 180.0);
  }
  EXPECT_EQ(faces_found.size(), 2u) << "the two largest segments are the same face";
}

TEST(roof_pipeline, LogAndScenesOfTheFirstPasses) {
  ScratchDirectory scratch;
  // Two noise-free faces meeting at a ridge, and ground points that are not roof.
  std::ostringstream points, roof;
  int n = 0;
  for (int j = 0; j <= 12; ++j)
    for (int i = 0; i < 16; ++i, ++n) {
      const double y = j * 0.7;
      points << i * 0.7 << ' ' << y << ' ' << 0.7 * std::min(y, 8.4 - y) << '\n';
      roof << n << '\n';
    }
  points << "-20 -20 0\n20 -20 0\n0 25 0\n";
  write_text(data / "Building_69.txt", points.str());
  write_text(data / "roof.txt", roof.str());

  const ProgramRun run = run_program();
  EXPECT_EQ(run.log.rfind("///////////////////\nITTERATION 0\n///////////////////\n", 0), 0u);
  for (const char* name : {"test0.wrl", "test1.wrl", "border_0.wrl", "border_1.wrl", "oob_this_segment0.wrl",
                           "oob_this_segment1.wrl"})
    EXPECT_TRUE(std::filesystem::exists(data / name)) << name;
  EXPECT_FALSE(std::filesystem::exists(data / "test2.wrl"));
  EXPECT_TRUE(std::filesystem::exists(data / "work" / "ob0_after_first_round.wrl"));
  EXPECT_NE(run.out.find("there are that many segments: 2\nRefining Segments\n"), std::string::npos);

  // The rewritten polygon scene holds the second pass's simplified outline.
  Extraction x;
  extract(x);
  ASSERT_EQ(x.segments.size(), 2u);
  expect_segments_sound(x);
  const OutlineList second = x.segments[1].outline();
  VertexList outline(second.begin(), second.end());
  VertexList corners = simplify_outer_border(outline, 1.5);
  write_vrml_polygon(corners, "expected.wrl", "default", "blue", 2);
  EXPECT_EQ(read_text(data / "poly_simplified_outer_border.wrl"), read_text("expected.wrl"));
}

TEST(roof_pipeline, FewerThanThreePointsRunNoPass) {
  ScratchDirectory scratch;
  write_text(data / "Building_69.txt", "0 0 0\n1 0 0\n");
  write_text(data / "roof.txt", "0 1\n");
  const ProgramRun run = run_program();
  EXPECT_EQ(run.out, "there are that many segments: 0\nRefining Segments\n");
  EXPECT_EQ(run.log, "");
}

TEST(roof_pipeline, OneConnectedPlaneEndsAfterItsSecondPass) {
  ScratchDirectory scratch;
  std::ostringstream points, roof;
  int n = 0;
  for (int j = 0; j < 12; ++j)
    for (int i = 0; i < 12; ++i, ++n) {
      points << i * 0.7 << ' ' << j * 0.7 + (i % 2) * 0.2 << ' ' << 0.4 * i * 0.7 + 0.1 * j * 0.7 << '\n';
      roof << n << '\n';
    }
  points << "-20 -20 0\n20 -20 0\n0 25 0\n";  // ground, not roof
  write_text(data / "Building_69.txt", points.str());
  write_text(data / "roof.txt", roof.str());
  const ProgramRun run = run_program();
  EXPECT_NE(run.log.find("ITTERATION 1\n"), std::string::npos);
  EXPECT_EQ(run.log.find("ITTERATION 2\n"), std::string::npos);
  const std::string ending = "the largest cluster has 0\n";
  ASSERT_GE(run.log.size(), ending.size());
  EXPECT_EQ(run.log.substr(run.log.size() - ending.size()), ending);
  EXPECT_NE(run.log.find("s_levels 0\nmin_s -0\nmax_s 0.001\ns_resolution inf\n"), std::string::npos);
  EXPECT_NE(run.out.find("there are that many segments: 1\nRefining Segments\n"), std::string::npos);

  Extraction x;
  extract(x);
  ASSERT_EQ(x.segments.size(), 1u);
  for (Vertex_handle v : vertices_of(x.triangulation))
    EXPECT_EQ(v->info().cluster_id(), x.roof.count(v) ? 1 : 0);
}

TEST(roof_pipeline, BadInputNeverStopsTheRun) {
  const std::string no_segments = "there are that many segments: 0\nRefining Segments\n";
  {
    ScratchDirectory scratch;  // no files at all
    EXPECT_EQ(run_program().out, no_segments);
  }
  {
    ScratchDirectory scratch;
    write_text(data / "Building_69.txt", "");
    write_text(data / "roof.txt", "0 1 2");
    EXPECT_EQ(run_program().out, no_segments);
  }
  {
    ScratchDirectory scratch;  // points but no roof list: one pass without roof points
    write_text(data / "Building_69.txt", "0 0 0  4 0 0  0 4 0  4 4 1");
    const ProgramRun run = run_program();
    EXPECT_NE(run.out.find(no_segments), std::string::npos);
    EXPECT_NE(run.log.find("0 plane equations solved\n"), std::string::npos);
    EXPECT_NE(run.log.find("the largest cluster has 0\n"), std::string::npos);
  }
  {
    ScratchDirectory scratch;  // all points on one line: no triangle, no region
    write_text(data / "Building_69.txt", "0 0 0  1 1 1  2 2 2  3 3 3  4 4 4");
    write_text(data / "roof.txt", "0 1 2 3 4");
    EXPECT_NE(run_program().out.find(no_segments), std::string::npos);
  }
  {
    ScratchDirectory scratch;  // garbage in the middle: the records before it are used
    gen::BuildingOptions options;
    options.shape = gen::RoofShape::hip;
    const gen::Building building = gen::generate_building(options);
    std::ostringstream points;
    gen::write_point_file(building, points);
    std::string text = points.str();
    std::size_t middle = text.size() / 2;
    middle = text.find('\n', middle) + 1;
    text.insert(middle, "12.5 oops 3\n");
    write_text(data / "Building_69.txt", text);
    gen::write_roof_list(building, (data / "roof.txt").string());
    const ProgramRun run = run_program();
    EXPECT_NE(run.out.find("Refining Segments\n"), std::string::npos);
    EXPECT_FALSE(run.err.empty()) << "roof positions past the read records are reported";
  }
  {
    ScratchDirectory scratch;  // out-of-range and negative roof positions
    gen::BuildingOptions options;
    options.shape = gen::RoofShape::pyramid;
    gen::Building building = gen::generate_building(options);
    write_building(building);
    std::ofstream(data / "roof.txt", std::ios::app) << "-4\n" << building.plane_of_position.size() << "\n2147483647\n";
    const ProgramRun run = run_program();
    EXPECT_NE(run.out.find("Refining Segments\n"), std::string::npos);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2);
  }
}

TEST(roof_pipeline, FarProjectedCoordinatesGiveSoundSegments) {
  ScratchDirectory scratch;
  gen::BuildingOptions options;
  options.shape = gen::RoofShape::cross_gable;
  options.origin_x = 1e9;
  options.origin_y = 1e9;
  write_building(gen::generate_building(options));
  Extraction x;
  extract(x);
  EXPECT_GE(x.segments.size(), 2u);
  expect_segments_sound(x);
}

}  // namespace
}  // namespace roofplanes
