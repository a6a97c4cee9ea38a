#pragma once

// Points the execution log at a temporary file for one test and reads back
// what was written.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pipeline/execution_log.h"

namespace roofplanes::testing {

class HoughLogCapture {
 public:
  HoughLogCapture()
      : path_(std::filesystem::temp_directory_path() /
              ("roofplanes_hough_log_" + std::to_string(::getpid()) + ".txt")) {
    if (ExecutionLog.is_open()) ExecutionLog.close();
    ExecutionLog.clear();
    ExecutionLog.open(path_, std::ios::out | std::ios::trunc);
  }
  ~HoughLogCapture() {
    if (ExecutionLog.is_open()) ExecutionLog.close();
    std::filesystem::remove(path_);
  }
  HoughLogCapture(const HoughLogCapture&) = delete;
  HoughLogCapture& operator=(const HoughLogCapture&) = delete;

  // Closes the log and returns the whole file.
  std::string text() {
    if (ExecutionLog.is_open()) ExecutionLog.close();
    std::ifstream in(path_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Closes the log and returns its lines, without their line ends.
  std::vector<std::string> lines() {
    std::vector<std::string> result;
    std::string all = text();
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
      result.push_back(all.substr(start, end - start));
    if (start < all.size()) result.push_back(all.substr(start));
    return result;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace roofplanes::testing
