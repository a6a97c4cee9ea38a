// The program without arguments on damaged inputs and unwritable outputs: it
// says what went wrong on standard error, finishes with what it could read
// exactly as a run on the clean part of the input would, and tells the
// outcome in its exit status (0 clean, 1 a problem reported, 2 refused).

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::write_text;

const fs::path input = fs::path(ROOFPLANES_SOURCE_DIR) / "tests" / "golden" / "small_gable" / "input";

// Everything one run produced: status, streams and every file it wrote.
struct Outcome {
  testing::ProgramResult program;
  std::map<fs::path, std::string> files;
};

// Runs the program on the given point file and roof list (nullptr: no such
// file) in a fresh data folder; prepare may change the folder first.
template <class Prepare>
Outcome run_on(const std::string* points, const std::string* roof, Prepare prepare) {
  testing::ScratchDirectory scratch;
  const fs::path data = scratch.path() / "Testdaten_Tolvar" / "69";
  if (points != nullptr) write_text(data / "Building_69.txt", *points);
  if (roof != nullptr) write_text(data / "roof.txt", *roof);
  prepare(data);
  Outcome run{testing::run_roofplanes("", scratch.path()), {}};
  for (const auto& entry : fs::recursive_directory_iterator(data)) {
    const fs::path name = fs::relative(entry.path(), data);
    if (entry.is_regular_file() && name != "Building_69.txt" && name != "roof.txt")
      run.files[name] = read_text(entry.path());
  }
  return run;
}
Outcome run_on(const std::string* points, const std::string* roof) {
  return run_on(points, roof, [](const fs::path&) {});
}

// The first n lines of text.
std::string first_lines(const std::string& text, int n) {
  std::size_t end = 0;
  for (int k = 0; k < n; ++k) end = text.find('\n', end) + 1;
  return text.substr(0, end);
}

// Text with line n (1-based) replaced.
std::string with_line(const std::string& text, int n, const std::string& line) {
  const std::size_t start = n == 1 ? 0 : first_lines(text, n - 1).size();
  return text.substr(0, start) + line + "\n" + text.substr(text.find('\n', start) + 1);
}

// The roof list's positions below n: every roof point among the first n
// records (the building repeats no x, y, so positions are record numbers).
std::string roof_below(const std::string& roof, int n) {
  std::istringstream in(roof);
  std::string kept;
  for (int k; in >> k;)
    if (k < n) kept += std::to_string(k) + "\n";
  return kept;
}

struct Problem {
  const char* what;
  std::string points, roof;              // the damaged input
  std::string clean_points, clean_roof;  // the part of it the run can use
  std::string message;                   // a piece of the one line on standard error
};

TEST(faithful_run, InputProblemsAreReportedAndTheRunGoesOnWithTheCleanPart) {
  const std::string points = read_text(input / "Building_69.txt");
  const std::string roof = read_text(input / "roof.txt");
  const Outcome clean = run_on(&points, &roof);
  ASSERT_EQ(clean.program.status, 0);
  ASSERT_EQ(clean.program.err, "");

  const std::vector<Problem> problems = {
      {"header line", "x y z\n" + points, "", "", "", "record 1 (line 1) is not three numbers: \"x y z\"; 0 records"},
      {"byte-order mark", "\xEF\xBB\xBF" + points, "", "", "", "record 1 (line 1)"},
      {"decimal comma", with_line(points, 101, "350001,5 5800002,5 36,4"), roof_below(roof, 100),
       first_lines(points, 100), roof_below(roof, 100), "record 101 (line 101) is not three numbers: \"350001,5"},
      {"nan", with_line(points, 150, "nan 5800001 36"), roof_below(roof, 149), first_lines(points, 149),
       roof_below(roof, 149), "record 150 (line 150)"},
      {"out of range", with_line(points, 120, "1e400 5800001 36"), roof_below(roof, 119), first_lines(points, 119),
       roof_below(roof, 119), "\"1e400 5800001 36\"; 119 records read"},
      {"hex float", with_line(points, 130, "0x1p3 5800001 36"), roof_below(roof, 129), first_lines(points, 129),
       roof_below(roof, 129), "record 130 (line 130)"},
      {"truncated last record", points + "350000.5 5800000.5\n", roof, points, roof, "record 239 (line 239)"},
      {"fractional roof entry", points, roof + "3.5\n7\n", points, roof + "3\n", "is not a whole number in int range: \"3.5\""},
      {"roof entry out of int range", points, roof + "2147483648\n", points, roof, "\"2147483648\""},
      {"word in roof list", points, "roof\n" + roof, points, "", "entry 1 (line 1)"},
      {"roof position without vertex", points, roof + "99999\n", points, roof, "no vertex at position 99999"},
  };
  for (const Problem& p : problems) {
    SCOPED_TRACE(p.what);
    const Outcome damaged = run_on(&p.points, &p.roof);
    const Outcome expected = run_on(&p.clean_points, &p.clean_roof);
    EXPECT_EQ(expected.program.status, 0);
    EXPECT_EQ(damaged.program.status, 1);
    EXPECT_NE(damaged.program.err.find(p.message), std::string::npos) << damaged.program.err;
    EXPECT_EQ(std::count(damaged.program.err.begin(), damaged.program.err.end(), '\n'), 1) << damaged.program.err;
    EXPECT_TRUE(damaged.program.out == expected.program.out);
    EXPECT_TRUE(damaged.files == expected.files);
  }

  // Files that cannot be read behave like empty ones, and are reported.
  const std::string empty;
  const Outcome no_roof_list = run_on(&points, nullptr);
  EXPECT_EQ(no_roof_list.program.status, 1);
  EXPECT_NE(no_roof_list.program.err.find("roof.txt: cannot be opened"), std::string::npos);
  EXPECT_TRUE(no_roof_list.files == run_on(&points, &empty).files);
  const Outcome folder = run_on(nullptr, &roof, [](const fs::path& data) { fs::create_directory(data / "Building_69.txt"); });
  EXPECT_EQ(folder.program.status, 1);
  EXPECT_NE(folder.program.err.find("Building_69.txt: is a folder"), std::string::npos);

  // Not problems: an empty point file, and a negative position (the first vertex).
  const Outcome nothing = run_on(&empty, &empty);
  EXPECT_EQ(nothing.program.status, 0);
  EXPECT_EQ(nothing.program.err, "");
  const std::string negative = roof + "-4\n";
  const std::string first = roof + "0\n";
  const Outcome with_negative = run_on(&points, &negative);
  EXPECT_EQ(with_negative.program.status, 0);
  EXPECT_TRUE(with_negative.files == run_on(&points, &first).files);
}

