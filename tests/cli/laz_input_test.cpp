// LAZ input on the command line: a real LAZ crop gives the same outputs as its uncompressed
// twin, a lost chunk table is said on standard error, a damaged file stops the run.

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::run_roofplanes;
using testing::ScratchDirectory;
using testing::write_text;

const std::string real = ROOFPLANES_SOURCE_DIR "/../shared/real/";
const char* const outputs[] = {"tile.city.json", "tile.city.jsonl", "points.ply", "tile.svg"};

std::size_t lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(laz_input, RealLazTilesGiveTheirTwinsOutputs) {
  for (const std::string name : {"test_data_77050_627755_LA93_IGN69", "test_data_77055_627760_LA93_IGN69"}) {
    SCOPED_TRACE(name);
    const std::string crop = real + name;
    if (!fs::exists(crop + ".laz")) GTEST_SKIP() << "no ../shared/real beside the checkout";
    ScratchDirectory scratch;
    // The same file with its chunk table cut off: read chunk by chunk, said once on stderr.
    std::string cut = read_text(crop + ".laz");
    const std::size_t point_offset = static_cast<unsigned char>(cut[96]) | static_cast<unsigned char>(cut[97]) << 8;
    std::size_t table = 0;
    for (int i = 7; i >= 0; --i)
      table = table << 8 | static_cast<unsigned char>(cut[point_offset + static_cast<std::size_t>(i)]);
    ASSERT_LT(table, cut.size());
    cut.resize(table + 9);
    // Same stem as the original: building ids are made from it.
    fs::create_directory(scratch.path() / "copy");
    write_text("copy/" + name + ".laz", cut);

    const testing::ProgramResult las = run_roofplanes("tile '" + crop + ".las' -o las", scratch.path());
    const testing::ProgramResult laz = run_roofplanes("tile '" + crop + ".laz' -o laz", scratch.path());
    const testing::ProgramResult walked = run_roofplanes("tile 'copy/" + name + ".laz' -o cut", scratch.path());
    ASSERT_EQ(las.status, (0)) << las.err;
    EXPECT_EQ(laz.status, las.status) << laz.err;
    EXPECT_EQ(walked.status, las.status) << walked.err;
    EXPECT_EQ(laz.err, las.err);
    EXPECT_EQ(walked.err, "roofplanes: copy/" + name + ".laz: chunk table cut off, read chunk by chunk\n" + las.err);
    for (const char* file : outputs) {
      SCOPED_TRACE(file);
      const std::string expected = read_text(scratch.path() / "las" / file);
      EXPECT_FALSE(expected.empty());
      EXPECT_TRUE(read_text(scratch.path() / "laz" / file) == expected);
      EXPECT_TRUE(read_text(scratch.path() / "cut" / file) == expected);
    }
  }
}

TEST(laz_input, DamagedLazStopsBothCommandsWithOneLine) {
  const std::string crop = real + "test_data_77050_627755_LA93_IGN69.laz";
  if (!fs::exists(crop)) GTEST_SKIP() << "no ../shared/real beside the checkout";
  ScratchDirectory scratch;
  std::string bytes = read_text(crop);
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
  write_text("flipped.laz", bytes);
  for (const std::string command : {"tile flipped.laz -o out", "extract flipped.laz -o out"}) {
    SCOPED_TRACE(command);
    const testing::ProgramResult run = run_roofplanes(command, scratch.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(lines(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("roofplanes: flipped.laz: chunk ", 0), 0u) << run.err;
    EXPECT_FALSE(fs::exists(scratch.path() / "out"));
  }
}

}  // namespace
}  // namespace roofplanes
