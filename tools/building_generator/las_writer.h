#pragma once

// Writes synthetic scans as uncompressed LAS files, any version 1.0 to 1.4 and any point format
// 0 to 10, for the reader tests and the tile generator. Output is the same bytes on every
// machine: no creation date, no host-dependent fields.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace building_generator {

struct LasRecord {
  double x = 0.0, y = 0.0, z = 0.0;
  std::uint8_t classification = 0;  // 0-31 in formats 0-5, 0-255 in formats 6-10
  bool withheld = false;
};

struct LasFileOptions {
  int version_minor = 2;  // LAS 1.<version_minor>, 0 to 4
  int point_format = 1;   // 0 to 10
  int extra_bytes = 0;    // bytes after the format's own fields in every record, 0 to 1000
  double scale[3] = {0.01, 0.01, 0.01};
  double offset[3] = {0.0, 0.0, 0.0};
  // Fill every field and flag a roof reader has no use for (intensity, returns, synthetic and
  // key-point bits, GPS time, colours, wave packets, extra bytes) with seeded noise instead of
  // plain values, so that a reader looking at the wrong bits gets caught.
  bool scramble_other_fields = false;
};

// Record length of a point format without extra bytes; 0 for an unknown format.
int las_record_size(int point_format);

// Writes the records in order as a LAS file: a header, one small description record and, in
// LAS 1.0, the two-byte start mark before the points. Coordinates are stored as
// round((x - offset) / scale). Throws std::invalid_argument for options outside the ranges
// above, a class the format cannot hold, or a coordinate outside the 32-bit range. The file
// version returns false when the file cannot be written.
void write_las(const std::vector<LasRecord>& records, const LasFileOptions& options,
               std::ostream& out);
bool write_las(const std::vector<LasRecord>& records, const LasFileOptions& options,
               const std::string& file_name);

}  // namespace building_generator
