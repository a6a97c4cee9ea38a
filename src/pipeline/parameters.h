#pragma once

#include <cstddef>
#include <string>

namespace roofplanes {

// Every constant of an extraction. The defaults are the seed values the
// fixed-path program runs with.
struct Parameters {
  double angle_resolution = 3.0;     // Hough direction cell, degrees
  double distance_resolution = 1.2;  // Hough distance cell, input units
  double blunder_sigma = 1.2;        // a point farther than shrink_factor × blunder_sigma from the fitted plane is dropped
  double shrink_factor = 0.658;
  double expansion_factor = 0.2;     // the region grows over points nearer than shrink_factor × expansion_factor
  double simplify_tolerance = 1.5;   // largest distance of an outline point from its corner polygon, input units
  unsigned min_points = 3;           // another pass starts while at least this many points remain
  std::size_t max_passes = 0;        // stop after this many passes; 0: no limit
};

// Empty when an extraction can run with these values; otherwise one line
// naming the first value that cannot (a resolution, factor or tolerance that
// is not a positive finite number, or an angle resolution above 90 degrees).
std::string check_parameters(const Parameters& parameters);

}  // namespace roofplanes
