#pragma once

#include <cstdint>
#include <vector>

#include "points/point_cloud.h"

namespace roofplanes {

// Sets is_roof on every vertex whose first record is flagged in roof (one
// flag per record). No other label field changes.
void mark_roof_points(const std::vector<std::uint8_t>& roof, PointCloud& cloud);

}  // namespace roofplanes
