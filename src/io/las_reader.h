#pragma once

// Reading airborne laser scans stored as LAS files (versions 1.0 to 1.4, point formats 0 to
// 10), uncompressed or compressed (LAZ, decoded by laz_reader). Only what roof extraction
// needs is kept: coordinates and classification.

#include <cstddef>
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
  std::vector<std::string> warnings;  // what was odd but did not stop the reading, one line each
  // Whole records between the last counted record and the end of the point
  // data (the file's end, or its extended records): a header count smaller
  // than what the file holds. They are not read; the caller says so.
  std::uint64_t records_beyond_count = 0;
  std::vector<LasVlr> projection;  // the LASF_Projection records, for las_reference_system
};

// Reads the LAS file file_name, compressed (LAZ) or not, as its header says. Throws
// std::runtime_error with the one-line message "<file_name>: <what is wrong>" when the file
// cannot be read or its header does not describe the bytes that follow, when it is not a
// regular file or larger than max_input_bytes, and when a coordinate is not finite or lies
// beyond ±max_coordinate_magnitude (the message names the record and the field).
LasCloud read_las(const std::string& file_name);

// "" when cloud read every record its file holds; otherwise the one line that
// says how many records beyond the header's point count were not read.
std::string records_beyond_count_note(const std::string& file_name, const LasCloud& cloud);

// Writes the points of `count` point records (header.record_length bytes each) to out, withheld
// records left out; returns how many it wrote. first_record is the 1-based number of the first
// record, for the message: a coordinate that is not finite or beyond ±max_coordinate_magnitude
// throws std::runtime_error("point record N: X coordinate ...").
std::size_t convert_las_records(const unsigned char* records, std::size_t count, const LasHeader& header,
                                LasPoint* out, std::uint64_t first_record = 1);

}  // namespace roofplanes
