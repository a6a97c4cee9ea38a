#pragma once

#include "observer/report.h"

namespace roofplanes {

// Direction angle of (dx, dy), counterclockwise from +x, with π taken as 3.1416.
// (0, 0) has no direction: a message goes to the console and 0 is returned.
double rectangular_to_polar_angle(double& dx, double& dy, Report& report);      // radians, [0, 2 × 3.1416)
double rectangular_to_polar_angle_deg(double& dx, double& dy, Report& report);  // degrees, [0, 360)

}  // namespace roofplanes
