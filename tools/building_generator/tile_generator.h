#pragma once

// Deterministic, seeded synthetic LAS tiles: a small flat town of generated houses, each placed
// and turned on the tile, with ground, trees and wall points around them, in national-grid
// coordinates. Every record keeps its truth (building and roof face), so that tests and scale
// runs can tell how well the roofs were found.
//
// The same options give the same records on every machine: own random numbers (splitmix64),
// no std::random distributions, and every coordinate rounded to whole millimetres.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "building_generator.h"
#include "las_writer.h"

namespace building_generator {

struct TileOptions {
  int buildings = 20;
  std::uint64_t seed = 1;
  double points_per_m2 = 10.0;    // scan density over the whole tile, 1 to 100
  double size = 0.0;              // side of the square tile in metres; 0: default_tile_size
  double origin_x = 350000.0;     // south-west corner of the tile
  double origin_y = 5800000.0;
  std::uint8_t wall_class = 1;    // class of facade points: 1 (unclassified) or 6 (building)
};

// A house on the tile.
struct TileBuilding {
  RoofShape shape = RoofShape::gable;
  double rotation_deg = 0.0, size_scale = 1.0;
  double centre_x = 0.0, centre_y = 0.0, radius = 0.0;  // circle around all its roof points
  std::vector<TruePlane> planes;                          // its faces, in tile coordinates
};

struct Tile {
  double min_x = 0.0, min_y = 0.0, max_x = 0.0, max_y = 0.0;
  std::vector<TileBuilding> buildings;
  // Records in file order, the order a scanner flying north-south strips records them.
  // Classes: 2 ground, 5 trees, 6 roofs, wall_class for facades.
  std::vector<LasRecord> records;
  std::vector<int> building_of_record;  // roof and wall points: index into buildings; else -1
  std::vector<int> face_of_record;      // roof points: index into that building's planes; else -1
};

// Side of the default square tile for n buildings: 300 m for 20, 1 km for 400.
double default_tile_size(int buildings);

// The tile the options describe. Buildings keep at least 6 m between their roofs; throws
// std::invalid_argument for options out of range and std::runtime_error when the buildings do
// not fit on the tile.
Tile generate_tile(const TileOptions& options);

// Truth file (all indices 0-based):
//   tile MIN_X MIN_Y MAX_X MAX_Y
//   buildings N
//   then per building:  building K SHAPE CENTRE_X CENTRE_Y ROTATION_DEG SIZE_SCALE FACES F
//                       followed by F lines "A B C": face f is z = A x + B y + C
//   records M
//   then per LAS record, in file order: "BUILDING FACE" (-1 where there is none)
// The file version returns false when the file cannot be written.
void write_tile_truth(const Tile& tile, std::ostream& out);
bool write_tile_truth(const Tile& tile, const std::string& file_name);

}  // namespace building_generator
