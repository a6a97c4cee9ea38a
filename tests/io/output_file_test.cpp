#include "io/output_file.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

std::string failure_of(const std::filesystem::path& file) {
  try {
    write_output_file(file, [](std::ostream& out) { out << std::string(100000, 'x'); });
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "no error";
}

TEST(write_output_file, WritesEverythingOrSaysWhichFileFailed) {
  testing::ScratchDirectory scratch;
  write_output_file("out.txt", [](std::ostream& out) { out << "roof\n"; });
  EXPECT_EQ(testing::read_text("out.txt"), "roof\n");

  EXPECT_EQ(failure_of("missing/out.txt"), "missing/out.txt: cannot be opened for writing");
  // The device accepts the open and fails only when the buffered bytes are flushed.
  EXPECT_EQ(failure_of("/dev/full"), "/dev/full: could not be written completely");
}

}  // namespace
}  // namespace roofplanes
