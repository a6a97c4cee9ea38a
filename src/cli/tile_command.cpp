#include "cli/tile_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>

#include <tbb/task_arena.h>

#include "cli/option_ranges.h"
#include "cli/parameter_options.h"
#include "cli/tile_outputs.h"
#include "io/cityjson_writer.h"
#include "io/footprint_reader.h"
#include "io/las_reader.h"
#include "roofplanes.h"
#include "tiles/extract_tile.h"
#include "tiles/footprint_buildings.h"

namespace roofplanes {

namespace fs = std::filesystem;

CLI::App* add_tile_command(CLI::App& app, TileOptions& options) {
  CLI::App* command = app.add_subcommand("tile", "Find every building of a LAS tile and extract its roof planes");
  command->add_option("LAS", options.las,
                      "the tile: a classified LAS file (1.0 to 1.4, any point format), uncompressed or LAZ; its "
                      "points of --roof-class are the roof points, those of --ground-class the ground")
      ->required();
  command->add_option("-o,--output", options.output, "folder for the output files (created when missing)")
      ->required()->check(not_empty("the output folder name"));
  command->add_option("--jobs", options.jobs, "threads; 0: one per core")
      ->check(CLI::Range(0, 1 << 16))->capture_default_str();
  command->add_option("--roof-class", options.roof_class, "class of the roof points")
      ->check(CLI::Range(0, 255))->capture_default_str();
  const char* group = "Buildings";
  command->add_option("--building-gap", options.finder.building_gap,
                      "roof points at most this far apart in x, y belong to one building, metres")
      ->check(number_above_zero_to(1000.0))->capture_default_str()->group(group);
  command->add_option("--min-building-points", options.finder.min_building_points,
                      "smaller clusters of roof points are no building")
      ->check(count_from(1))->capture_default_str()->group(group);
  command->add_option("--margin", options.finder.margin,
                      "a building's input is every point within its roof's x, y bounds (or its footprint) "
                      "grown by this, metres")
      ->check(number_from_to(0.0, 1000.0))->capture_default_str()->group(group);
  CLI::Option* footprints =
      command
          ->add_option("--footprints", options.footprints,
                       "building footprints (GeoPackage, Shapefile, GeoJSON, FlatGeobuf, ...: polygons and "
                       "multipolygons, holes kept): one building per footprint with roof points, instead of "
                       "clusters of roof points")
          ->group(group);
  CLI::Option* footprint_id =
      command->add_option("--footprint-id", options.footprint_id, "the footprints' field holding each one's id")
          ->group(group);
  footprints->needs(footprint_id);
  footprint_id->needs(footprints);
  add_result_file_options(*command, options.files,
                          "cityjson (tile.city.json and tile.city.jsonl), ply (points.ply), svg (tile.svg)");
  command->add_flag("-v,--verbose", options.verbose, "print one line per building: its id, points and segments");
  command->add_flag("--print-parameters", options.print_parameters,
                    "print the values each building's run used, one \"name value\" line each after a "
                    "\"building ID\" line, and write them into its CityJSON attributes");
  add_ground_options(*command, options.ground);
  add_parameter_choice(*command, options.constants);
  return command;
}

namespace {

using Clock = std::chrono::steady_clock;

// "1 (30211), 2 (12345), ...": every class present and its points.
std::string class_counts(const std::vector<std::size_t>& count) {
  std::string text;
  for (std::size_t c = 0; c < count.size(); ++c) {
    if (count[c] == 0) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(c) + " (" + std::to_string(count[c]) + ")";
  }
  return text.empty() ? "none (no points)" : text;
}

int input_error(const std::string& message) {
  std::cerr << "roofplanes: " << message << '\n';
  return 2;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// The buildings of the footprints that hold roof points, and the ids of those
// that hold none; or the one line that stops the run. Ids are the footprints'
// field values; an empty one becomes "<footprint file stem>-<n>" (n its place
// in the file), a repeated one gets "-2", "-3", ... so that every id is unique.
std::string footprint_buildings_of(const TileOptions& options, const std::vector<Point>& points,
                                   const std::vector<std::uint8_t>& roof, const std::optional<int>& epsg,
                                   std::vector<FoundBuilding>& found, std::vector<std::string>& without_roof) {
  FootprintFile file;
  try {
    file = read_footprints(options.footprints, options.footprint_id, epsg);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  if (!epsg && !file.reference_system.empty())
    std::cerr << "roofplanes: " << options.footprints << ": its footprints are in " << file.reference_system
              << " and the tile names no EPSG code; they are taken as they are (give --crs EPSG:CODE)\n";
  std::map<std::string, int> seen;
  const std::string stem = fs::path(options.footprints).stem().string();
  for (std::size_t k = 0; k < file.footprints.size(); ++k) {
    std::string& id = file.footprints[k].id;
    if (id.empty()) id = stem + "-" + std::to_string(k + 1);
    const int times = ++seen[id];
    if (times > 1) id += "-" + std::to_string(times);
  }
  try {
    FootprintBuildings chosen = footprint_buildings(points, roof, file.footprints, options.finder.margin);
    found = std::move(chosen.buildings);
    without_roof = std::move(chosen.without_roof);
  } catch (const std::invalid_argument& error) {
    return options.footprints + ": " + error.what();
  }
  return {};
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Buildings done and points per second on a terminal, at most five times a second.
struct ProgressLine {
  Clock::time_point start, shown;
  bool terminal = ::isatty(STDERR_FILENO) != 0;
  bool visible = false;

  void update(const TileProgress& p) {
    const Clock::time_point now = Clock::now();
    if (!terminal || (now - shown < std::chrono::milliseconds(200) && p.buildings_done < p.buildings)) return;
    shown = now;
    const double elapsed = seconds_since(start);
    std::fprintf(stderr, "\rbuildings %zu of %zu, %.0f of their points/s\033[K", p.buildings_done, p.buildings,
                 elapsed > 0.0 ? p.points_done / elapsed : 0.0);
    std::fflush(stderr);
    visible = true;
  }
  void clear() {
    if (visible) std::fputs("\r\033[K", stderr);
    visible = false;
  }
};

}  // namespace

int run_tile(const TileOptions& options) {
  const Clock::time_point start = Clock::now();
  if (const std::string problem = check_parameters(options.constants.parameters); !problem.empty())
    return input_error(problem);
  if (const std::string problem = check_building_finder_options(options.finder); !problem.empty())
    return input_error(problem);

  std::vector<Point> points;
  std::vector<std::uint8_t> roof, ground;
  std::vector<std::size_t> classes(256, 0);
  ReferenceSystem system;
  std::string note;
  try {
    LasCloud cloud = read_las(options.las);
    for (const std::string& warning : cloud.warnings)
      std::cerr << "roofplanes: " << options.las << ": " << warning << '\n';
    note = records_beyond_count_note(options.las, cloud);
    system = las_reference_system(cloud.projection);
    points.reserve(cloud.points.size());
    roof.reserve(cloud.points.size());
    ground.reserve(cloud.points.size());
    for (const LasPoint& p : cloud.points) {
      points.push_back({p.x, p.y, p.z});
      roof.push_back(p.classification == options.roof_class);
      ground.push_back(p.classification == options.ground.ground_class);
      ++classes[p.classification];
    }
  } catch (const std::runtime_error& error) {
    return input_error(error.what());
  }
  // No roof point at all is the user's mistake (a wrong --roof-class, an
  // unclassified tile): refused. Roof points in clusters too small for a
  // building are a fact of the tile: said, and the empty outputs written.
  if (classes[static_cast<std::size_t>(options.roof_class)] == 0)
    return input_error(options.las + ": no point of the roof class " + std::to_string(options.roof_class) +
                       " (--roof-class); classes present: " + class_counts(classes) +
                       (note.empty() ? std::string() : "; " + note.substr(options.las.size() + 2)));
  ResultFiles files = options.files;
  files.epsg = chosen_epsg(options.files.epsg, system, options.las);
  std::vector<FoundBuilding> found;
  if (!options.footprints.empty()) {
    std::vector<std::string> without_roof;
    if (const std::string problem = footprint_buildings_of(options, points, roof, files.epsg, found, without_roof);
        !problem.empty())
      return input_error(problem);
    if (!without_roof.empty())
      std::cerr << "roofplanes: " << options.footprints << ": " << without_roof.size()
                << " footprint(s) on the tile hold no point of roof class " << options.roof_class
                << " and get no model: " << joined(without_roof) << '\n';
    if (found.empty())
      std::cerr << "roofplanes: " << options.las << ": no building: no footprint holds a point of roof class "
                << options.roof_class << "; classes present: " << class_counts(classes) << '\n';
  } else {
    try {
      found = find_buildings(points, roof, options.finder);
    } catch (const std::invalid_argument& error) {
      return input_error(options.las + ": " + error.what());
    }
    const std::string stem = fs::path(options.las).stem().string();
    for (std::size_t k = 0; k < found.size(); ++k) found[k].id = stem + "-b" + std::to_string(k + 1);
    if (found.empty())
      std::cerr << "roofplanes: " << options.las << ": no building: no cluster of roof class " << options.roof_class
                << " points reaches --min-building-points " << options.finder.min_building_points
                << "; classes present: " << class_counts(classes) << '\n';
  }
  std::error_code error;
  fs::create_directories(options.output, error);
  if (error || !fs::is_directory(options.output))
    return input_error("cannot create the output folder " + options.output + ": " + error.message());

  // The models are built on the files' grid, so their vertices go in unchanged;
  // only the CityJSON and the top view show them.
  const TileModelOptions model{files.cityjson || files.svg, model_grid(cityjson_transform(points)),
                               options.ground.ground_height};
  ProgressLine progress{start, start};
  const std::vector<TileBuilding> buildings = extract_tile(
      points, found,
      [&](const BuildingInput& input) {
        if (!auto_preset(options.constants)) return extract_roof_planes(input, chosen_parameters(options.constants, input));
        // The auto preset's estimate and extraction share one triangulation.
        AutoBuilding ready(input);
        ExtractionObserver silent;
        return extract_roof_planes(input, ready, chosen_parameters(options.constants, ready), silent);
      },
      options.jobs, [&](const TileProgress& p) { progress.update(p); }, ground, model);
  progress.clear();

  int status = 0;
  std::size_t written = 0, segments = 0;
  std::map<std::string, std::size_t> ground_sources;
  for (const TileBuilding& b : buildings) {
    if (b.error.empty()) {
      ++written;
      segments += b.result.segments.size();
      ++ground_sources[ground_source_name(b.model.ground_source)];
      if (options.verbose && model.build)
        std::cerr << "roofplanes: " << ground_report(b.id, b.model) << '\n';
      // Its faces are written instead; a user must not take them for a solid.
      // A building without faces (a facade strip) has nothing to model: its
      // block stands alone, which is no fault.
      if (files.cityjson && b.model.lod22.surfaces.empty() && (b.result.segments.empty() || b.model.faceless)) {
        if (options.verbose) std::cerr << "roofplanes: " << b.id << ": no roof face, the LoD1.2 block only\n";
      } else if (files.cityjson && b.model.lod22.surfaces.empty()) {
        std::cerr << "roofplanes: " << b.id << ": no valid solid: " << b.model.problem << '\n';
        status = 1;
      }
      if (options.verbose && files.cityjson && !b.model.left_out_faces.empty())
        std::cerr << "roofplanes: " << b.id << ": " << left_out_report(b.model) << '\n';
      if (options.verbose)
        std::printf("building %s: points %zu, roof points %zu, segments %zu, roof type %s\n", b.id.c_str(), b.points,
                    b.roof_points, b.result.segments.size(), b.attributes.roof_type.c_str());
      if (options.print_parameters)
        std::printf("building %s\n%s", b.id.c_str(), format_parameters(b.result.parameters).c_str());
      continue;
    }
    std::cerr << "roofplanes: building " << b.id << " left out: " << b.error << '\n';
    status = 1;
  }
  if (options.verbose && model.build && written > 0) {
    std::cerr << "roofplanes: ground heights:";
    const char* separator = " ";
    for (const auto& [source, count] : ground_sources) {
      std::cerr << separator << count << " from " << source;
      separator = ", ";
    }
    std::cerr << '\n';
  }
  std::size_t left_out = 0;
  try {
    tbb::task_arena(options.jobs > 0 ? options.jobs : tbb::task_arena::automatic).execute([&] {
      left_out = write_tile_outputs(options.output, points, found, buildings, files, options.print_parameters);
    });
  } catch (const std::runtime_error& failure) {
    std::cerr << "roofplanes: " << failure.what() << '\n';
    status = 1;
  }
  if (left_out > 0)
    std::cerr << "roofplanes: " << (fs::path(options.output) / "tile.city.json").string() << ": " << left_out
              << " of " << segments << " segments left out (fewer than three distinct corners)\n";
  if (!note.empty()) {
    std::cerr << "roofplanes: " << note << '\n';
    status = 1;
  }
  std::size_t roof_points = 0;
  for (std::uint8_t flag : roof) roof_points += flag;
  const double wall = seconds_since(start);
  if (options.verbose || options.print_parameters) std::printf("\n");
  std::printf("points        %zu\nroof points   %zu\nbuildings     %zu", points.size(), roof_points, written);
  if (written < buildings.size()) std::printf(" (%zu left out)", buildings.size() - written);
  std::printf("\nsegments      %zu\nwall time     %.2f s\npoints/s      %.0f\n", segments, wall,
              wall > 0.0 ? points.size() / wall : 0.0);
  return status;
}

}  // namespace roofplanes
