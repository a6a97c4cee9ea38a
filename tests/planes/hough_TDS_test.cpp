#include "planes/hough_TDS.h"

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/captured_report.h"
#include "planes/hough_levels.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using roofplanes::testing::CapturedReport;
using roofplanes::testing::triangulation_of;
using roofplanes::testing::vertices_of;

constexpr double pi = 3.141592653589793;

double log_value(const std::string& line, const std::string& key) {
  EXPECT_EQ(line.rfind(key, 0), 0u) << line;
  return std::stod(line.substr(key.size()));
}

TEST(HoughTDS, NoRoofPointGivesNoCell) {
  PointTriangulation triangulation = triangulation_of({{0, 0, 1}, {4, 0, 1}, {0, 4, 1}, {4, 4, 2}});
  VertexList output = vertices_of(triangulation);
  CapturedReport log;
  const PlaneParams plane = hough_TDS(triangulation, output, 3.0, 1.2, log.report);
  EXPECT_TRUE(output.empty());
  EXPECT_EQ(plane, (PlaneParams{0.0, 0.0, 0.0}));
  EXPECT_EQ(log.observer.log_text,
            "tilt_levels 30\n"
            "s_levels 0\n"
            "min_s -0\n"
            "max_s 0.001\n"
            "s_resolution inf\n"
            "0 plane equations solved\n"
            "hough_peaks_TDS: maximum value in accumulator cell = 0\n"
            "No maximum or ambiguous maximum! \n"
            "No of maximums: 0 Returning the first maximum.\n");

  PointTriangulation empty;
  CapturedReport empty_log;
  EXPECT_EQ(hough_TDS(empty, output, 3.0, 1.2, empty_log.report), (PlaneParams{0.0, 0.0, 0.0}));
  EXPECT_TRUE(output.empty());
  EXPECT_EQ(empty_log.log_lines().size(), 9u);
}

TEST(HoughTDS, RoofPointsWithoutSLevelCastNoVote) {
  // D = 0.0001: (2 · D + 0.001) / 1.2 rounds to 0 levels.
  PointTriangulation triangulation = triangulation_of({{0.0001, 0, 0}, {4, 0, 1}, {0, 4, 1}});
  VertexList output = vertices_of(triangulation);
  output[0]->info().set_is_roof(true);
  CapturedReport log;
  EXPECT_EQ(hough_TDS(triangulation, output, 3.0, 1.2, log.report), (PlaneParams{0.0, 0.0, 0.0}));
  EXPECT_TRUE(output.empty());
  EXPECT_EQ(log.log_lines(), (std::vector<std::string>{"tilt_levels 30", "s_levels 0", "min_s -0.0001", "max_s 0.0011",
                                                    "s_resolution inf", "0 plane equations solved",
                                                    "hough_peaks_TDS: maximum value in accumulator cell = 0",
                                                    "No maximum or ambiguous maximum! ",
                                                    "No of maximums: 0 Returning the first maximum."}));
}

TEST(HoughTDS, SingleRoofPointTiesEverywhereAndTakesTheFirstCell) {
  // D = 1: s from -1 to 1.001 in round_half_down(2.001 / 1.2) = 2 levels of
  // 1.0005. In every direction the point's distance is sin t > 0.0005, so all
  // 2,292 directions hold one vote in level 1, and the first direction wins.
  PointTriangulation triangulation = triangulation_of({{5, 0, 0}, {0, 0, 1}, {0, 5, 0}, {-5, -5, 0}});
  const VertexList v = vertices_of(triangulation);
  v[1]->info().set_is_roof(true);
  VertexList output;
  CapturedReport log;
  const PlaneParams plane = hough_TDS(triangulation, output, 3.0, 1.2, log.report);
  EXPECT_EQ(log.log_lines(), (std::vector<std::string>{"tilt_levels 30", "s_levels 2", "min_s -1", "max_s 1.001",
                                                    "s_resolution 1.0005", "2292 plane equations solved",
                                                    "hough_peaks_TDS: maximum value in accumulator cell = 1",
                                                    "No maximum or ambiguous maximum! ",
                                                    "No of maximums: 2292 Returning the first maximum.",
                                                    "maximum at tilt = 1.5", "maximum at pan = 1.5",
                                                    "maximum at s = 0.0261769"}));
  EXPECT_EQ(output, VertexList{v[1]});
  ASSERT_EQ(plane.size(), 3u);
  EXPECT_DOUBLE_EQ(plane[0], 1.5 * pi / 180);
  EXPECT_DOUBLE_EQ(plane[1], 1.5 * pi / 180);
  EXPECT_DOUBLE_EQ(plane[2], std::sin(1.5 * pi / 180));
}

