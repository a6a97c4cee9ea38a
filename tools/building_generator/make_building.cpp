// make_building: writes a synthetic airborne laser scan of one building.
//
// The sample building in Testdaten_Tolvar/69 is written, from the repository root, by
//   make_building --shape sample_house --seed 69 --rotation 18 --repeats 5 Testdaten_Tolvar/69/Building_69.txt Testdaten_Tolvar/69/roof.txt
// (make_building lies in the build tree under tools/building_generator/).

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "building_generator.h"

int main(int argc, char** argv) {
  using namespace building_generator;
  BuildingOptions options;
  std::vector<std::string> shapes;
  for (const RoofShape shape : all_shapes()) shapes.push_back(shape_name(shape));
  std::string shape = "gable";
  bool no_surroundings = false;
  std::uint64_t roof_points = 0;
  std::vector<std::string> files;

  CLI::App app{
      "Writes a synthetic airborne laser scan of one building: \"x y z\" records, the roof positions\n"
      "(0-based among the distinct (x, y) in order of first appearance) and optionally the true planes\n"
      "\"a b c\" (z = a x + b y + c), one per line.",
      "make_building"};
  app.add_option("--shape", shape, "roof shape")->check(CLI::IsMember(shapes))->capture_default_str();
  app.add_option("--seed", options.seed, "random seed")->capture_default_str();
  CLI::Option* density = app.add_option("--density", options.points_per_m2, "points per square metre")
                             ->check(CLI::PositiveNumber)
                             ->capture_default_str();
  app.add_option("--noise", options.height_noise, "standard deviation of the height noise, metres")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  CLI::Option* scale = app.add_option("--scale", options.size_scale, "factor on every horizontal dimension")
                           ->check(CLI::PositiveNumber)
                           ->capture_default_str();
  app.add_option("--repeats", options.repeated_records, "records that repeat an earlier (x, y) with another z")
      ->check(CLI::Range(0, 1000000))
      ->capture_default_str();
  app.add_option("--rotation", options.rotation_deg, "building axes against the coordinate axes, degrees")
      ->capture_default_str();
  app.add_flag("--no-surroundings", no_surroundings, "no ground, wall and tree points around the house");
  app.add_option("--roof-points", roof_points, "choose density and scale for about N roof points")
      ->check(CLI::PositiveNumber)
      ->excludes(density)
      ->excludes(scale);
  app.add_option("files", files, "POINT_FILE ROOF_FILE [PLANES_FILE]")->required()->expected(2, 3);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return error.get_exit_code() == 0 ? app.exit(error) : (app.exit(error), 2);
  }

  shape_from_name(shape, options.shape);
  options.surroundings = !no_surroundings;
  if (roof_points > 0) {
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
