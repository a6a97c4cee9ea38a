// `roofplanes tile` as a user runs it: a real tile, a generated tile of known
// houses, and the input errors that must stop it before anything is written.

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "face_score.h"
#include "las_writer.h"
#include "support/cityjson_validation.h"
#include "support/generated_tile.h"
#include "support/ply_reader.h"
#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"
#include "support/small_disk.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::run_roofplanes;
using testing::ScratchDirectory;

const std::string sample_tile = ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las";
const char* const outputs[] = {"tile.city.json", "tile.city.jsonl", "points.ply", "tile.svg"};

// Segments of every building of a tile's CityJSON, by id.
std::map<std::string, int> segments_by_building(const fs::path& city_json) {
  std::map<std::string, int> segments;
  const nlohmann::json document = nlohmann::json::parse(read_text(city_json));
  for (const auto& [id, object] : document["CityObjects"].items())
    segments[id] = object["attributes"]["segments"];
  return segments;
}

TEST(tile_command, SampleTileGivesTwoBuildingsInEveryOutput) {
  ScratchDirectory scratch;
  const testing::ProgramResult run = run_roofplanes("tile '" + sample_tile + "' -o out --preset seed", scratch.path());
  ASSERT_EQ(run.status, (0)) << run.err;
  // b1's one segment has too few corners for a surface, and the run says so, as extract does.
  EXPECT_EQ(testing::without_model_lines(run.err), "roofplanes: out/tile.city.json: 1 of 3 segments left out (fewer than three distinct corners)\n");
  EXPECT_NE(run.out.find("points        14408\nroof points   12525\nbuildings     2\nsegments      3\n"),
            std::string::npos) << run.out;

  // A narrow strip with one segment too small to draw, and the large roof with two faces.
  EXPECT_EQ(segments_by_building("out/tile.city.json"), (std::map<std::string, int>{{"sample_c-b1", 1}, {"sample_c-b2", 2}}));
  const std::string city = read_text("out/tile.city.json"), sequence = read_text("out/tile.city.jsonl");
  EXPECT_EQ(std::count(sequence.begin(), sequence.end(), '\n'), 3);  // the header and two features
  EXPECT_EQ(testing::cityjson_schema_errors({city, sequence.substr(0, sequence.find('\n'))}), "");

  const testing::PlyFile ply = testing::read_ply(read_text("out/points.ply"));
  ASSERT_EQ(ply.vertex_count, 14408u);
  const std::vector<double>& building = ply.columns.at("building");
  const std::vector<double>& segment = ply.columns.at("segment");
  EXPECT_EQ(std::set<double>(building.begin(), building.end()), (std::set<double>{0, 1, 2}));
  EXPECT_EQ(std::set<double>(segment.begin(), segment.end()), (std::set<double>{0, 1, 2, 3}));
  for (std::size_t i = 0; i < ply.vertex_count; ++i) {  // b1's segment is 1; b2's are 2 and 3
    if (segment[i] > 0) {
      EXPECT_EQ(building[i], segment[i] == 1 ? 1 : 2);
    }
  }
}

