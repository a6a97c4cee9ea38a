// make_tile: writes a synthetic LAS tile of several houses with ground, trees and walls, and
// optionally the truth of every record (building and roof face).
//
// A scale run of about 10 million points: make_tile --buildings 400 big.las big_truth.txt

#include <cmath>
#include <cstdint>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "las_writer.h"
#include "tile_generator.h"

namespace {

const char* const kTruthFormat =
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

}  // namespace

int main(int argc, char** argv) {
  using namespace building_generator;
  TileOptions tile_options;
  LasFileOptions las;
  las.version_minor = 2;
  las.point_format = 1;
  double scale = 0.01;
  std::string version = "1.2";
  int wall_class = 1;
  std::vector<std::string> files;

  CLI::App app{"Writes a synthetic LAS tile of several houses with ground, trees and walls, and optionally the\n"
               "truth of every record (building and roof face).",
               "make_tile"};
  app.footer(kTruthFormat);
  app.add_option("--buildings", tile_options.buildings, "houses on the tile, at least 6 m apart")
      ->check(CLI::Range(0, 5000))
      ->capture_default_str();
  app.add_option("--seed", tile_options.seed, "random seed; the same options give the same files everywhere")
      ->capture_default_str();
  app.add_option("--density", tile_options.points_per_m2, "points per square metre")
      ->check(CLI::Range(1.0, 100.0))
      ->capture_default_str();
  app.add_option("--size", tile_options.size,
                 "side of the square tile in metres (default 300 m for 20 houses, 1 km for 400)")
      ->check(CLI::Range(20.0, 20000.0));
  app.add_option("--version", version, "LAS version")
      ->check(CLI::IsMember({"1.0", "1.1", "1.2", "1.3", "1.4"}))
      ->capture_default_str();
  app.add_option("--format", las.point_format, "point format the version allows (6 and up need 1.4)")
      ->check(CLI::Range(0, 10))
      ->capture_default_str();
  app.add_option("--scale", scale, "coordinate resolution in metres")->check(CLI::Range(1e-6, 1.0))->capture_default_str();
  app.add_option("--wall-class", wall_class, "class of facade points")->check(CLI::IsMember({1, 6}))->capture_default_str();
  app.add_option("files", files, "OUT.las [TRUTH.txt]")->required()->expected(1, 2);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return error.get_exit_code() == 0 ? app.exit(error) : (app.exit(error), 2);
  }
  las.version_minor = version[2] - '0';
  tile_options.wall_class = static_cast<std::uint8_t>(wall_class);

  const int newest_format[5] = {1, 1, 3, 5, 10};
  if (las.point_format > newest_format[las.version_minor]) {
    std::cerr << "make_tile: LAS 1." << las.version_minor << " has no point format "
              << las.point_format << "\n";
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
