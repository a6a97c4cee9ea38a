#include "planes/fit_plane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/captured_report.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using roofplanes::testing::triangulation_of;
using roofplanes::testing::vertices_of;

const double kQuarterTurn = std::asin(1.0) / 2.0;  // π/4 as the fit computes it

// The fit of the given points in vertex order.
PlaneCoefficients fit_of(const std::vector<std::array<double, 3>>& points) {
  PointTriangulation triangulation = triangulation_of(points);
  testing::CapturedReport out;
  const PlaneCoefficients fit = fit_plane(vertices_of(triangulation), out.report);
  EXPECT_EQ(out.observer.warnings, "");
  return fit;
}

TEST(FitPlane, WorkedFitsAndTheirNormalForms) {
  // z = x: the normal leans towards −x with ny = −0, so the fourth pan case holds.
  const PlaneCoefficients rising = fit_of({{0, 0, 0}, {1, 0, 1}, {0, 1, 0}});
  EXPECT_EQ(rising, (PlaneCoefficients{1, 0, 0}));
  const PlaneParams rising_plane = plane_params_from_fit(rising);
  EXPECT_EQ(rising_plane[0], 3.1416);
  EXPECT_DOUBLE_EQ(rising_plane[1], kQuarterTurn);
  EXPECT_EQ(rising_plane[2], 0.0);

  // z = −x + 2: the first case, pan 0.
  const PlaneCoefficients falling = fit_of({{0, 0, 2}, {1, 0, 1}, {0, 1, 2}});
  EXPECT_EQ(falling, (PlaneCoefficients{-1, 0, 2}));
  const PlaneParams falling_plane = plane_params_from_fit(falling);
  EXPECT_EQ(falling_plane[0], 0.0);
  EXPECT_DOUBLE_EQ(falling_plane[1], kQuarterTurn);
  EXPECT_DOUBLE_EQ(falling_plane[2], std::sqrt(2.0));

  // z = y: nx = −0 and ny < 0 select the second case, 2 · 3.1416 − π/2, not 3π/2.
  const PlaneCoefficients sideways = fit_of({{0, 0, 0}, {0, 1, 1}, {1, 0, 0}});
  EXPECT_EQ(sideways, (PlaneCoefficients{0, 1, 0}));
  const PlaneParams sideways_plane = plane_params_from_fit(sideways);
  EXPECT_NEAR(sideways_plane[0], 4.712404, 5e-7);
  EXPECT_GT(std::fabs(sideways_plane[0] - 4.712389), 1e-5);
  EXPECT_DOUBLE_EQ(sideways_plane[1], kQuarterTurn);
  EXPECT_EQ(sideways_plane[2], 0.0);
}

TEST(FitPlane, LeastSquaresOverManyPoints) {
  // An exact plane on a grid is recovered.
  const auto points = roofplanes::testing::grid_points(5, 4, 1.5, [](double x, double y) {
    return 0.5 * x - 0.25 * y + 3.0;
  });
  const PlaneCoefficients exact = fit_of(points);
  EXPECT_NEAR(exact[0], 0.5, 1e-12);
  EXPECT_NEAR(exact[1], -0.25, 1e-12);
  EXPECT_NEAR(exact[2], 3.0, 1e-12);

  // Four corners of a unit square, z = 1 at one diagonal and 0 at the other:
  // the best plane is the horizontal z = 0.5.
  const PlaneCoefficients saddle = fit_of({{0, 0, 1}, {1, 0, 0}, {1, 1, 1}, {0, 1, 0}});
  EXPECT_NEAR(saddle[0], 0.0, 1e-15);
  EXPECT_NEAR(saddle[1], 0.0, 1e-15);
  EXPECT_NEAR(saddle[2], 0.5, 1e-15);
}

TEST(FitPlane, LeavesListAndLabelsAlone) {
  PointTriangulation triangulation = triangulation_of({{0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {1, 1, 2}});
  VertexList vertices = vertices_of(triangulation);
  vertices.pop_back();
  const VertexList before = vertices;
  testing::CapturedReport out;
  fit_plane(vertices, out.report);
  EXPECT_EQ(vertices, before);
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    EXPECT_FALSE(v->info().is_roof());
    EXPECT_FALSE(v->info().on_plane());
    EXPECT_EQ(v->info().border_mark(), 0);
    EXPECT_EQ(v->info().cluster_id(), -1);
  }
}

TEST(FitPlane, SingularNormalMatrixGivesNaNSilently) {
  const PlaneCoefficients on_a_line = fit_of({{0, 0, 0}, {0, 0, 1}, {1, 0, 0}});
  const PlaneCoefficients two_points = fit_of({{0, 0, 0}, {1, 1, 1}});
  const PlaneCoefficients one_point = fit_of({{2, 3, 4}});
  testing::CapturedReport out;
  const PlaneCoefficients nothing = fit_plane(VertexList{}, out.report);
  EXPECT_EQ(out.observer.warnings, "");
  for (const PlaneCoefficients& c : {on_a_line, two_points, one_point, nothing}) {
    ASSERT_EQ(c.size(), 3u);
    for (double value : c) EXPECT_TRUE(std::isnan(value));
  }
}

TEST(PlaneParamsFromFit, PanWhenNoCaseHolds) {
  // Horizontal: nx = ny = −0, tilt π/2, pan 0, s = c.
  const PlaneParams flat = plane_params_from_fit({0, 0, 2.5});
  EXPECT_EQ(flat[0], 0.0);
  EXPECT_DOUBLE_EQ(flat[1], 2.0 * kQuarterTurn);
  EXPECT_EQ(flat[2], 2.5);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const PlaneParams failed = plane_params_from_fit({nan, nan, nan});
  EXPECT_EQ(failed[0], 0.0);
  EXPECT_TRUE(std::isnan(failed[1]));
  EXPECT_TRUE(std::isnan(failed[2]));
}

TEST(PlaneParamsFromFit, ThirdCaseAndSeaLevelDistance) {
  // z = x − y: nx < 0, ny > 0, so pan = acos(nx / cos tilt) = 3π/4 with the full π.
  const PlaneParams plane = plane_params_from_fit({1, -1, 0});
  EXPECT_NEAR(plane[0], 3.0 * kQuarterTurn, 1e-12);
  EXPECT_NEAR(plane[1], std::asin(1.0 / std::sqrt(3.0)), 1e-15);
  EXPECT_NEAR(plane[2], 0.0, 1e-15);

  // s equals c / w in exact arithmetic: z = 0.2x + 0.3y + 4.
  const PlaneParams offset = plane_params_from_fit({0.2, 0.3, 4});
  EXPECT_NEAR(offset[2], 4.0 / std::sqrt(0.04 + 0.09 + 1.0), 1e-12);
  // Case 4 again, with both components negative.
  EXPECT_GT(offset[0], 3.1416);
  EXPECT_LT(offset[0], 3.1416 + 2.0 * kQuarterTurn);
}

}  // namespace
}  // namespace roofplanes
