#pragma once

// Building footprints from a vector file (GeoPackage, Shapefile, GeoJSON,
// FlatGeobuf, or anything else GDAL reads), as the tile command takes them.

#include <optional>
#include <string>
#include <vector>

#include "tiles/footprint_buildings.h"

namespace roofplanes {

// The footprints of a file and what it says about their coordinates.
struct FootprintFile {
  std::vector<Footprint> footprints;  // in the layer's order
  std::string reference_system;       // the layer's system as named in the file; empty when it names none
  bool transformed = false;           // whether the coordinates were moved into the target system
};

// Reads the polygons and multipolygons of the file's first layer (other
// geometries are skipped; curves are replaced by line strings), each under
// the value of id_field (empty when the field is empty). When target_epsg is
// given and the layer names a system other than it, the coordinates are
// transformed into it. Throws std::runtime_error("<file>: <what is wrong>")
// when the file cannot be read as a vector file, has no layer or no field
// id_field (the message lists the fields), or names a system GDAL cannot
// transform into target_epsg, or when the reader's library
// (libroofplanes_gdal.so, loaded on the first call) cannot be loaded.
FootprintFile read_footprints(const std::string& file, const std::string& id_field,
                              const std::optional<int>& target_epsg);

}  // namespace roofplanes