TEST(faithful_run, FilesThatCannotBeWrittenAreReportedOnce) {
  const std::string points = read_text(input / "Building_69.txt");
  const std::string roof = read_text(input / "roof.txt");
  const Outcome clean = run_on(&points, &roof);

  // No work/ folder: the refinement scene, rewritten after every round, fails.
  const Outcome no_work = run_on(&points, &roof, [](const fs::path& data) { fs::remove(data / "work"); });
  EXPECT_EQ(no_work.program.status, 1);
  EXPECT_EQ(no_work.program.err, "roofplanes: cannot write Testdaten_Tolvar/69/work/ob0_after_first_round.wrl\n");
  std::map<fs::path, std::string> expected = clean.files;
  expected.erase("work/ob0_after_first_round.wrl");
  EXPECT_TRUE(no_work.files == expected);
  EXPECT_EQ(no_work.program.out, clean.program.out);

  // A log that cannot be opened, and a scene on a full disk.
  const Outcome log_folder =
      run_on(&points, &roof, [](const fs::path& data) { fs::create_directory(data / "execution_log.txt"); });
  EXPECT_EQ(log_folder.program.status, 1);
  EXPECT_EQ(log_folder.program.err, "roofplanes: cannot write Testdaten_Tolvar/69/execution_log.txt\n");
  if (fs::exists("/dev/full")) {
    const Outcome full =
        run_on(&points, &roof, [](const fs::path& data) { fs::create_symlink("/dev/full", data / "test0.wrl"); });
    EXPECT_EQ(full.program.status, 1);
    EXPECT_EQ(full.program.err, "roofplanes: cannot write Testdaten_Tolvar/69/test0.wrl\n");
    EXPECT_EQ(full.program.out, clean.program.out);
  }
}

TEST(faithful_run, FarRoofPointsAreRefusedOrSearchedInLittleMemory) {
  const std::string points = read_text(input / "Building_69.txt");
  const std::string roof = read_text(input / "roof.txt");
  // Memory is counted above the program's resting footprint (its shared
  // libraries, and in the sanitizer build the sanitizer's own), which is no
  // part of the search.
  testing::ScratchDirectory resting;
  const long resting_kb = testing::run_roofplanes("--version", resting.path()).peak_rss_kb;
  // One roof point 10,000 km east of the building, and one at 1e200.
  for (const std::string far : {"10350000 5800000 36\n", "1e200 1e200 1e200\n"}) {
    SCOPED_TRACE(far);
    const std::string far_points = points + far;
    const std::string far_roof = roof + "238\n";
    const Outcome run = run_on(&far_points, &far_roof);
    EXPECT_EQ(run.program.status, 2);
    EXPECT_EQ(run.program.out, "");
    EXPECT_NE(run.program.err.find("roofplanes: roof points reach "), std::string::npos);
    EXPECT_NE(run.program.err.find("at most 10000000 distance levels\n"), std::string::npos);
    EXPECT_EQ(std::count(run.program.err.begin(), run.program.err.end(), '\n'), 1);
    EXPECT_EQ(run.files, (std::map<fs::path, std::string>{{"execution_log.txt", ""}}));
    EXPECT_LT(run.program.peak_rss_kb - resting_kb, 100 * 1024);
  }

  // An intensity column read as coordinates: x, y, z, i, x, ... puts
  // national-grid values into z, millions of metres from the centre, yet
  // within the level bound. The search runs row by row, in little memory.
  std::istringstream lines(points);
  std::string with_intensity;
  int n = 0;
  for (std::string x, y, z; lines >> x >> y >> z; ++n)
    with_intensity += x + " " + y + " " + z + " " + std::to_string(n * 37 % 255) + "\n";
  const Outcome run = run_on(&with_intensity, &roof);
  EXPECT_EQ(run.program.status, 1);  // the last record is cut short
  EXPECT_NE(run.program.err.find("records read"), std::string::npos);
  const std::string& log = run.files.at("execution_log.txt");
  EXPECT_GT(std::stod(log.substr(log.find("\ns_levels ") + 10)), 1e6);
  EXPECT_NE(run.program.out.find("Refining Segments\n"), std::string::npos);
  EXPECT_LT(run.program.peak_rss_kb - resting_kb, 100 * 1024);
}

}  // namespace
}  // namespace roofplanes
