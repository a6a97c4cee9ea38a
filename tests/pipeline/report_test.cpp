#include "observer/report.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace roofplanes {
namespace {

// Every call in order: "console:<text>" or "flush:<text>", "warning:<line>".
struct RecordingObserver final : ExtractionObserver {
  std::vector<std::string> calls;
  bool wants_text() const override { return true; }
  void console(std::string_view text, bool flush) override {
    calls.push_back((flush ? "flush:" : "console:") + std::string(text));
  }
  void warning(std::string_view line) override { calls.push_back("warning:" + std::string(line)); }
};

TEST(Report, BufferedLinesAreFlushedOnceBeforeAWarningOrWhenAsked) {
  RecordingObserver observer;
  Report report(observer);
  report.console_line_buffered("processing vertex ", 7);
  report.console_line_buffered("removing");
  report.warning("something");
  report.flush_console();  // nothing owed any more
  report.console_line_buffered("round ", 1);
  report.flush_console();
  report.console_line("y");
  report.flush_console();  // the line flushed itself
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"console:processing vertex 7\n", "console:removing\n", "flush:",
                                                       "warning:something", "console:round 1\n", "flush:",
                                                       "flush:y\n"}));
}

}  // namespace
}  // namespace roofplanes
