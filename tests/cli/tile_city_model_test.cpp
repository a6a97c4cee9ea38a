// `roofplanes tile` as a city model: the reference system of real tiles,
// building ids and attributes, segment numbers alike in every output, what an
// empty tile says, footprints, and the command line around them.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "las_writer.h"
#include "support/cityjson_validation.h"
#include "support/generated_tile.h"
#include "support/las_records.h"
#include "support/ply_reader.h"
#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::read_text;
using testing::run_roofplanes;
using testing::ScratchDirectory;

const std::string sample_tile = ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las";
const std::string footprint_file = ROOFPLANES_SOURCE_DIR "/tests/data/real_footprints.geojson";
const std::string real_folder = ROOFPLANES_SOURCE_DIR "/../shared/real/";
const char* const real_crops[] = {"test_data_77050_627755_LA93_IGN69", "test_data_77055_627760_LA93_IGN69"};
const char* const lambert93 = "https://www.opengis.net/def/crs/EPSG/0/2154";

bool have_real_crops() {
  return std::all_of(std::begin(real_crops), std::end(real_crops),
                     [](const char* name) { return fs::exists(real_folder + name + ".las"); });
}

json read_json(const fs::path& file) { return json::parse(read_text(file)); }

// Every attribute a building carries, with its documented bounds; those of
// its faces when it has any. With a footprint, the footprint's area may exceed
// the faces' (roof_area).
void expect_building_attributes(const std::string& id, const json& a, bool footprint = false) {
  SCOPED_TRACE(id);
  for (const char* name :
       {"ground_height", "roof_height_min", "roof_height_50p", "roof_height_70p", "roof_height_max", "faces"})
    ASSERT_TRUE(a.contains(name) && a[name].is_number()) << name << " in " << a.dump();
  EXPECT_TRUE(a["ground_source"].is_string()) << a.dump();
  EXPECT_LT(a["ground_height"].get<double>(), a["roof_height_max"].get<double>());
  EXPECT_LE(a["roof_height_min"].get<double>(), a["roof_height_50p"].get<double>());
  EXPECT_LE(a["roof_height_50p"].get<double>(), a["roof_height_70p"].get<double>());
  EXPECT_LE(a["roof_height_70p"].get<double>(), a["roof_height_max"].get<double>());
  if (a["faces"] == 0) {
    EXPECT_EQ(a["roof_type"], "none");
    return;
  }
  for (const char* name : {"eave_height", "ridge_height", "footprint_area", "roof_area", "volume", "rmse", "point_density"})
    ASSERT_TRUE(a.contains(name) && a[name].is_number()) << name << " in " << a.dump();
  const std::set<std::string> types = {"flat", "shed", "gable", "hip", "pyramid", "mansard", "complex"};
  EXPECT_TRUE(types.count(a["roof_type"].get<std::string>())) << a["roof_type"];
  EXPECT_LE(a["eave_height"].get<double>(), a["ridge_height"].get<double>());
  EXPECT_GT(a["footprint_area"].get<double>(), 0.0);
  if (!footprint) {
    EXPECT_GE(a["roof_area"].get<double>(), a["footprint_area"].get<double>() * 0.999);
  }
  EXPECT_GT(a["volume"].get<double>(), 0.0);
  EXPECT_GE(a["rmse"].get<double>(), 0.0);
  EXPECT_GT(a["point_density"].get<double>(), 0.0);
}

