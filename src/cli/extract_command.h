#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "pipeline/parameters.h"

namespace roofplanes {

// What `roofplanes extract` was asked to do.
struct ExtractOptions {
  std::string points;  // text point file, "x y z" records
  std::string roof;    // roof list of 0-based positions; empty: every point is a roof point
  std::string output;  // output folder; empty: nothing is written
  bool scenes = false;   // the log and the inspection scenes into the output folder
  bool verbose = false;  // the run's progress text on standard output
  std::size_t jobs = 0;  // threads of the plane search; 0: ROOFPLANES_THREADS, else every core
  Parameters parameters;
};

// Adds the extract command and its options to app; returns the command.
CLI::App* add_extract_command(CLI::App& app, ExtractOptions& options);

// Runs it: reads the building, extracts its roof planes and prints a summary.
// Returns 0 on success and 2 on a usage or input error, after one line on
// standard error; nothing is written then.
int run_extract(const ExtractOptions& options);

}  // namespace roofplanes
