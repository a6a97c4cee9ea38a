#pragma once

// Deterministic, seeded synthetic airborne laser scans of single buildings,
// for the sample data set, the tests and the benchmarks.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace building_generator {

enum class RoofShape {
  gable,             // two faces meeting at a ridge
  hip,               // four faces
  pyramid,           // four faces meeting at one apex
  cross_gable,       // L-shaped cross gable: two gables meeting at a valley
  flat_with_box,     // flat roof with a raised flat box on it
  shed_with_annex,   // one sloped face with a lower flat annex
  sample_house,      // cross-gabled house with a hipped end and a dormer
};

struct BuildingOptions {
  RoofShape shape = RoofShape::gable;
  std::uint64_t seed = 1;
  double points_per_m2 = 6.0;     // scan density on the roof
  double height_noise = 0.03;     // standard deviation of z noise, metres
  double size_scale = 1.0;        // multiplies every horizontal dimension of the shape
  bool surroundings = true;       // ground, wall and tree points around the house (not roof)
  int repeated_records = 0;       // records that repeat an earlier (x, y) with another z
  double origin_x = 350000.0;     // projected coordinates of the building's corner
  double origin_y = 5800000.0;
};

// One true roof face: z = a·x + b·y + c in the file's coordinates.
struct TruePlane {
  double a = 0.0, b = 0.0, c = 0.0;
};

struct Building {
  // Records in file order, coordinates already rounded to millimetres as written.
  std::vector<std::array<double, 3>> records;
  // Roof points as 0-based positions among the distinct (x, y) in order of first appearance.
  std::vector<int> roof_positions;
  std::vector<TruePlane> planes;
  // For each distinct (x, y) position: index into planes, or -1 for a point that is not a roof point.
  std::vector<int> plane_of_position;
};

Building generate_building(const BuildingOptions& options);

// Point file: one "x y z" record per line, millimetre decimals. Roof list: one position per line.
bool write_point_file(const Building& building, const std::string& file_name);
bool write_roof_list(const Building& building, const std::string& file_name);

}  // namespace building_generator