// The shipped real tiles name Lambert-93, one in WKT and one in GeoTIFF keys:
// every CityJSON output says so without any option.
TEST(tile_city_model, RealTilesGiveTheirReferenceSystemIdsAndAttributes) {
  if (!have_real_crops()) GTEST_SKIP() << "the shared real crops are not here";
  ScratchDirectory scratch;
  for (const char* name : real_crops) {
    SCOPED_TRACE(name);
    const testing::ProgramResult run =
        run_roofplanes("tile '" + real_folder + name + ".las' -o " + name, scratch.path());
    ASSERT_EQ(run.status, (0)) << run.err;
    EXPECT_EQ(testing::without_model_lines(run.err), "");
    const json city = read_json(fs::path(name) / "tile.city.json");
    const std::string sequence = read_text(fs::path(name) / "tile.city.jsonl");
    const json header = json::parse(sequence.substr(0, sequence.find('\n')));
    EXPECT_EQ(city["metadata"]["referenceSystem"], lambert93);
    EXPECT_EQ(header["metadata"]["referenceSystem"], lambert93);
    EXPECT_EQ(testing::cityjson_schema_errors({city.dump(), header.dump()}), "");

    // The extent holds every vertex and lies on the 50 m crop.
    const json extent = city["metadata"]["geographicalExtent"];
    ASSERT_EQ(extent.size(), 6u);
    EXPECT_EQ(header["metadata"]["geographicalExtent"], extent);
    const json& scale = city["transform"]["scale"];
    const json& translate = city["transform"]["translate"];
    for (const json& v : city["vertices"])
      for (int k = 0; k < 3; ++k) {
        const double value = v[k].get<double>() * scale[k].get<double>() + translate[k].get<double>();
        EXPECT_GE(value, extent[k].get<double>() - 1e-6);
        EXPECT_LE(value, extent[k + 3].get<double>() + 1e-6);
      }
    // Outlines reach a quarter spacing beyond the outermost roof points, so a
    // building the crop cuts may stand a few centimetres over its edge.
    EXPECT_LE(extent[3].get<double>() - extent[0].get<double>(), 50.5);

    ASSERT_FALSE(city["CityObjects"].empty());
    for (const auto& [id, object] : city["CityObjects"].items()) {
      EXPECT_TRUE(std::regex_match(id, std::regex(std::string(name) + "-b[1-9][0-9]*"))) << id;
      expect_building_attributes(id, object["attributes"]);
    }
  }
}

TEST(tile_city_model, SegmentNumbersAlikeInEveryOutput) {
  ScratchDirectory scratch;
  const testing::ProgramResult run =
      run_roofplanes("tile '" + sample_tile + "' -o out --preset seed --lod2-faces", scratch.path());
  // Exit 1 only for buildings without a solid, each said.
  ASSERT_TRUE(run.status == 0 || (run.status == 1 && run.err.find(": no valid solid: ") != std::string::npos))
      << run.err;

  // CityJSON: building id -> its faces' segment numbers and point counts.
  std::map<int, std::string> building_of;
  std::map<int, double> points_of;
  const json city = read_json("out/tile.city.json");
  for (const auto& [id, object] : city["CityObjects"].items()) {
    if (!object.contains("geometry") || object["geometry"].back()["type"] != "MultiSurface") continue;  // no face to draw
    for (const json& surface : object["geometry"].back()["semantics"]["surfaces"]) {
      EXPECT_TRUE(building_of.emplace(surface["segment"].get<int>(), id).second) << "segment number used twice";
      points_of[surface["segment"].get<int>()] = surface["points"];
    }
  }
  EXPECT_EQ(building_of, (std::map<int, std::string>{{2, "sample_c-b2"}, {3, "sample_c-b2"}}));  // 1 has no surface

  // SVG: the polygons (or partition regions) and points carry the same numbers under the same ids.
  const std::string svg = read_text("out/tile.svg");
  const std::regex polygon("<(?:polygon|path) data-building=\"([^\"]*)\" data-segment=\"([0-9]+)\"");
  std::map<int, std::string> drawn;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), polygon); it != std::sregex_iterator(); ++it)
    drawn[std::stoi((*it)[2])] = (*it)[1];
  for (const auto& [segment, id] : building_of) EXPECT_EQ(drawn[segment], id) << segment;

  // PLY: each surface's point count under its number.
  const testing::PlyFile ply = testing::read_ply(read_text("out/points.ply"));
  std::map<int, double> counted;
  for (double s : ply.columns.at("segment"))
    if (s > 0) ++counted[static_cast<int>(s)];
  for (const auto& [segment, points] : points_of) EXPECT_EQ(counted[segment], points) << segment;
}

