#pragma once

#include <vector>

namespace roofplanes {

// [pan, tilt, s]: unit normal (cos tilt · cos pan, cos tilt · sin pan, sin tilt),
// the plane holds every p with n · p = s. Angles in radians.
using PlaneParams = std::vector<double>;

// [a, b, c] of the explicit plane z = a·x + b·y + c.
using PlaneCoefficients = std::vector<double>;

}  // namespace roofplanes
