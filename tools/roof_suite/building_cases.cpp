#include "building_cases.h"

#include <cmath>
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
};

// Origins: UTM-like (six-digit easting), Gauss-Krüger (seven digits, with the zone), and the
// local origin of a survey without a national grid.
const Variant kVariants[] = {
    {"usual", {6.0, 6.0}, {0.03, 0.03}, 0.0, 350000.0, 5800000.0, true, 0},
    {"sparse", {2.0, 3.0}, {0.05, 0.04}, 15.0, 350000.0, 5800000.0, true, 0},
    {"dense", {20.0, 12.0}, {0.02, 0.02}, 30.0, 4512345.0, 5654321.0, true, 0},
    {"noisy", {8.0, 4.0}, {0.1, 0.07}, 45.0, 350000.0, 5800000.0, true, 4},
    {"bare", {10.0, 5.0}, {0.03, 0.05}, 60.0, 0.0, 0.0, false, 0},
};

}  // namespace

std::vector<BuildingCase> building_cases() {
  std::vector<BuildingCase> cases;
  const std::vector<RoofShape> shapes = building_generator::all_shapes();
  for (const Variant& variant : kVariants) {
    for (std::size_t k = 0; k < shapes.size(); ++k) {
      BuildingCase c;
      c.type = building_generator::shape_name(shapes[k]);
      c.name = c.type + "-" + variant.name;
      c.options.shape = shapes[k];
      c.options.seed = 101 + cases.size();
      c.options.points_per_m2 = variant.density[k % 2];
      c.options.height_noise = variant.noise[k % 2];
      c.options.rotation_deg = variant.rotation == 0.0 ? 0.0 : std::fmod(variant.rotation + 7.0 * k, 90.0);
      c.options.origin_x = variant.origin_x;
      c.options.origin_y = variant.origin_y;
      c.options.surroundings = variant.surroundings;
      c.options.repeated_records = variant.repeated_records;
      cases.push_back(c);
    }
  }
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
