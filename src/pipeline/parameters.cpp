#include "pipeline/parameters.h"

#include <cmath>

namespace roofplanes {

std::string check_parameters(const Parameters& parameters) {
  const struct {
    const char* name;
    double value;
  } positive[] = {
      {"angle resolution", parameters.angle_resolution},
      {"distance resolution", parameters.distance_resolution},
      {"blunder sigma", parameters.blunder_sigma},
      {"shrink factor", parameters.shrink_factor},
      {"expansion factor", parameters.expansion_factor},
      {"simplify tolerance", parameters.simplify_tolerance},
  };
  for (const auto& [name, value] : positive)
    if (!std::isfinite(value) || !(value > 0.0))
      return std::string(name) + " must be a positive finite number";
  // Coarser than the whole tilt range leaves no direction to search.
  if (parameters.angle_resolution > 90.0) return "angle resolution must be at most 90 degrees";
  return {};
}

}  // namespace roofplanes
