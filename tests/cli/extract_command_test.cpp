// roofplanes extract: the same run as the fixed-path program on any files,
// with its constants as options, and one clear line for every input error.

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
namespace gen = building_generator;
using testing::read_text;
using testing::run_roofplanes;
using testing::ScratchDirectory;
using testing::write_text;

const fs::path source = ROOFPLANES_SOURCE_DIR;

// The log and the scenes under root, by their path relative to root.
std::map<fs::path, std::string> log_and_scenes(const fs::path& root) {
  std::map<fs::path, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() &&
        (entry.path().extension() == ".wrl" || entry.path().filename() == "execution_log.txt"))
      files[fs::relative(entry.path(), root)] = read_text(entry.path());
  return files;
}

// The log and scenes of `extract --scenes` must be those of the fixed-path run
// on the same two files.
void expect_scenes_of_the_fixed_path_run(const fs::path& points, const fs::path& roof) {
  ScratchDirectory scratch;
  const fs::path data = scratch.path() / "Testdaten_Tolvar" / "69";
  fs::copy_file(points, data / "Building_69.txt");
  fs::copy_file(roof, data / "roof.txt");
  const testing::ProgramResult fixed = run_roofplanes("", scratch.path());
  ASSERT_EQ(fixed.status, 0);
  fs::remove(data / "Building_69.txt");
  fs::remove(data / "roof.txt");

  const testing::ProgramResult extract = run_roofplanes(
      "extract '" + points.string() + "' --roof '" + roof.string() + "' -o out --scenes --format ply -v --preset seed",
      scratch.path());
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(extract.err, "");
  // --verbose prints the run's progress text before the summary.
  EXPECT_EQ(extract.out.rfind(fixed.out, 0), 0u);
  const auto written = log_and_scenes(scratch.path() / "out");
  EXPECT_GT(written.size(), 4u);
  EXPECT_TRUE(written == log_and_scenes(data));
}

TEST(extract_command, ScenesEqualThoseOfTheFixedPathRun) {
  expect_scenes_of_the_fixed_path_run(source / "Testdaten_Tolvar" / "69" / "Building_69.txt",
                                      source / "Testdaten_Tolvar" / "69" / "roof.txt");
  ScratchDirectory scratch;
  for (const auto shape : {gen::RoofShape::cross_gable, gen::RoofShape::shed_with_annex}) {
    gen::BuildingOptions options;
    options.shape = shape;
    options.seed = 11;
    options.repeated_records = 4;
    options.rotation_deg = 25;
    const gen::Building building = gen::generate_building(options);
    const fs::path points = scratch.path() / (gen::shape_name(shape) + ".txt");
    const fs::path roof = scratch.path() / (gen::shape_name(shape) + "_roof.txt");
    ASSERT_TRUE(gen::write_point_file(building, points.string()));
    ASSERT_TRUE(gen::write_roof_list(building, roof.string()));
    expect_scenes_of_the_fixed_path_run(points, roof);
  }
}

// (slope, aspect) of every segment line of the summary.
std::vector<std::pair<double, double>> summary_faces(const std::string& out) {
  std::vector<std::pair<double, double>> faces;
  std::istringstream in(out.substr(out.find("segment  points")));
  std::string header;
  std::getline(in, header);
  int number;
  std::size_t points;
  double slope, aspect, rms;
  while (in >> number >> points >> slope >> aspect >> rms) faces.push_back({slope, aspect});
  return faces;
}

TEST(extract_command, FinerConstantsFindTheFacesTheSeedMisses) {
  // A hipped roof: four faces of 35 degrees facing north, south, east and
  // west. The seed constants take a near-level slab across them first.
  ScratchDirectory scratch;
  gen::BuildingOptions options;
  options.shape = gen::RoofShape::hip;
  options.seed = 2;
  options.surroundings = false;
  const gen::Building building = gen::generate_building(options);
  ASSERT_TRUE(gen::write_point_file(building, "hip.txt"));
  ASSERT_TRUE(gen::write_roof_list(building, "roof.txt"));

  // The true slope and the four aspects. A face of some 200 points with 3 cm
  // noise has its normal fitted to a few hundredths of a degree; what limits
  // the match is the few points of neighbouring faces a region takes along
  // its edges, worth a few tenths of a degree: one degree covers that.
  const double tolerance = 1.0;
  const double slope = std::atan(std::hypot(building.planes[0].a, building.planes[0].b)) * 180 / 3.141592653589793;
  auto finds_all_four = [&](const std::vector<std::pair<double, double>>& faces) {
    int found = 0;
    for (const double aspect : {0.0, 90.0, 180.0, 270.0})
      for (const auto& [s, a] : faces)
        if (std::fabs(s - slope) < tolerance && std::fabs(std::remainder(a - aspect, 360.0)) < tolerance) {
          ++found;
          break;
        }
    return found == 4;
  };
  const testing::ProgramResult seed = run_roofplanes("extract hip.txt --roof roof.txt --preset seed", scratch.path());
  ASSERT_EQ(seed.status, 0);
  EXPECT_FALSE(finds_all_four(summary_faces(seed.out)));
  const testing::ProgramResult finer = run_roofplanes(
      "extract hip.txt --roof roof.txt --angle-resolution 2 --distance-resolution 0.5 --blunder-sigma 0.2",
      scratch.path());
  ASSERT_EQ(finer.status, 0);
  EXPECT_TRUE(finds_all_four(summary_faces(finer.out))) << finer.out;
}

