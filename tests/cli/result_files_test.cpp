// roofplanes extract -o: the result files of real runs, read back.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "building_generator.h"
#include "roofplanes.h"
#include "support/cityjson_rings.h"
#include "support/cityjson_validation.h"
#include "support/generated_input.h"
#include "support/ply_reader.h"
#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/small_disk.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
namespace gen = building_generator;
using testing::read_text;
using testing::run_roofplanes;

// A gable in projected coordinates (x ≈ 350,000, y ≈ 5,800,000) with walls,
// ground, trees and repeated records around it, and no height noise: its true
// planes hold to the rounding of the coordinates (0.5 mm), so the planes and
// corners written must come within a millimetre of them, and the points back
// bit for bit. Thresholds of 6.6 mm keep each face's points to itself.
TEST(write_result_files, ProgramWritesEveryPointLabelledAndFacesTrueToTheMillimetre) {
  const gen::Building building =
      gen::generate_building({.shape = gen::RoofShape::gable, .height_noise = 0.0, .repeated_records = 5});
  testing::ScratchDirectory scratch;
  ASSERT_TRUE(gen::write_point_file(building, "points.txt") && gen::write_roof_list(building, "roof.txt"));
  const testing::ProgramResult run = run_roofplanes(
      "extract points.txt --roof roof.txt -o out --preset seed --crs EPSG:25833 --angle-resolution 2 --distance-resolution 0.5 "
      "--blunder-sigma 0.01 --expansion-factor 0.01 --lod2-faces",
      scratch.path());
  ASSERT_EQ(run.status, (0)) << run.err;
  EXPECT_EQ(testing::without_model_lines(run.err), "");
  const BuildingInput input = testing::input_of(building);
  const Result result = extract_roof_planes(input, {.angle_resolution = 2, .distance_resolution = 0.5,
                                                    .blunder_sigma = 0.01, .expansion_factor = 0.01});

  const testing::PlyFile ply = testing::read_ply(read_text("out/points.ply"));
  ASSERT_EQ(ply.vertex_count, input.points.size());
  for (std::size_t r = 0; r < input.points.size(); ++r) {
    ASSERT_TRUE(ply.columns.at("x")[r] == input.points[r].x && ply.columns.at("y")[r] == input.points[r].y &&
                ply.columns.at("z")[r] == input.points[r].z) << "record " << r;
    ASSERT_EQ(ply.columns.at("segment")[r], result.labels[r]) << "record " << r;
    ASSERT_EQ(ply.columns.at("roof")[r], input.roof[r]) << "record " << r;
  }

  const std::string model = read_text("out/roof.city.json");
  EXPECT_EQ(testing::cityjson_schema_errors({model}), "");
  auto document = nlohmann::json::parse(model);  // not const: a missing member reads as null
  EXPECT_EQ(document["metadata"]["referenceSystem"], "https://www.opengis.net/def/crs/EPSG/0/25833");
  auto& object = document["CityObjects"]["b1"];
  const auto& surfaces = object["geometry"].back()["semantics"]["surfaces"];  // the faces
  ASSERT_EQ(surfaces.size(), 2u);
  const auto rings = testing::decoded_rings(object, document["vertices"], document["transform"]);
  const std::vector<int> face_of = testing::true_faces(building);
  for (std::size_t s = 0; s < surfaces.size(); ++s) {
    const Segment& segment = result.segments.at(surfaces[s]["segment"].get<std::size_t>() - 1);
    const int face = face_of[segment.points.front()];
    const auto [a, b, c] = building.planes.at(face);
    const auto plane = surfaces[s]["plane"].get<std::array<double, 4>>();
    for (const std::size_t r : segment.points) {
      const Point& p = input.points[r];
      if (face_of[r] != face) continue;
      ASSERT_LT(std::fabs(plane[0] * p.x + plane[1] * p.y + plane[2] * (a * p.x + b * p.y + c) + plane[3]), 1e-3);
    }
    for (const Point& v : rings[s]) {
      EXPECT_LT(std::fabs(v.z - (a * v.x + b * v.y + c)), 1e-3);
      EXPECT_TRUE(std::any_of(segment.corners.begin(), segment.corners.end(), [&](std::size_t r) {
        return std::fabs(v.x - input.points[r].x) < 5e-4 && std::fabs(v.y - input.points[r].y) < 5e-4;
      })) << "a vertex of surface " << s << " is no corner of its segment";
    }
  }
  EXPECT_NE(read_text("out/roof.svg").find("</svg>"), std::string::npos);
}

