#pragma once

// Deterministic, seeded synthetic airborne laser scans of single buildings,
// for the sample data set, the tests and the benchmarks.
//
// The same options give the same records on every machine: the generator uses
// its own random number generator (xoshiro256** seeded through splitmix64) and
// its own Gaussian (Box-Muller), never the implementation-defined std::random
// distributions, and every coordinate is rounded to whole millimetres before
// anything else looks at it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
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
  t_gable,           // T-shaped: a gabled wing meeting the middle of a gable's long side
  plus_gable,        // cross-shaped (+): gabled wings on both long sides of a gable
  gable_dormers,     // gable with two gabled dormers on one face and a shed dormer on the other
  hip_dormers,       // hip with a shed dormer on one long face and a gabled dormer on the other
  mansard,           // steep lower faces on all four sides under a shallow hipped top
  two_storeys,       // a tall gabled block beside a low block with a half-hipped gable
};

struct BuildingOptions {
  RoofShape shape = RoofShape::gable;
  std::uint64_t seed = 1;
  double points_per_m2 = 6.0;     // scan density (per horizontal square metre)
  double height_noise = 0.03;     // standard deviation of z noise, metres
  // Multiplies every horizontal dimension of the shape and of its surroundings.
  // Roof pitches are kept, so heights above the eaves grow with it; eaves and
  // ground heights stay.
  double size_scale = 1.0;
  bool surroundings = true;       // ground, wall and tree points around the house (not roof)
  int repeated_records = 0;       // records that repeat an earlier (x, y) with another z
  double origin_x = 350000.0;     // projected coordinates of the building's corner
  double origin_y = 5800000.0;
  double rotation_deg = 0.0;      // building axes against the coordinate axes, counterclockwise
  double surroundings_margin = 4.0;  // width of the scanned strip around the house, metres (scaled)
};

// One true roof face: z = a·x + b·y + c in the file's coordinates.
struct TruePlane {
  double a = 0.0, b = 0.0, c = 0.0;
};

struct Building {
  // Records in file order, coordinates already rounded to millimetres as written.
  std::vector<std::array<double, 3>> records;
  // The same records as whole millimetres; the files are written from these.
  std::vector<std::array<std::int64_t, 3>> records_mm;
  // For each record: its 0-based position among the distinct (x, y) in order of
  // first appearance (a record that repeats an earlier (x, y) gets that position).
  std::vector<int> position_of_record;
  // Roof points as 0-based positions among the distinct (x, y) in order of first appearance,
  // ascending.
  std::vector<int> roof_positions;
  std::vector<TruePlane> planes;
  // For each distinct (x, y) position: index into planes, or -1 for a point that is not a roof
  // point. Decided by the first record at that (x, y), the one whose point a reader keeps.
  std::vector<int> plane_of_position;
};

// The scan of one building as the options describe it.
Building generate_building(const BuildingOptions& options);

// Roof area (horizontal, square metres) of a shape at size_scale 1.
double roof_area(RoofShape shape);

// Options for about roof_points roof points of the shape (within a few per cent): density 8
// points per m² and the size_scale that gives that many; below a quarter of the normal size the
// size stays at 0.25 and the density drops instead. All other options keep their defaults
// (surroundings included, no repeated records).
BuildingOptions options_for_roof_points(RoofShape shape, std::size_t roof_points,
                                        std::uint64_t seed);

// Name of a shape as the command line spells it ("gable", "sample_house", ...), and back;
// shape_from_name returns false for an unknown name and leaves shape unchanged.
std::string shape_name(RoofShape shape);
// Every shape, in declaration order.
std::vector<RoofShape> all_shapes();
bool shape_from_name(const std::string& name, RoofShape& shape);

// Point file: one "x y z" record per line, written from records_mm as exact millimetre decimals.
// Roof list: one position per line. True planes: one "a b c" line per face, 17 significant
// digits. The file versions return false when the file cannot be written.
bool write_point_file(const Building& building, const std::string& file_name);
bool write_roof_list(const Building& building, const std::string& file_name);
bool write_planes(const Building& building, const std::string& file_name);
void write_point_file(const Building& building, std::ostream& out);
void write_roof_list(const Building& building, std::ostream& out);
void write_planes(const Building& building, std::ostream& out);

// Millimetres as exact decimal text with three decimals: 350012345 -> "350012.345".
std::string millimetres_to_text(std::int64_t millimetres);

}  // namespace building_generator
