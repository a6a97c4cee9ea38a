#pragma once

#include <cstddef>
#include <string>

#include "io/text_problem.h"

namespace roofplanes {

// Opens a text input for reading, or says why it cannot be read.
TextFileStatus text_file_status(const std::string& file_name);

// The whole file as a string ("" when it cannot be read).
std::string read_whole_file(const std::string& file_name);

// The problem at byte offset position of text, once a reader has stopped
// there: the white-space separated entry that holds it (so "3.5" when the
// stream stopped at ".5"), its 1-based entry number and line. Returns false
// when only white space is left from position on: a clean end.
bool problem_at(const std::string& text, std::size_t position, TextProblem& problem);

}  // namespace roofplanes
