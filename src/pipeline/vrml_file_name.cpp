#include "pipeline/vrml_file_name.h"

#include <sstream>

namespace roofplanes {

std::string int_to_string(int number) {
  std::stringstream text;
  text << number;
  return text.str();
}

std::string vrml_file_name(std::string prefix, int number, std::string suffix) {
  return prefix + int_to_string(number) + suffix;
}

}  // namespace roofplanes
