#include "io/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
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

// Only complete files appear under their names: a writer that fails leaves
// neither the file (an older one included) nor its temporary name; a link is
// replaced, not written through.
TEST(write_output_file, CompleteFilesOnlyAndNeverThroughALink) {
  testing::ScratchDirectory scratch;
  const auto names = [] {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(".")) found.insert(entry.path().filename().string());
    return found;
  };
  const std::set<std::string> before = names();
  write_output_file("model.json", [](std::ostream& out) { out << "old"; });
  EXPECT_THROW(write_output_file("model.json",
                                 [](std::ostream& out) {
                                   out << "half";
                                   throw std::runtime_error("stopped");
                                 }),
               std::runtime_error);
  EXPECT_EQ(names(), before);

  testing::write_text("outside.txt", "keep");
  std::filesystem::create_symlink("outside.txt", "link.txt");
  write_output_file("link.txt", [](std::ostream& out) { out << "new"; });
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status("link.txt")));
  EXPECT_EQ(testing::read_text("link.txt"), "new");
  EXPECT_EQ(testing::read_text("outside.txt"), "keep");
  // A dangling link pointing out of the folder: the same.
  std::filesystem::create_symlink("/nonexistent/roofplanes-target", "dangling.txt");
  write_output_file("dangling.txt", [](std::ostream& out) { out << "new"; });
  EXPECT_EQ(testing::read_text("dangling.txt"), "new");
  std::set<std::string> expected = before;
  expected.insert({"dangling.txt", "link.txt", "outside.txt"});
  EXPECT_EQ(names(), expected);
}

}  // namespace
}  // namespace roofplanes
