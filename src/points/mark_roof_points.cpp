#include "points/mark_roof_points.h"

namespace roofplanes {

void mark_roof_points(const std::vector<std::uint8_t>& roof, PointCloud& cloud) {
  for (std::size_t k = 0; k < cloud.vertices.size(); ++k)
    if (roof[cloud.first_record[k]] != 0) cloud.vertices[k]->info().set_is_roof(true);
}

}  // namespace roofplanes
