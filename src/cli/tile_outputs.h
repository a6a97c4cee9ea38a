#pragma once

#include <filesystem>
#include <vector>

#include "cli/result_files.h"
#include "io/cityjson_writer.h"
#include "observer/extraction_observer.h"
#include "tiles/extract_tile.h"
#include "tiles/find_buildings.h"

namespace roofplanes {

// Writes what `roofplanes tile` gives into folder, which must exist, the
// formats files chooses (cityjson: both CityJSON files), its EPSG code in
// the CityJSON metadata (with files.faces, each building's faces too):
//   tile.city.json   one CityJSON document, one Building per building written
//   tile.city.jsonl  the same as a text sequence, one CityJSONFeature a line
//   points.ply       every point of the tile with its tile labels (tile_labels)
//   tile.svg         the top view of the whole tile
// Segment numbers run on across the tile in every file: a building's segment
// s is s plus the segments of the buildings written before it. With
// parameters, each building's constants go into its CityJSON attributes.
// points are the tile's points, found the finder's buildings and buildings
// their results in the same order; buildings whose extraction failed are left
// out. Every building's attributes count its whole input, not only the
// records its segments name. The files are written side by side on the
// threads of the calling task arena; one that fails keeps no other from being
// written. Returns how many segments of the buildings written the CityJSON
// files leave out (fewer than three distinct corners). Throws
// std::runtime_error("<file>: <what failed>"), the failures of several files
// joined by "; ".
std::size_t write_tile_outputs(const std::filesystem::path& folder, const std::vector<Point>& points,
                               const std::vector<FoundBuilding>& found, const std::vector<TileBuilding>& buildings,
                               const ResultFiles& files = {}, bool parameters = false);

// The city object of one extracted tile building on transform's grid (which
// must be the one its model was built on), its segments numbered from
// first_segment + 1 on, with its model's solids (and its faces where it has no
// LoD2.2 solid, or with faces), every attribute of its model, and its
// constants when parameters is set.
CityJsonBuilding tile_cityjson_building(const TileBuilding& building, const CityJsonTransform& transform,
                                        int first_segment, bool parameters, bool faces = false);

}  // namespace roofplanes
