#include "cli/extract_command.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <utility>

#include "cli/file_observer.h"
#include "cli/input_messages.h"
#include "cli/option_ranges.h"
#include "cli/parameter_options.h"
#include "io/cityjson_writer.h"
#include "io/coordinate_range.h"
#include "io/input_file.h"
#include "io/las_reader.h"
#include "io/point_file.h"
#include "io/roof_list.h"
#include "model/building_attributes.h"
#include "model/building_model.h"
#include "roofplanes.h"

namespace roofplanes {

namespace fs = std::filesystem;

CLI::App* add_extract_command(CLI::App& app, ExtractOptions& options) {
  CLI::App* command = app.add_subcommand("extract", "Extract the roof planes of one building");
  command->add_option("POINTS", options.points,
                      "the building's points: a text file of x y z records (white-space separated), or a "
                      "classified LAS file (1.0 to 1.4, uncompressed; its roof points are those of --roof-class)")
      ->required();
  command->add_option("--roof", options.roof,
                      "roof list: 0-based positions among the distinct (x, y) of the point file "
                      "(default: every point is a roof point)");
  command->add_option("-o,--output", options.output, "folder for the output files (created when missing)")
      ->check(not_empty("the output folder name"));
  command->add_flag("--scenes", options.scenes,
                    "also write execution_log.txt and the inspection scenes (VRML) into the output folder")
      ->needs(command->get_option("--output"));
  add_result_file_options(*command, options.files);
  command->add_flag("-v,--verbose", options.verbose, "print the run's progress text");
  command->add_flag("--print-parameters", options.print_parameters,
                    "print the values the run used, one \"name value\" line each, before the summary");
  command->add_option("--roof-class", options.roof_class, "LAS input: class of the roof points")
      ->check(CLI::Range(0, 255))->capture_default_str();
  add_ground_options(*command, options.ground);
  add_parameter_choice(*command, options.constants);
  command->add_option("-j,--jobs", options.jobs,
                      "threads for the plane search (default: ROOFPLANES_THREADS, else every core); "
                      "the results are the same for any count")
      ->check(CLI::Range(1, 1024));
  return command;
}

namespace {

int input_error(const std::string& message) {
  std::cerr << "roofplanes: " << message << '\n';
  return 2;
}

// The building as the command reads it, or the one-line message that stops it.
// A LAS file (by its signature, or a .las or .laz name) gives every point it
// holds, those of the roof class as roof points. note gets a line about what
// was read but left out (LAS records beyond the header's count).
// system is what a LAS file says about its coordinates; ground gets one flag
// per point of a LAS file, set for those of the ground class.
std::string read_building(const ExtractOptions& options, BuildingInput& input, std::string& note,
                          ReferenceSystem& system, std::vector<std::uint8_t>& ground) {
  // Before the signature is read: opening a FIFO could block.
  if (const std::string problem = input_file_problem(options.points); !problem.empty() && problem != "does not exist")
    return options.points + ": " + problem;
  char signature[4] = {};
  std::ifstream(options.points, std::ios::binary).read(signature, 4);
  std::string ending = fs::path(options.points).extension().string();
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (std::string_view(signature, 4) == "LASF" || ending == ".las" || ending == ".laz") {
    if (!options.roof.empty()) return "--roof names roof points of a text point file; a LAS file has --roof-class";
    try {
      const LasCloud cloud = read_las(options.points);
      for (const std::string& warning : cloud.warnings)
        std::cerr << "roofplanes: " << options.points << ": " << warning << '\n';
      system = las_reference_system(cloud.projection);
      for (const LasPoint& p : cloud.points) {
        input.points.push_back({p.x, p.y, p.z});
        input.roof.push_back(p.classification == options.roof_class);
        ground.push_back(p.classification == options.ground.ground_class);
      }
      note = records_beyond_count_note(options.points, cloud);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return {};
  }
  if (options.ground.class_given)
    return "--ground-class names ground points of a LAS file; a text point file has none (give --ground-height)";
  PointFile points = read_point_file(options.points);
  if (std::string message = point_file_message(options.points, points); !message.empty()) return message;
  input.points = std::move(points.points);
  for (std::size_t i = 0; i < input.points.size(); ++i) {
    const Point& p = input.points[i];
    const double coordinates[3] = {p.x, p.y, p.z};
    for (int axis = 0; axis < 3; ++axis)
      if (const std::string problem = coordinate_problem(coordinates[axis]); !problem.empty())
        return options.points + ": record " + std::to_string(i + 1) + ": " + "xyz"[axis] + " " + problem;
  }
  if (options.roof.empty()) {
    input.roof.assign(input.points.size(), 1);
    return {};
  }
  const RoofList roof = read_roof_list(options.roof);
  if (std::string message = roof_list_message(options.roof, roof); !message.empty()) return message;
  std::vector<std::size_t> unknown;
  input.roof = roof_flags_from_positions(input.points, roof.positions, unknown);
  // The first entry in list order that names no point: negative, or past the last.
  std::size_t bad = unknown.empty() ? roof.positions.size() : unknown.front();
  for (std::size_t entry = 0; entry < bad; ++entry)
    if (roof.positions[entry] < 0) bad = entry;
  if (bad == roof.positions.size()) return {};
  return options.roof + ": entry " + std::to_string(bad + 1) + " (" + std::to_string(roof.positions[bad]) +
         ") names no point of " + options.points;
}

// The log and the scenes are written in place (streamed, some appended to),
// not through write_output_file: links under their names, and a link in place
// of the scenes folder, are removed first, so nothing is written through one.
void remove_scene_links(const fs::path& folder) {
  std::error_code error;
  if (fs::is_symlink(folder / "work", error)) fs::remove(folder / "work", error);
  for (const fs::path& place : {folder, folder / "work"})
    for (const auto& entry : fs::directory_iterator(place, error))
      if (entry.is_symlink(error) &&
          (entry.path().extension() == ".wrl" || entry.path().filename() == "execution_log.txt"))
        fs::remove(entry.path(), error);
}

void print_summary(const BuildingInput& input, const Result& result) {
  std::size_t roof = 0;
  for (const std::uint8_t flag : input.roof) roof += flag;
  std::printf("points read   %zu\nroof points   %zu\nsegments      %zu\n", input.points.size(), roof,
              result.segments.size());
  if (result.segments.empty()) return;
  std::printf("\nsegment  points  slope  aspect    rms\n");
  for (const Segment& segment : result.segments)
    std::printf("%7d %7zu %6.1f %7.1f %6.3f\n", segment.number, segment.points.size(), slope_degrees(segment),
                aspect_degrees(segment), segment.rms);
}

}  // namespace

int run_extract(const ExtractOptions& options) {
  if (const std::string problem = check_parameters(options.constants.parameters); !problem.empty())
    return input_error(problem);
  BuildingInput input;
  std::string note;
  ReferenceSystem system;
  std::vector<std::uint8_t> ground;
  if (const std::string message = read_building(options, input, note, system, ground); !message.empty())
    return input_error(message);
  if (const std::string problem = check_input(input); !problem.empty()) return input_error(options.points + ": " + problem);
  ResultFiles files = options.files;
  if (files.cityjson && !options.output.empty()) files.epsg = chosen_epsg(options.files.epsg, system, options.points);
  // The auto preset's estimate and extraction share one triangulation.
  std::optional<AutoBuilding> ready;
  if (auto_preset(options.constants)) ready.emplace(input);
  const Parameters parameters =
      ready ? chosen_parameters(options.constants, *ready) : chosen_parameters(options.constants, input);
  if (const std::string problem = check_parameters(parameters); !problem.empty()) return input_error(problem);
  if (options.print_parameters) std::cout << format_parameters(parameters) << std::flush;

  bool created = false, had_work = false;
  std::string folder;
  if (!options.output.empty()) {
    std::error_code error;
    created = !fs::exists(options.output, error);
    if (options.scenes && !created) remove_scene_links(options.output);
    had_work = fs::exists(fs::path(options.output) / "work", error);
    fs::create_directories(fs::path(options.output) / (options.scenes ? "work" : ""), error);
    if (error || !fs::is_directory(options.output))
      return input_error("cannot create the output folder " + options.output + ": " + error.message());
    folder = (fs::path(options.output) / "").string();
  }

  FileObserver observer({folder, options.verbose, options.scenes, options.scenes, true});
  observer.open_log();
  Result result;
  try {
    result = ready ? extract_roof_planes(input, *ready, parameters, observer)
                   : extract_roof_planes(input, parameters, observer);
  } catch (const std::logic_error& refused) {  // roof points too far apart (length_error), or unusable input
    observer.finish();
    // A refused run leaves nothing behind: not the folder it made, nor the
    // (emptied) log and the scenes folder it made in an existing one.
    std::error_code ignored;
    if (created) fs::remove_all(options.output, ignored);
    if (!created && options.scenes) {
      fs::remove(fs::path(options.output) / "execution_log.txt", ignored);
      if (!had_work) fs::remove_all(fs::path(options.output) / "work", ignored);
    }
    return input_error(refused.what());
  }
  bool written = observer.finish();
  if (options.verbose) std::cout << '\n';
  print_summary(input, result);
  std::fflush(stdout);  // the summary before any line about the result files
  bool solid = true;
  if (!options.output.empty()) {
    // Only the CityJSON and the top view show the model.
    BuildingModel model;
    if (files.cityjson || files.svg) {
      try {
        model = building_model(input, result,
                               {model_grid(cityjson_transform(input.points)), {}, options.ground.ground_height, ground});
      } catch (const std::exception& failure) {
        model.problem = failure.what();
      }
    }
    if (files.cityjson) std::cerr << "roofplanes: " << ground_report("b1", model) << '\n';
    written = write_result_files(options.output, input, result, files, model,
                                 building_attributes(input, result, ground)) &&
              written;
    // Its faces were written instead; a user must not take them for a solid.
    // Without faces there is nothing to model and nothing to mistake for a solid.
    if (files.cityjson && model.lod22.surfaces.empty() && !result.segments.empty() && !model.faceless) {
      std::cerr << "roofplanes: b1: no valid solid: " << model.problem << '\n';
      solid = false;
    }
    if (options.verbose && files.cityjson && !model.left_out_faces.empty())
      std::cerr << "roofplanes: b1: " << left_out_report(model) << '\n';
  }
  if (!note.empty()) std::cerr << "roofplanes: " << note << '\n';
  return written && solid && note.empty() ? 0 : 1;
}

}  // namespace roofplanes
