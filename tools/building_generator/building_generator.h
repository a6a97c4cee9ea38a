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
  lean_to,           // gable with a lean-to along one long side and a small one (3.6 m²) at a gable end
  shed_dormers,      // steep gable with a small shed dormer (about 3.5 m²) on each face
  chimneys,          // hip with two chimneys: small boxes whose tops are faces too small to score
  stepped,           // two gables in a row, the second 0.8 m higher: parallel faces split by a step
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

  // What real scans have and the defaults above leave out; the defaults add none of it, so a
  // scan without these options is the same as before they existed.
  // Overlapping flight strips (1 or 2): each strip scans the whole building at
  // points_per_m2 / flight_strips with its own scan lines and heading; the second lies
  // strip_offset higher (the strips' height registration error).
  int flight_strips = 1;
  double strip_offset = 0.0;
  // Roof material texture (tiles, slates): a height perturbation correlated over 1 to 6 m,
  // a sum of four random waves per face with this standard deviation, metres.
  double roof_texture = 0.0;
  // Distance between scan lines times sqrt(points per m² of a strip); larger values put the
  // points closer together along a line than across lines (1.1: nearly even).
  double line_spacing_factor = 1.1;
  // Round holes in the roof's coverage (dark or wet spots, shadowed corners), 0.4 to 0.9 m across.
  int occlusion_gaps = 0;
  // Trees at the eaves whose crowns hang over the roof: where the crown lies above the roof
  // most returns come from it (vegetation, not roof points), the rest from the roof below.
  int overhanging_trees = 0;
};

// The scan effects of real airborne scans at realistic values: two strips 3 cm apart in height,
// 2 cm of roof texture, scan lines three times farther apart than the points along them, two
// gaps in the roof and one overhanging tree. Only those options change.
BuildingOptions with_real_scan_effects(BuildingOptions options);

// One true roof face: z = a·x + b·y + c in the file's coordinates.
struct TruePlane {
  double a = 0.0, b = 0.0, c = 0.0;
};

// A ring of x, y corners in the file's coordinates, not closed.
using Ring = std::vector<std::array<double, 2>>;

// Where two true roof faces meet: a ridge, a hip, a valley, or the kink between a mansard's
// steep and shallow faces; a step between faces (a wall between them) is none. In the file's
// coordinates, z on both faces' planes.
struct TrueEdge {
  std::array<double, 3> start{}, end{};
  std::array<int, 2> faces{};  // indices into Building::planes
  bool valley = false;         // concave: the roof is the higher of the two planes beside it
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
  // The true footprint: the roof's outline seen from above, on which the walls stand (the eaves
  // line). Outer rings counterclockwise, holes clockwise, no two consecutive edges collinear.
  std::vector<Ring> footprint;
  // Every line where two true faces meet, each run along one pair of planes one segment.
  std::vector<TrueEdge> edges;
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
