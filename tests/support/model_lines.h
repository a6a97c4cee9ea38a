#pragma once

// What the building model adds to a run's standard error and exit status, so
// that tests of other things hold whether or not each building got a solid.

#include <sstream>
#include <string>

namespace roofplanes::testing {

// Standard error less the model's lines: where each building's ground height
// came from, their count by source, and why a building got no valid solid.
inline std::string without_model_lines(const std::string& err) {
  std::istringstream lines(err);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(": ground height ") != std::string::npos || line.rfind("roofplanes: ground heights:", 0) == 0 ||
        line.find(": no valid solid: ") != std::string::npos)
      continue;
    kept += line + '\n';
  }
  return kept;
}

// The exit status a run must end with: 1 where it said a building got no
// valid solid, else the status it has without the model.
inline int status_with_model(const std::string& err, int status) {
  return status == 0 && err.find(": no valid solid: ") != std::string::npos ? 1 : status;
}

}  // namespace roofplanes::testing
