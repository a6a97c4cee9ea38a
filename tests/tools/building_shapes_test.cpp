#include "building_generator.h"

#include <algorithm>
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
};

const ShapeCase kNewShapes[] = {
    {RoofShape::t_gable, 4, 0.0, -6.0, 14.0, 8.0},      {RoofShape::plus_gable, 6, 0.0, -6.0, 14.0, 13.0},
    {RoofShape::gable_dormers, 7, 0.0, 0.0, 16.0, 11.0}, {RoofShape::hip_dormers, 7, 0.0, 0.0, 16.0, 11.0},
    {RoofShape::mansard, 8, 0.0, 0.0, 15.0, 11.0},       {RoofShape::two_storeys, 5, 0.0, 0.0, 18.0, 9.0},
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
    for (std::size_t f = 0; f < c.faces; ++f) EXPECT_GE(points_of_face[f], 30) << "face " << f;
    EXPECT_GT(walls, 20);
    EXPECT_GT(trees, 20);
  }
}

}  // namespace
