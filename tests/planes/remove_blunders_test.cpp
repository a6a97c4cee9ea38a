#include "planes/remove_blunders.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "planes/plane_residual.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using roofplanes::testing::triangulation_of;
using roofplanes::testing::vertices_of;

// Five points, labels fresh from reading: (index, 0, 0, 0, −1).
PointTriangulation five_points() {
  return triangulation_of({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}});
}

void expect_untouched(Vertex_handle v) {
  EXPECT_FALSE(v->info().is_roof());
  EXPECT_FALSE(v->info().on_plane());
  EXPECT_EQ(v->info().border_mark(), 0);
  EXPECT_EQ(v->info().cluster_id(), -1);
}

TEST(PlaneResidual, DistanceFromPlane) {
  // The vertical plane x = 1.
  EXPECT_EQ(plane_residual(Point3(3, 5, 9), {0, 0, 1}), 2.0);
  EXPECT_EQ(plane_residual(Point3(-1, 5, 9), {0, 0, 1}), 2.0);

  // The horizontal plane z = 2 (tilt π/2; cos tilt is not exactly 0).
  const double up = std::asin(1.0);
  EXPECT_NEAR(plane_residual(Point3(4, -7, 5), {0, up, 2}), 3.0, 1e-12);
  EXPECT_NEAR(plane_residual(Point3(4, -7, -1), {0, up, 2}), 3.0, 1e-12);

  // The plane through the origin with normal (1, 1, 0) / √2.
  const double diagonal = std::atan(1.0);
  EXPECT_NEAR(plane_residual(Point3(1, 1, 7), {diagonal, 0, 0}), std::sqrt(2.0), 1e-12);

  PointTriangulation triangulation = triangulation_of({{0, 0, 0}, {3, 0, 1}, {0, 4, 2}});
  const std::vector<double> residuals = plane_residuals(vertices_of(triangulation), {0, 0, 1});
  EXPECT_EQ(residuals, (std::vector<double>{1, 2, 1}));
  EXPECT_TRUE(plane_residuals(VertexList{}, {0, 0, 1}).empty());
}

TEST(RemoveBlunders, KeepsResidualsWithinThreshold) {
  PointTriangulation triangulation = five_points();
  const VertexList all = vertices_of(triangulation);
  VertexList vertices = all;
  // The pipeline's factors; a residual equal to their product stays.
  const double k = 0.658, sigma = 1.2;
  const double threshold = k * sigma;
  std::vector<double> residuals{0.1, threshold, 5.0, 6.0, std::nextafter(threshold, 1.0)};
  remove_blunders(vertices, residuals, k, sigma);

  EXPECT_EQ(vertices, (VertexList{all[0], all[1]}));
  EXPECT_EQ(residuals, (std::vector<double>{0.1, threshold}));
  EXPECT_TRUE(all[0]->info().on_plane());
  EXPECT_TRUE(all[1]->info().on_plane());
  // Erased points are only taken out of the list.
  for (int i = 2; i < 5; ++i) expect_untouched(all[i]);
}

TEST(RemoveBlunders, NeighbouringBlundersAndOrder) {
  PointTriangulation triangulation = five_points();
  const VertexList all = vertices_of(triangulation);
  VertexList vertices = all;
  std::vector<double> residuals{3.0, 0.2, 4.0, 5.0, 0.3};
  remove_blunders(vertices, residuals, 1.0, 1.0);
  EXPECT_EQ(vertices, (VertexList{all[1], all[4]}));
  EXPECT_EQ(residuals, (std::vector<double>{0.2, 0.3}));
  expect_untouched(all[0]);
  expect_untouched(all[2]);
  expect_untouched(all[3]);
  EXPECT_TRUE(all[4]->info().on_plane());
}

TEST(RemoveBlunders, AllErasedAndNaN) {
  PointTriangulation triangulation = five_points();
  const VertexList all = vertices_of(triangulation);
  VertexList vertices = all;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> residuals{nan, 2.0, nan, std::numeric_limits<double>::infinity(), 1.5};
  remove_blunders(vertices, residuals, 0.658, 1.2);
  EXPECT_TRUE(vertices.empty());
  EXPECT_TRUE(residuals.empty());
  for (Vertex_handle v : all) expect_untouched(v);

  // A failed fit's NaN residual is dropped next to a good one.
  vertices = {all[0], all[1]};
  residuals = {nan, 0.0};
  remove_blunders(vertices, residuals, 0.658, 1.2);
  EXPECT_EQ(vertices, (VertexList{all[1]}));
  expect_untouched(all[0]);

  VertexList empty;
  std::vector<double> no_residuals;
  remove_blunders(empty, no_residuals, 0.658, 1.2);
  EXPECT_TRUE(empty.empty());
  EXPECT_TRUE(no_residuals.empty());
}

TEST(RemoveBlunders, ResidualCountMustMatch) {
  PointTriangulation triangulation = five_points();
  VertexList vertices = vertices_of(triangulation);
  std::vector<double> residuals{0.0};
  EXPECT_THROW(remove_blunders(vertices, residuals, 1.0, 1.0), std::invalid_argument);
  EXPECT_EQ(vertices.size(), 5u);  // nothing was touched
  for (const Vertex_handle& v : vertices) EXPECT_FALSE(v->info().on_plane());
}

}  // namespace
}  // namespace roofplanes
