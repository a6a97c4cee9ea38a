#pragma once

// The footprint reader on GDAL, built as a shared library of its own
// (libroofplanes_gdal.so beside the program) and loaded by read_footprints
// only when footprints are read: GDAL brings about a hundred shared libraries,
// whose loading took a tenth of a second of every run, footprints or not.

#include <optional>
#include <string>

#include "io/footprint_reader.h"

namespace roofplanes {

inline constexpr const char* gdal_footprint_library = "libroofplanes_gdal.so";
inline constexpr const char* gdal_footprint_entry = "roofplanes_read_footprints_with_gdal";
using ReadFootprintsWithGdal = FootprintFile (*)(const std::string& file, const std::string& id_field,
                                                 const std::optional<int>& target_epsg);

}  // namespace roofplanes

// read_footprints, as io/footprint_reader.h describes it: the library's entry
// point, unmangled so that it can be looked up by name.
extern "C" roofplanes::FootprintFile roofplanes_read_footprints_with_gdal(const std::string& file,
                                                                          const std::string& id_field,
                                                                          const std::optional<int>& target_epsg);
