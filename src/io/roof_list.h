#pragma once

#include <optional>
#include <string>
#include <vector>

#include "io/text_problem.h"

namespace roofplanes {

// A roof list as read: white-space separated 0-based vertex positions, read
// with the stream's int extraction until the first one that fails.
struct RoofList {
  TextFileStatus status;
  std::vector<long long> positions;
  // Set when reading stopped at an entry that is not a whole number in int
  // range ("3.5", "2147483648", a word); the entries before it are kept
  // (for "3.5" that includes the 3 the stream read before stopping).
  std::optional<TextProblem> problem;
};

RoofList read_roof_list(const std::string& file_name);

}  // namespace roofplanes
