#include "io/coordinate_range.h"

#include <charconv>
#include <cmath>

namespace roofplanes {

std::string coordinate_problem(double value) {
  if (std::isfinite(value) && std::fabs(value) <= max_coordinate_magnitude) return {};
  char text[32];
  const std::string shown(text, std::to_chars(text, text + sizeof text, value).ptr);
  if (!std::isfinite(value)) return "is not a finite number (" + shown + ")";
  return shown + " lies beyond ±1e12";
}

}  // namespace roofplanes
