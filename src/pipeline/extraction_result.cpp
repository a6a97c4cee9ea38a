#include "pipeline/extraction_result.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace roofplanes {

double slope_degrees(const Segment& segment) {
  return std::acos(std::clamp(segment.normal.z, -1.0, 1.0)) * 180.0 / std::numbers::pi;
}

double aspect_degrees(const Segment& segment) {
  // An upward normal leans towards the downslope side.
  if (segment.normal.x == 0.0 && segment.normal.y == 0.0) return 0.0;
  double aspect = std::atan2(segment.normal.x, segment.normal.y) * 180.0 / std::numbers::pi;
  if (aspect < 0.0) aspect += 360.0;
  return aspect >= 360.0 ? 0.0 : aspect;
}

}  // namespace roofplanes
