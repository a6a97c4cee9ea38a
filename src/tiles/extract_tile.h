#pragma once

// The roof faces of every building of a tile, the buildings side by side on
// several threads, the results kept in building order so that nothing about
// them depends on the number of threads. Opens no file and writes nothing.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/building_input.h"
#include "model/building_attributes.h"
#include "model/building_model.h"
#include "pipeline/extraction_result.h"
#include "tiles/find_buildings.h"

namespace roofplanes {

// One building of a tile after its extraction, cut down to what the tile's
// outputs show, so that a tile of many buildings needs no copy of every
// building's input at the end.
struct TileBuilding {
  std::string id;     // the finder's id, or "b<k>": k its place in the finder's order, 1-based
  std::string error;  // what stopped its extraction; empty when it succeeded
  std::size_t points = 0, roof_points = 0;  // records and roof points of its whole input
  BuildingInput shown;                  // the records its segments name, in tile order
  std::vector<std::size_t> tile_index;  // of every record in shown: its index among the tile's points
  Result result;                        // indices into shown; labels one per record of shown
  BuildingAttributes attributes;        // from its whole input and the result
  BuildingModel model;                  // its model; none (no outline, no shells) when the tile builds none
  ModelGrid grid;                       // the grid its model was built on
};

// What a tile's buildings are modelled on: every building on the tile's own
// grid (so their vertices go into the tile's files unchanged), each with its
// footprint where it has one, and the ground height given, if any.
struct TileModelOptions {
  bool build = false;  // build each building's model
  ModelGrid grid;
  std::optional<double> ground_height;
};

// Runs one extraction; extract_roof_planes with the run's parameters, or a
// stand-in in tests. It may throw: the building is then left out.
using BuildingExtractor = std::function<Result(const BuildingInput&)>;

// How far a tile's run is, handed out after every building.
struct TileProgress {
  std::size_t buildings_done = 0, buildings = 0;
  std::size_t points_done = 0;  // input records of the buildings done
};

// Extracts every building of points that the finder returned, on up to jobs
// threads (0: one per core), largest input first so that no big building is
// left to run alone at the end. Returns one TileBuilding per building in
// finder order, alike for any jobs; a building whose extraction threw has its
// error set and no result. ground, one flag per point or empty, marks the
// ground points the attributes and the models take the ground height from. progress, when given, is called after every
// building, one call at a time, from whichever thread finished it. With model.build, each building's model
// is built in its own task right after its extraction (a model stage that throws leaves an empty model
// whose problem says why).
std::vector<TileBuilding> extract_tile(const std::vector<Point>& points, const std::vector<FoundBuilding>& buildings,
                                       const BuildingExtractor& extract, int jobs = 0,
                                       const std::function<void(const TileProgress&)>& progress = {},
                                       const std::vector<std::uint8_t>& ground = {},
                                       const TileModelOptions& model = {});

}  // namespace roofplanes
