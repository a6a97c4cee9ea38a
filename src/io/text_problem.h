#pragma once

#include <cstddef>
#include <string>

namespace roofplanes {

// Where a text input stops being what it should be.
struct TextProblem {
  std::size_t entry = 0;  // 1-based number of the record or entry that could not be read
  std::size_t line = 0;   // 1-based line on which it starts
  std::string text;       // the offending text, to the end of its line (shortened when long)
};

// How a text input file was opened: error is empty when it could be read.
struct TextFileStatus {
  std::string error;  // "cannot be opened", "is a folder"
};

}  // namespace roofplanes