// A square patch of 21 × 21 points, 3 apart, on the plane through centre with
// the normal of (tilt, pan) in degrees. The points alternate 0.3 above and 0.1
// below the plane, so their mean lies 0.1 + 0.4 / 441 ≈ 0.1009 above it.
// off_plane gives, for every patch point, the point half a step away in both
// directions and exactly 0.1 above the plane.
struct Patch {
  std::vector<std::array<double, 3>> points, off_plane;
  std::array<double, 3> normal;
};

Patch make_patch(double tilt_deg, double pan_deg, std::array<double, 3> centre) {
  const double t = tilt_deg * pi / 180, p = pan_deg * pi / 180;
  const std::array<double, 3> n{std::cos(t) * std::cos(p), std::cos(t) * std::sin(p), std::sin(t)};
  const std::array<double, 3> u{-std::sin(p), std::cos(p), 0};
  const std::array<double, 3> w{-std::sin(t) * std::cos(p), -std::sin(t) * std::sin(p), std::cos(t)};
  Patch patch{{}, {}, n};
  auto at = [&](double a, double b, double e) {
    return std::array<double, 3>{centre[0] + a * u[0] + b * w[0] + e * n[0], centre[1] + a * u[1] + b * w[1] + e * n[1],
                                 centre[2] + a * u[2] + b * w[2] + e * n[2]};
  };
  for (int ib = 0; ib < 21; ++ib)
    for (int ia = 0; ia < 21; ++ia) {
      const double a = -30 + 3 * ia, b = -30 + 3 * ib;
      patch.points.push_back(at(a, b, (ia + ib) % 2 == 0 ? 0.3 : -0.1));
      patch.off_plane.push_back(at(a + 1.5, b + 1.5, 0.1));
    }
  return patch;
}

// Two roof faces far apart with 441 points each, one facing +x (tilt 43.5°,
// first pan band 2.069°) and one facing -x (tilt 43.5°, pan band 180°), both
// normals at the centre of their Hough direction. Records go in the order
// B, A, off-plane point next to A, so A's points are every third vertex.
struct TwoFaces {
  Patch a, b;
  PointTriangulation triangulation;
  VertexList a_vertices, b_vertices, off_plane_vertices;
};

TwoFaces two_faces(bool b_is_roof) {
  TwoFaces faces{make_patch(43.5, 180.0 / 87, {100, 0, 10}), make_patch(43.5, 180.0, {-100, 0, 10}), {}, {}, {}, {}};
  std::vector<std::array<double, 3>> records;
  for (std::size_t i = 0; i < faces.a.points.size(); ++i) {
    records.push_back(faces.b.points[i]);
    records.push_back(faces.a.points[i]);
    records.push_back(faces.a.off_plane[i]);
  }
  faces.triangulation = triangulation_of(records);
  const VertexList v = vertices_of(faces.triangulation);
  for (std::size_t i = 0; i < v.size(); i += 3) {
    faces.b_vertices.push_back(v[i]);
    faces.a_vertices.push_back(v[i + 1]);
    faces.off_plane_vertices.push_back(v[i + 2]);
    v[i]->info().set_is_roof(b_is_roof);
    v[i + 1]->info().set_is_roof(true);
  }
  return faces;
}

double mean_distance(const Patch& patch) {
  double sum = 0;
  for (const auto& p : patch.points) sum += patch.normal[0] * p[0] + patch.normal[1] * p[1] + patch.normal[2] * p[2];
  return sum / patch.points.size();
}

TEST(HoughTDS, TwoTiedFacesReturnTheFirstInVisitingOrder) {
  TwoFaces faces = two_faces(true);
  VertexList output;
  CapturedReport log;
  const PlaneParams plane = hough_TDS(faces.triangulation, output, 3.0, 1.2, log.report);
  const std::vector<std::string> lines = log.log_lines();
  // D = 125.92275 is the farthest corner of face A; 251.8465 / 1.2 gives 210 levels.
  EXPECT_EQ(lines, (std::vector<std::string>{"tilt_levels 30", "s_levels 210", "min_s -125.923", "max_s 125.924",
                                              "s_resolution 1.19927", "2021544 plane equations solved",
                                              "hough_peaks_TDS: maximum value in accumulator cell = 441",
                                              "No maximum or ambiguous maximum! ",
                                              "No of maximums: 2 Returning the first maximum.",
                                              "maximum at tilt = 43.5", "maximum at pan = 2.06897",
                                              "maximum at s = 79.4741"}));

  // Face A comes first (same tilt, lower pan index), in vertex order; B's points
  // and the non-roof points lying on A's plane are not in it.
  EXPECT_EQ(output, faces.a_vertices);
  ASSERT_EQ(plane.size(), 3u);
  EXPECT_NEAR(plane[0], (180.0 / 87) * pi / 180, 1e-15);
  EXPECT_NEAR(plane[1], 43.5 * pi / 180, 1e-15);

  // s is the mean of n · p, not the centre of the winning level.
  const double mean = mean_distance(faces.a);
  EXPECT_NEAR(plane[2], mean, 1e-9);
  ASSERT_EQ(lines.size(), 12u);
  const double min_s = log_value(lines[2], "min_s "), resolution = log_value(lines[4], "s_resolution ");
  const double level_centre = min_s + (std::floor((mean - min_s) / resolution) + 0.5) * resolution;
  EXPECT_GT(std::fabs(plane[2] - level_centre), 0.2);
}

