#pragma once

// The buildings of a tile from given footprints (cadastre, OpenStreetMap, a
// national topographic map): one building per footprint that holds roof
// points, under the footprint's id. Opens no file and writes nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "model/building_attributes.h"
#include "pipeline/building_input.h"
#include "tiles/find_buildings.h"

namespace roofplanes {

// One polygon of a footprint: its outer ring and its holes, x and y of each
// corner (z unused), rings not closed, in either orientation.
using FootprintPolygon = OutlinePolygon;

// A footprint: its id and its polygons (several for a multipolygon).
struct Footprint {
  std::string id;
  std::vector<FootprintPolygon> polygons;
};

// Whether x, y lies in the footprint: inside an outer ring and in none of its
// holes (the even-odd rule; a point on an edge may fall either way).
bool footprint_contains(const Footprint& footprint, double x, double y);

// Horizontal distance from x, y to the footprint: 0 inside, else to its nearest edge.
double footprint_distance(const Footprint& footprint, double x, double y);

// The buildings of the footprints that overlap the points' x, y bounds.
struct FootprintBuildings {
  std::vector<FoundBuilding> buildings;  // in footprint order, ids the footprints' ids
  // Ids of footprints overlapping the points that hold no roof point: no building.
  std::vector<std::string> without_roof;
};

// For each footprint overlapping the points: its input every point within
// margin of the footprint (inside it included), its roof points the roof
// points (roof: one flag per point) inside it, its box the footprint's bounds
// grown by the margin, its outline the footprint. Points with a coordinate that is not finite are in no
// building. Throws std::invalid_argument when roof is not one flag per point
// or the margin is not a finite number of at least 0.
FootprintBuildings footprint_buildings(const std::vector<Point>& points, const std::vector<std::uint8_t>& roof,
                                       const std::vector<Footprint>& footprints, double margin);

}  // namespace roofplanes
