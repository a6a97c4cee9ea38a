#pragma once

// Text lists of one integer per line, as score_faces reads them.

#include <istream>
#include <string>
#include <vector>

namespace roof_scoring {

// Reads one decimal integer per line (surrounding blanks and a carriage return allowed) into
// values. Returns false and says in error which line is not an integer in the range of int.
bool read_integer_list(std::istream& in, std::vector<int>& values, std::string& error);

}  // namespace roof_scoring
