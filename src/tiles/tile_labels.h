#pragma once

// What a tile's labelled point file says about every point of the tile.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tiles/extract_tile.h"
#include "tiles/find_buildings.h"

namespace roofplanes {

struct TileLabels {
  // Segment numbers made unique across the tile: building b<k>'s segment s is
  // s plus the segments of the buildings written before it; 0 = none.
  std::vector<int> segment;
  std::vector<std::uint8_t> roof;  // 1 = a roof point of a building the finder kept
  // k of building b<k>, 0 = none. A point belongs to the building whose input
  // held it; one held by several inputs (their boxes overlap) to the building
  // whose roof point it is, and to none when it is no roof point. Buildings
  // whose extraction failed are left out: their points belong to none.
  std::vector<int> building;
};

// The labels of point_count points from the finder's buildings and what their
// extraction gave (one TileBuilding each, in the same order).
TileLabels tile_labels(std::size_t point_count, const std::vector<FoundBuilding>& found,
                       const std::vector<TileBuilding>& buildings);

}  // namespace roofplanes
