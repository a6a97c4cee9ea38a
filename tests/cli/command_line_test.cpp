// The last handler: whatever escapes a command ends as one line and exit
// status 2, never as an abort.

#include "cli/command_line.h"

#include <new>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace roofplanes {
namespace {

TEST(run_guarded, AnythingThrownBecomesOneLineAndExitTwo) {
  const struct {
    const char* what;
    std::function<int()> run;
    std::string line;
  } cases[] = {
      {"a library's own error", [] () -> int { throw std::invalid_argument("point 3 is not finite"); },
       "roofplanes: stopped by an unexpected error: point 3 is not finite\n"},
      {"memory", [] () -> int { throw std::bad_alloc(); }, "roofplanes: out of memory\n"},
      {"no exception type", [] () -> int { throw 7; }, "roofplanes: stopped by an unexpected error\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::testing::internal::CaptureStderr();
    const int status = run_guarded(c.run);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
    EXPECT_EQ(status, 2);
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(run_guarded([] { return 1; }), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace roofplanes
