#include "building_generator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace building_generator;

// The newer shapes, their number of faces and their outline's box in the building frame
// (metres at size_scale 1; u along the main ridge, v across it).
struct ShapeCase {
  RoofShape shape;
  std::size_t faces;
  double u0, v0, u1, v1;
  std::size_t tiny_faces = 0;  // the last faces are this many chimney tops, too small to be scored
};

const ShapeCase kNewShapes[] = {
    {RoofShape::t_gable, 4, 0.0, -6.0, 14.0, 8.0},      {RoofShape::plus_gable, 6, 0.0, -6.0, 14.0, 13.0},
    {RoofShape::gable_dormers, 7, 0.0, 0.0, 16.0, 11.0}, {RoofShape::hip_dormers, 7, 0.0, 0.0, 16.0, 11.0},
    {RoofShape::mansard, 8, 0.0, 0.0, 15.0, 11.0},       {RoofShape::two_storeys, 5, 0.0, 0.0, 18.0, 9.0},
    {RoofShape::lean_to, 4, 0.0, -3.0, 13.8, 8.0},       {RoofShape::shed_dormers, 4, 0.0, 0.0, 14.0, 10.0},
    {RoofShape::chimneys, 6, 0.0, 0.0, 14.0, 10.0, 2},   {RoofShape::stepped, 4, 0.0, 0.0, 16.0, 9.0},
};

// Horizontal distance from (u, v) to the box of c, 0 inside.
double box_distance(const ShapeCase& c, double u, double v) {
  return std::hypot(u - std::clamp(u, c.u0, c.u1), v - std::clamp(v, c.v0, c.v1));
}

// Rotated and in Gauss-Krüger coordinates: every roof record lies within five noise sigmas of
// its face's true plane and inside the shape's outline; every face is well covered; walls
// (high records just outside the outline) and trees (high records away from it) surround it.
TEST(generate_building, NewShapesFacesPlanesAndSurroundings) {
  constexpr double kPi = 3.14159265358979323846;
  for (const ShapeCase& c : kNewShapes) {
    SCOPED_TRACE(shape_name(c.shape));
    BuildingOptions options;
    options.shape = c.shape;
    options.seed = 5;
    options.points_per_m2 = 8.0;
    options.height_noise = 0.05;
    options.rotation_deg = 30.0;
    options.origin_x = 4512345.0;
    options.origin_y = 5654321.0;
    const Building building = generate_building(options);
    ASSERT_EQ(building.planes.size(), c.faces);

    const double cos_r = std::cos(kPi / 6.0), sin_r = std::sin(kPi / 6.0);
    std::vector<int> points_of_face(c.faces, 0);
    int walls = 0, trees = 0;
    for (std::size_t i = 0; i < building.records.size(); ++i) {
      const auto& r = building.records[i];
      const double x = r[0] - options.origin_x, y = r[1] - options.origin_y;
      const double u = cos_r * x + sin_r * y, v = -sin_r * x + cos_r * y;
      const int face = building.plane_of_position[static_cast<std::size_t>(building.position_of_record[i])];
      if (face < 0) {
        if (r[2] < 36.4 + 1.5) continue;  // ground
        const double away = box_distance(c, u, v);
        walls += away > 0.0 && away < 0.3 ? 1 : 0;
        trees += away > 1.5 ? 1 : 0;
        continue;
      }
      ASSERT_LT(static_cast<std::size_t>(face), c.faces);
      ++points_of_face[static_cast<std::size_t>(face)];
      const TruePlane& plane = building.planes[static_cast<std::size_t>(face)];
      EXPECT_NEAR(r[2], plane.a * r[0] + plane.b * r[1] + plane.c, 5.0 * options.height_noise) << "record " << i;
      EXPECT_LT(box_distance(c, u, v), 1e-6) << "record " << i << " at u " << u << " v " << v;
    }
    for (std::size_t f = 0; f < c.faces - c.tiny_faces; ++f) EXPECT_GE(points_of_face[f], 20) << "face " << f;
    for (std::size_t f = c.faces - c.tiny_faces; f < c.faces; ++f) {
      EXPECT_GT(points_of_face[f], 0) << "face " << f;
      EXPECT_LT(points_of_face[f], 20) << "face " << f;  // never scored
    }
    EXPECT_GT(walls, 20);
    EXPECT_GT(trees, 20);
  }
}

// Residual of a record against its true face; NaN off the roof.
double residual(const Building& building, std::size_t i) {
  const int face = building.plane_of_position[static_cast<std::size_t>(building.position_of_record[i])];
  if (face < 0) return std::nan("");
  const TruePlane& p = building.planes[static_cast<std::size_t>(face)];
  const auto& r = building.records[i];
  return r[2] - (p.a * r[0] + p.b * r[1] + p.c);
}

double median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

BuildingOptions plain_gable(std::uint64_t seed) {
  BuildingOptions options;
  options.shape = RoofShape::gable;
  options.seed = seed;
  options.points_per_m2 = 10.0;
  options.height_noise = 0.005;
  options.rotation_deg = 20.0;
  return options;
}

