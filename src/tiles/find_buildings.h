#pragma once

// The buildings of a whole tile: its roof points grouped into clusters that
// hang together in x and y, and for each cluster the tile's points around it
// as that building's input. Opens no file and writes nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "observer/extraction_observer.h"
#include "model/building_attributes.h"
#include "pipeline/building_input.h"

namespace roofplanes {

struct BuildingFinderOptions {
  double building_gap = 2.0;             // roof points at most this far apart in x, y are connected
  std::size_t min_building_points = 50;  // smaller clusters are no building
  double margin = 2.0;                   // a building's box is its cluster's x, y bounds grown by this
};

// One building of a tile. Indices are positions in the tile's points, ascending.
struct FoundBuilding {
  std::string id;                  // its id in the outputs; empty: "b<k>", k its place in the finder's order
  std::vector<std::size_t> roof;   // its cluster: its roof points
  std::vector<std::size_t> input;  // every point of the tile inside its box, its roof points included
  double min_x = 0.0, min_y = 0.0, max_x = 0.0, max_y = 0.0;  // the box, bounds included
  std::vector<OutlinePolygon> outline;  // the footprint it came from; empty for a cluster
};

// Empty when the options can be used; otherwise one line naming the first that
// cannot (a gap that is not a positive finite number, a margin that is not a
// finite number of at least 0, a minimum of 0 points).
std::string check_building_finder_options(const BuildingFinderOptions& options);

// The buildings among points, where roof (one flag per point) marks the roof
// points. Two roof points are connected when their horizontal distance is at
// most the gap; a cluster is a connected set of them. Clusters of fewer than
// min_building_points are dropped, the rest ordered by their lowest point
// index. Roof points with a coordinate that is not finite join no cluster and
// no box. The result depends on the points alone, never on timing or threads.
// Throws std::invalid_argument when check_building_finder_options objects,
// when roof is not one flag per point, or when the roof points spread so far
// that a grid of gap-sized cells over them would not fit in 32-bit indices.
std::vector<FoundBuilding> find_buildings(const std::vector<Point>& points, const std::vector<std::uint8_t>& roof,
                                          const BuildingFinderOptions& options = {});

// The building's input as an extraction takes it: its points in tile order,
// its own roof points flagged.
BuildingInput building_input(const std::vector<Point>& points, const FoundBuilding& building);

}  // namespace roofplanes
