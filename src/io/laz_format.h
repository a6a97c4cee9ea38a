#pragma once

// What the LASzip record of a LAZ file says about its point records: the compressor, the chunk
// size and the items each record is made of.

#include <cstdint>
#include <vector>

namespace roofplanes::laz {

enum class ItemType : std::uint16_t {
  byte = 0,
  point10 = 6,
  gpstime11 = 7,
  rgb12 = 8,
  wavepacket13 = 9,
  point14 = 10,
  rgb14 = 11,
  rgbnir14 = 12,
  wavepacket14 = 13,
  byte14 = 14,
};

struct Item {
  ItemType type = ItemType::byte;
  std::uint16_t size = 0;     // bytes of the record this item covers
  std::uint16_t version = 0;  // coder version of the item
};

enum class Compressor : std::uint16_t { none = 0, pointwise = 1, pointwise_chunked = 2, layered_chunked = 3 };

constexpr std::uint32_t kVariableChunkSize = 0xFFFFFFFFu;

struct Parameters {
  Compressor compressor = Compressor::none;
  std::uint32_t chunk_size = 0;  // points per chunk, or kVariableChunkSize
  std::vector<Item> items;       // in record order
};

}  // namespace roofplanes::laz
