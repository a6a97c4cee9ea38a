// make_building: writes a synthetic airborne laser scan of one building.
//
// The sample building in Testdaten_Tolvar/69 is written, from the repository root, by
//   make_building --shape sample_house --seed 69 --rotation 18 --repeats 5 Testdaten_Tolvar/69/Building_69.txt Testdaten_Tolvar/69/roof.txt
// (make_building lies in the build tree under tools/building_generator/).

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "building_generator.h"

namespace {

void print_usage() {
  std::cerr << "usage: make_building [--shape NAME] [--seed N] [--density D] [--noise S]\n"
               "                     [--scale F] [--repeats N] [--rotation DEG]\n"
               "                     [--no-surroundings] [--roof-points N]\n"
               "                     POINT_FILE ROOF_FILE [PLANES_FILE]\n"
               "  NAME: gable, hip, pyramid, cross_gable, flat_with_box, shed_with_annex,\n"
               "        sample_house, t_gable, plus_gable, gable_dormers, hip_dormers,\n"
               "        mansard, two_storeys (default gable)\n"
               "  --density  points per square metre (default 6)\n"
               "  --noise    standard deviation of the height noise in metres (default 0.03)\n"
               "  --scale    factor on every horizontal dimension (default 1)\n"
               "  --repeats  records that repeat an earlier (x, y) with another z (default 0)\n"
               "  --rotation building axes against the coordinate axes, degrees (default 0)\n"
               "  --roof-points  choose density and scale for about N roof points\n"
               "                 (not together with --density or --scale)\n"
               "Writes \"x y z\" records, the roof positions (0-based among the distinct (x, y)\n"
               "in order of first appearance) and optionally the true planes \"a b c\"\n"
               "(z = a x + b y + c), one per line.\n";
}

bool parse_double(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0';
}

bool parse_unsigned(const std::string& text, std::uint64_t& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  using namespace building_generator;
  BuildingOptions options;
  bool density_given = false, scale_given = false, roof_points_given = false;
  std::uint64_t roof_points = 0;
  std::vector<std::string> files;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    const std::string value = has_value ? argv[i + 1] : "";
    bool ok = true;
    std::uint64_t number = 0;
    if (arg == "--no-surroundings") {
      options.surroundings = false;
      continue;
    } else if (arg == "--shape") {
      ok = has_value && shape_from_name(value, options.shape);
    } else if (arg == "--seed") {
      ok = has_value && parse_unsigned(value, options.seed);
    } else if (arg == "--density") {
      ok = has_value && parse_double(value, options.points_per_m2) && options.points_per_m2 > 0.0;
      density_given = true;
    } else if (arg == "--noise") {
      ok = has_value && parse_double(value, options.height_noise) && options.height_noise >= 0.0;
    } else if (arg == "--scale") {
      ok = has_value && parse_double(value, options.size_scale) && options.size_scale > 0.0;
      scale_given = true;
    } else if (arg == "--rotation") {
      ok = has_value && parse_double(value, options.rotation_deg);
    } else if (arg == "--repeats") {
      ok = has_value && parse_unsigned(value, number) && number <= 1000000;
      options.repeated_records = static_cast<int>(number);
    } else if (arg == "--roof-points") {
      ok = has_value && parse_unsigned(value, roof_points) && roof_points > 0;
      roof_points_given = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      ok = false;
    } else {
      files.push_back(arg);
      continue;
    }
    if (!ok) {
      print_usage();
      return 2;
    }
    ++i;  // the option's value
  }
  if (files.size() < 2 || files.size() > 3 ||
      (roof_points_given && (density_given || scale_given))) {
    print_usage();
    return 2;
  }
  if (roof_points_given) {
    const BuildingOptions chosen = options_for_roof_points(options.shape, roof_points, options.seed);
    options.points_per_m2 = chosen.points_per_m2;
    options.size_scale = chosen.size_scale;
  }

  const Building building = generate_building(options);
  bool written = write_point_file(building, files[0]) && write_roof_list(building, files[1]);
  if (files.size() == 3) written = written && write_planes(building, files[2]);
  if (!written) {
    std::cerr << "make_building: cannot write the output files\n";
    return 1;
  }
  return 0;
}
