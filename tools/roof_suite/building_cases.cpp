#include "building_cases.h"

#include <cmath>
#include <iterator>
#include <utility>

namespace roof_suite {
namespace {

using building_generator::RoofShape;

struct Variant {
  const char* name;
  double density[2];  // points per m², alternating from shape to shape
  double noise[2];    // metres, likewise
  double rotation;    // degrees, plus a few per shape (except the usual variant)
  double origin_x, origin_y;
  bool surroundings;
  int repeated_records;
  bool real_scan;  // with_real_scan_effects: strips, texture, scan lines, gaps, an overhanging tree
};

// Origins: UTM-like (six-digit easting), Gauss-Krüger (seven digits, with the zone), and the
// local origin of a survey without a national grid.
const Variant kVariants[] = {
    {"usual", {6.0, 6.0}, {0.03, 0.03}, 0.0, 350000.0, 5800000.0, true, 0, false},
    {"sparse", {2.0, 3.0}, {0.05, 0.04}, 15.0, 350000.0, 5800000.0, true, 0, false},
    {"dense", {20.0, 12.0}, {0.02, 0.02}, 30.0, 4512345.0, 5654321.0, true, 0, false},
    {"noisy", {8.0, 4.0}, {0.1, 0.07}, 45.0, 350000.0, 5800000.0, true, 4, false},
    {"bare", {10.0, 5.0}, {0.03, 0.05}, 60.0, 0.0, 0.0, false, 0, false},
    // Real airborne scans: 8 to 12 points per m² over two strips, white noise of 8 to 10 mm
    // (what a noise estimate from neighbouring points sees of a real roof) under the roof
    // texture, Lambert-93-like coordinates.
    {"real", {8.0, 12.0}, {0.008, 0.01}, 20.0, 652000.0, 6862000.0, true, 0, true},
};

// The shapes of the first suite; the cases of the first five variants over them come first and
// keep their seeds, so that they generate the same points as they always have.
constexpr std::size_t kFirstShapes = 13;
constexpr std::size_t kFirstVariants = 5;

BuildingCase make_case(const Variant& variant, std::size_t k, RoofShape shape, std::uint64_t seed) {
  BuildingCase c;
  c.type = building_generator::shape_name(shape);
  c.name = c.type + "-" + variant.name;
  c.options.shape = shape;
  c.options.seed = seed;
  c.options.points_per_m2 = variant.density[k % 2];
  c.options.height_noise = variant.noise[k % 2];
  c.options.rotation_deg = variant.rotation == 0.0 ? 0.0 : std::fmod(variant.rotation + 7.0 * static_cast<double>(k), 90.0);
  c.options.origin_x = variant.origin_x;
  c.options.origin_y = variant.origin_y;
  c.options.surroundings = variant.surroundings;
  c.options.repeated_records = variant.repeated_records;
  if (variant.real_scan) {
    c.options = building_generator::with_real_scan_effects(c.options);
    c.options.roof_texture = k % 2 == 0 ? 0.02 : 0.025;
    c.options.strip_offset = k % 3 == 0 ? 0.03 : k % 3 == 1 ? 0.02 : 0.04;
  }
  return c;
}

}  // namespace

std::vector<BuildingCase> building_cases() {
  std::vector<BuildingCase> cases;
  const std::vector<RoofShape> shapes = building_generator::all_shapes();
  // Block by block; each case's seed follows the cases before it.
  const auto add = [&](std::size_t variant_from, std::size_t variant_to, std::size_t shape_from,
                       std::size_t shape_to) {
    for (std::size_t variant = variant_from; variant < variant_to; ++variant)
      for (std::size_t k = shape_from; k < shape_to; ++k)
        cases.push_back(make_case(kVariants[variant], k, shapes[k], 101 + cases.size()));
  };
  add(0, kFirstVariants, 0, kFirstShapes);                           // the first suite, unchanged
  add(0, kFirstVariants, kFirstShapes, shapes.size());               // later shapes, first variants
  add(kFirstVariants, std::size(kVariants), 0, shapes.size());       // real scans of every shape
  return cases;
}

std::vector<std::string> case_set_names() {
  std::vector<std::string> names = {"all", "quick"};
  for (const Variant& variant : kVariants) names.push_back(variant.name);
  for (RoofShape shape : building_generator::all_shapes()) names.push_back(building_generator::shape_name(shape));
  return names;
}

bool named_cases(const std::string& set, std::vector<BuildingCase>& cases) {
  const std::string variant = set == "quick" ? "usual" : set;
  std::vector<BuildingCase> chosen;
  for (const BuildingCase& c : building_cases()) {
    if (set == "all" || c.type == set || c.name == c.type + "-" + variant) chosen.push_back(c);
  }
  if (chosen.empty()) return false;
  cases = std::move(chosen);
  return true;
}

std::vector<int> true_faces_of_records(const building_generator::Building& building) {
  std::vector<int> faces;
  faces.reserve(building.position_of_record.size());
  for (int position : building.position_of_record)
    faces.push_back(building.plane_of_position[static_cast<std::size_t>(position)]);
  return faces;
}

}  // namespace roof_suite
