#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "model_accuracy.h"

namespace {

using namespace building_generator;

constexpr double kPi = 3.14159265358979323846;
constexpr double kGround = 36.40;  // the generator's ground level under the house

BuildingOptions rotated(RoofShape shape, double degrees) {
  BuildingOptions options;
  options.shape = shape;
  options.seed = 3;
  options.points_per_m2 = 4.0;
  options.rotation_deg = degrees;
  options.origin_x = 4512345.0;
  options.origin_y = 5654321.0;
  return options;
}

// A point of the file's x, y in the building's own frame (u along the main ridge, v across).
std::array<double, 2> to_frame(const BuildingOptions& o, double x, double y) {
  const double r = o.rotation_deg * kPi / 180.0;
  const double dx = x - o.origin_x, dy = y - o.origin_y;
  return {std::cos(r) * dx + std::sin(r) * dy, -std::sin(r) * dx + std::cos(r) * dy};
}

// The footprint's one ring in the building frame, starting at its corner of least (u, v).
std::vector<std::array<double, 2>> frame_ring(const BuildingOptions& o, const Building& b) {
  EXPECT_EQ(b.footprint.size(), 1u);
  std::vector<std::array<double, 2>> ring;
  for (const auto& corner : b.footprint.front()) ring.push_back(to_frame(o, corner[0], corner[1]));
  const auto first = std::min_element(ring.begin(), ring.end(), [](const auto& a, const auto& c) {
    return std::round(a[0] * 1e6) != std::round(c[0] * 1e6) ? a[0] < c[0] : a[1] < c[1];
  });
  std::rotate(ring.begin(), first, ring.end());
  return ring;
}

void expect_ring(const std::vector<std::array<double, 2>>& ring, const std::vector<std::array<double, 2>>& hand) {
  ASSERT_EQ(ring.size(), hand.size());
  for (std::size_t k = 0; k < hand.size(); ++k) {
    EXPECT_NEAR(ring[k][0], hand[k][0], 1e-6) << "corner " << k;
    EXPECT_NEAR(ring[k][1], hand[k][1], 1e-6) << "corner " << k;
  }
}

// The footprint of a gable is its 12 x 8 m rectangle and that of the L-shaped cross gable its six
// corners, counterclockwise, in the rotated national-grid frame the records are in; the lean-to
// adds two annexes (twelve corners). Every shape's footprint encloses the roof area the
// generator scans (summed from its cells, not from a boundary).
TEST(generate_building, TrueFootprintOfGableLShapeAndEveryShape) {
  {
    const BuildingOptions o = rotated(RoofShape::gable, 30.0);
    expect_ring(frame_ring(o, generate_building(o)), {{0, 0}, {12, 0}, {12, 8}, {0, 8}});
  }
  {
    const BuildingOptions o = rotated(RoofShape::cross_gable, 15.0);
    expect_ring(frame_ring(o, generate_building(o)), {{0, -6}, {6, -6}, {6, 0}, {12, 0}, {12, 8}, {0, 8}});
  }
  {
    const BuildingOptions o = rotated(RoofShape::lean_to, 0.0);
    expect_ring(frame_ring(o, generate_building(o)), {{0, 0},
                                                      {2, 0},
                                                      {2, -3},
                                                      {10, -3},
                                                      {10, 0},
                                                      {12, 0},
                                                      {12, 3},
                                                      {13.8, 3},
                                                      {13.8, 5},
                                                      {12, 5},
                                                      {12, 8},
                                                      {0, 8}});
  }
  for (RoofShape shape : all_shapes()) {
    SCOPED_TRACE(shape_name(shape));
    BuildingOptions o = rotated(shape, 40.0);
    o.size_scale = 1.5;
    const Building b = generate_building(o);
    EXPECT_NEAR(roof_suite::rings_area(b.footprint), roof_area(shape) * 1.5 * 1.5, 1e-6);
  }
}

struct HandEdge {
  double u0, v0, u1, v1;
  double z0, z1;  // above the ground level
  bool valley;
};

// Each hand edge is one true edge of the building (in either direction), and there are no others.
void expect_edges(const BuildingOptions& o, const Building& b, const std::vector<HandEdge>& hand) {
  ASSERT_EQ(b.edges.size(), hand.size());
  for (const HandEdge& h : hand) {
    const auto same = [&](const TrueEdge& e) {
      const auto s = to_frame(o, e.start[0], e.start[1]), t = to_frame(o, e.end[0], e.end[1]);
      const auto near = [](double a, double c) { return std::abs(a - c) < 1e-4; };
      const bool forward = near(s[0], h.u0) && near(s[1], h.v0) && near(t[0], h.u1) && near(t[1], h.v1) &&
                           near(e.start[2], kGround + h.z0) && near(e.end[2], kGround + h.z1);
      const bool backward = near(t[0], h.u0) && near(t[1], h.v0) && near(s[0], h.u1) && near(s[1], h.v1) &&
                            near(e.end[2], kGround + h.z0) && near(e.start[2], kGround + h.z1);
      return (forward || backward) && e.valley == h.valley;
    };
    EXPECT_EQ(std::count_if(b.edges.begin(), b.edges.end(), same), 1)
        << "edge (" << h.u0 << ", " << h.v0 << ") to (" << h.u1 << ", " << h.v1 << ")";
  }
}

// The lines where true faces meet, against hand geometry: a gable's ridge; a hip's ridge and four
// hips down to the corners; the cross gable's two ridges and the two valleys where the wing's
// faces run into the main roof, its ridge ending where they meet; a flat roof with a box on it
// has steps only, so none.
TEST(generate_building, TrueEdgesOfGableHipCrossGableAndFlat) {
  const double t35 = std::tan(35.0 * kPi / 180.0), t38 = std::tan(38.0 * kPi / 180.0);
  {
    const BuildingOptions o = rotated(RoofShape::gable, 30.0);
    expect_edges(o, generate_building(o), {{0, 4, 12, 4, 5.5 + 4 * t35, 5.5 + 4 * t35, false}});
  }
  {
    const BuildingOptions o = rotated(RoofShape::hip, 10.0);
    const double top = 5.5 + 4 * t35;
    expect_edges(o, generate_building(o), {{4, 4, 8, 4, top, top, false},
                                           {0, 0, 4, 4, 5.5, top, false},
                                           {0, 8, 4, 4, 5.5, top, false},
                                           {12, 0, 8, 4, 5.5, top, false},
                                           {12, 8, 8, 4, 5.5, top, false}});
  }
  {
    const BuildingOptions o = rotated(RoofShape::cross_gable, 15.0);
    expect_edges(o, generate_building(o), {{0, 4, 12, 4, 5.5 + 4 * t38, 5.5 + 4 * t38, false},
                                           {3, -6, 3, 3, 5.5 + 3 * t38, 5.5 + 3 * t38, false},
                                           {0, 0, 3, 3, 5.5, 5.5 + 3 * t38, true},
                                           {6, 0, 3, 3, 5.5, 5.5 + 3 * t38, true}});
  }
  {
    const BuildingOptions o = rotated(RoofShape::flat_with_box, 20.0);
    EXPECT_TRUE(generate_building(o).edges.empty());
  }
}

}  // namespace
