#include "planes/hough_levels.h"

#include <cmath>

namespace roofplanes {

namespace {

constexpr double pi = 3.141592653589793;

// Centres of the m bands of [lo, hi] in degrees, converted to radians.
std::vector<double> band_centres(int lo, int hi, std::size_t m) {
  std::vector<double> centres;
  centres.reserve(m);
  const double width = static_cast<double>(hi - lo) / static_cast<double>(m);
  for (std::size_t i = 0; i < m; ++i) {
    const double centre = ((lo + static_cast<double>(i) * width) + (lo + static_cast<double>(i + 1) * width)) / 2;
    centres.push_back((centre * pi) / 180);
  }
  return centres;
}

}  // namespace

std::size_t round_half_down(double quotient) {
  if (!(quotient > 0.0)) return 0;  // an empty or undefined range has no level
  const double whole = std::trunc(quotient);
  std::size_t count = static_cast<std::size_t>(whole);
  if (quotient - whole > 0.5) ++count;
  return count;
}

HoughDistanceLevels hough_distance_levels(double max_distance, double resolution) {
  const double min_s = -max_distance;
  const double max_s = max_distance + hough_s_margin;
  const std::size_t count = round_half_down((max_s - min_s) / resolution);
  return {min_s, (max_s - min_s) / static_cast<double>(count), count};
}

void hough_levels(std::vector<double>& tilt_levels, std::vector<std::vector<double>>& pan_levels,
                  int pan_min, int pan_max, int tilt_min, int tilt_max, double& angle_resolution) {
  const std::size_t tilt_count = round_half_down((tilt_max - tilt_min) / angle_resolution);
  angle_resolution = static_cast<double>(tilt_max - tilt_min) / static_cast<double>(tilt_count);
  tilt_levels = band_centres(tilt_min, tilt_max, tilt_count);

  pan_levels.clear();
  pan_levels.reserve(tilt_levels.size());
  for (const double tilt : tilt_levels) {
    // Circles of latitude shrink with cos t: fewer pan bands near the zenith.
    const double pan_step = angle_resolution / std::cos(tilt);
    const std::size_t pan_count = round_half_down((pan_max - pan_min) / pan_step);
    pan_levels.push_back(band_centres(pan_min, pan_max, pan_count));
  }
}

}  // namespace roofplanes
