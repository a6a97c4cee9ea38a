// make_tile: writes a synthetic LAS tile of several houses with ground, trees and walls, and
// optionally the truth of every record (building and roof face).
//
// A scale run of about 10 million points: make_tile --buildings 400 big.las big_truth.txt

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "las_writer.h"
#include "tile_generator.h"

namespace {

void print_usage(std::ostream& out) {
  out << "usage: make_tile [--buildings N] [--seed S] [--density D] [--size METRES]\n"
         "                 [--version 1.2|1.4] [--format 1|6] [--scale F] [--wall-class 1|6]\n"
         "                 OUT.las [TRUTH.txt]\n"
         "  --buildings  houses on the tile, at least 6 m apart (default 20)\n"
         "  --seed       random seed; the same options give the same files everywhere (default 1)\n"
         "  --density    points per square metre, 1 to 100 (default 10)\n"
         "  --size       side of the square tile in metres (default 300 m for 20 houses,\n"
         "               1 km for 400; --buildings 400 gives about 10 million points)\n"
         "  --version    LAS version 1.0 to 1.4 (default 1.2)\n"
         "  --format     point format the version allows, 0 to 10 (default 1; 6 needs 1.4)\n"
         "  --scale      coordinate resolution in metres (default 0.01)\n"
         "  --wall-class class of facade points, 1 or 6 (default 1)\n"
         "The tile's south-west corner is (350000, 5800000); the ground is flat. Classes:\n"
         "2 ground, 5 trees (3 to 15 m above the ground), 6 roofs, and the wall class.\n"
         "TRUTH.txt, all indices 0-based:\n"
         "  tile MIN_X MIN_Y MAX_X MAX_Y\n"
         "  buildings N\n"
         "  then for each building:\n"
         "    building K SHAPE CENTRE_X CENTRE_Y ROTATION_DEG SIZE_SCALE faces F\n"
         "    and F lines \"A B C\", face f being the plane z = A x + B y + C\n"
         "  records M\n"
         "  then one line \"BUILDING FACE\" per LAS record in file order: roof points give\n"
         "  both, wall points their building and face -1, ground and trees -1 -1.\n";
}

bool parse_double(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(value);
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
  TileOptions tile_options;
  LasFileOptions las;
  las.version_minor = 2;
  las.point_format = 1;
  double scale = 0.01;
  std::vector<std::string> files;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      print_usage(std::cout);
      return 0;
    }
    const bool has_value = i + 1 < argc;
    const std::string value = has_value ? argv[i + 1] : "";
    std::uint64_t number = 0;
    bool ok = true;
    if (arg == "--buildings") {
      ok = has_value && parse_unsigned(value, number) && number <= 5000;
      tile_options.buildings = static_cast<int>(number);
    } else if (arg == "--seed") {
      ok = has_value && parse_unsigned(value, tile_options.seed);
    } else if (arg == "--density") {
      ok = has_value && parse_double(value, tile_options.points_per_m2) &&
           tile_options.points_per_m2 >= 1.0 && tile_options.points_per_m2 <= 100.0;
    } else if (arg == "--size") {
      ok = has_value && parse_double(value, tile_options.size) && tile_options.size >= 20.0 &&
           tile_options.size <= 20000.0;
    } else if (arg == "--version") {
      ok = value.size() == 3 && value.compare(0, 2, "1.") == 0 && value[2] >= '0' && value[2] <= '4';
      if (ok) las.version_minor = value[2] - '0';
    } else if (arg == "--format") {
      ok = has_value && parse_unsigned(value, number) && number <= 10;
      las.point_format = static_cast<int>(number);
    } else if (arg == "--scale") {
      ok = has_value && parse_double(value, scale) && scale >= 1e-6 && scale <= 1.0;
    } else if (arg == "--wall-class") {
      ok = value == "1" || value == "6";
      tile_options.wall_class = static_cast<std::uint8_t>(value == "6" ? 6 : 1);
    } else if (arg.size() > 1 && arg[0] == '-') {
      ok = false;
    } else {
      files.push_back(arg);
      continue;
    }
    if (!ok) {
      std::cerr << "make_tile: bad or missing value for " << arg << "\n";
      print_usage(std::cerr);
      return 2;
    }
    ++i;  // the option's value
  }
  const int newest_format[5] = {1, 1, 3, 5, 10};
  if (las.point_format > newest_format[las.version_minor]) {
    std::cerr << "make_tile: LAS 1." << las.version_minor << " has no point format "
              << las.point_format << "\n";
    return 2;
  }
  if (files.empty() || files.size() > 2) {
    print_usage(std::cerr);
    return 2;
  }

  try {
    const Tile tile = generate_tile(tile_options);
    for (int k = 0; k < 3; ++k) las.scale[k] = scale;
    las.offset[0] = std::round(tile.min_x);
    las.offset[1] = std::round(tile.min_y);
    las.offset[2] = 0.0;
    if (!write_las(tile.records, las, files[0])) {
      std::cerr << "make_tile: cannot write " << files[0] << "\n";
      return 1;
    }
    if (files.size() == 2 && !write_tile_truth(tile, files[1])) {
      std::cerr << "make_tile: cannot write " << files[1] << "\n";
      return 1;
    }
  } catch (const std::exception& error) {
    std::cerr << "make_tile: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
