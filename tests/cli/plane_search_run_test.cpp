// The program's plane search with a roof point 100 km from the others, whose
// grid of counts would take gigabytes if it were held whole.

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "io/point_file.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::ScratchDirectory;

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

  const testing::ProgramResult run = testing::run_roofplanes("", scratch.path());
  EXPECT_EQ(run.status, 0) << run.err;
  // About 166,000 distance levels in each of 2,292 directions: 1.5 GB of
  // counts held whole, one row of 0.7 MB per thread held row by row.
  const std::string log = read_text(data / "execution_log.txt");
  const std::size_t levels = log.find("\ns_levels ");
  ASSERT_NE(levels, std::string::npos);
  EXPECT_GT(std::stod(log.substr(levels + 10)), 150000.0);
  EXPECT_GT(run.peak_rss_kb, 0);
#ifdef __SANITIZE_ADDRESS__
  // AddressSanitizer's shadow memory and the instrumented program's own pages
  // count toward the resident set too; 1.5 GB of counts still stand out.
  EXPECT_LT(run.peak_rss_kb, 200 * 1024);
#else
  EXPECT_LT(run.peak_rss_kb, 100 * 1024);
#endif
}

}  // namespace
}  // namespace roofplanes
