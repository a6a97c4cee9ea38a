#include "io/laz_chunk_decoder.h"

#include <string>

#include "io/laz_item_coding.h"
#include "io/laz_layered_chunk.h"
#include "io/laz_pointwise_chunk.h"

namespace roofplanes::laz {

std::size_t decode_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                         std::uint32_t point_count, std::uint8_t* records, std::size_t record_length) {
  if (point_count == 0) damaged("chunk of no points");
  if (parameters.compressor == Compressor::layered_chunked)
    return decode_layered_chunk(parameters, bytes, size, point_count, records, record_length);
  return decode_pointwise_chunk(parameters, bytes, size, point_count, records, record_length);
}

std::string check_items(const Parameters& parameters, std::size_t record_length) {
  std::size_t total = 0;
  for (const Item& item : parameters.items) {
    const bool layered = parameters.compressor == Compressor::layered_chunked;
    const unsigned t = static_cast<unsigned>(item.type);
    bool known = false;
    std::size_t expected = item.size;
    if (!layered) {
      known = item.version == 2 && (item.type == ItemType::point10 || item.type == ItemType::gpstime11 ||
                                    item.type == ItemType::rgb12 || item.type == ItemType::byte);
      if (item.type == ItemType::point10) expected = 20;
      if (item.type == ItemType::gpstime11) expected = 8;
      if (item.type == ItemType::rgb12) expected = 6;
    } else {
      known = item.version == 3 && (item.type == ItemType::point14 || item.type == ItemType::rgb14 ||
                                    item.type == ItemType::rgbnir14 || item.type == ItemType::byte14);
      if (item.type == ItemType::point14) expected = 30;
      if (item.type == ItemType::rgb14) expected = 6;
      if (item.type == ItemType::rgbnir14) expected = 8;
    }
    if (!known)
      return "compressed item " + std::to_string(t) + " version " + std::to_string(item.version) +
             " cannot be read (known: items 0, 6, 7, 8 version 2; items 10, 11, 12, 14 version 3)";
    if (item.size != expected || item.size == 0)
      return "compressed item " + std::to_string(t) + " has size " + std::to_string(item.size);
    total += item.size;
  }
  if (parameters.items.empty()) return "the compression record lists no items";
  const ItemType first = parameters.compressor == Compressor::layered_chunked ? ItemType::point14 : ItemType::point10;
  if (parameters.items.front().type != first) return "the first compressed item is not a point";
  for (std::size_t i = 1; i < parameters.items.size(); ++i)
    if (parameters.items[i].type == first) return "a compressed record holds two points";
  if (total != record_length)
    return "the compressed items cover " + std::to_string(total) + " bytes, the records have " +
           std::to_string(record_length);
  return {};
}

}  // namespace roofplanes::laz