TEST(extract_command, InputErrorsGiveOneLineExitTwoAndWriteNothing) {
  ScratchDirectory scratch;
  write_text("points.txt", "0 0 0\n4 0 0\n0 4 1\n4 4 1\n");
  write_text("bad.txt", "0 0 0\n4 0 0\n0 4,5 1\n");
  write_text("roof.txt", "0 1 2\n");
  write_text("fraction.txt", "0 1.5\n");
  write_text("far.txt", "0 1 4\n");
  write_text("negative.txt", "0 -1\n");
  write_text("a_file", "");
  write_text("huge.txt", "0 0 0\n1e300 0 0\n0 4 1\n");
  ASSERT_EQ(::mkfifo("fifo.txt", 0600), 0);
  fs::create_directory("folder");
  const struct {
    std::string arguments, message;
  } errors[] = {
      {"extract missing.txt -o out", "missing.txt: cannot be opened"},
      {"extract folder -o out", "folder: is a folder"},
      {"extract bad.txt -o out", "bad.txt: record 3 (line 3) is not three numbers: \"0 4,5 1\""},
      {"extract points.txt --roof missing.txt -o out", "missing.txt: cannot be opened"},
      {"extract points.txt --roof fraction.txt -o out", "fraction.txt: entry 2 (line 1) is not a whole number"},
      {"extract points.txt --roof far.txt -o out", "far.txt: entry 3 (4) names no point of points.txt"},
      {"extract points.txt --roof negative.txt -o out", "negative.txt: entry 2 (-1) names no point"},
      {"extract points.txt -o a_file/out", "cannot create the output folder a_file/out"},
      {"extract points.txt -o out --angle-resolution 0", "--angle-resolution: '0' is not in the range"},
      {"extract points.txt -o out --distance-resolution nan", "--distance-resolution: 'nan' is not in the range"},
      // Never opened: a FIFO would block, a device would never end.
      {"extract fifo.txt -o out", "fifo.txt: is not a regular file"},
      {"extract /dev/zero -o out", "/dev/zero: is not a regular file"},
      {"extract points.txt --roof /dev/urandom -o out", "/dev/urandom: is not a regular file"},
      {"extract huge.txt -o out", "huge.txt: record 2: x 1e+300 lies beyond"},
      {"extract points.txt -o out --no-such-option", "no-such-option"},
      {"extract -o out", "POINTS is required"},
  };
  for (const auto& error : errors) {
    SCOPED_TRACE(error.arguments);
    const testing::ProgramResult run = run_roofplanes(error.arguments, scratch.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("roofplanes: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(error.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(scratch.path() / "out"));
  }
  // A run refused after its log was opened (a roof point 10,000 km away)
  // leaves nothing in an existing folder: no log, no scenes folder.
  write_text("far_point.txt", "0 0 0\n4 0 0\n0 4 1\n4 4 1\n1e7 0 0\n");
  fs::create_directory("existing");
  write_text("existing/keep.txt", "keep");
  const testing::ProgramResult far = run_roofplanes("extract far_point.txt -o existing --scenes", scratch.path());
  EXPECT_EQ(far.status, 2);
  EXPECT_NE(far.err.find("distance levels"), std::string::npos) << far.err;
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator("existing")) left.insert(entry.path().filename().string());
  EXPECT_EQ(left, std::set<std::string>{"keep.txt"});

  // Links in an existing folder under the log's or a scene's name, or in
  // place of the scenes folder, are replaced: the files outside stay as they were.
  write_text("outside.txt", "keep");
  fs::create_directory("outside_work");
  fs::create_directory("linked");
  fs::create_symlink("../outside.txt", "linked/execution_log.txt");
  fs::create_symlink("../outside.txt", "linked/test1.wrl");
  fs::create_symlink("../outside_work", "linked/work");
  const testing::ProgramResult linked = run_roofplanes("extract points.txt -o linked --scenes", scratch.path());
  EXPECT_EQ(linked.status, (0)) << linked.err;
  EXPECT_EQ(read_text("outside.txt"), "keep");
  EXPECT_TRUE(fs::is_empty("outside_work"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("linked/execution_log.txt")));
  EXPECT_TRUE(fs::is_directory(fs::symlink_status("linked/work")));

  const testing::ProgramResult fine = run_roofplanes("extract points.txt --roof roof.txt", scratch.path());
  EXPECT_EQ(fine.status, 0);
  EXPECT_NE(fine.out.find("points read   4\nroof points   3\n"), std::string::npos) << fine.out;
  const testing::ProgramResult version = run_roofplanes("--version", scratch.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("roofplanes ", 0), 0u);
}

}  // namespace
}  // namespace roofplanes
