#include "cli/tile_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include <tbb/task_arena.h>

#include "cli/option_ranges.h"
#include "cli/parameter_options.h"
#include "cli/tile_outputs.h"
#include "io/las_reader.h"
#include "roofplanes.h"
#include "tiles/extract_tile.h"

namespace roofplanes {

namespace fs = std::filesystem;

CLI::App* add_tile_command(CLI::App& app, TileOptions& options) {
  CLI::App* command = app.add_subcommand("tile", "Find every building of a LAS tile and extract its roof planes");
  command->add_option("LAS", options.las, "the tile: a LAS file (1.0 to 1.4), uncompressed or LAZ")->required();
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
                      "a building's input is every point within its roof's x, y bounds grown by this, metres")
      ->check(number_from_to(0.0, 1000.0))->capture_default_str()->group(group);
  add_parameter_choice(*command, options.constants);
  return command;
}

namespace {

using Clock = std::chrono::steady_clock;

int input_error(const std::string& message) {
  std::cerr << "roofplanes: " << message << '\n';
  return 2;
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
  std::vector<std::uint8_t> roof;
  std::string note;
  try {
    LasCloud cloud = read_las(options.las);
    for (const std::string& warning : cloud.warnings)
      std::cerr << "roofplanes: " << options.las << ": " << warning << '\n';
    note = records_beyond_count_note(options.las, cloud);
    points.reserve(cloud.points.size());
    roof.reserve(cloud.points.size());
    for (const LasPoint& p : cloud.points) {
      points.push_back({p.x, p.y, p.z});
      roof.push_back(p.classification == options.roof_class);
    }
  } catch (const std::runtime_error& error) {
    return input_error(error.what());
  }
  std::vector<FoundBuilding> found;
  try {
    found = find_buildings(points, roof, options.finder);
  } catch (const std::invalid_argument& error) {
    return input_error(options.las + ": " + error.what());
  }
  std::error_code error;
  fs::create_directories(options.output, error);
  if (error || !fs::is_directory(options.output))
    return input_error("cannot create the output folder " + options.output + ": " + error.message());

  ProgressLine progress{start, start};
  const std::vector<TileBuilding> buildings = extract_tile(
      points, found, [&](const BuildingInput& input) { return extract_roof_planes(input, chosen_parameters(options.constants, input)); },
      options.jobs, [&](const TileProgress& p) { progress.update(p); });
  progress.clear();

  int status = 0;
  std::size_t written = 0, segments = 0;
  for (const TileBuilding& b : buildings) {
    if (b.error.empty()) {
      ++written;
      segments += b.result.segments.size();
      continue;
    }
    std::cerr << "roofplanes: building " << b.id << " left out: " << b.error << '\n';
    status = 1;
  }
  std::size_t left_out = 0;
  try {
    tbb::task_arena(options.jobs > 0 ? options.jobs : tbb::task_arena::automatic).execute([&] {
      left_out = write_tile_outputs(options.output, points, found, buildings);
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
  std::printf("points        %zu\nroof points   %zu\nbuildings     %zu", points.size(), roof_points, written);
  if (written < buildings.size()) std::printf(" (%zu left out)", buildings.size() - written);
  std::printf("\nsegments      %zu\nwall time     %.2f s\npoints/s      %.0f\n", segments, wall,
              wall > 0.0 ? points.size() / wall : 0.0);
  return status;
}

}  // namespace roofplanes
