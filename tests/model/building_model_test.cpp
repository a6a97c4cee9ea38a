// The LoD2.2 solids of generated and real buildings: closed, valid and true
// to the faces they come from.

#include "model/building_model.h"
#include "model/roof_triangulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "building_cases.h"
#include "io/cityjson_writer.h"
#include "io/las_reader.h"
#include "io/point_file.h"
#include "io/roof_list.h"
#include "model/shell_measures.h"
#include "model/shell_validity.h"
#include "roofplanes.h"
#include "support/generated_input.h"
#include "support/shell_checks.h"
#include "tiles/find_buildings.h"

namespace {

using namespace roofplanes;
using roofplanes::testing::unpaired_edges;
using roofplanes::testing::worst_roof_distance;
using roofplanes::testing::xy_area;

// The grid the commands build a building's model on: its CityJSON file's.
ModelGrid grid_of(const BuildingInput& input) { return model_grid(cityjson_transform(input.points)); }

// Everything the solid of one building must satisfy, checked without the
// model's own validity check where a second way exists.
void expect_valid_solid(const BuildingInput& input, const Result& result, const BuildingModel& model,
                        const ModelGrid& grid) {
  ASSERT_EQ(model.problem, "");
  ASSERT_FALSE(model.lod22.surfaces.empty());
  EXPECT_EQ(unpaired_edges(model.lod22), "");
  EXPECT_EQ(shell_problem(model.lod22, grid), "");
  EXPECT_LE(worst_roof_distance(model.lod22, result, grid), 0.001);
  // Roofs cover the ground exactly: no gap, no overlap.
  const double ground = xy_area(model.lod22, SurfaceKind::ground, grid);
  EXPECT_NEAR(xy_area(model.lod22, SurfaceKind::roof, grid), ground, 1e-6 * ground + 1e-4);
  EXPECT_GT(shell_volume(model.lod22, grid), 0.0);
  EXPECT_EQ(unpaired_edges(model.lod12), "");
  EXPECT_EQ(shell_problem(model.lod12, grid), "");
  (void)input;
}

TEST(building_model, SolidsOfGeneratedBuildingsAreValid) {
  std::vector<roof_suite::BuildingCase> cases;
  ASSERT_TRUE(roof_suite::named_cases("all", cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto building = building_generator::generate_building(c.options);
    const BuildingInput input = roofplanes::testing::input_of(building);
    const Result result = extract_roof_planes(input, auto_parameters(input));
    ModelOptions options;
    options.grid = grid_of(input);
    const BuildingModel model = building_model(input, result, options);
    expect_valid_solid(input, result, model, options.grid);
  }
}

// Largest height of a wall that does not stand on the ground: a wall between
// two roof faces.
double highest_inner_wall(const BuildingModel& model, const ModelGrid& grid) {
  const std::int64_t ground = std::llround((model.ground_height - grid.translate.z) / grid.scale.z);
  double highest = 0.0;
  for (const ShellSurface& s : model.lod22.surfaces) {
    if (s.kind != SurfaceKind::wall) continue;
    // Its height: the longest of its vertical edges.
    std::map<std::pair<std::int64_t, std::int64_t>, std::pair<std::int64_t, std::int64_t>> span;
    bool on_ground = false;
    for (std::size_t v : s.rings[0]) {
      const auto& p = model.lod22.vertices[v];
      auto [it, added] = span.try_emplace({p[0], p[1]}, p[2], p[2]);
      it->second.first = std::min(it->second.first, p[2]);
      it->second.second = std::max(it->second.second, p[2]);
      on_ground = on_ground || p[2] == ground;
    }
    if (on_ground) continue;
    for (const auto& [xy, z] : span) highest = std::max(highest, static_cast<double>(z.second - z.first) * grid.scale.z);
  }
  return highest;
}

// Faces that meet at a ridge, hip or valley share that edge (no wall stands
// between them); faces at a height step get the wall between them.
TEST(building_model, CrossingFacesShareEdgesAndStepsGetWalls) {
  using building_generator::RoofShape;
  for (RoofShape shape : {RoofShape::gable, RoofShape::hip, RoofShape::cross_gable, RoofShape::t_gable,
                          RoofShape::plus_gable, RoofShape::stepped}) {
    for (unsigned seed : {1u, 2u}) {
      SCOPED_TRACE(building_generator::shape_name(shape) + " seed " + std::to_string(seed));
      const auto building =
          building_generator::generate_building(building_generator::options_for_roof_points(shape, 4000, seed));
      const BuildingInput input = roofplanes::testing::input_of(building);
      const Result result = extract_roof_planes(input, auto_parameters(input));
      ModelOptions options;
      options.grid = grid_of(input);
      const BuildingModel model = building_model(input, result, options);
      ASSERT_EQ(model.problem, "");
      std::size_t roofs = 0;
      for (const ShellSurface& s : model.lod22.surfaces) roofs += s.kind == SurfaceKind::roof;
      EXPECT_EQ(roofs, building.planes.size());
      if (shape == RoofShape::stepped)
        EXPECT_NEAR(highest_inner_wall(model, options.grid), 0.8, 0.15);
      else
        EXPECT_LT(highest_inner_wall(model, options.grid), 0.02);
    }
  }
}

// Every building of the shipped real scans and the sample building, as the
// commands give them to the model: the tile's clusters with the ground class
// as ground points, the sample with its roof list.
TEST(building_model, SolidsOfShippedBuildingsAreValid) {
  const std::string real = ROOFPLANES_SOURCE_DIR "/../shared/real/";
  std::vector<std::string> files{ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las"};
  for (const char* crop : {"test_data_77050_627755_LA93_IGN69.las", "test_data_77055_627760_LA93_IGN69.las"})
    if (std::filesystem::exists(real + crop)) files.push_back(real + crop);
  std::size_t solids = 0;
  for (const std::string& file : files) {
    const LasCloud las = read_las(file);
    std::vector<Point> points;
    std::vector<std::uint8_t> roof, ground;
    for (const LasPoint& p : las.points) {
      points.push_back({p.x, p.y, p.z});
      roof.push_back(p.classification == 6 ? 1 : 0);
      ground.push_back(p.classification == 2 ? 1 : 0);
    }
    for (const FoundBuilding& found : find_buildings(points, roof)) {
      SCOPED_TRACE(file + " " + found.id);
      const BuildingInput input = building_input(points, found);
      const Result result = extract_roof_planes(input, auto_parameters(input));
      if (result.segments.empty()) continue;  // a facade strip: no face, nothing to model
      ModelOptions options;
      options.grid = grid_of(input);
      for (std::size_t i : found.input) options.ground.push_back(ground[i]);
      const BuildingModel model = building_model(input, result, options);
      EXPECT_EQ(model.ground_source, GroundSource::ground_points);
      expect_valid_solid(input, result, model, options.grid);
      ++solids;
    }
  }
  {
    SCOPED_TRACE("sample building");
    const PointFile file = read_point_file(ROOFPLANES_SOURCE_DIR "/Testdaten_Tolvar/69/Building_69.txt");
    const RoofList list = read_roof_list(ROOFPLANES_SOURCE_DIR "/Testdaten_Tolvar/69/roof.txt");
    BuildingInput input{file.points, {}};
    std::vector<std::size_t> unknown;
    input.roof = roof_flags_from_positions(input.points, list.positions, unknown);
    const Result result = extract_roof_planes(input, auto_parameters(input));
    ModelOptions options;
    options.grid = grid_of(input);
    const BuildingModel model = building_model(input, result, options);
    expect_valid_solid(input, result, model, options.grid);
    ++solids;
  }
  EXPECT_GE(solids, 2u);
}

// A face whose cell the solid cannot take (its plane far below the ground
// there) no longer costs the building its solid: the solid is made without
// it, the smallest face, and says so; the other faces stay whole.
TEST(building_model, FaceTheSolidCannotTakeIsLeftOut) {
  using building_generator::RoofShape;
  const auto building =
      building_generator::generate_building(building_generator::options_for_roof_points(RoofShape::hip, 4000, 1));
  const BuildingInput input = roofplanes::testing::input_of(building);
  Result result = extract_roof_planes(input, auto_parameters(input));
  ASSERT_GE(result.segments.size(), 2u);
  ModelOptions options;
  options.grid = grid_of(input);
  const BuildingModel whole = building_model(input, result, options);
  ASSERT_EQ(whole.problem, "");
  ASSERT_TRUE(whole.left_out_faces.empty());

  // The points of the first face within 3 m of its western end become a
  // face of their own, level and 5 m under the ground.
  Segment& first = result.segments.front();
  double west = 1e300;
  for (std::size_t i : first.points) west = std::min(west, input.points[i].x);
  Segment sunk = first;
  sunk.number = static_cast<int>(result.segments.size()) + 1;
  sunk.points.clear();
  std::vector<std::size_t> kept;
  for (std::size_t i : first.points) (input.points[i].x < west + 3.0 ? sunk.points : kept).push_back(i);
  ASSERT_GE(sunk.points.size(), 20u);
  ASSERT_LT(sunk.points.size(), kept.size());
  first.points = kept;
  sunk.normal = {0.0, 0.0, 1.0};
  sunk.d = -(whole.ground_height - 5.0);
  for (std::size_t i : sunk.points) result.labels[i] = sunk.number;
  result.segments.push_back(sunk);

  const BuildingModel model = building_model(input, result, options);
  EXPECT_EQ(model.left_out_faces, std::vector<int>{sunk.number});
  expect_valid_solid(input, result, model, options.grid);
  std::size_t roofs = 0;
  for (const ShellSurface& s : model.lod22.surfaces) roofs += s.kind == SurfaceKind::roof ? 1 : 0;
  EXPECT_EQ(roofs, result.segments.size() - 1);
}

// Faces of real scans often do not touch: along a step the points thin out,
// and the few there belong to no face. Each face still gets its roof. A
// stepped roof and a gable, the points within 2 spacings of another face
// taken away (a bare gap), or those within 1.75 spacings but one in three,
// kept as free points: no two faces' points are then within the 3 spacings
// of a contact, and the outline stays whole.
TEST(building_model, FacesApartAcrossAThinnedBandStillGetTheirRoofs) {
  using building_generator::RoofShape;
  for (RoofShape shape : {RoofShape::stepped, RoofShape::gable}) {
    SCOPED_TRACE(building_generator::shape_name(shape));
    const auto building =
        building_generator::generate_building(building_generator::options_for_roof_points(shape, 4000, 1));
    const BuildingInput whole = roofplanes::testing::input_of(building);
    const Result found = extract_roof_planes(whole, auto_parameters(whole));
    ASSERT_EQ(found.segments.size(), building.planes.size());
    // The spacing as the model measures it, and each labelled roof point's
    // distance in plan to the nearest point of another face.
    RoofSample sample;
    std::vector<std::size_t> labelled;
    for (std::size_t i = 0; i < whole.points.size(); ++i) {
      if (!whole.roof[i]) continue;
      sample.points.push_back(whole.points[i]);
      sample.labels.push_back(found.labels[i]);
      if (found.labels[i] > 0) labelled.push_back(i);
    }
    const double spacing = triangulate_roof(sample).spacing;
    ASSERT_GT(spacing, 0.0);
    std::vector<double> apart(whole.points.size(), 1e300);
    for (std::size_t i : labelled)
      for (std::size_t j : labelled)
        if (found.labels[i] != found.labels[j])
          apart[i] = std::min(apart[i], std::hypot(whole.points[i].x - whole.points[j].x,
                                                   whole.points[i].y - whole.points[j].y));
    for (const bool free_points : {true, false}) {
      SCOPED_TRACE(free_points ? "one in three kept as free points" : "a bare gap");
      BuildingInput input;
      Result result = found;
      result.labels.clear();
      std::size_t band = 0;
      for (std::size_t i = 0; i < whole.points.size(); ++i) {
        int label = found.labels[i];
        if (whole.roof[i] && label > 0 && apart[i] < (free_points ? 1.75 : 2.0) * spacing) {
          if (!free_points || band++ % 3 != 0) continue;
          label = 0;
        }
        input.points.push_back(whole.points[i]);
        input.roof.push_back(whole.roof[i]);
        result.labels.push_back(label);
      }
      ASSERT_EQ(band > 10, free_points);
      ModelOptions options;
      options.grid = grid_of(input);
      const BuildingModel model = building_model(input, result, options);
      ASSERT_EQ(model.problem, "");
      std::size_t roofs = 0;
      for (const ShellSurface& surface : model.lod22.surfaces) roofs += surface.kind == SurfaceKind::roof ? 1 : 0;
      EXPECT_EQ(roofs, building.planes.size());
      EXPECT_TRUE(model.left_out_faces.empty());
    }
  }
}

}  // namespace
