// Footprints choosing a tile's buildings: on a grid of points with known
// classes, each footprint's input and roof points against what its shape says.

#include "tiles/footprint_buildings.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace roofplanes {
namespace {

std::vector<Point> square(double x0, double y0, double x1, double y1) {
  return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
}

TEST(footprint_buildings, HolesMultipolygonsMarginAndFootprintsWithoutRoof) {
  // Points every 0.5 m on [0, 40) x [0, 20), at x.25 and y.25 so none lies on an edge; roof points where x < 30.
  std::vector<Point> points;
  std::vector<std::uint8_t> roof;
  for (int j = 0; j < 40; ++j)
    for (int i = 0; i < 80; ++i) {
      points.push_back({0.25 + 0.5 * i, 0.25 + 0.5 * j, 10.0});
      roof.push_back(0.25 + 0.5 * i < 30.0);
    }
  points.push_back({NAN, 5.0, 10.0});  // in no building
  roof.push_back(1);

  // A courtyard: 10 x 10 m with a 4 x 4 m hole. Two sheds as one multipolygon.
  // One footprint on points without roof, one off the tile.
  const std::vector<Footprint> footprints = {
      {"court", {{square(2, 2, 12, 12), {square(5, 5, 9, 9)}}}},
      {"sheds", {{square(14, 2, 16, 4), {}}, {square(18, 2, 20, 4), {}}}},
      {"bare", {{square(32, 2, 36, 6), {}}}},
      {"away", {{square(100, 100, 110, 110), {}}}},
  };
  const double margin = 1.0;
  const FootprintBuildings result = footprint_buildings(points, roof, footprints, margin);
  ASSERT_EQ(result.buildings.size(), 2u);
  EXPECT_EQ(result.without_roof, std::vector<std::string>{"bare"});

  const auto within = [](double v, double lo, double hi) { return v >= lo && v <= hi; };
  // What each shape says about a point: inside it, and within the margin of it.
  const auto court_inside = [&](const Point& p) {
    return within(p.x, 2, 12) && within(p.y, 2, 12) && !(within(p.x, 5, 9) && within(p.y, 5, 9));
  };
  const auto court_near = [&](const Point& p) {
    const bool outer = within(p.x, 1, 13) && within(p.y, 1, 13);
    // Within 1 m of the hole's edge, or outside the hole.
    const bool deep_in_hole = within(p.x, 6, 8) && within(p.y, 6, 8);
    if (!outer || deep_in_hole) return false;
    // The outer box's rounded corners.
    const double dx = std::max({2.0 - p.x, p.x - 12.0, 0.0}), dy = std::max({2.0 - p.y, p.y - 12.0, 0.0});
    return std::hypot(dx, dy) <= 1.0;
  };
  const auto in_shed = [&](const Point& p, double grow) {
    for (double x0 : {14.0, 18.0}) {
      const double dx = std::max({x0 - p.x, p.x - (x0 + 2), 0.0}), dy = std::max({2.0 - p.y, p.y - 4.0, 0.0});
      if (std::hypot(dx, dy) <= grow) return true;
    }
    return false;
  };

  const FoundBuilding& court = result.buildings[0];
  const FoundBuilding& sheds = result.buildings[1];
  EXPECT_EQ(court.id, "court");
  EXPECT_EQ(sheds.id, "sheds");
  EXPECT_EQ(court.outline.size(), 1u);
  EXPECT_EQ(sheds.outline.size(), 2u);
  std::vector<std::size_t> court_input, court_roof, sheds_input, sheds_roof;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const Point& p = points[i];
    if (court_near(p)) court_input.push_back(i);
    if (court_inside(p) && roof[i]) court_roof.push_back(i);
    if (in_shed(p, margin)) sheds_input.push_back(i);
    if (in_shed(p, 0.0) && roof[i]) sheds_roof.push_back(i);
  }
  EXPECT_EQ(court.input, court_input);
  EXPECT_EQ(court.roof, court_roof);
  EXPECT_EQ(court_roof.size(), 100u * 4 - 64u);  // 10 x 10 m less the hole, four points per m²
  EXPECT_EQ(sheds.input, sheds_input);
  EXPECT_EQ(sheds.roof, sheds_roof);
  EXPECT_EQ(sheds_roof.size(), 2u * 16);
  EXPECT_DOUBLE_EQ(court.min_x, 1.0);
  EXPECT_DOUBLE_EQ(court.max_y, 13.0);
  EXPECT_THROW(footprint_buildings(points, roof, footprints, -1.0), std::invalid_argument);
}

}  // namespace
}  // namespace roofplanes
