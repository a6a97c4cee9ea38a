#include "integer_list.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace roof_scoring {

bool read_integer_list(std::istream& in, std::vector<int>& values, std::string& error) {
  values.clear();
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    const std::size_t last = line.find_last_not_of(" \t\r");
    const std::string text = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    char* end = nullptr;
    errno = 0;
    const long value = text.empty() ? 0 : std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) {
      error = "line " + std::to_string(number) + ": not an integer: \"" + line + "\"";
      return false;
    }
    values.push_back(static_cast<int>(value));
  }
  return true;
}

}  // namespace roof_scoring
