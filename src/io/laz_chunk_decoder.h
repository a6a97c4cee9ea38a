#pragma once

// Decoding one chunk of a LAZ file's point data back into its point records. A chunk starts
// with its first record as is; the rest are coded against it, either record by record in one
// stream (point formats 0-5) or field by field in layers of their own (formats 6-10).

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/laz_format.h"

namespace roofplanes::laz {

// Decodes the chunk in bytes [0, size) into `point_count` records of `record_length` bytes at
// `records`. Returns the bytes the chunk took. Throws std::runtime_error saying what is wrong
// when the bytes cannot be that chunk (too short, a layer that does not end where its length
// says, a point count that differs).
std::size_t decode_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                         std::uint32_t point_count, std::uint8_t* records, std::size_t record_length);

// Checks that the items can be decoded and that they cover records of record_length bytes;
// returns what is wrong, or an empty string.
std::string check_items(const Parameters& parameters, std::size_t record_length);

}  // namespace roofplanes::laz
