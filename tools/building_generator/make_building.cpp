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
  bool real_scan = false;
  app.add_flag("--real-scan", real_scan,
               "the effects of a real scan at realistic values (two strips, texture, scan lines, gaps, a tree "
               "over the eaves); the options below still override them");
  CLI::Option* strips = app.add_option("--strips", options.flight_strips, "overlapping flight strips, 1 or 2")
                            ->check(CLI::Range(1, 2))
                            ->capture_default_str();
  CLI::Option* strip_offset =
      app.add_option("--strip-offset", options.strip_offset, "height offset of the second strip, metres")
          ->capture_default_str();
  CLI::Option* texture =
      app.add_option("--texture", options.roof_texture, "standard deviation of the roof texture, metres")
          ->check(CLI::NonNegativeNumber)
          ->capture_default_str();
  CLI::Option* line_spacing =
      app.add_option("--line-spacing", options.line_spacing_factor,
                     "scan line distance times sqrt(points per m² of a strip); larger: denser along the lines")
          ->check(CLI::PositiveNumber)
          ->capture_default_str();
  CLI::Option* gaps = app.add_option("--gaps", options.occlusion_gaps, "holes in the roof's coverage")
                          ->check(CLI::Range(0, 1000))
                          ->capture_default_str();
  CLI::Option* overhanging = app.add_option("--overhanging-trees", options.overhanging_trees,
                                            "trees whose crowns hang over the roof")
                                 ->check(CLI::Range(0, 100))
                                 ->capture_default_str();
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
  if (real_scan) {
    const BuildingOptions real = with_real_scan_effects(options);
    if (strips->count() == 0) options.flight_strips = real.flight_strips;
    if (strip_offset->count() == 0) options.strip_offset = real.strip_offset;
    if (texture->count() == 0) options.roof_texture = real.roof_texture;
    if (line_spacing->count() == 0) options.line_spacing_factor = real.line_spacing_factor;
    if (gaps->count() == 0) options.occlusion_gaps = real.occlusion_gaps;
    if (overhanging->count() == 0) options.overhanging_trees = real.overhanging_trees;
  }
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
