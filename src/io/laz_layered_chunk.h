#pragma once

// The layered coder of point formats 6-10 (LASzip items POINT14, RGB14, RGBNIR14 and extra
// bytes, version 3): a chunk is its first record as is, its point count, the byte count of
// every field's layer, then the layers, each a coded stream of its own.

#include <cstddef>
#include <cstdint>

#include "io/laz_format.h"

namespace roofplanes::laz {

// Decodes the chunk in bytes [0, size) into point_count records of record_length bytes;
// returns the bytes the chunk took. Throws std::runtime_error when the bytes cannot be it.
std::size_t decode_layered_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                                 std::uint32_t point_count, std::uint8_t* records, std::size_t record_length);

// The number of records a layered chunk says it holds, read from its start; 0 when `size` is too
// short to tell. Used to walk chunks when the chunk table is missing.
std::uint32_t layered_chunk_point_count(const std::uint8_t* bytes, std::size_t size,
                                        std::size_t record_length);

}  // namespace roofplanes::laz
