#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/model_options.h"
#include "cli/parameter_options.h"
#include "cli/result_files.h"
#include "tiles/find_buildings.h"

namespace roofplanes {

// What `roofplanes tile` was asked to do.
struct TileOptions {
  std::string las;     // the tile: a LAS file, uncompressed or LAZ
  std::string output;  // output folder, created when missing
  int jobs = 0;        // threads; 0: one per core
  int roof_class = 6;  // class of the roof points (ASPRS 6: building)
  GroundChoice ground;  // the ground points' class and a given ground height
  BuildingFinderOptions finder;
  std::string footprints;    // footprint file; empty: buildings from clusters of roof points
  std::string footprint_id;  // the footprints' field holding their ids
  ParameterChoice constants;  // the preset and the parameter options given on top of it
  ResultFiles files;          // the formats to write and the --crs given
  bool verbose = false;       // one line per building on standard output
  bool print_parameters = false;  // each building's constants, printed and in its CityJSON attributes
};

// Adds the tile command and its options to app; returns the command.
CLI::App* add_tile_command(CLI::App& app, TileOptions& options);

// Runs it: reads the tile, finds its buildings, extracts them in parallel and
// writes the tile's outputs, then prints a summary. Building ids are
// "<tile file stem>-b<k>". Returns 0 on success, also when the tile has roof
// points but no cluster large enough for a building (said on standard
// error, with the classes present); 1 when a building's extraction failed
// (each is named on standard error and left out, the rest are written), when
// the CityJSON is written and a building with roof faces got no valid solid (each says why in
// a line "<id>: no valid solid: <problem>" and keeps its faces), or an output
// file could not be written; 2 on a usage or input error, a tile
// without any point of the roof class included (a wrong --roof-class or an
// unclassified tile), after one line on standard error, nothing written.
int run_tile(const TileOptions& options);

}  // namespace roofplanes
