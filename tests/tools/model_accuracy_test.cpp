#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "model/building_model.h"
#include "model_accuracy.h"
#include "model_report.h"
#include "segment_distance.h"

namespace {

using namespace roof_suite;

// Hand distances: across a segment's middle, past either end, to a degenerate segment, the
// nearest of several, in 3D; none at all is infinitely far. Points along a segment are the
// centres of equal pieces no longer than the spacing.
TEST(distance_to_segments, HandDistancesAndPointsAlong) {
  const Segment3 ridge{{0, 0, 10}, {10, 0, 10}};
  EXPECT_DOUBLE_EQ(distance_to_segments({5, 3, 14}, {ridge}), 5.0);  // 3, 4, 5 across the middle
  EXPECT_DOUBLE_EQ(distance_to_segments({-3, 0, 14}, {ridge}), 5.0);  // before the start: to the start
  EXPECT_DOUBLE_EQ(distance_to_segments({13, 4, 10}, {ridge}), 5.0);  // past the end: to the end
  EXPECT_DOUBLE_EQ(distance_to_segments({1, 2, 2}, {Segment3{{1, 2, 4}, {1, 2, 4}}}), 2.0);
  const Segment3 hip{{0, 0, 10}, {0, 0, 0}};
  EXPECT_DOUBLE_EQ(distance_to_segments({1, 0, 3}, {ridge, hip}), 1.0);
  EXPECT_DOUBLE_EQ(distance_to_segments({6, 0.5, 10}, {ridge, hip}), 0.5);
  EXPECT_EQ(distance_to_segments({0, 0, 0}, {}), std::numeric_limits<double>::infinity());

  const std::vector<Point3> along = points_along(ridge, 3.0);  // 10 m: four pieces of 2.5 m
  ASSERT_EQ(along.size(), 4u);
  EXPECT_DOUBLE_EQ(along.front()[0], 1.25);
  EXPECT_DOUBLE_EQ(along.back()[0], 8.75);
  EXPECT_EQ(points_along(Segment3{{1, 1, 1}, {1, 1, 1}}, 0.25).size(), 1u);
}

// The gable house's shell on a millimetre grid: the ridge is the only edge two roofs of
// different faces share (eaves and verges meet walls; two regions of one face sharing an edge
// are one face), in real coordinates through the grid.
roofplanes::Shell gable_shell(double ridge_mm, bool split_south_roof) {
  roofplanes::Shell shell;
  shell.vertices = {{0, 0, 0},        {12000, 0, 0},        {12000, 8000, 0},         {0, 8000, 0},
                    {0, 0, 5500},     {12000, 0, 5500},     {12000, 8000, 5500},      {0, 8000, 5500},
                    {0, 4000, 0},     {12000, 4000, 0},     {6000, 0, 5500},          {6000, 4000, 0}};
  // Ridge corners: z filled in below (indices 8, 9 and 11 are on the ridge line).
  for (std::size_t k : {8u, 9u, 11u}) shell.vertices[k][2] = static_cast<std::int64_t>(ridge_mm);
  using roofplanes::SurfaceKind;
  shell.surfaces.push_back({SurfaceKind::ground, 0, {{0, 3, 2, 1}}});
  if (split_south_roof) {
    shell.surfaces.push_back({SurfaceKind::roof, 1, {{4, 10, 11, 8}}});
    shell.surfaces.push_back({SurfaceKind::roof, 1, {{10, 5, 9, 11}}});
  } else {
    shell.surfaces.push_back({SurfaceKind::roof, 1, {{4, 10, 5, 9, 11, 8}}});
  }
  shell.surfaces.push_back({SurfaceKind::roof, 2, {{6, 7, 8, 11, 9}}});
  shell.surfaces.push_back({SurfaceKind::wall, 0, {{0, 1, 5, 10, 4}}});
  shell.surfaces.push_back({SurfaceKind::wall, 0, {{2, 3, 7, 6}}});
  shell.surfaces.push_back({SurfaceKind::wall, 0, {{3, 0, 4, 8, 7}}});
  shell.surfaces.push_back({SurfaceKind::wall, 0, {{1, 2, 6, 9, 5}}});
  return shell;
}

TEST(shared_roof_edges, OnlyEdgesBetweenRoofsOfTwoFaces) {
  roofplanes::ModelGrid grid;
  grid.translate = {350000.0, 5800000.0, 36.0};
  for (bool split : {false, true}) {
    SCOPED_TRACE(split ? "south roof in two regions" : "one region per face");
    const std::vector<Segment3> edges = shared_roof_edges(gable_shell(8800.0, split), grid);
    ASSERT_EQ(edges.size(), 2u);  // the ridge, in two pieces at its middle vertex
    double length = 0.0;
    for (const Segment3& e : edges) {
      EXPECT_DOUBLE_EQ(e.a[1], 5800004.0);
      EXPECT_DOUBLE_EQ(e.b[1], 5800004.0);
      EXPECT_NEAR(e.a[2], 44.8, 1e-9);
      length += std::abs(e.b[0] - e.a[0]);
    }
    EXPECT_DOUBLE_EQ(length, 12.0);
  }
}

// A generated gable against a hand-made model of it: its ridge 0.3 m too high and its outline
// 0.2 m too wide on every side. Every ridge sample is 0.3 m off and the whole true ridge is
// found; most outline samples are 0.2 m off, none less, the corners' more; the area ratio is
// (12.4 · 8.4) / (12 · 8). A model without a solid has no edge samples and finds nothing.
TEST(model_accuracy, RidgeHighAndOutlineWideByHand) {
  building_generator::BuildingOptions options;
  options.shape = building_generator::RoofShape::gable;
  options.points_per_m2 = 2.0;
  const building_generator::Building truth = building_generator::generate_building(options);
  const double true_ridge = 36.4 + 5.5 + 4.0 * std::tan(35.0 * 3.14159265358979323846 / 180.0);

  roofplanes::ModelGrid grid;
  grid.translate = {350000.0, 5800000.0, 36.0};
  roofplanes::BuildingModel model;
  model.lod22 = gable_shell(std::round((true_ridge + 0.3 - 36.0) * 1000.0), false);
  roofplanes::OutlinePolygon outline;
  for (auto [u, v] : {std::pair{-0.2, -0.2}, {12.2, -0.2}, {12.2, 8.2}, {-0.2, 8.2}})
    outline.outer.push_back({350000.0 + u, 5800000.0 + v, 0.0});
  model.outline = {outline};
  model.rmse = 0.05;

  const ModelAccuracy a = model_accuracy(truth, model, grid);
  EXPECT_TRUE(a.solid);
  ASSERT_FALSE(a.edge_errors.empty());
  for (double e : a.edge_errors) EXPECT_NEAR(e, 0.3, 1e-3);
  EXPECT_NEAR(a.true_edge_length, 12.0, 1e-6);
  EXPECT_NEAR(a.true_edge_found, 12.0, 1e-6);
  EXPECT_NEAR(a.shared_edge_length, 12.0, 1e-9);
  EXPECT_NEAR(percentile(a.eave_errors, 0.5), 0.2, 1e-6);
  for (double e : a.eave_errors) EXPECT_GE(e, 0.2 - 1e-6);
  EXPECT_GT(percentile(a.eave_errors, 1.0), 0.2);
  EXPECT_NEAR(a.outline_area / a.footprint_area, 12.4 * 8.4 / 96.0, 1e-9);
  EXPECT_EQ(a.rmse, 0.05);

  model.problem = "the shell is not closed";
  const ModelAccuracy none = model_accuracy(truth, model, grid);
  EXPECT_FALSE(none.solid);
  EXPECT_TRUE(none.edge_errors.empty());
  EXPECT_EQ(none.true_edge_found, 0.0);
  EXPECT_NEAR(none.true_edge_length, 12.0, 1e-6);
}

// The summary pools every sample of a type's buildings (the median of the buildings' medians
// would say 0.25 here), counts solids, and interpolates percentiles linearly.
TEST(format_model_summary, PoolsTheSamplesOfAType) {
  EXPECT_DOUBLE_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 0.5), 2.5);
  EXPECT_DOUBLE_EQ(percentile({4.0, 1.0, 3.0, 2.0}, 0.95), 3.85);
  EXPECT_TRUE(std::isnan(percentile({}, 0.5)));
  ModelScore a, b;
  a.name = "gable-usual";
  b.name = "gable-sparse";
  a.type = b.type = "gable";
  a.accuracy.solid = true;
  a.accuracy.edge_errors = {0.1};
  b.accuracy.edge_errors = {0.2, 0.4, 0.5};
  const std::string text = format_model_summary({a, b});
  EXPECT_NE(text.find("| gable | 2 | 1 | 0.300 |"), std::string::npos) << text;
  EXPECT_NE(text.find("| all | 2 | 1 | 0.300 |"), std::string::npos) << text;
}

}  // namespace
