#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roofplanes {

// Number of levels for a positive quotient range / resolution: the whole part,
// plus one only when the fraction is greater than 0.5, so an exact half rounds
// down (22.5 -> 22, 22.51 -> 23).
std::size_t round_half_down(double quotient);

// Fills the Hough direction grid: tilt_levels gets the centre of each tilt band
// of [tilt_min, tilt_max] in radians, ascending; pan_levels gets, per tilt level,
// the centres of the pan bands of [pan_min, pan_max] in radians. The pan step at
// tilt t is the tilt resolution / cos t, so directions stay about equally far
// apart on the hemisphere. Ranges are whole degrees; angle_resolution (degrees)
// is replaced by the adjusted tilt resolution. Both vectors are overwritten.
void hough_levels(std::vector<double>& tilt_levels, std::vector<std::vector<double>>& pan_levels,
                  int pan_min, int pan_max, int tilt_min, int tilt_max, double& angle_resolution);

// The distance levels along every normal: level k covers the distances from
// min_s + k · resolution up to the next level; count levels in all.
struct HoughDistanceLevels {
  double min_s;
  double resolution;
  std::size_t count;
};

// The distance levels of the plane search for points at most max_distance
// from the origin: from min_s = -max_distance to max_s = max_distance +
// hough_s_margin in round_half_down((max_s - min_s) / resolution) levels, the
// resolution stretched to fill that width (infinite when there is no level).
inline constexpr double hough_s_margin = 0.001;
HoughDistanceLevels hough_distance_levels(double max_distance, double resolution);

// Level of the distance s: the whole part of (s - min_s) / resolution, clamped
// to [0, count - 1]; count must be at least 1 and fit in 32 bits. Rounding can
// put n · p a hair outside [min_s, max_s]: the clamp keeps such a vote in the
// first or last level. Clamping before the conversion keeps the conversion
// defined and, the bounds being whole numbers, gives the level that truncating
// first would give.
inline std::int32_t hough_s_level(double s, const HoughDistanceLevels& levels) {
  const double last = static_cast<double>(levels.count - 1);
  double q = (s - levels.min_s) / levels.resolution;
  q = q > 0.0 ? q : 0.0;  // also maps a NaN to level 0
  q = q < last ? q : last;
  return static_cast<std::int32_t>(q);
}

}  // namespace roofplanes
