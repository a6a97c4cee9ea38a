#pragma once

#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// Writes what an extraction reports the way the program always has: console
// text to standard output, the execution log and the VRML scenes into one
// folder, warnings to standard error; and, when asked, which pass is running
// on standard error (a terminal only, once the run has taken a second).
// Files that cannot be written are each reported once on standard error and
// remembered, so the program can say so in its exit status.
class FileObserver final : public ExtractionObserver {
 public:
  struct Options {
    std::string folder;      // with a trailing separator, e.g. "Testdaten_Tolvar/69/"
    bool console = true;     // progress text to standard output
    bool log = true;         // execution_log.txt in the folder
    bool scenes = true;      // the scenes in the folder
    bool progress = false;   // pass progress on a terminal
  };
  explicit FileObserver(Options options);

  // Opens (empties) the execution log; reports it when it cannot be opened.
  void open_log();
  // Closes the log and checks that it was written completely; clears the
  // progress line. Returns whether every file was written.
  bool finish();

  bool wants_text() const override { return options_.console || options_.log; }
  void console(std::string_view text, bool flush) override;
  void log(std::string_view text, bool flush) override;
  void warning(std::string_view line) override;
  bool wants_scenes() const override { return options_.scenes; }
  void scene(const Scene& scene) override;
  void pass_started(int pass, std::size_t roof_points_in_play) override;

 private:
  void failed(const std::string& file);

  Options options_;
  std::ofstream log_;
  std::set<std::string> failed_files_;
  std::chrono::steady_clock::time_point start_;
  bool progress_shown_ = false;
};

}  // namespace roofplanes
