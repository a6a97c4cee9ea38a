// The program with no arguments on checked-in buildings: standard output, the
// execution log and every scene must equal the checked-in files byte for byte.
// The expected files change only when the run's output is meant to change.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tbb/task_arena.h>

#include "cli/faithful_run.h"
#include "cli/thread_count.h"
#include "planes/parallel_rows.h"

#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::ScratchDirectory;

const fs::path source = ROOFPLANES_SOURCE_DIR;

struct GoldenCase {
  const char* name;
  fs::path input;  // holds Building_69.txt and roof.txt
  friend void PrintTo(const GoldenCase& golden, std::ostream* out) { *out << golden.name; }
};

// Every regular file under root, as paths relative to it.
std::set<fs::path> files_under(const fs::path& root) {
  std::set<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root));
  return files;
}

class GoldenRun : public ::testing::TestWithParam<GoldenCase> {};

// Copies the case's input into the scratch folder's fixed paths; returns the data folder.
fs::path copy_input(const GoldenCase& golden, const ScratchDirectory& scratch) {
  const fs::path data = scratch.path() / "Testdaten_Tolvar" / "69";
  fs::copy_file(golden.input / "Building_69.txt", data / "Building_69.txt");
  fs::copy_file(golden.input / "roof.txt", data / "roof.txt");
  return data;
}

// Expects a finished run and every file it wrote to equal the checked-in ones.
void expect_golden_output(const GoldenCase& golden, const fs::path& data, const testing::ProgramResult& run) {
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const fs::path expected = source / "tests" / "golden" / golden.name / "expected";
  EXPECT_TRUE(run.out == read_text(expected / "stdout.txt")) << "standard output differs";
  std::set<fs::path> written = files_under(data);
  written.erase("Building_69.txt");
  written.erase("roof.txt");
  std::set<fs::path> wanted = files_under(expected);
  wanted.erase("stdout.txt");
  EXPECT_EQ(written, wanted);
  for (const fs::path& file : wanted)
    EXPECT_TRUE(read_text(data / file) == read_text(expected / file)) << file << " differs";
}

// Runs the program on a copy of the case's input with the extra environment
// and expects every file it writes to equal the checked-in one.
void expect_golden_bytes(const GoldenCase& golden, const std::string& environment) {
  ScratchDirectory scratch;
  const fs::path data = copy_input(golden, scratch);
  expect_golden_output(golden, data, testing::run_roofplanes("", scratch.path(), environment));
}

TEST_P(GoldenRun, WritesTheExpectedBytes) { expect_golden_bytes(GetParam(), ""); }

// The plane search votes on as many threads as it is given, with the vote loop
// the processor runs best: neither may change a byte.
TEST_P(GoldenRun, WritesTheSameBytesOnOneAndTwoThreadsWithEitherVoteKernel) {
  for (const char* kernel : {"ROOFPLANES_VOTE_KERNEL=sse2", "ROOFPLANES_VOTE_KERNEL=avx2"})
    for (const char* threads : {"ROOFPLANES_THREADS=1 ROOFPLANES_PARALLEL_WORK=0", "ROOFPLANES_THREADS=2 ROOFPLANES_PARALLEL_WORK=0"}) {
      SCOPED_TRACE(std::string(kernel) + " " + threads);
      expect_golden_bytes(GetParam(), std::string(kernel) + " " + threads);
    }
}

INSTANTIATE_TEST_SUITE_P(
    golden_run, GoldenRun,
    ::testing::Values(GoldenCase{"sample", source / "Testdaten_Tolvar" / "69"},
                      // 238 points: ends with a pass that finds no roof point left, and
                      // its refinement removes outline vertices over several rounds.
                      GoldenCase{"small_gable", source / "tests" / "golden" / "small_gable" / "input"}),
    [](const auto& info) { return std::string(info.param.name); });

// The sample's run in this process on two threads, every loop of the plane
// search shared however small (its loops stay under the threshold that keeps
// small loops on one thread): the second thread must have run blocks of them,
// and the bytes must not change. On a busy machine the second thread may wake
// only after a small run is over, so the run is repeated (each time with the
// golden bytes) until it took part, at most ten times. (The small gable's
// loops are one block each: there is nothing for a second thread to take.)
TEST(golden_run, BothThreadsVoteOnTheSampleAndTheBytesStayTheSame) {
  const GoldenCase sample{"sample", source / "Testdaten_Tolvar" / "69"};
  ::setenv("ROOFPLANES_PARALLEL_WORK", "0", 1);
  std::uint64_t shared = 0;
  for (int attempt = 0; attempt < 10 && shared == 0; ++attempt) {
    SCOPED_TRACE("attempt " + std::to_string(attempt + 1));
    ScratchDirectory scratch;
    const fs::path data = copy_input(sample, scratch);
    const std::uint64_t shared_before = parallel_rows_shared_blocks.load();
    testing::ProgramResult run;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run.status = run_with_threads(2, [] { return tbb::task_arena(2).execute(run_faithful); });
    std::cout.flush();
    std::fflush(stdout);
    run.out = ::testing::internal::GetCapturedStdout();
    run.err = ::testing::internal::GetCapturedStderr();
    shared = parallel_rows_shared_blocks.load() - shared_before;
    expect_golden_output(sample, data, run);
  }
  ::unsetenv("ROOFPLANES_PARALLEL_WORK");
  EXPECT_GT(shared, 0u) << "the second thread ran no block in ten runs";
}

}  // namespace
}  // namespace roofplanes