// Every house of a generated tile as a closed LoD2.2 solid beside its LoD1.2
// block: roofs, at least four walls, a ground; each house whose faces all
// meet at ridges and hips with one roof surface per face.
TEST(tile_city_model, SolidsOfGeneratedBuildings) {
  ScratchDirectory scratch;
  const testing::TilePoints tile = testing::tile_points(testing::small_tile_options());
  building_generator::LasFileOptions las;
  las.version_minor = 4;
  las.point_format = 6;
  las.offset[0] = 350000.0, las.offset[1] = 5800000.0;
  ASSERT_TRUE(building_generator::write_las(tile.tile.records, las, "town.las"));
  const testing::ProgramResult run = run_roofplanes("tile town.las -o out --preset auto", scratch.path());
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string text = read_text("out/tile.city.json");
  EXPECT_EQ(testing::cityjson_schema_errors({text}), "");
  const json city = json::parse(text);
  ASSERT_EQ(city["CityObjects"].size(), tile.tile.buildings.size());
  const json& t = city["transform"];
  const auto real = [&](std::size_t v, int k) {
    return city["vertices"][v][k].get<double>() * t["scale"][k].get<double>() + t["translate"][k].get<double>();
  };
  struct Counts {
    int roofs = 0, walls = 0, grounds = 0;
    double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
  };
  std::map<std::string, Counts> counts;
  for (const auto& [id, object] : city["CityObjects"].items()) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(object.contains("geometry"));
    ASSERT_EQ(object["geometry"].size(), 2u);
    EXPECT_EQ(object["geometry"][1]["lod"], "1.2");
    const json& solid = object["geometry"][0];
    ASSERT_EQ(solid["type"], "Solid");
    ASSERT_EQ(solid["lod"], "2.2");
    Counts& c = counts[id];
    const json& surfaces = solid["semantics"]["surfaces"];
    for (const json& value : solid["semantics"]["values"][0]) {
      const std::string type = surfaces.at(value.get<std::size_t>())["type"];
      c.roofs += type == "RoofSurface", c.walls += type == "WallSurface", c.grounds += type == "GroundSurface";
    }
    EXPECT_GE(c.roofs, 1);
    EXPECT_GE(c.walls, 4);
    EXPECT_GE(c.grounds, 1);
    // Closed and consistently turned: each edge once each way.
    std::map<std::pair<std::size_t, std::size_t>, int> edges;
    for (const json& polygon : solid["boundaries"][0])
      for (const json& ring : polygon)
        for (std::size_t i = 0; i < ring.size(); ++i) {
          const std::size_t a = ring[i], b = ring[(i + 1) % ring.size()];
          ++edges[{a, b}];
          c.min_x = std::min(c.min_x, real(a, 0)), c.max_x = std::max(c.max_x, real(a, 0));
          c.min_y = std::min(c.min_y, real(a, 1)), c.max_y = std::max(c.max_y, real(a, 1));
        }
    for (const auto& [edge, n] : edges) {
      EXPECT_EQ(n, 1);
      EXPECT_TRUE(edges.count({edge.second, edge.first})) << edge.first << "-" << edge.second;
    }
    EXPECT_GT(object["attributes"]["volume"].get<double>(), 0.0);
  }
  // Houses whose faces all meet at ridges and hips: one roof surface per face.
  using building_generator::RoofShape;
  int plain = 0;
  for (const auto& house : tile.tile.buildings) {
    if (house.shape != RoofShape::gable && house.shape != RoofShape::hip && house.shape != RoofShape::pyramid &&
        house.shape != RoofShape::cross_gable)
      continue;
    for (const auto& [id, c] : counts)
      if (c.min_x < house.centre_x && house.centre_x < c.max_x && c.min_y < house.centre_y && house.centre_y < c.max_y) {
        ++plain;
        EXPECT_EQ(c.roofs, static_cast<int>(house.planes.size())) << id;
        EXPECT_EQ(c.grounds, 1) << id;
      }
  }
  EXPECT_GT(plain, 0);
}

