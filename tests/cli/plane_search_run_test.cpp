// The program's plane search on buildings that stress it: a larger generated
// building on one and two threads, and a roof point 100 km from the others,
// whose grid of counts would take gigabytes if it were held whole.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "building_generator.h"
#include "io/point_file.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::ScratchDirectory;

// Every file under root with its contents, by path relative to root.
std::set<std::pair<fs::path, std::string>> contents_under(const fs::path& root) {
  std::set<std::pair<fs::path, std::string>> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.insert({fs::relative(entry.path(), root), read_text(entry.path())});
  return files;
}

TEST(PlaneSearchRun, OneAndTwoThreadsWriteTheSameBytes) {
  // Several tiles of the vote loop and enough passes for carried counts.
  const building_generator::Building building = building_generator::generate_building(
      building_generator::options_for_roof_points(building_generator::RoofShape::hip, 20000, 5));
  std::set<std::pair<fs::path, std::string>> outputs[2];
  std::string standard_output[2];
  for (int threads = 1; threads <= 2; ++threads) {
    ScratchDirectory scratch;
    const fs::path data = scratch.path() / "Testdaten_Tolvar" / "69";
    building_generator::write_point_file(building, (data / "Building_69.txt").string());
    building_generator::write_roof_list(building, (data / "roof.txt").string());
    const testing::MeasuredRun run =
        testing::run_roofplanes_measured(scratch.path(), {"ROOFPLANES_THREADS=" + std::to_string(threads)});
    ASSERT_EQ(run.status, 0) << run.err;
    standard_output[threads - 1] = run.out;
    outputs[threads - 1] = contents_under(data);
  }
  EXPECT_GT(outputs[0].size(), 10u);
  EXPECT_TRUE(standard_output[0] == standard_output[1]) << "standard output differs";
  EXPECT_TRUE(outputs[0] == outputs[1]) << "a file differs";
}

TEST(PlaneSearchRun, ARoofPoint100KilometresAwayFinishesInLittleMemory) {
  ScratchDirectory scratch;
  const fs::path data = scratch.path() / "Testdaten_Tolvar" / "69";
  const fs::path input = fs::path(ROOFPLANES_SOURCE_DIR) / "tests" / "golden" / "small_gable" / "input";
  fs::copy_file(input / "Building_69.txt", data / "Building_69.txt");
  fs::copy_file(input / "roof.txt", data / "roof.txt");
  // The stray point is a new (x, y) 100 km east of the first point: its roof
  // position is the number of distinct (x, y) before it.
  const std::vector<Point> points = read_point_file((data / "Building_69.txt").string()).points;
  std::set<std::pair<double, double>> distinct;
  for (const Point& p : points) distinct.insert({p.x, p.y});
  std::ofstream(data / "Building_69.txt", std::ios::app)
      << std::fixed << points[0].x + 100000 << " " << points[0].y << " " << points[0].z << "\n";
  std::ofstream(data / "roof.txt", std::ios::app) << distinct.size() << "\n";

  const testing::MeasuredRun run = testing::run_roofplanes_measured(scratch.path());
  EXPECT_EQ(run.status, 0) << run.err;
  // About 166,000 distance levels in each of 2,292 directions: 1.5 GB of
  // counts held whole, one row of 0.7 MB per thread held row by row.
  const std::string log = read_text(data / "execution_log.txt");
  const std::size_t levels = log.find("\ns_levels ");
  ASSERT_NE(levels, std::string::npos);
  EXPECT_GT(std::stod(log.substr(levels + 10)), 150000.0);
  EXPECT_GT(run.peak_kb, 0);
  EXPECT_LT(run.peak_kb, 100 * 1024);
}

}  // namespace
}  // namespace roofplanes
