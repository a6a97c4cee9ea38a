#include "io/cityjson_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <nlohmann/json.hpp>
#include <sstream>

#include "building_generator.h"
#include "pipeline/extract_roof_planes.h"

#include "support/cityjson_rings.h"
#include "support/cityjson_validation.h"
#include "support/generated_input.h"

namespace roofplanes {
namespace {

using Grid = std::array<std::int64_t, 3>;
using testing::decoded_rings;
const double x0 = 350000.125, y0 = 5800000.25, root_half = std::sqrt(0.5);

Segment face(int number, Point normal, double d, double rms, std::vector<std::size_t> points,
             std::vector<std::size_t> corners) {
  Segment segment;
  segment.number = number;
  segment.normal = normal;
  segment.d = d;
  segment.rms = rms;
  segment.points = std::move(points);
  segment.corners = std::move(corners);
  return segment;
}

// A 10 m × 8 m gable in projected coordinates, ridge along y at x0 + 5, eaves
// at z 40, both faces at 45°. Records 0…98 are a 1 m grid (index 11 j + i at
// x0 + i, y0 + j), 99 is a ground point giving the minimum corner (x0 − 2,
// y0 − 1, 38.5), 100 sits 0.2 mm from record 0. Segments: 1 the west face
// (corners given clockwise), 2 the east face (counterclockwise), 3 a sliver
// whose corners 0 and 100 fall on one millimetre, 4 a flat triangle whose
// normal has negative zero horizontal parts.
void make_gable(BuildingInput& input, Result& result, double shift_x = 0.0) {
  for (int j = 0; j <= 8; ++j)
    for (int i = 0; i <= 10; ++i) input.points.push_back({x0 + shift_x + i, y0 + j, 45.0 - std::abs(i - 5.0)});
  input.points[88].z += 0.4;  // a corner off its plane: the writer must lift it back
  input.points.push_back({x0 + shift_x - 2, y0 - 1, 38.5});
  input.points.push_back({x0 + shift_x + 0.0002, y0, 40.0});
  input.roof.assign(input.points.size(), 1);
  input.roof[99] = 0;
  const double x = x0 + shift_x;
  Segment west = face(1, {-root_half, 0, root_half}, (x - 40) * root_half, 0.03, {}, {0, 88, 93, 5});
  Segment east = face(2, {root_half, 0, root_half}, -(x + 50) * root_half, 0.05, {}, {5, 10, 98, 93});
  for (int j = 0; j <= 8; ++j)
    for (int i = 0; i <= 10; ++i) (i <= 5 ? west : east).points.push_back(11 * j + i);
  const Segment sliver = face(3, {0, 0, 1}, -40, 0, {0, 100, 11}, {0, 100, 11});
  const Segment flat = face(4, {-0.0, -0.0, 1}, -40, 0, {12, 14, 36}, {12, 14, 36});
  result.segments = {west, east, sliver, flat};
  result.labels.assign(input.points.size(), 0);
}

// Each ring rotated to start at its smallest vertex, so that rings compare
// regardless of where they start.
std::vector<Grid> ring_of(const CityJsonBuilding& b, const CityJsonRoofSurface& s) {
  std::vector<Grid> ring;
  for (std::size_t v : s.ring) ring.push_back(b.vertices.at(v));
  std::rotate(ring.begin(), std::min_element(ring.begin(), ring.end()), ring.end());
  return ring;
}

TEST(cityjson_building, GableFacesLiftedCounterclockwiseWithTheirAttributes) {
  BuildingInput input;
  Result result;
  make_gable(input, result);
  const CityJsonTransform transform = cityjson_transform(input.points);
  EXPECT_EQ(transform.translate.x, x0 - 2);
  EXPECT_EQ(transform.translate.y, y0 - 1);
  EXPECT_EQ(transform.translate.z, 38.5);

  const CityJsonBuilding b = cityjson_building("b7", input, result, transform);
  EXPECT_EQ(b.id, "b7");
  EXPECT_EQ(b.points, 101u);
  EXPECT_EQ(b.roof_points, 100u);
  EXPECT_EQ(b.segments, 4u);
  EXPECT_EQ(b.left_out, 1u);  // the sliver
  ASSERT_EQ(b.surfaces.size(), 3u);
  EXPECT_EQ(b.vertices.size(), 9u);  // the two ridge ends serve both faces
  // Millimetres from the minimum corner; record 88 lies 0.4 m above its plane.
  EXPECT_EQ(ring_of(b, b.surfaces[0]),
            (std::vector<Grid>{{2000, 1000, 1500}, {7000, 1000, 6500}, {7000, 9000, 6500}, {2000, 9000, 1500}}));
  EXPECT_EQ(ring_of(b, b.surfaces[1]),
            (std::vector<Grid>{{7000, 1000, 6500}, {12000, 1000, 1500}, {12000, 9000, 1500}, {7000, 9000, 6500}}));
  EXPECT_EQ(ring_of(b, b.surfaces[2]), (std::vector<Grid>{{3000, 2000, 1500}, {5000, 2000, 1500}, {5000, 4000, 1500}}));

  const struct {
    int segment;
    std::size_t points;
    double slope, aspect, area, rmse;
  } expected[] = {{1, 54, 45, 270, 40 * std::sqrt(2.0), 0.03},
                  {2, 45, 45, 90, 40 * std::sqrt(2.0), 0.05},
                  {4, 3, 0, 0, 2, 0}};
  for (int i = 0; i < 3; ++i) {
    const CityJsonRoofSurface& s = b.surfaces[i];
    EXPECT_EQ(s.segment, expected[i].segment);
    EXPECT_EQ(s.points, expected[i].points);
    EXPECT_NEAR(s.slope, expected[i].slope, 1e-9) << s.segment;
    EXPECT_NEAR(s.aspect, expected[i].aspect, 1e-9) << s.segment;
    EXPECT_NEAR(s.area, expected[i].area, 1e-6) << s.segment;
    EXPECT_EQ(s.rmse, expected[i].rmse);
    const Segment& seg = result.segments[expected[i].segment - 1];
    EXPECT_EQ(s.plane, (std::array<double, 4>{seg.normal.x, seg.normal.y, seg.normal.z, seg.d}));
  }
}

TEST(write_building_cityjson, SchemaValidAndVerticesBackToTheMillimetre) {
  BuildingInput input;
  Result result;
  make_gable(input, result);
  std::ostringstream out;
  EXPECT_EQ(write_building_cityjson(out, input, result, {.epsg = 25832, .extent = std::nullopt}), 1u);
  const auto document = nlohmann::json::parse(out.str());
  EXPECT_EQ(document["metadata"]["referenceSystem"], "https://www.opengis.net/def/crs/EPSG/0/25832");
  const auto& object = document["CityObjects"]["b1"];
  EXPECT_EQ(object["attributes"], nlohmann::json::parse(R"({"points":101,"roof_points":100,"segments":4})"));
  const auto& geometry = object["geometry"][0];
  EXPECT_EQ(geometry["lod"], "2");
  EXPECT_EQ(geometry["semantics"]["values"], nlohmann::json::parse("[0,1,2]"));
  EXPECT_EQ(geometry["semantics"]["surfaces"][1]["type"], "RoofSurface");
  EXPECT_NEAR(geometry["semantics"]["surfaces"][1]["aspect"].get<double>(), 90.0, 1e-9);

  // West face: corners of records 5, 93, 88, 0 on the plane z = 40 + (x − x0), counterclockwise.
  const auto rings = decoded_rings(object, document["vertices"], document["transform"]);
  ASSERT_EQ(rings.size(), 3u);
  const std::vector<Point> west{{x0 + 5, y0, 45}, {x0 + 5, y0 + 8, 45}, {x0, y0 + 8, 40}, {x0, y0, 40}};
  const auto start = std::find_if(rings[0].begin(), rings[0].end(), [](const Point& p) { return p.z > 44; });
  ASSERT_EQ(rings[0].size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    const Point& got = rings[0][(start - rings[0].begin() + i) % 4];
    EXPECT_NEAR(got.x, west[i].x, 5e-4);
    EXPECT_NEAR(got.y, west[i].y, 5e-4);
    EXPECT_NEAR(got.z, west[i].z, 5e-4);
  }
  EXPECT_EQ(testing::cityjson_schema_errors({out.str()}), "");
}

TEST(write_cityjson, ManyBuildingsAndTheTextSequenceHoldTheSameFaces) {
  BuildingInput gable, neighbour;
  Result gable_result, neighbour_result;
  make_gable(gable, gable_result);
  make_gable(neighbour, neighbour_result, 30.0);
  std::vector<Point> all = gable.points;
  all.insert(all.end(), neighbour.points.begin(), neighbour.points.end());
  const CityJsonTransform transform = cityjson_transform(all);
  const std::vector<CityJsonBuilding> buildings{cityjson_building("b1", gable, gable_result, transform),
                                                cityjson_building("b2", neighbour, neighbour_result, transform)};
  std::ostringstream document_text, sequence_text;
  write_cityjson(document_text, buildings, transform);
  write_cityjson_sequence(sequence_text, buildings, transform);
  std::ostringstream ignored;
  EXPECT_THROW(write_cityjson(ignored, {buildings[0], buildings[0]}, transform), std::invalid_argument);

  const auto document = nlohmann::json::parse(document_text.str());
  EXPECT_FALSE(document["metadata"].contains("referenceSystem"));  // none asked for
  // The extent: the smallest and largest decoded coordinate of every vertex.
  std::vector<double> extent(6);
  for (int k = 0; k < 3; ++k) {
    extent[k] = std::numeric_limits<double>::infinity();
    extent[k + 3] = -extent[k];
  }
  for (const auto& v : document["vertices"])
    for (int k = 0; k < 3; ++k) {
      const double value = v[k].get<double>() * document["transform"]["scale"][k].get<double>() +
                           document["transform"]["translate"][k].get<double>();
      extent[k] = std::min(extent[k], value);
      extent[k + 3] = std::max(extent[k + 3], value);
    }
  ASSERT_EQ(document["metadata"]["geographicalExtent"].size(), 6u);
  for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(document["metadata"]["geographicalExtent"][k].get<double>(), extent[k]);
  EXPECT_GT(extent[3] - extent[0], 30.0);  // both buildings
  std::vector<std::string> lines, to_validate{document_text.str()};
  std::istringstream sequence(sequence_text.str());
  for (std::string line; std::getline(sequence, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  const auto header = nlohmann::json::parse(lines[0]);
  EXPECT_EQ(header["metadata"], document["metadata"]);
  EXPECT_EQ(header["type"], "CityJSON");
  EXPECT_EQ(header["transform"], document["transform"]);
  to_validate.push_back(lines[0]);
  for (int b = 0; b < 2; ++b) {
    const auto feature = nlohmann::json::parse(lines[b + 1]);
    const std::string id = "b" + std::to_string(b + 1);
    EXPECT_EQ(feature["type"], "CityJSONFeature");
    EXPECT_EQ(feature["id"], id);
    // Local vertices on the shared grid decode to what the whole document says.
    const auto rings = decoded_rings(feature["CityObjects"][id], feature["vertices"], header["transform"]);
    const auto in_document = decoded_rings(document["CityObjects"][id], document["vertices"], document["transform"]);
    ASSERT_EQ(rings.size(), in_document.size());
    for (std::size_t r = 0; r < rings.size(); ++r)
      for (std::size_t v = 0; v < rings[r].size(); ++v) {
        EXPECT_EQ(rings[r][v].x, in_document[r][v].x);
        EXPECT_EQ(rings[r][v].y, in_document[r][v].y);
        EXPECT_EQ(rings[r][v].z, in_document[r][v].z);
      }
    const double west_x = std::min_element(rings[0].begin(), rings[0].end(), [](auto& p, auto& q) { return p.x < q.x; })->x;
    EXPECT_NEAR(west_x, x0 + 30.0 * b, 5e-4);
    // A feature with the header's members around it is a document of its own.
    nlohmann::json alone = header;
    alone["CityObjects"] = feature["CityObjects"];
    alone["vertices"] = feature["vertices"];
    to_validate.push_back(alone.dump());
  }
  EXPECT_EQ(testing::cityjson_schema_errors(to_validate), "");

  // The validator must reject what the schema forbids, or the checks above prove nothing.
  nlohmann::json broken = document;
  broken["CityObjects"]["b1"]["geometry"][0]["lod"] = 2;
  EXPECT_NE(testing::cityjson_schema_errors({broken.dump()}), "");
}

// Clean generated roofs five times their usual size (a 60 m × 40 m gable and
// hip, 8 points per m², height noise σ = 3 cm, no surroundings), extracted
// with a finer plane search than the seed constants, which split or merge the
// hip's faces at this noise, and corners kept within 0.3 m of the outline.
// Normals: least squares over N points spread with standard deviation s along
// a direction fits the gradient along it to σ / (s √N). The weakest face, a
// hip end (a triangle 40 m wide and 20 m deep: N ≈ 3,200, s = 20 m / √18),
// gives 1.1e-4 rad; four times that, 0.026°, bounds the normal and the slope,
// and that over sin(slope) the aspect, a direction in the horizontal.
// Areas: the corners are outermost points, about half a point spacing (0.18 m)
// inside the true edges, and faces lose a narrow band along the hips to their
// neighbours: within 10 %.
TEST(write_building_cityjson, EachTrueFaceOfCleanRoofsIsOneRoofSurface) {
  namespace gen = building_generator;
  const Parameters parameters{
      .angle_resolution = 2, .distance_resolution = 0.5, .blunder_sigma = 0.2, .simplify_tolerance = 0.3};
  const double scale = 5, tolerance = 4 * 0.03 / (20 / std::sqrt(18.0) * std::sqrt(3200.0));
  const double degrees = 180 / std::numbers::pi;
  // The horizontal area of each face at the usual size, in the generator's order of planes.
  const std::pair<gen::RoofShape, std::vector<double>> roofs[] = {{gen::RoofShape::gable, {48, 48}},
                                                                   {gen::RoofShape::hip, {32, 32, 16, 16}}};
  for (const auto& [shape, horizontal_area] : roofs) {
    SCOPED_TRACE(gen::shape_name(shape));
    const gen::Building building = gen::generate_building(
        {.shape = shape, .points_per_m2 = 8, .height_noise = 0.03, .size_scale = scale, .surroundings = false});
    ASSERT_EQ(building.planes.size(), horizontal_area.size());
    const BuildingInput input = testing::input_of(building);
    std::ostringstream out;
    EXPECT_EQ(write_building_cityjson(out, input, extract_roof_planes(input, parameters)), 0u);
    const auto surfaces = nlohmann::json::parse(out.str())["CityObjects"]["b1"]["geometry"][0]["semantics"]["surfaces"];
    for (std::size_t f = 0; f < building.planes.size(); ++f) {
      const auto [a, b, c] = building.planes[f];
      const double slope = std::atan(std::hypot(a, b)), aspect = std::atan2(-a, -b) * degrees;
      const double area = horizontal_area[f] * scale * scale / std::cos(slope);
      std::size_t found = 0;
      for (const auto& surface : surfaces) {
        const auto n = surface["plane"].get<std::array<double, 4>>();
        if (std::acos(std::min(1.0, (n[2] - a * n[0] - b * n[1]) / std::hypot(a, b, 1.0))) > tolerance) continue;
        ++found;
        EXPECT_EQ(surface["type"], "RoofSurface");
        EXPECT_NEAR(surface["slope"].get<double>(), slope * degrees, tolerance * degrees) << "face " << f;
        EXPECT_NEAR(std::remainder(surface["aspect"].get<double>() - aspect, 360.0), 0.0,
                    tolerance / std::sin(slope) * degrees) << "face " << f;
        EXPECT_NEAR(surface["area"].get<double>(), area, 0.1 * area) << "face " << f;
      }
      EXPECT_EQ(found, 1u) << "face " << f;
    }
  }
}

}  // namespace
}  // namespace roofplanes