// The sample building: six of its eleven segments have fewer than three corners.
TEST(write_result_files, ProgramWritesTheFormatsAskedForAndNamesWhatFailed) {
  testing::ScratchDirectory scratch;
  const std::string sample = "extract '" ROOFPLANES_SOURCE_DIR "/Testdaten_Tolvar/69/Building_69.txt' --roof '"
                             ROOFPLANES_SOURCE_DIR "/Testdaten_Tolvar/69/roof.txt' --preset seed ";
  for (const char* usage : {"-o out --format cityjson,pdf", "-o out --format ''", "-o out --crs 25833",
                            "-o out --crs EPSG:x1", "--format ply"}) {
    const testing::ProgramResult run = run_roofplanes(sample + usage, scratch.path());
    EXPECT_EQ(run.status, 2) << usage;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << usage;
    EXPECT_FALSE(fs::exists("out")) << usage;
  }

  testing::ProgramResult run = run_roofplanes(sample + "-o part --format svg,cityjson --lod2-faces", scratch.path());
  EXPECT_EQ(run.status, (0));
  EXPECT_EQ(testing::without_model_lines(run.err),
            "roofplanes: part/roof.city.json: 6 of 11 segments left out (fewer than three distinct corners)\n");
  auto document = nlohmann::json::parse(read_text("part/roof.city.json"));
  EXPECT_EQ(document["CityObjects"]["b1"]["geometry"].back()["boundaries"].size(), 5u);
  EXPECT_TRUE(fs::exists("part/roof.svg"));
  EXPECT_FALSE(fs::exists("part/points.ply"));

  // A folder where the model goes; a link where the points go is replaced,
  // and the file it pointed to is left alone.
  fs::create_directories("out/roof.city.json");
  testing::write_text("elsewhere.ply", "not ours");
  fs::create_symlink("../elsewhere.ply", "out/points.ply");
  run = run_roofplanes(sample + "-o out", scratch.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(testing::without_model_lines(run.err), "roofplanes: out/roof.city.json: cannot be opened for writing\n");
  EXPECT_TRUE(fs::exists("out/roof.svg"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("out/points.ply")));
  EXPECT_EQ(read_text("elsewhere.ply"), "not ours");
}

// Files that fill the disk: each is removed and named, none is left under a
// temporary name, and those that fit are whole.
TEST(write_result_files, OnAFullDiskNoFileIsLeftHalfWritten) {
  testing::ScratchDirectory scratch;
  const testing::SmallDisk disk(scratch.path() / "disk", "64k");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  // The sample's points.ply (84 kB) and roof.svg do not fit; its model does.
  const testing::ProgramResult run = run_roofplanes(
      "extract '" ROOFPLANES_SOURCE_DIR "/Testdaten_Tolvar/69/Building_69.txt' --roof '" ROOFPLANES_SOURCE_DIR
      "/Testdaten_Tolvar/69/roof.txt' -o disk/out",
      scratch.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("roofplanes: disk/out/points.ply: could not be written completely\n"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists("disk/out/points.ply"));
  for (const char* name : {"roof.city.json", "roof.svg"}) {
    const std::string file = std::string("disk/out/") + name;
    const bool named = run.err.find(file + ": could not be written") != std::string::npos ||
                       run.err.find(file + ": cannot be") != std::string::npos;
    EXPECT_NE(fs::exists(file), named) << name << "\n" << run.err;
  }
  EXPECT_NO_THROW(nlohmann::json::parse(read_text("disk/out/roof.city.json")));
  for (const auto& entry : fs::directory_iterator("disk/out"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace roofplanes
