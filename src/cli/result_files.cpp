#include "cli/result_files.h"

#include <charconv>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/city_attributes.h"
#include "io/cityjson_writer.h"
#include "io/ply_writer.h"
#include "io/svg_writer.h"

namespace roofplanes {
namespace {

// Sets files to write exactly the formats named in list; the first name that
// is no format is a usage error.
void take_formats(const std::string& list, ResultFiles& files) {
  files.cityjson = files.ply = files.svg = false;
  std::string_view rest = list;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view name = rest.substr(0, comma);
    if (name == "cityjson") files.cityjson = true;
    else if (name == "ply") files.ply = true;
    else if (name == "svg") files.svg = true;
    else throw CLI::ValidationError("--format", "unknown format '" + std::string(name) + "' (known: cityjson,ply,svg)");
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
}

// "EPSG:CODE" with CODE a positive whole number (the prefix in either case).
void take_crs(const std::string& text, ResultFiles& files) {
  const bool prefixed = text.size() > 5 && (text.compare(0, 5, "EPSG:") == 0 || text.compare(0, 5, "epsg:") == 0);
  // from_chars would take a leading '-', which no code has.
  if (prefixed && text[5] != '-') {
    int code = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + 5, end, code);
    if (error == std::errc() && stop == end && code > 0) {
      files.epsg = code;
      return;
    }
  }
  throw CLI::ValidationError("--crs", "'" + text + "' is not EPSG:CODE with a positive whole number CODE");
}

// Runs one writer; its failure becomes one line on standard error.
template <class Write>
bool write_reported(Write write) {
  try {
    write();
    return true;
  } catch (const std::runtime_error& failure) {
    std::cerr << "roofplanes: " << failure.what() << '\n';
    return false;
  }
}

}  // namespace

void add_result_file_options(CLI::App& command, ResultFiles& files, const std::string& formats) {
  CLI::Option* output = command.get_option("--output");
  command
      .add_option_function<std::string>(
          "--format", [&files](const std::string& list) { take_formats(list, files); },
          "result files to write into the output folder, comma separated: " + formats)
      ->default_str("cityjson,ply,svg")
      ->needs(output);
  command
      .add_option_function<std::string>(
          "--crs", [&files](const std::string& text) { take_crs(text, files); },
          "coordinate reference system of the points, EPSG:CODE, named in the CityJSON's metadata "
          "(default: the one a LAS input names)")
      ->needs(output);
  command
      .add_flag("--lod2-faces", files.faces,
                "CityJSON: also write each roof face's own polygon, as an LoD2 MultiSurface beside the solids "
                "(a building without a valid solid always has it)")
      ->needs(output);
}

std::optional<int> chosen_epsg(const std::optional<int>& given, const ReferenceSystem& found, const std::string& file) {
  if (given) return given;
  if (!found.epsg && !found.found.empty())
    std::cerr << "roofplanes: " << file << ": its reference system (" << found.found
              << ") names no EPSG code; the CityJSON names none (give --crs EPSG:CODE)\n";
  return found.epsg;
}

bool write_result_files(const std::filesystem::path& folder, const BuildingInput& input, const Result& result,
                        const ResultFiles& files, const BuildingModel& model, const BuildingAttributes& attributes) {
  bool all = true;
  if (files.cityjson) {
    const std::filesystem::path file = folder / "roof.city.json";
    std::size_t left_out = 0;
    all &= write_reported([&] {
      const CityJsonTransform transform = cityjson_transform(input.points);
      const ModelGrid grid = model_grid(transform);
      CityJsonBuilding building = cityjson_building("b1", input, result, transform);
      add_cityjson_model(building, model, grid, result, transform, files.faces);
      building.attributes = city_attributes(attributes, model, grid);
      write_cityjson_file(file, {building}, transform, {files.epsg, std::nullopt});
      left_out = building.left_out;  // said only of a file written
    });
    if (left_out > 0)
      std::cerr << "roofplanes: " << file.string() << ": " << left_out << " of " << result.segments.size()
                << " segments left out (fewer than three distinct corners)\n";
  }
  if (files.ply)
    all &= write_reported([&] { write_labelled_ply_file(folder / "points.ply", input, result, ROOFPLANES_VERSION); });
  if (files.svg) all &= write_reported([&] { write_svg_top_view_file(folder / "roof.svg", input, result, {}, &model.partition); });
  return all;
}

}  // namespace roofplanes
