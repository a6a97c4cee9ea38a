#pragma once

// An observer that keeps everything a stage reports, and a Report over it,
// for tests that check the progress text, the log or the scenes.

#include <string>
#include <string_view>
#include <vector>

#include "observer/extraction_observer.h"
#include "observer/report.h"

namespace roofplanes::testing {

struct CapturingObserver final : ExtractionObserver {
  std::string console_text, log_text, warnings;
  std::vector<Scene> scenes;
  std::vector<int> passes;

  bool wants_text() const override { return true; }
  void console(std::string_view text, bool) override { console_text += text; }
  void log(std::string_view text, bool) override { log_text += text; }
  void warning(std::string_view line) override { (warnings += line) += '\n'; }
  bool wants_scenes() const override { return true; }
  void scene(const Scene& scene) override { scenes.push_back(scene); }
  void pass_started(int pass, std::size_t) override { passes.push_back(pass); }
};

// A Report whose text and scenes are kept for inspection.
struct CapturedReport {
  CapturingObserver observer;
  Report report{observer};

  // The log's lines, without their line ends.
  std::vector<std::string> log_lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = observer.log_text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(observer.log_text.substr(start, end - start));
    if (start < observer.log_text.size()) lines.push_back(observer.log_text.substr(start));
    return lines;
  }
};

}  // namespace roofplanes::testing

namespace roofplanes::testing {

// A report for stages whose text a test does not look at.
inline Report& silent_report() {
  static ExtractionObserver silent;
  static Report report(silent);
  return report;
}

}  // namespace roofplanes::testing