TEST(tile_city_model, EmptyTilesSayWhichClassesThereAre) {
  ScratchDirectory scratch;
  const std::string classes = "classes present: 2 (";
  // No point of the roof class: the user's mistake, refused with the classes the tile has.
  testing::ProgramResult run = run_roofplanes("tile '" + sample_tile + "' -o wrong --roof-class 9", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("no point of the roof class 9 (--roof-class); " + classes), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(", 6 (12525), "), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists("wrong"));

  // An unclassified tile: every record's class set to 1 (format 3: the low five bits of byte 15).
  std::string las = read_text(sample_tile);
  const std::size_t offset = testing::load_le(las, 96, 4), length = testing::load_le(las, 105, 2);
  const std::size_t count = testing::load_le(las, 107, 4);
  for (std::size_t i = 0; i < count; ++i) {
    char& flags = las[offset + i * length + 15];
    flags = static_cast<char>((flags & 0xE0) | 1);
  }
  testing::write_text("unclassified.las", las);
  run = run_roofplanes("tile unclassified.las -o unclassified", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("classes present: 1 (14408)\n"), std::string::npos) << run.err;

  // Roof points, but no cluster large enough: a fact of the tile, said, and the empty outputs written.
  run = run_roofplanes("tile '" + sample_tile + "' -o none --min-building-points 100000", scratch.path());
  EXPECT_EQ(run.status, (0));
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("no building: no cluster of roof class 6 points reaches --min-building-points 100000; " +
                         classes),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("buildings     0\n"), std::string::npos);
  EXPECT_TRUE(read_json("none/tile.city.json")["CityObjects"].empty());
}

