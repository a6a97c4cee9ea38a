#pragma once

// The files `roofplanes extract -o DIR` writes from a finished extraction: a
// CityJSON roof model, every point with its label as PLY, and a top view as SVG.

#include <filesystem>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "io/las_crs.h"
#include "model/building_attributes.h"
#include "model/building_model.h"
#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes {

// Which result files to write and what the CityJSON says about its coordinates.
struct ResultFiles {
  bool cityjson = true;     // DIR/roof.city.json
  bool ply = true;          // DIR/points.ply
  bool svg = true;          // DIR/roof.svg
  std::optional<int> epsg;  // metadata.referenceSystem of the CityJSON; none when empty
  bool faces = false;       // the faces' LoD2 MultiSurface beside the solids (--lod2-faces)
};

// Adds --format LIST (a comma-separated subset of cityjson,ply,svg; formats
// says which files each is, for the help), --crs EPSG:CODE and --lod2-faces
// to command, all needing its --output option, which must already exist. A value they cannot
// take fails the parse (a usage error). Both commands take them from here.
void add_result_file_options(CLI::App& command, ResultFiles& files,
                             const std::string& formats = "cityjson (roof.city.json), ply (points.ply), svg (roof.svg)");

// The EPSG code the CityJSON names: given (--crs) when set, else the one the
// input file names. When the file names a system that is no EPSG code and
// nothing was given, one line on standard error says what file holds.
std::optional<int> chosen_epsg(const std::optional<int>& given, const ReferenceSystem& found, const std::string& file);

// Writes the chosen files of one extracted building into folder, which must
// exist: its model (built on the grid of cityjson_transform(input.points))
// with attributes in the CityJSON and its partition in the SVG. Every file
// that cannot be written gets one line on standard error naming it, and so
// does a CityJSON that had to leave segments out. Returns whether every file
// was written completely.
bool write_result_files(const std::filesystem::path& folder, const BuildingInput& input, const Result& result,
                        const ResultFiles& files, const BuildingModel& model = {},
                        const BuildingAttributes& attributes = {});

}  // namespace roofplanes