// Each effect of a real scan shows in the records as a measurement of it would show it, with the
// true faces still right: the second strip lies strip_offset higher; the texture spreads the
// faces' points by its standard deviation, and neighbours share it; scan lines put the points
// closer along a line than across; a gap removes roof points and nothing else; an overhanging
// tree puts vegetation records above the roof.
TEST(generate_building, RealScanEffectsShowAsMeasured) {
  {
    BuildingOptions options = plain_gable(3);
    options.flight_strips = 2;
    options.strip_offset = 0.04;
    const Building building = generate_building(options);
    const Building one = generate_building(plain_gable(3));
    // The first strip comes first in the file: the one-strip scan at half the density.
    BuildingOptions half = plain_gable(3);
    half.points_per_m2 = 5.0;
    const Building first_strip = generate_building(half);
    const std::size_t first = first_strip.records.size();
    ASSERT_GT(building.records.size(), first + first / 2);
    ASSERT_TRUE(std::equal(first_strip.records_mm.begin(), first_strip.records_mm.end(), building.records_mm.begin()));
    double sum[2] = {0.0, 0.0};
    std::size_t count[2] = {0, 0};
    for (std::size_t i = 0; i < building.records.size(); ++i) {
      const double r = residual(building, i);
      if (std::isnan(r)) continue;
      const int strip = i < first ? 0 : 1;
      sum[strip] += r;
      ++count[strip];
    }
    ASSERT_GT(count[0], 200u);
    ASSERT_GT(count[1], 200u);
    EXPECT_NEAR(sum[0] / static_cast<double>(count[0]), 0.0, 0.003);
    EXPECT_NEAR(sum[1] / static_cast<double>(count[1]), 0.04, 0.003);
    EXPECT_NEAR(static_cast<double>(building.roof_positions.size()), static_cast<double>(one.roof_positions.size()),
                0.05 * static_cast<double>(one.roof_positions.size()));
  }
  {
    BuildingOptions options = plain_gable(4);
    options.roof_texture = 0.02;
    const Building building = generate_building(options);
    std::vector<std::size_t> roof;
    double squares = 0.0;
    for (std::size_t i = 0; i < building.records.size(); ++i) {
      const double r = residual(building, i);
      if (std::isnan(r)) continue;
      roof.push_back(i);
      squares += r * r;
      EXPECT_LT(std::fabs(r), 5.0 * (0.02 + 0.005));
    }
    EXPECT_NEAR(std::sqrt(squares / static_cast<double>(roof.size())), std::hypot(0.02, 0.005), 0.005);
    // Points within 25 cm of each other on one face share most of their residual.
    double product = 0.0, first_square = 0.0, second_square = 0.0;
    for (std::size_t a = 0; a < roof.size(); ++a)
      for (std::size_t b = a + 1; b < roof.size(); ++b) {
        const auto &p = building.records[roof[a]], &q = building.records[roof[b]];
        if (std::hypot(p[0] - q[0], p[1] - q[1]) > 0.25) continue;
        const double ra = residual(building, roof[a]), rb = residual(building, roof[b]);
        product += ra * rb;
        first_square += ra * ra;
        second_square += rb * rb;
      }
    EXPECT_GT(product / std::sqrt(first_square * second_square), 0.6);
  }
  {
    // The nearest neighbour of a roof point lies about one point step away along its line.
    const auto nearest_distance = [](double factor) {
      BuildingOptions options = plain_gable(5);
      options.line_spacing_factor = factor;
      const Building building = generate_building(options);
      std::vector<std::array<double, 3>> roof;
      for (std::size_t i = 0; i < building.records.size(); ++i)
        if (!std::isnan(residual(building, i))) roof.push_back(building.records[i]);
      std::vector<double> nearest;
      for (const auto& p : roof) {
        double best = 1e9;
        for (const auto& q : roof)
          if (&p != &q) best = std::min(best, std::hypot(p[0] - q[0], p[1] - q[1]));
        nearest.push_back(best);
      }
      return median(nearest) * std::sqrt(options.points_per_m2);
    };
    EXPECT_GT(nearest_distance(1.1), 0.75);
    EXPECT_LT(nearest_distance(1.75), 0.62);
  }
  {
    BuildingOptions options = plain_gable(6);
    options.occlusion_gaps = 2;
    const Building gaps = generate_building(options);
    const Building plain = generate_building(plain_gable(6));
    // The same scan with some roof records left out.
    std::size_t k = 0, removed = 0;
    for (std::size_t i = 0; i < plain.records.size(); ++i) {
      if (k < gaps.records.size() && gaps.records_mm[k] == plain.records_mm[i]) {
        ++k;
        continue;
      }
      ++removed;
      EXPECT_FALSE(std::isnan(residual(plain, i))) << "record " << i << " is no roof record";
    }
    EXPECT_EQ(k, gaps.records.size());
    EXPECT_GT(removed, 0u);
    EXPECT_LT(static_cast<double>(removed), 2.0 * 3.15 * 0.45 * 0.45 * 10.0 * 1.5);
  }
  {
    BuildingOptions options = plain_gable(7);
    options.overhanging_trees = 1;
    options.rotation_deg = 0.0;
    options.origin_x = 0.0;
    options.origin_y = 0.0;
    const Building building = generate_building(options);
    // Records above the roof inside the outline (12 x 8 m at the origin): vegetation, no roof.
    const TruePlane& south = building.planes[0];
    const TruePlane& north = building.planes[1];
    std::size_t above = 0;
    for (std::size_t i = 0; i < building.records.size(); ++i) {
      const auto& r = building.records[i];
      if (r[0] < 0.05 || r[0] > 11.95 || r[1] < 0.05 || r[1] > 7.95) continue;
      const double roof = std::min(south.a * r[0] + south.b * r[1] + south.c, north.a * r[0] + north.b * r[1] + north.c);
      if (r[2] < roof + 0.5) continue;
      ++above;
      EXPECT_TRUE(std::isnan(residual(building, i))) << "record " << i;
    }
    EXPECT_GT(above, 10u);
  }
}

}  // namespace
