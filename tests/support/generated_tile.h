#pragma once

// Generated tiles as the tile stages take them: every record a point, the
// roof-class records (6) flagged.

#include <cstdint>
#include <vector>

#include "observer/extraction_observer.h"
#include "tile_generator.h"

namespace roofplanes::testing {

struct TilePoints {
  building_generator::Tile tile;  // with the truth of every record
  std::vector<Point> points;
  std::vector<std::uint8_t> roof;
};

inline TilePoints tile_points(const building_generator::TileOptions& options) {
  TilePoints result{building_generator::generate_tile(options), {}, {}};
  for (const auto& r : result.tile.records) {
    result.points.push_back({r.x, r.y, r.z});
    result.roof.push_back(r.classification == 6);
  }
  return result;
}

// Six houses on 120 m by 120 m: a tile that runs in well under a second.
inline building_generator::TileOptions small_tile_options(std::uint64_t seed = 5) {
  building_generator::TileOptions options;
  options.buildings = 6;
  options.size = 120.0;
  options.points_per_m2 = 12.0;
  options.seed = seed;
  return options;
}

}  // namespace roofplanes::testing
