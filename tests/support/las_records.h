#pragma once

// Writes variable-length records into the bytes of a LAS file, the way other
// programs store reference systems, so that tests can give a shipped file
// another one. Byte offsets are those of the LAS header (1.0 to 1.4).

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace roofplanes::testing {

inline void store_le(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

inline std::uint64_t load_le(const std::string& bytes, std::size_t at, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

inline std::string record_user_id(const std::string& user_id) {
  std::string field(16, '\0');
  std::memcpy(field.data(), user_id.data(), std::min<std::size_t>(16, user_id.size()));
  return field;
}

// las with one more VLR after its others: the point offset and the record
// count of the header grow accordingly.
inline std::string with_vlr(std::string las, const std::string& user_id, std::uint16_t record_id,
                            const std::string& payload) {
  std::string record(54, '\0');
  record.replace(2, 16, record_user_id(user_id));
  store_le(record, 18, record_id, 2);
  store_le(record, 20, payload.size(), 2);
  record += payload;
  const std::size_t offset = load_le(las, 96, 4);
  las.insert(offset, record);
  store_le(las, 96, offset + record.size(), 4);
  store_le(las, 100, load_le(las, 100, 4) + 1, 4);
  return las;
}

// A LAS 1.4 file with one extended record appended as its only EVLR.
inline std::string with_evlr(std::string las, const std::string& user_id, std::uint16_t record_id,
                             const std::string& payload) {
  std::string record(60, '\0');
  record.replace(2, 16, record_user_id(user_id));
  store_le(record, 18, record_id, 2);
  store_le(record, 20, payload.size(), 8);
  store_le(las, 235, las.size(), 8);
  store_le(las, 243, 1, 4);
  return las + record + payload;
}

// Renames every VLR of the given record id, so that readers no longer see it as a projection record.
inline std::string without_vlrs(std::string las, std::uint16_t record_id) {
  std::size_t at = load_le(las, 94, 2);
  const std::size_t count = load_le(las, 100, 4);
  for (std::size_t i = 0; i < count; ++i) {
    if (load_le(las, at + 18, 2) == record_id) las.replace(at + 2, 16, record_user_id("hidden"));
    at += 54 + load_le(las, at + 20, 2);
  }
  return las;
}

// A GeoTIFF key directory (record 34735) holding the keys (id, location, count, value).
inline std::string geotiff_keys(const std::vector<std::array<std::uint16_t, 4>>& keys) {
  std::string bytes(8 * (keys.size() + 1), '\0');
  const std::uint16_t header[4] = {1, 1, 0, static_cast<std::uint16_t>(keys.size())};
  for (int i = 0; i < 4; ++i) store_le(bytes, 2 * static_cast<std::size_t>(i), header[i], 2);
  for (std::size_t k = 0; k < keys.size(); ++k)
    for (std::size_t i = 0; i < 4; ++i) store_le(bytes, 8 * (k + 1) + 2 * i, keys[k][i], 2);
  return bytes;
}

}  // namespace roofplanes::testing
