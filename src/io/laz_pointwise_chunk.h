#pragma once

// The record-by-record coder of point formats 0-5 (LASzip items POINT10, GPSTIME11, RGB12 and
// extra bytes, version 2): a chunk is its first record as is, then one coded stream.

#include <cstddef>
#include <cstdint>

#include "io/laz_format.h"

namespace roofplanes::laz {

// Decodes the chunk in bytes [0, size) into point_count records of record_length bytes;
// returns the bytes the chunk took. Throws std::runtime_error when the bytes cannot be it.
std::size_t decode_pointwise_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                                   std::uint32_t point_count, std::uint8_t* records, std::size_t record_length);

}  // namespace roofplanes::laz