TEST(tile_command, GeneratedTileEveryHouseOnceEveryFaceFoundAnyJobs) {
  ScratchDirectory scratch;
  building_generator::TileOptions options;  // 20 houses on 300 m by 300 m, 10 points per m²
  const testing::TilePoints tile = testing::tile_points(options);
  building_generator::LasFileOptions las;
  las.version_minor = 4;
  las.point_format = 6;
  las.offset[0] = 350000.0, las.offset[1] = 5800000.0;
  ASSERT_TRUE(building_generator::write_las(tile.tile.records, las, "town.las"));
  // The seed constants find about a third of these faces; the auto preset,
  // derived per building, finds them all.
  const std::string parameters = " --preset auto";
  for (const char* jobs : {"1", "2"}) {
    const testing::ProgramResult run =
        run_roofplanes("tile town.las -o jobs" + std::string(jobs) + " --jobs " + jobs + parameters, scratch.path());
    ASSERT_EQ(run.status, (0)) << run.err;
  }
  for (const char* file : outputs)
    EXPECT_TRUE(read_text(fs::path("jobs1") / file) == read_text(fs::path("jobs2") / file)) << file << " differs";

  const testing::PlyFile ply = testing::read_ply(read_text("jobs1/points.ply"));
  ASSERT_EQ(ply.vertex_count, tile.tile.records.size());
  const std::vector<double>& building = ply.columns.at("building");
  const std::vector<double>& segment = ply.columns.at("segment");
  EXPECT_EQ(segments_by_building("jobs1/tile.city.json").size(), static_cast<std::size_t>(options.buildings));

  // Every house is one found building, a different one for each house.
  std::set<int> matched;
  for (int house = 0; house < options.buildings; ++house) {
    SCOPED_TRACE("house " + std::to_string(house));
    std::set<int> found_as;
    std::vector<int> true_face, labels;
    for (std::size_t i = 0; i < ply.vertex_count; ++i) {
      if (tile.tile.building_of_record[i] != house || tile.tile.face_of_record[i] < 0) continue;
      found_as.insert(static_cast<int>(building[i]));
      true_face.push_back(tile.tile.face_of_record[i]);
      labels.push_back(static_cast<int>(segment[i]));
    }
    ASSERT_EQ(found_as.size(), 1u);
    EXPECT_NE(*found_as.begin(), 0);
    EXPECT_TRUE(matched.insert(*found_as.begin()).second);
    // Found: one segment holds at least 75 % of the face, and at least 80 % of
    // that segment lies on it. A found building's segments hold only its own
    // roof points, so its records alone give each segment's size.
    roof_scoring::ScoringRules rules;
    rules.found_completeness = 0.75;
    rules.found_correctness = 0.8;
    const roof_scoring::FaceScores scores = roof_scoring::score_faces(true_face, labels, rules);
    EXPECT_EQ(scores.found, scores.faces.size()) << roof_scoring::format_face_table(scores);
    EXPECT_EQ(scores.faces.size(), tile.tile.buildings[static_cast<std::size_t>(house)].planes.size());
  }
}

TEST(tile_command, InputErrorsStopBeforeAnythingIsWrittenOutputErrorsDoNot) {
  ScratchDirectory scratch;
  const std::string sample = read_text(sample_tile);
  testing::write_text("truncated.las", sample.substr(0, sample.size() - 100));
  testing::write_text("a_file", "");
  ASSERT_EQ(::mkfifo("fifo.las", 0600), 0);
  const char* const cases[] = {
      "tile missing.las -o out",
      "tile /dev/zero -o out",
      "tile fifo.las -o out",
      "tile . -o out",
      "tile truncated.las -o out",
      "tile '" ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las' -o out --building-gap 0",
      "tile '" ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las' -o out --distance-resolution 0",
      "tile '" ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las' -o a_file/out",
  };
  for (const char* arguments : cases) {
    SCOPED_TRACE(arguments);
    const testing::ProgramResult run = run_roofplanes(arguments, scratch.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists("out"));
  }
  // An output that cannot be written is no input error: the others are
  // written (the text sequence too, when the document fails), exit status 1.
  fs::create_directories("blocked/points.ply");
  fs::create_directories("blocked/tile.city.json");
  const testing::ProgramResult run = run_roofplanes("tile '" + sample_tile + "' -o blocked", scratch.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("blocked/points.ply"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("blocked/tile.city.json"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_regular_file("blocked/tile.city.jsonl") && fs::is_regular_file("blocked/tile.svg"));
}

TEST(tile_command, OnAFullDiskNoFileIsLeftHalfWritten) {
  ScratchDirectory scratch;
  const testing::SmallDisk disk(scratch.path() / "disk", "64k");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  // 14,408 points: points.ply (about 430 kB) cannot fit.
  const testing::ProgramResult run = run_roofplanes("tile '" + sample_tile + "' -o disk/out --jobs 1", scratch.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("disk/out/points.ply: could not be written completely"), std::string::npos) << run.err;
  for (const char* name : outputs) {
    const std::string file = std::string("disk/out/") + name;
    const bool named = run.err.find(file + ": could not be written") != std::string::npos ||
                       run.err.find(file + ": cannot be") != std::string::npos;
    EXPECT_NE(fs::exists(file), named) << name << "\n" << run.err;
  }
  for (const auto& entry : fs::directory_iterator("disk/out"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace roofplanes
