#include "cli/command_line.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/extract_command.h"
#include "cli/faithful_run.h"
#include "cli/huge_page_heap.h"
#include "cli/thread_count.h"
#include "cli/tile_command.h"

namespace roofplanes {

namespace {

// Most of a large run's system time went to page faults, one per 4 KB of heap
// first touched (about 10 µs each on a virtual machine). With 2 MB pages
// (restart_with_huge_page_heap) a tile run or a building of 100,000 points
// takes a fifth less time. A building of a few thousand points, whose heap is
// small, gains nothing, and the second start costs a few milliseconds: only
// tiles and inputs of a megabyte or more (some 30,000 points) start again.
bool large_file(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return !error && size >= (std::uintmax_t{1} << 20);
}

int parse_and_run(int argc, char** argv) {
  CLI::App app{
      "roofplanes finds the planar roof faces of buildings in airborne laser scans.\n"
      "Without arguments it runs on Testdaten_Tolvar/69/Building_69.txt and roof.txt under the\n"
      "working directory and writes its log and scenes there.",
      "roofplanes"};
  app.set_version_flag("--version", "roofplanes " ROOFPLANES_VERSION);
  app.require_subcommand(1);
  ExtractOptions extract;
  CLI::App* extract_command = add_extract_command(app, extract);
  TileOptions tile;
  CLI::App* tile_command = add_tile_command(app, tile);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    // The help of the command the error is about.
    std::string help = "roofplanes --help";
    for (const CLI::App* command : {extract_command, tile_command})
      if (command->parsed()) help = "roofplanes " + command->get_name() + " --help";
    std::cerr << "roofplanes: " << error.what() << " (see " << help << ")\n";
    return 2;
  }
  if (tile_command->parsed() || (extract_command->parsed() && large_file(extract.points)))
    restart_with_huge_page_heap(argv);
  if (extract_command->parsed()) return run_with_threads(extract.jobs, [&] { return run_extract(extract); });
  if (tile_command->parsed()) return run_tile(tile);
  return 2;
}

}  // namespace

int run_guarded(const std::function<int()>& run) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    std::cerr << "roofplanes: out of memory\n";
  } catch (const std::exception& unexpected) {
    std::cerr << "roofplanes: stopped by an unexpected error: " << unexpected.what() << '\n';
  } catch (...) {
    std::cerr << "roofplanes: stopped by an unexpected error\n";
  }
  std::cout.flush();
  return 2;
}

int run_command_line(int argc, char** argv) {
  return run_guarded([&] { return argc <= 1 ? run_with_threads(0, run_faithful) : parse_and_run(argc, argv); });
}

}  // namespace roofplanes
