#include "building_generator.h"

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "points/point_cloud.h"
#include "support/triangulations.h"

namespace {

using namespace building_generator;

const RoofShape kShapes[] = {RoofShape::gable,         RoofShape::hip,
                             RoofShape::pyramid,       RoofShape::cross_gable,
                             RoofShape::flat_with_box, RoofShape::shed_with_annex,
                             RoofShape::sample_house};

std::string point_text(const Building& building) {
  std::ostringstream out;
  write_point_file(building, out);
  return out.str();
}

std::string roof_text(const Building& building) {
  std::ostringstream out;
  write_roof_list(building, out);
  return out.str();
}

std::string plane_text(const Building& building) {
  std::ostringstream out;
  write_planes(building, out);
  return out.str();
}

// First and last record of every distinct (x, y) position.
void first_and_last_records(const Building& building, std::vector<std::size_t>& first,
                            std::vector<std::size_t>& last) {
  first.assign(building.plane_of_position.size(), building.records.size());
  last.assign(building.plane_of_position.size(), 0);
  for (std::size_t i = 0; i < building.records.size(); ++i) {
    const std::size_t p = static_cast<std::size_t>(building.position_of_record[i]);
    if (first[p] == building.records.size()) first[p] = i;
    last[p] = i;
  }
}

double plane_distance(const TruePlane& plane, const std::array<double, 3>& record) {
  return std::fabs(record[2] - (plane.a * record[0] + plane.b * record[1] + plane.c));
}

// The building as a reader that skips repeated (x, y) sees it: vertex k is the first record of
// position k and carries the record number of the last record there.
void expect_reader_agrees(const Building& building) {
  std::istringstream in(point_text(building));
  std::vector<roofplanes::Point> records;
  for (double x, y, z; in >> x >> y >> z;) records.push_back({x, y, z});
  const roofplanes::PointTriangulation triangulation =
      std::move(roofplanes::triangulate_points(records).triangulation);
  ASSERT_EQ(triangulation.number_of_vertices(), building.plane_of_position.size());
  std::vector<std::size_t> first, last;
  first_and_last_records(building, first, last);
  const roofplanes::VertexList vertices = roofplanes::testing::vertices_of(triangulation);
  for (std::size_t k = 0; k < vertices.size(); ++k) {
    const auto& record = building.records[first[k]];
    ASSERT_EQ(vertices[k]->point().x(), record[0]) << "vertex " << k;
    ASSERT_EQ(vertices[k]->point().y(), record[1]) << "vertex " << k;
    ASSERT_EQ(vertices[k]->point().z(), record[2]) << "vertex " << k;
    ASSERT_EQ(vertices[k]->info().index(), static_cast<int>(last[k])) << "vertex " << k;
  }
}

TEST(generate_building, SameSeedSameFilesOtherSeedOtherFiles) {
  BuildingOptions options;
  options.shape = RoofShape::sample_house;
  options.seed = 7;
  options.repeated_records = 3;
  options.rotation_deg = 18.0;
  const Building a = generate_building(options);
  const Building b = generate_building(options);
  EXPECT_EQ(point_text(a), point_text(b));
  EXPECT_EQ(roof_text(a), roof_text(b));
  EXPECT_EQ(plane_text(a), plane_text(b));

  options.seed = 8;
  const Building c = generate_building(options);
  EXPECT_NE(point_text(a), point_text(c));
  EXPECT_NE(roof_text(a), roof_text(c));
  EXPECT_EQ(plane_text(a), plane_text(c));  // the seed moves the points, not the house
}

TEST(generate_building, RoofPositionsLieOnTheirTruePlanes) {
  for (RoofShape shape : kShapes) {
    for (double noise : {0.0, 0.03}) {
      SCOPED_TRACE(shape_name(shape) + " noise " + std::to_string(noise));
      BuildingOptions options;
      options.shape = shape;
      options.seed = 3;
      options.height_noise = noise;
      options.rotation_deg = 25.0;
      options.repeated_records = 4;
      const Building building = generate_building(options);
      const std::size_t positions = building.plane_of_position.size();
      ASSERT_GT(building.roof_positions.size(), 100u);
      ASSERT_LT(building.roof_positions.size(), positions);  // surroundings are not roof

      std::vector<std::size_t> first, last;
      first_and_last_records(building, first, last);
      std::vector<int> points_of_plane(building.planes.size(), 0);
      std::size_t roof_count = 0;
      for (std::size_t k = 0; k < building.roof_positions.size(); ++k) {
        const int p = building.roof_positions[k];
        ASSERT_GE(p, 0);
        ASSERT_LT(static_cast<std::size_t>(p), positions);
        if (k > 0) {
          ASSERT_LT(building.roof_positions[k - 1], p);  // ascending, so unique
        }
        const int plane = building.plane_of_position[static_cast<std::size_t>(p)];
        ASSERT_GE(plane, 0);
        ASSERT_LT(static_cast<std::size_t>(plane), building.planes.size());
        ++points_of_plane[static_cast<std::size_t>(plane)];
        // Millimetre rounding of z only, or well within the noise.
        const double tolerance = noise == 0.0 ? 0.0005 + 1e-6 : 6.0 * noise;
        EXPECT_LE(plane_distance(building.planes[static_cast<std::size_t>(plane)],
                                 building.records[first[static_cast<std::size_t>(p)]]),
                  tolerance)
            << "position " << p;
      }
      for (int plane : building.plane_of_position) roof_count += plane >= 0 ? 1 : 0;
      EXPECT_EQ(roof_count, building.roof_positions.size());
      // Every face of the shape is seen by the scan.
      for (std::size_t f = 0; f < points_of_plane.size(); ++f)
        EXPECT_GE(points_of_plane[f], 15) << "plane " << f;
    }
  }
}

TEST(generate_building, RepeatedRecordsAddNoPosition) {
  BuildingOptions options;
  options.shape = RoofShape::sample_house;
  options.seed = 11;
  options.repeated_records = 5;
  const Building building = generate_building(options);
  ASSERT_EQ(building.records.size(), building.records_mm.size());
  ASSERT_EQ(building.records.size(), building.position_of_record.size());
  EXPECT_EQ(building.plane_of_position.size(), building.records.size() - 5);

  std::vector<std::size_t> first, last;
  first_and_last_records(building, first, last);
  int repeats = 0;
  for (std::size_t i = 0; i < building.records.size(); ++i) {
    const std::size_t origin = first[static_cast<std::size_t>(building.position_of_record[i])];
    if (origin == i) continue;
    ++repeats;
    EXPECT_LT(origin, i);
    EXPECT_EQ(building.records_mm[i][0], building.records_mm[origin][0]);
    EXPECT_EQ(building.records_mm[i][1], building.records_mm[origin][1]);
    EXPECT_NE(building.records_mm[i][2], building.records_mm[origin][2]);
  }
  EXPECT_EQ(repeats, 5);
  expect_reader_agrees(building);

  // Without repeats the same seed scans the same points.
  options.repeated_records = 0;
  const Building plain = generate_building(options);
  EXPECT_EQ(plain.plane_of_position, building.plane_of_position);
}

TEST(generate_building, PointsOnOneMillimetreShareAPosition) {
  // Half-millimetre spacing on a 6 x 4 cm roof: many records round to the same (x, y).
  BuildingOptions options;
  options.shape = RoofShape::gable;
  options.size_scale = 0.005;
  options.points_per_m2 = 4e6;
  options.height_noise = 0.0;
  options.surroundings = false;
  const Building building = generate_building(options);
  ASSERT_GT(building.records.size(), 5000u);
  EXPECT_LT(building.plane_of_position.size(), building.records.size() / 2);
  EXPECT_EQ(building.roof_positions.size(), building.plane_of_position.size());
  expect_reader_agrees(building);
}

TEST(generate_building, ProjectedCoordinatesAndScanDensity) {
  BuildingOptions options;
  options.shape = RoofShape::gable;  // 12 x 8 m
  options.points_per_m2 = 6.0;
  const Building building = generate_building(options);
  double x_min = 1e300, x_max = -1e300, y_min = 1e300, y_max = -1e300;
  for (const auto& r : building.records) {
    x_min = std::min(x_min, r[0]);
    x_max = std::max(x_max, r[0]);
    y_min = std::min(y_min, r[1]);
    y_max = std::max(y_max, r[1]);
    EXPECT_EQ(r[0], static_cast<double>(std::llround(r[0] * 1000.0)) / 1000.0);
  }
  EXPECT_GT(x_min, 349990.0);
  EXPECT_LT(x_max, 350020.0);
  EXPECT_GT(y_min, 5799990.0);
  EXPECT_LT(y_max, 5800020.0);
  EXPECT_NEAR(static_cast<double>(building.roof_positions.size()), 6.0 * 96.0, 0.05 * 6.0 * 96.0);
  EXPECT_NEAR(static_cast<double>(building.plane_of_position.size()),
              6.0 * (x_max - x_min) * (y_max - y_min), 0.05 * 6.0 * (x_max - x_min) * (y_max - y_min));
}

TEST(options_for_roof_points, ReachesAboutTheWantedCount) {
  for (RoofShape shape : kShapes) {
    SCOPED_TRACE(shape_name(shape));
    const Building building = generate_building(options_for_roof_points(shape, 20000, 5));
    EXPECT_NEAR(static_cast<double>(building.roof_positions.size()), 20000.0, 1000.0);
  }
  // Small counts keep a quarter-size house and thin out the scan instead.
  const BuildingOptions small = options_for_roof_points(RoofShape::sample_house, 60, 5);
  EXPECT_EQ(small.size_scale, 0.25);
  EXPECT_LT(small.points_per_m2, 8.0);
  EXPECT_NEAR(static_cast<double>(generate_building(small).roof_positions.size()), 60.0, 15.0);
  EXPECT_DOUBLE_EQ(roof_area(RoofShape::sample_house), 14.0 * 9.0 + 6.0 * 5.0);
}

TEST(write_point_file, ExactMillimetreText) {
  EXPECT_EQ(millimetres_to_text(350012345), "350012.345");
  EXPECT_EQ(millimetres_to_text(5800000007), "5800000.007");
  EXPECT_EQ(millimetres_to_text(0), "0.000");
  EXPECT_EQ(millimetres_to_text(-5), "-0.005");
  EXPECT_EQ(millimetres_to_text(-12340), "-12.340");

  Building building;
  building.records_mm = {{350012345, 5800000007, 41250}, {-5, 0, 1000}};
  building.roof_positions = {0, 4};
  building.planes = {{0.5, -0.25, 3.0}};
  EXPECT_EQ(point_text(building), "350012.345 5800000.007 41.250\n-0.005 0.000 1.000\n");
  EXPECT_EQ(roof_text(building), "0\n4\n");
  EXPECT_EQ(plane_text(building), "0.5 -0.25 3\n");
}

TEST(shape_from_name, NamesRoundTrip) {
  for (RoofShape shape : kShapes) {
    RoofShape parsed = RoofShape::gable;
    EXPECT_TRUE(shape_from_name(shape_name(shape), parsed));
    EXPECT_EQ(parsed, shape);
  }
  RoofShape unchanged = RoofShape::hip;
  EXPECT_FALSE(shape_from_name("dome", unchanged));
  EXPECT_EQ(unchanged, RoofShape::hip);
}

}  // namespace
