// Both commands with the building model: a building gets its solid, or keeps
// its faces, says why on standard error and the run exits 1; never neither,
// never silently. The ground options and the model's attributes.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/city_attributes.h"
#include "model/shell_measures.h"
#include "support/model_shells.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::read_text;
using testing::run_roofplanes;
using testing::ScratchDirectory;

const std::string sample = ROOFPLANES_SOURCE_DIR "/Testdaten_Tolvar/69/";
const std::string sample_tile = ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las";

std::size_t lines_with(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// One city object as the commands must leave it: an LoD2.2 solid first (then
// no line about it), or the faces' MultiSurface and exactly one line
// "<id>: no valid solid: <problem>" with a problem. Returns whether it had a solid.
bool expect_solid_or_faces_and_reason(const std::string& id, const json& object, std::size_t faces,
                                      const std::string& err) {
  SCOPED_TRACE(id);
  const std::regex reason("roofplanes: " + id + ": no valid solid: [^\n]+\n");
  const auto said = std::distance(std::sregex_iterator(err.begin(), err.end(), reason), std::sregex_iterator());
  const bool solid = object.contains("geometry") && object["geometry"][0]["type"] == "Solid" &&
                     object["geometry"][0]["lod"] == "2.2";
  if (solid) {
    EXPECT_EQ(said, 0) << err;
    for (const json& geometry : object["geometry"]) EXPECT_NE(geometry["type"], "MultiSurface");
    return true;
  }
  EXPECT_EQ(said, 1) << err;
  std::size_t written = 0;
  for (const json& geometry : object.value("geometry", json::array())) {
    EXPECT_NE(geometry["lod"], "2.2");
    if (geometry["type"] == "MultiSurface") written += geometry["boundaries"].size();
  }
  EXPECT_EQ(written, faces);
  return false;
}

TEST(building_model_run, EveryBuildingGetsItsSolidOrKeepsItsFacesAndSaysWhy) {
  ScratchDirectory scratch;
  // extract: one building, one line about its ground.
  const testing::ProgramResult one =
      run_roofplanes("extract '" + sample + "Building_69.txt' --roof '" + sample + "roof.txt' -o out --preset seed",
                     scratch.path());
  ASSERT_TRUE(one.status == 0 || one.status == 1) << one.err;
  EXPECT_EQ(lines_with(one.err, "roofplanes: b1: ground height "), 1u) << one.err;
  const json document = json::parse(read_text(scratch.path() / "out/roof.city.json"));
  const json& b1 = document["CityObjects"]["b1"];
  // Segments with fewer than three distinct corners are left out of the faces, and said so.
  std::size_t faces = b1["attributes"]["segments"].get<std::size_t>();
  std::smatch left_out;
  if (std::regex_search(one.err, left_out, std::regex("roof.city.json: (\\d+) of \\d+ segments left out")))
    faces -= std::stoul(left_out[1]);
  ASSERT_GT(faces, 0u);
  // The sample house, even as the seed preset's mixed faces, gets its solid.
  EXPECT_TRUE(expect_solid_or_faces_and_reason("b1", b1, faces, one.err));
  EXPECT_EQ(one.status, 0);
  for (const char* name : {"ground_height", "ground_source", "volume", "footprint_area"})
    EXPECT_TRUE(b1["attributes"].contains(name)) << name;

  // Asked for, the faces are there beside a solid too.
  const testing::ProgramResult both = run_roofplanes("extract '" + sample + "Building_69.txt' --roof '" + sample +
                                                         "roof.txt' -o faces --format cityjson --lod2-faces --preset seed",
                                                     scratch.path());
  const json with_faces = json::parse(read_text(scratch.path() / "faces/roof.city.json"));
  const json& geometries = with_faces["CityObjects"]["b1"]["geometry"];
  EXPECT_EQ(geometries.back()["type"], "MultiSurface");
  EXPECT_EQ(both.status, one.status);
  // Without a CityJSON nothing is said about solids or ground, and nothing fails.
  const testing::ProgramResult ply = run_roofplanes(
      "extract '" + sample + "Building_69.txt' --roof '" + sample + "roof.txt' -o ply --format ply --preset seed",
      scratch.path());
  EXPECT_EQ(ply.status, 0);
  EXPECT_EQ(ply.err, "");

  // tile: every building alike; with -v a ground line each and a count by source.
  const testing::ProgramResult tile =
      run_roofplanes("tile '" + sample_tile + "' -o tile --preset seed -v --ground-class 2", scratch.path());
  ASSERT_TRUE(tile.status == 0 || tile.status == 1) << tile.err;
  const json city = json::parse(read_text(scratch.path() / "tile/tile.city.json"));
  ASSERT_EQ(city["CityObjects"].size(), 2u);
  for (const auto& [id, object] : city["CityObjects"].items()) {
    EXPECT_EQ(lines_with(tile.err, "roofplanes: " + id + ": ground height "), 1u) << tile.err;
    if (id == "sample_c-b1") {
      // Its one segment is a few points in a row: no face to place, so the
      // block stands alone, said with -v, and that is no fault.
      EXPECT_EQ(lines_with(tile.err, "roofplanes: sample_c-b1: no roof face, the LoD1.2 block only\n"), 1u);
      EXPECT_EQ(lines_with(tile.err, "sample_c-b1: no valid solid"), 0u);
      ASSERT_EQ(object["geometry"].size(), 1u);
      EXPECT_EQ(object["geometry"][0]["lod"], "1.2");
      continue;
    }
    EXPECT_TRUE(expect_solid_or_faces_and_reason(id, object, object["attributes"]["segments"].get<std::size_t>(),
                                                 tile.err));
  }
  EXPECT_EQ(tile.status, 0) << tile.err;
  EXPECT_TRUE(std::regex_search(tile.err, std::regex("roofplanes: ground heights: 2 from [a-z -]+\n|"
                                                     "roofplanes: ground heights: 1 from [a-z -]+, 1 from [a-z -]+\n")))
      << tile.err;
  // The sequence says the same as the document.
  const std::string sequence = read_text(scratch.path() / "tile/tile.city.jsonl");
  EXPECT_EQ(std::count(sequence.begin(), sequence.end(), '\n'), 3);
}

TEST(building_model_run, GroundOptionsAreCheckedLikeEveryOption) {
  ScratchDirectory scratch;
  const std::string text_input = "extract '" + sample + "Building_69.txt' --roof '" + sample + "roof.txt' -o out";
  for (const std::string& arguments :
       {text_input + " --ground-class 2", text_input + " --ground-height nan", text_input + " --ground-height x",
        "tile '" + sample_tile + "' -o out --ground-class 256", "extract '" + sample + "Building_69.txt' --lod2-faces"}) {
    SCOPED_TRACE(arguments);
    const testing::ProgramResult run = run_roofplanes(arguments, scratch.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(scratch.path() / "out/roof.city.json"));
  }
}

// The attributes a solid measures come from the solid: the gable's by hand.
TEST(city_attributes, SolidMeasuresReplaceTheFacesWhereThereIsASolid) {
  const ModelGrid grid = testing::model_test_grid();
  BuildingAttributes faces;
  faces.ground = {39.0, "lowest point"};
  faces.shape = {42.0, 48.0, 70.0, 90.0, 300.0, 2};
  faces.rmse = 0.05;
  faces.roof_type = "gable";
  faces.roof_points = 160;
  const auto value = [](const std::vector<std::pair<std::string, CityJsonValue>>& list, const std::string& name) {
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& pair) { return pair.first == name; });
    EXPECT_NE(found, list.end()) << name;
    return found == list.end() ? CityJsonValue{} : found->second;
  };

  const auto solid = city_attributes(faces, testing::gable_house(), grid);
  EXPECT_NEAR(std::get<double>(value(solid, "volume")), 400.0, 1e-6);
  EXPECT_NEAR(std::get<double>(value(solid, "footprint_area")), 80.0, 1e-6);
  EXPECT_NEAR(std::get<double>(value(solid, "roof_area")), 16 * std::sqrt(41.0), 1e-6);
  EXPECT_NEAR(std::get<double>(value(solid, "eave_height")), 43.0, 1e-9);
  EXPECT_NEAR(std::get<double>(value(solid, "ridge_height")), 47.0, 1e-9);
  EXPECT_NEAR(std::get<double>(value(solid, "point_density")), 2.0, 1e-9);
  EXPECT_EQ(std::get<double>(value(solid, "ground_height")), 40.0);
  EXPECT_EQ(std::get<std::string>(value(solid, "ground_source")), "given");
  EXPECT_EQ(std::get<double>(value(solid, "model_rmse")), 0.03);
  EXPECT_EQ(std::get<double>(value(solid, "rmse")), 0.05);
  EXPECT_NEAR(std::get<double>(value(city_attributes(faces, testing::courtyard_house(), grid), "volume")), 1920.0,
              1e-6);

  // No solid: the faces' measures; no outline either: the extraction's ground.
  BuildingModel failed = testing::gable_house();
  failed.lod22 = {};
  failed.problem = "no roof face";
  const auto kept = city_attributes(faces, failed, grid);
  EXPECT_EQ(std::get<double>(value(kept, "volume")), 300.0);
  EXPECT_EQ(std::get<double>(value(kept, "ground_height")), 40.0);
  const auto bare = city_attributes(faces, BuildingModel{}, grid);
  EXPECT_EQ(std::get<double>(value(bare, "ground_height")), 39.0);
  EXPECT_EQ(std::get<std::string>(value(bare, "ground_source")), "lowest point");
  EXPECT_TRUE(std::none_of(bare.begin(), bare.end(), [](const auto& pair) { return pair.first == "model_rmse"; }));
}

}  // namespace
}  // namespace roofplanes