TEST(HoughTDS, OneFaceIsAUniqueMaximum) {
  // Face B's points are not roof points: they never vote and never appear.
  TwoFaces faces = two_faces(false);
  VertexList output{faces.b_vertices[0]};
  CapturedReport log;
  const PlaneParams plane = hough_TDS(faces.triangulation, output, 3.0, 1.2, log.report);
  const std::vector<std::string> lines = log.log_lines();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[5], "1010772 plane equations solved");
  EXPECT_EQ(lines[6], "hough_peaks_TDS: maximum value in accumulator cell = 441");
  EXPECT_EQ(lines[7], "Found a unique maximum!");
  EXPECT_EQ(lines[8], "maximum at tilt = 43.5");
  EXPECT_EQ(lines[9], "maximum at pan = 2.06897");
  EXPECT_EQ(lines[10], "maximum at s = 79.4741");
  EXPECT_EQ(output, faces.a_vertices);
  EXPECT_NEAR(plane[2], mean_distance(faces.a), 1e-9);
}

// The detection as first described: one vertex list per cell, filled in
// voting order, the first cell with the largest list wins.
VertexList reference_winner(const PointTriangulation& triangulation) {
  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  double resolution = 3.0;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, resolution);
  double d = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    if (v->info().is_roof()) {
      const Point3& p = v->point();
      d = std::max(d, std::sqrt(p.x() * p.x() + p.y() * p.y() + p.z() * p.z()));
    }
  const double min_s = -d, max_s = d + 0.001;
  const std::size_t s_count = round_half_down((max_s - min_s) / 1.2);
  const double s_resolution = (max_s - min_s) / s_count;
  VertexList best;
  for (std::size_t i = 0; i < tilt_levels.size(); ++i)
    for (const double pan : pan_levels[i]) {
      const double t = tilt_levels[i];
      std::vector<VertexList> cells(s_count);
      for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
        if (!v->info().is_roof()) continue;
        const Point3& p = v->point();
        const double s = std::cos(t) * std::cos(pan) * p.x() + std::cos(t) * std::sin(pan) * p.y() + std::sin(t) * p.z();
        cells[static_cast<std::size_t>((s - min_s) / s_resolution)].push_back(v);
      }
      for (VertexList& cell : cells)
        if (cell.size() > best.size()) best = std::move(cell);
    }
  return best;
}

TEST(HoughTDS, CountsMatchOneListPerCellVoting) {
  // Two noisy roof faces and scattered non-roof points; more roof points than
  // the vote loop takes in one go.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-40.0, 40.0), noise(-0.4, 0.4);
  std::vector<std::array<double, 3>> records;
  std::vector<bool> roof;
  for (int i = 0; i < 9500; ++i) {
    const double x = coordinate(random), y = coordinate(random);
    const bool is_roof = i % 19 != 0;
    const double z = is_roof ? 8.0 - 0.55 * std::fabs(y) + noise(random) : noise(random);
    records.push_back({x, y, z});
    roof.push_back(is_roof);
  }
  PointTriangulation triangulation = triangulation_of(records);
  const VertexList v = vertices_of(triangulation);
  ASSERT_EQ(v.size(), records.size());
  for (std::size_t i = 0; i < v.size(); ++i) v[i]->info().set_is_roof(roof[i]);

  VertexList output;
  CapturedReport log;
  hough_TDS(triangulation, output, 3.0, 1.2, log.report);
  const VertexList expected = reference_winner(triangulation);
  EXPECT_GT(expected.size(), 1000u);
  EXPECT_EQ(output, expected);
  const std::vector<std::string> lines = log.log_lines();
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[6], "hough_peaks_TDS: maximum value in accumulator cell = " + std::to_string(expected.size()));
}

}  // namespace
}  // namespace roofplanes