TEST(tile_city_model, CommandLineOptionsAndErrors) {
  ScratchDirectory scratch;
  const std::string tile = "tile '" + sample_tile + "' ";
  // A misplaced value names the subcommand's help.
  testing::ProgramResult run = run_roofplanes(tile + "-o out EPSG:2154 --crs", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("(see roofplanes tile --help)"), std::string::npos) << run.err;
  run = run_roofplanes("extract points.txt --crs 2154 -o out", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("(see roofplanes extract --help)"), std::string::npos) << run.err;
  run = run_roofplanes("extract --help", scratch.path());
  EXPECT_NE(run.out.find("LAS file"), std::string::npos) << run.out;

  // --crs overrides, --format chooses, -v and --print-parameters report every building.
  run = run_roofplanes(tile + "-o out --crs EPSG:25832 --format cityjson -v --print-parameters --preset seed",
                       scratch.path());
  ASSERT_EQ(run.status, (0)) << run.err;
  EXPECT_NE(run.out.find("building sample_c-b2: points "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("building sample_c-b1\nangle_resolution 3\n"), std::string::npos) << run.out;
  const json city = read_json("out/tile.city.json");
  EXPECT_EQ(city["metadata"]["referenceSystem"], "https://www.opengis.net/def/crs/EPSG/0/25832");
  EXPECT_EQ(city["CityObjects"]["sample_c-b1"]["attributes"]["parameters"]["angle_resolution"], 3);
  EXPECT_TRUE(fs::exists("out/tile.city.jsonl"));
  EXPECT_FALSE(fs::exists("out/points.ply") || fs::exists("out/tile.svg"));
}

// A reference system that is no EPSG code: a warning naming it, and none in
// the CityJSON; --crs silences it. extract reads a LAS file's system too.
TEST(tile_city_model, ReferenceSystemWithoutCodeWarns) {
  ScratchDirectory scratch;
  const std::string original = read_text(sample_tile);
  testing::write_text("custom.las", testing::with_vlr(original, "LASF_Projection", 2112,
                                                       "PROJCS[\"site grid\",UNIT[\"metre\",1]]"));
  testing::ProgramResult run = run_roofplanes("tile custom.las -o out", scratch.path());
  EXPECT_EQ(run.status, (0));
  EXPECT_EQ(testing::without_model_lines(run.err), "roofplanes: custom.las: its reference system (WKT PROJCS[\"site grid\"]) names no EPSG code; "
                     "the CityJSON names none (give --crs EPSG:CODE)\n");
  EXPECT_FALSE(read_json("out/tile.city.json")["metadata"].contains("referenceSystem"));
  run = run_roofplanes("tile custom.las -o given --crs EPSG:3857", scratch.path());
  EXPECT_EQ(testing::without_model_lines(run.err), "");

  testing::write_text("utm.las", testing::with_vlr(original, "LASF_Projection", 34735,
                                                    testing::geotiff_keys({{3072, 0, 1, 32632}})));
  run = run_roofplanes("extract utm.las -o one --max-passes 1 --format cityjson", scratch.path());
  ASSERT_EQ(run.status, (0)) << run.err;
  EXPECT_EQ(read_json("one/roof.city.json")["metadata"]["referenceSystem"],
            "https://www.opengis.net/def/crs/EPSG/0/32632");
}

// The footprints' file as GDAL writes it, in another system: transformed
// into the tile's when GDAL can, refused when it cannot.
void write_footprints_in(const std::string& from, const std::string& to, const std::string& driver,
                         const OGRSpatialReference& target) {
  GDALAllRegister();
  GDALDatasetUniquePtr source(GDALDataset::Open(from.c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(source);
  GDALDriver* writer = GetGDALDriverManager()->GetDriverByName(driver.c_str());
  ASSERT_NE(writer, nullptr);
  GDALDatasetUniquePtr out(writer->Create(to.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_TRUE(out);
  OGRLayer* in = source->GetLayer(0);
  OGRSpatialReference target_copy(target);
  target_copy.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = out->CreateLayer("footprints", &target_copy, wkbPolygon, nullptr);
  ASSERT_NE(layer, nullptr);
  OGRFieldDefn id("id", OFTString);
  ASSERT_EQ(layer->CreateField(&id), OGRERR_NONE);
  OGRSpatialReference source_system(*in->GetSpatialRef());
  source_system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> transform(
      target.IsLocal() ? nullptr : OGRCreateCoordinateTransformation(&source_system, &target_copy));
  for (auto& feature : *in) {
    OGRFeature copy(layer->GetLayerDefn());
    copy.SetField("id", feature->GetFieldAsString("id"));
    std::unique_ptr<OGRGeometry> geometry(feature->GetGeometryRef()->clone());
    if (transform) {
      ASSERT_EQ(geometry->transform(transform.get()), OGRERR_NONE);
    }
    copy.SetGeometry(geometry.get());
    ASSERT_EQ(layer->CreateFeature(&copy), OGRERR_NONE);
  }
}

TEST(tile_city_model, FootprintsGiveTheBuildingsAndTheirIds) {
  if (!have_real_crops()) GTEST_SKIP() << "the shared real crops are not here";
  ScratchDirectory scratch;
  const json drawn = read_json(footprint_file);
  std::map<std::string, double> cells;  // each footprint's area: its 1 m cells
  for (const json& f : drawn["features"]) cells[f["properties"]["id"]] = f["properties"]["cells"];

  const std::string tile = "tile '" + real_folder + real_crops[0] + ".las' ";
  testing::ProgramResult run =
      run_roofplanes(tile + "-o by_footprint --footprints '" + footprint_file + "' --footprint-id id", scratch.path());
  ASSERT_EQ(run.status, (0)) << run.err;
  const json city = read_json("by_footprint/tile.city.json");
  EXPECT_EQ(city["metadata"]["referenceSystem"], lambert93);
  std::set<std::string> ids;
  std::map<std::string, int> roof_points;
  for (const auto& [id, object] : city["CityObjects"].items()) {
    ids.insert(id);
    roof_points[id] = object["attributes"]["roof_points"];
    ASSERT_TRUE(cells.count(id)) << id;
    EXPECT_NEAR(object["attributes"]["footprint_area"].get<double>(), cells[id], 1e-6) << id;
    expect_building_attributes(id, object["attributes"], true);
  }
  EXPECT_EQ(ids, (std::set<std::string>{"77050-1", "77050-2"}));
  // A footprint of the other crop that reaches this one's edge holds none of its roof points.
  if (!run.err.empty()) {
    EXPECT_NE(run.err.find("get no model: 77055-"), std::string::npos) << run.err;
  }

  // The same footprints in longitude and latitude: transformed into Lambert-93.
  OGRSpatialReference wgs84;
  ASSERT_EQ(wgs84.importFromEPSG(4326), OGRERR_NONE);
  write_footprints_in(footprint_file, "wgs84.geojson", "GeoJSON", wgs84);
  run = run_roofplanes(tile + "-o by_wgs84 --footprints wgs84.geojson --footprint-id id", scratch.path());
  ASSERT_EQ(run.status, (0)) << run.err;
  const json by_wgs84 = read_json("by_wgs84/tile.city.json");
  EXPECT_EQ(by_wgs84["CityObjects"].size(), roof_points.size());
  for (const auto& [id, object] : by_wgs84["CityObjects"].items())
    EXPECT_NEAR(object["attributes"]["roof_points"].get<double>(), roof_points[id], 2) << id;

  // A local site grid cannot be transformed: refused, nothing written.
  OGRSpatialReference site;
  ASSERT_EQ(site.importFromWkt("LOCAL_CS[\"site grid\",UNIT[\"metre\",1]]"), OGRERR_NONE);
  write_footprints_in(footprint_file, "site.shp", "ESRI Shapefile", site);
  run = run_roofplanes(tile + "-o by_site --footprints site.shp --footprint-id id", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("cannot be transformed into the tile's EPSG:2154"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists("by_site"));

  run = run_roofplanes(tile + "-o no_field --footprints '" + footprint_file + "' --footprint-id name", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("has no field \"name\" (its fields: id, cells)"), std::string::npos) << run.err;
  run = run_roofplanes(tile + "-o no_id --footprints '" + footprint_file + "'", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--footprint-id"), std::string::npos) << run.err;
}

// The footprint reader (GDAL) is a library of its own beside the program,
// loaded only when footprints are read. A program alone in a folder still
// runs (it must not need the library to start), and asked for footprints it
// says which library it lacks instead of failing blindly.
TEST(tile_city_model, FootprintReaderLoadedOnlyForFootprints) {
  ScratchDirectory scratch;
  fs::create_directory("alone");
  fs::copy_file(ROOFPLANES_EXECUTABLE, "alone/roofplanes");
  const auto run_alone = [&](const std::string& arguments) {
    const int raw = std::system(("./alone/roofplanes " + arguments + " >out.txt 2>err.txt").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  EXPECT_EQ(run_alone("tile '" + sample_tile + "' -o plain --format ply"), 0) << read_text("err.txt");
  EXPECT_TRUE(fs::exists("plain/points.ply"));
  EXPECT_EQ(run_alone("tile '" + sample_tile + "' -o by_footprint --footprints '" + footprint_file +
                      "' --footprint-id id"),
            2);
  EXPECT_NE(read_text("err.txt").find("libroofplanes_gdal.so"), std::string::npos) << read_text("err.txt");
  EXPECT_FALSE(fs::exists("by_footprint"));
}

}  // namespace
}  // namespace roofplanes
