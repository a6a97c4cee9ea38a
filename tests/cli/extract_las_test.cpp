// `roofplanes extract` on LAS input: which records it takes and which it refuses.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "las_writer.h"
#include "support/generated_tile.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

using testing::run_roofplanes;

TEST(extract_command, LasInputByItsSignatureRoofPointsByClass) {
  testing::ScratchDirectory scratch;
  building_generator::TileOptions options;
  options.buildings = 1;
  options.size = 40.0;
  options.points_per_m2 = 4.0;
  const testing::TilePoints tile = testing::tile_points(options);
  building_generator::LasFileOptions las;
  las.offset[0] = 350000.0, las.offset[1] = 5800000.0;
  // Not named .las: the signature tells.
  ASSERT_TRUE(building_generator::write_las(tile.tile.records, las, "scan.dat"));
  auto with_class = [&](int c) {
    return std::count_if(tile.tile.records.begin(), tile.tile.records.end(),
                         [&](const auto& r) { return r.classification == c; });
  };
  const std::string records = std::to_string(tile.tile.records.size());
  for (int roof_class : {6, 2}) {
    SCOPED_TRACE(roof_class);
    const testing::ProgramResult run =
        run_roofplanes("extract scan.dat --max-passes 2 --roof-class " + std::to_string(roof_class), scratch.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("points read   " + records + "\nroof points   " +
                                std::to_string(with_class(roof_class)) + "\n", 0),
              0u) << run.out;
  }

  // A roof list names positions of a text file: refused with a LAS file.
  testing::write_text("roof.txt", "0 1 2\n");
  const testing::ProgramResult run = run_roofplanes("extract scan.dat --roof roof.txt", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

// A header count below the records in the file: the counted records are
// extracted, the others named on standard error, exit status 1; tile, left
// with no roof point, refuses and names them too. Coordinates a scale makes infinite: refused, nothing written.
TEST(extract_command, LasRecordsBeyondTheCountAndInfiniteCoordinates) {
  testing::ScratchDirectory scratch;
  std::string bytes = testing::read_text(ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las");
  for (int k = 107; k < 111; ++k) bytes[k] = 0;  // count 0 of 14,408 records
  testing::write_text("zero.las", bytes);
  const std::string note = "roofplanes: zero.las: 14408 point records beyond the header's count of 0 were not read\n";
  testing::ProgramResult run = run_roofplanes("extract zero.las", scratch.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, note);
  EXPECT_EQ(run.out.rfind("points read   0\n", 0), 0u) << run.out;
  // tile finds no roof point among the counted records: refused, the records beyond named.
  run = run_roofplanes("tile zero.las -o out", scratch.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "roofplanes: zero.las: no point of the roof class 6 (--roof-class); classes present: none (no "
                     "points); 14408 point records beyond the header's count of 0 were not read\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "out"));
  std::filesystem::remove_all(scratch.path() / "out");

  bytes = testing::read_text(ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las");
  const double huge = 1e306;
  std::memcpy(&bytes[131], &huge, 8);  // X scale; the host is little-endian like the file
  testing::write_text("infinite.las", bytes);
  for (const char* command : {"extract infinite.las -o out", "tile infinite.las -o out"}) {
    SCOPED_TRACE(command);
    run = run_roofplanes(command, scratch.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("roofplanes: infinite.las: point record 1: X coordinate ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "out"));
  }
}

}  // namespace
}  // namespace roofplanes
