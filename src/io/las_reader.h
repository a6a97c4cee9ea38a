#pragma once

// Reading airborne laser scans stored as uncompressed LAS files (versions 1.0 to 1.4, point
// formats 0 to 10). Only what roof extraction needs is kept: coordinates and classification.

#include <cstdint>
#include <string>
#include <vector>

#include "io/las_crs.h"

namespace roofplanes {

struct LasPoint {
  double x, y, z;               // X · scale + offset, as the header gives them
  std::uint8_t classification;  // ASPRS class (2 ground, 5 high vegetation, 6 building, ...)
};

struct LasHeader {
  int version_major = 0, version_minor = 0;
  int point_format = 0;                 // 0 ... 10
  std::uint16_t record_length = 0;      // bytes per point record, extra bytes included
  std::uint64_t point_count = 0;        // records in the file, withheld ones included
  double scale[3] = {0, 0, 0}, offset[3] = {0, 0, 0};
  double min[3] = {0, 0, 0}, max[3] = {0, 0, 0};  // bounds as the header states them
};

struct LasCloud {
  LasHeader header;
  std::vector<LasPoint> points;  // file order, withheld records left out
  std::uint64_t withheld = 0;    // records left out because they carry the withheld flag
  std::vector<LasVlr> projection;  // the LASF_Projection records, for las_reference_system
};

// Reads the LAS file file_name. Compressed (LAZ) files are refused. Throws std::runtime_error
// with the one-line message "<file_name>: <what is wrong>" when the file cannot be read or
// its header does not describe the bytes that follow.
LasCloud read_las(const std::string& file_name);

}  // namespace roofplanes
