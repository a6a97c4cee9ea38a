#include "tiles/tile_labels.h"

#include <stdexcept>
#include <string>

namespace roofplanes {

TileLabels tile_labels(std::size_t point_count, const std::vector<FoundBuilding>& found,
                       const std::vector<TileBuilding>& buildings) {
  if (found.size() != buildings.size())
    throw std::invalid_argument("tile labels: " + std::to_string(buildings.size()) + " results for " +
                                std::to_string(found.size()) + " buildings");
  TileLabels labels;
  labels.segment.assign(point_count, 0);
  labels.roof.assign(point_count, 0);
  labels.building.assign(point_count, 0);
  constexpr int shared = -1;  // held by several inputs
  for (std::size_t k = 0; k < found.size(); ++k)
    for (std::size_t i : found[k].input) {
      int& b = labels.building.at(i);
      b = b == 0 ? static_cast<int>(k + 1) : shared;
    }
  for (std::size_t k = 0; k < found.size(); ++k)
    for (std::size_t i : found[k].roof) {
      labels.roof.at(i) = 1;
      labels.building[i] = static_cast<int>(k + 1);
    }
  for (int& b : labels.building)
    if (b == shared || (b > 0 && !buildings[static_cast<std::size_t>(b - 1)].error.empty())) b = 0;

  int first = 0;  // segments of the buildings before
  for (const TileBuilding& b : buildings) {
    if (!b.error.empty()) continue;
    for (std::size_t r = 0; r < b.tile_index.size(); ++r)
      if (b.result.labels[r] != 0) labels.segment.at(b.tile_index[r]) = first + b.result.labels[r];
    first += static_cast<int>(b.result.segments.size());
  }
  return labels;
}

}  // namespace roofplanes
