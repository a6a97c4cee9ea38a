#pragma once

// Reading the point records of LAZ files: LAS files whose records LASzip compressed, in chunks
// listed by a chunk table at the end of the point data (COPC files are such files).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "io/las_reader.h"

namespace roofplanes {

// Decodes the compressed point records of `file` (file_size bytes; its header, already checked
// by the LAS reader, is cloud.header, its records start at point_offset) into cloud.points, in
// file order, withheld records left out. Chunks are decoded in parallel, a few at a time.
// A missing or cut chunk table is not fatal: the chunks are then read one after the other, and
// cloud.warnings says so. Throws std::runtime_error "<file_name>: <what is wrong>" when the file
// is damaged or uses a compression this reader does not know.
void read_laz_points(const std::string& file_name, std::FILE* file, std::uint64_t file_size,
                     std::uint64_t point_offset, LasCloud& cloud);

// The point records of a LAZ file as they are stored once decompressed: what an uncompressed
// twin of the file holds. For checking and measuring the decoder.
struct LazRecords {
  LasHeader header;                    // format, record length and count (no scale or bounds)
  std::vector<std::uint8_t> records;   // point_count × record_length bytes, in file order
  std::vector<std::string> warnings;
};
LazRecords read_laz_records(const std::string& file_name);

}  // namespace roofplanes
