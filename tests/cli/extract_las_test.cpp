// `roofplanes extract` on LAS input: which records it takes and which it refuses.

#include <algorithm>
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

}  // namespace
}  // namespace roofplanes
