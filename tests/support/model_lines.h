#pragma once

// What the building model adds to a run's standard error, so that tests of
// other things read only their own lines.

#include <sstream>
#include <string>

namespace roofplanes::testing {

// Standard error less the model's lines: where each building's ground height
// came from and their count by source.
inline std::string without_model_lines(const std::string& err) {
  std::istringstream lines(err);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(": ground height ") != std::string::npos || line.rfind("roofplanes: ground heights:", 0) == 0)
      continue;
    kept += line + '\n';
  }
  return kept;
}

}  // namespace roofplanes::testing
