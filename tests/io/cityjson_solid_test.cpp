// Building models through the CityJSON writer: hand-built shells (a box, a
// gable sharing its ridge, a courtyard house with holes) must come back out
// of the file as the same closed solids, with valid semantics.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "io/cityjson_writer.h"
#include "model/shell_measures.h"
#include "support/cityjson_validation.h"
#include "support/model_shells.h"

namespace roofplanes {
namespace {

using nlohmann::json;
using testing::GridVertex;

// An extraction matching a model: one input point at the grid's origin (so
// that the file's transform is the model's grid) and each roof polygon's
// corners, its segment's plane through them and its points those corners.
struct Extraction {
  BuildingInput input;
  Result result;
};

Extraction extraction_of(const BuildingModel& model, const ModelGrid& grid) {
  Extraction e;
  e.input.points.push_back(grid.translate);
  for (const ShellSurface& surface : model.lod22.surfaces) {
    if (surface.kind != SurfaceKind::roof) continue;
    Segment segment;
    segment.number = surface.segment;
    segment.rms = 0.01 * surface.segment;
    std::vector<Point> corners;
    for (std::size_t v : surface.rings.front()) {
      corners.push_back(grid_point(model.lod22.vertices[v], grid));
      segment.corners.push_back(e.input.points.size());
      segment.points.push_back(e.input.points.size());
      e.input.points.push_back(corners.back());
    }
    // The plane through three corners, its normal up and of unit length.
    const Point& a = corners[0];
    const Point& b = corners[1];
    const Point& c = corners[2];
    const Point u{b.x - a.x, b.y - a.y, b.z - a.z}, w{c.x - a.x, c.y - a.y, c.z - a.z};
    Point n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    n = {n.x / length, n.y / length, n.z / length};
    segment.normal = n;
    segment.d = -(n.x * a.x + n.y * a.y + n.z * a.z);
    e.result.segments.push_back(segment);
  }
  e.input.roof.assign(e.input.points.size(), 1);
  e.input.roof[0] = 0;
  e.result.labels.assign(e.input.points.size(), 0);
  return e;
}

// The city object of a model and the extraction of faces (those of the model's roofs unless given).
CityJsonBuilding written(const std::string& id, const BuildingModel& model, bool keep_faces = false,
                         const BuildingModel* faces = nullptr) {
  const ModelGrid grid = testing::model_test_grid();
  const Extraction e = extraction_of(faces ? *faces : model, grid);
  const CityJsonTransform transform = cityjson_transform(e.input.points);
  CityJsonBuilding building = cityjson_building(id, e.input, e.result, transform);
  add_cityjson_model(building, model, grid, e.result, transform, keep_faces);
  return building;
}

// A grid vertex of the document back in real coordinates.
Point decoded(const json& document, std::size_t v) {
  const json& g = document["vertices"].at(v);
  const json& t = document["transform"];
  return {g[0].get<double>() * t["scale"][0].get<double>() + t["translate"][0].get<double>(),
          g[1].get<double>() * t["scale"][1].get<double>() + t["translate"][1].get<double>(),
          g[2].get<double>() * t["scale"][2].get<double>() + t["translate"][2].get<double>()};
}

// Every directed edge of a solid's rings: a closed 2-manifold shell with
// consistent orientation has each once and its reverse once.
void expect_closed(const json& solid) {
  std::map<std::pair<std::size_t, std::size_t>, int> edges;
  for (const json& surface : solid["boundaries"][0])
    for (const json& ring : surface)
      for (std::size_t i = 0; i < ring.size(); ++i)
        ++edges[{ring[i].get<std::size_t>(), ring[(i + 1) % ring.size()].get<std::size_t>()}];
  for (const auto& [edge, count] : edges) {
    EXPECT_EQ(count, 1) << edge.first << "-" << edge.second;
    EXPECT_EQ(edges.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second << " has no twin";
  }
}

TEST(cityjson_solid, HandBuiltHousesComeBackAsTheirClosedSolids) {
  const ModelGrid grid = testing::model_test_grid();
  const std::vector<std::pair<std::string, BuildingModel>> models{
      {"box", testing::box_house()}, {"gable", testing::gable_house()}, {"courtyard", testing::courtyard_house()}};
  std::vector<CityJsonBuilding> buildings;
  for (const auto& [id, model] : models) buildings.push_back(written(id, model));
  const CityJsonTransform transform{grid.scale, grid.translate};
  std::ostringstream document_text, sequence_text;
  write_cityjson(document_text, buildings, transform);
  write_cityjson_sequence(sequence_text, buildings, transform);
  const json document = json::parse(document_text.str());

  // Each distinct vertex once in a building's vertices: surfaces that meet share it.
  for (std::size_t b = 0; b < buildings.size(); ++b) {
    const std::set<GridVertex> distinct(buildings[b].vertices.begin(), buildings[b].vertices.end());
    EXPECT_EQ(distinct.size(), buildings[b].vertices.size()) << buildings[b].id;
    std::set<GridVertex> in_model(models[b].second.lod22.vertices.begin(), models[b].second.lod22.vertices.end());
    in_model.insert(models[b].second.lod12.vertices.begin(), models[b].second.lod12.vertices.end());
    EXPECT_EQ(distinct, in_model) << buildings[b].id;  // no face corner left over beside the solids
  }

  for (const auto& [id, model] : models) {
    SCOPED_TRACE(id);
    const json& geometry = document["CityObjects"][id]["geometry"];
    ASSERT_EQ(geometry.size(), 2u);  // no faces beside a solid unless asked
    for (int g = 0; g < 2; ++g) {
      const json& solid = geometry[g];
      const Shell& shell = g == 0 ? model.lod22 : model.lod12;
      EXPECT_EQ(solid["type"], "Solid");
      EXPECT_EQ(solid["lod"], g == 0 ? "2.2" : "1.2");
      ASSERT_EQ(solid["boundaries"].size(), 1u);  // one outer shell
      const json& polygons = solid["boundaries"][0];
      ASSERT_EQ(polygons.size(), shell.surfaces.size());
      // Every semantics value names a surface, and the types are the shell's kinds.
      const json& surfaces = solid["semantics"]["surfaces"];
      const json& values = solid["semantics"]["values"];
      ASSERT_EQ(values.size(), 1u);
      ASSERT_EQ(values[0].size(), polygons.size());
      std::map<std::string, int> types;
      for (const json& s : surfaces) ++types[s["type"].get<std::string>()];
      EXPECT_EQ(types["WallSurface"], 1);  // one object for every wall
      EXPECT_EQ(types["GroundSurface"], 1);
      for (std::size_t p = 0; p < polygons.size(); ++p) {
        const std::size_t value = values[0][p].get<std::size_t>();
        ASSERT_LT(value, surfaces.size());
        const char* kind = shell.surfaces[p].kind == SurfaceKind::roof   ? "RoofSurface"
                           : shell.surfaces[p].kind == SurfaceKind::wall ? "WallSurface"
                                                                         : "GroundSurface";
        EXPECT_EQ(surfaces[value]["type"], kind);
        // Rings intact after the transform: the same corners in the same order.
        ASSERT_EQ(polygons[p].size(), shell.surfaces[p].rings.size());
        for (std::size_t r = 0; r < polygons[p].size(); ++r) {
          ASSERT_EQ(polygons[p][r].size(), shell.surfaces[p].rings[r].size());
          for (std::size_t i = 0; i < polygons[p][r].size(); ++i) {
            const Point got = decoded(document, polygons[p][r][i].get<std::size_t>());
            const Point want = grid_point(shell.vertices[shell.surfaces[p].rings[r][i]], grid);
            EXPECT_NEAR(got.x, want.x, 1e-6);
            EXPECT_NEAR(got.y, want.y, 1e-6);
            EXPECT_NEAR(got.z, want.z, 1e-6);
          }
        }
      }
      expect_closed(solid);
    }
  }

  // The gable's roofs: one semantic object each, with their faces' attributes.
  const json& gable = document["CityObjects"]["gable"]["geometry"][0]["semantics"]["surfaces"];
  std::map<int, json> roofs;
  for (const json& s : gable)
    if (s["type"] == "RoofSurface") roofs[s["segment"].get<int>()] = s;
  ASSERT_EQ(roofs.size(), 2u);
  const double slope = std::atan(0.8) * 180 / std::numbers::pi;
  for (const auto& [segment, s] : roofs) {
    EXPECT_NEAR(s["area"].get<double>(), 8 * std::sqrt(41.0), 1e-6);
    EXPECT_NEAR(s["slope"].get<double>(), slope, 1e-6);
    EXPECT_NEAR(s["aspect"].get<double>(), segment == 1 ? 270.0 : 90.0, 1e-6);
    EXPECT_EQ(s["points"], 4);
    EXPECT_NEAR(s["rmse"].get<double>(), 0.01 * segment, 1e-12);
    EXPECT_EQ(s["plane"].size(), 4u);
  }

  // The sequence holds the same, and everything validates.
  std::vector<std::string> to_validate{document_text.str()};
  std::istringstream lines(sequence_text.str());
  std::string header;
  std::getline(lines, header);
  to_validate.push_back(header);
  for (std::string line; std::getline(lines, line);) {
    const json feature = json::parse(line);
    const std::string id = feature["id"];
    json alone = json::parse(header);
    alone["CityObjects"] = feature["CityObjects"];
    alone["vertices"] = feature["vertices"];
    EXPECT_EQ(alone["CityObjects"][id]["geometry"][0]["semantics"],
              document["CityObjects"][id]["geometry"][0]["semantics"]);
    expect_closed(alone["CityObjects"][id]["geometry"][0]);
    to_validate.push_back(alone.dump());
  }
  EXPECT_EQ(to_validate.size(), 5u);
  EXPECT_EQ(testing::cityjson_schema_errors(to_validate), "");

  // The validator must see a solid's shape, or the check above proves nothing.
  json broken = document;
  broken["CityObjects"]["box"]["geometry"][0]["boundaries"] = broken["CityObjects"]["box"]["geometry"][0]["boundaries"][0];
  EXPECT_NE(testing::cityjson_schema_errors({broken.dump()}), "");
}

TEST(cityjson_solid, WithoutASolidTheFacesStayBesideTheBlock) {
  const ModelGrid grid = testing::model_test_grid();
  const CityJsonTransform transform{grid.scale, grid.translate};
  BuildingModel failed = testing::gable_house();
  failed.lod22 = {};
  failed.problem = "roof regions overlap";
  const BuildingModel gable = testing::gable_house();
  const CityJsonBuilding without = written("failed", failed, false, &gable);
  const CityJsonBuilding both = written("both", testing::gable_house(), true);
  std::ostringstream out;
  write_cityjson(out, {without, both}, transform);
  const json document = json::parse(out.str());

  const json& kept = document["CityObjects"]["failed"]["geometry"];
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0]["lod"], "1.2");
  EXPECT_EQ(kept[1]["type"], "MultiSurface");
  EXPECT_EQ(kept[1]["lod"], "2");
  EXPECT_EQ(kept[1]["boundaries"].size(), 2u);  // both roof faces

  // Asked for, the faces come after both solids and reuse the solid's vertices.
  const json& all = document["CityObjects"]["both"]["geometry"];
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0]["lod"], "2.2");
  EXPECT_EQ(all[1]["lod"], "1.2");
  EXPECT_EQ(all[2]["type"], "MultiSurface");
  // Ten corners of the gable and the block's four top corners, nothing more.
  EXPECT_EQ(both.vertices.size(), 14u);
  EXPECT_EQ(testing::cityjson_schema_errors({out.str()}), "");

  // A model on another grid would put its vertices in the wrong place.
  const Extraction e = extraction_of(testing::box_house(), grid);
  CityJsonBuilding building = cityjson_building("b", e.input, e.result, transform);
  ModelGrid other = grid;
  other.translate.z += 1.0;
  EXPECT_THROW(add_cityjson_model(building, testing::box_house(), other, e.result, transform), std::invalid_argument);
}

}  // namespace
}  // namespace roofplanes
