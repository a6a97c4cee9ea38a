#pragma once

#include <string>

namespace roofplanes {

// The largest coordinate magnitude an input may hold, in metres. Projected
// and geocentric coordinates stay below 10^8; beyond 10^12 sums and squares
// of a building's coordinates lose every digit or overflow, so such a value
// is an input error, not a point.
inline constexpr double max_coordinate_magnitude = 1e12;

// Empty when value is a finite number within ±max_coordinate_magnitude;
// otherwise what is wrong with it, the value included ("is not a finite
// number (inf)", "1e+300 lies beyond ±1e12").
std::string coordinate_problem(double value);

}  // namespace roofplanes
