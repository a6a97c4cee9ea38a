#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/model_options.h"
#include "cli/result_files.h"
#include "cli/parameter_options.h"

namespace roofplanes {

// What `roofplanes extract` was asked to do.
struct ExtractOptions {
  std::string points;  // text point file, "x y z" records, or a LAS file
  std::string roof;    // roof list of 0-based positions; empty: every point is a roof point
  std::string output;  // output folder; empty: nothing is written
  bool scenes = false;   // the log and the inspection scenes into the output folder
  bool verbose = false;  // the run's progress text on standard output
  ResultFiles files;     // what goes into the output folder after the extraction
  bool print_parameters = false;  // print the values the run used, one "name value" line each
  ParameterChoice constants;       // the preset and the parameter options given on top of it
  int roof_class = 6;               // LAS input: class of the roof points
  GroundChoice ground;              // the ground points' class (LAS input) and a given ground height
  std::size_t jobs = 0;  // threads of the plane search; 0: ROOFPLANES_THREADS, else every core
};

// Adds the extract command and its options to app; returns the command.
CLI::App* add_extract_command(CLI::App& app, ExtractOptions& options);

// Runs it: reads the building, extracts its roof planes, prints a summary and,
// when there is an output folder, builds the building's model for the
// CityJSON and the top view (with the CityJSON, one line on standard error
// says where its ground height came from) and writes the result files into
// the folder. Returns 0 on success; 1 when a file could not
// be written completely, or the CityJSON is written and the building has
// roof faces but got no valid solid (one line "b1: no valid solid: <problem>"; its faces are
// written instead); and 2 on a usage or input error, after one line on
// standard error; nothing is written then.
int run_extract(const ExtractOptions& options);

}  // namespace roofplanes
