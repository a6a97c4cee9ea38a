#include "regions/polar_angle.h"

#include <cmath>

namespace roofplanes {
namespace {

// π as the outline walk and the simplification have always taken it; the
// angles they compare are computed with this value, not the exact one.
constexpr double P = 3.1416;

double polar_angle(double dx, double dy, const char* undefined_message, Report& report) {
  if (dx < 0) return std::atan(dy / dx) + P;
  if (dx > 0 && dy >= 0) return std::atan(dy / dx);
  if (dx == 0) {
    if (dy < 0) return (3 * P) / 2;
    if (dy > 0) return P / 2;
    report.console(undefined_message);
    return 0;
  }
  return std::atan(dy / dx) + 2 * P;  // dx > 0, dy < 0 (or a NaN)
}

}  // namespace

double rectangular_to_polar_angle(double& dx, double& dy, Report& report) {
  return polar_angle(dx, dy, "rectangular_to_polar_angle: direction undefined!", report);
}

double rectangular_to_polar_angle_deg(double& dx, double& dy, Report& report) {
  const double angle = polar_angle(dx, dy, "rectangular_to_polar_angle_deg: direction undefined!", report);
  return (angle * 180) / P;
}

}  // namespace roofplanes
