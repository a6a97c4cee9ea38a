#include "las_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <ostream>
#include <stdexcept>
#include "splitmix64.h"

namespace building_generator {
namespace {

constexpr int kRecordSize[11] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};

// Public header size of LAS 1.0-1.2, 1.3 and 1.4.
std::size_t header_size(int version_minor) {
  return version_minor <= 2 ? 227 : version_minor == 3 ? 235 : 375;
}

// Highest point format each version knows.
int newest_format(int version_minor) {
  switch (version_minor) {
    case 0: case 1: return 1;
    case 2: return 3;
    case 3: return 5;
    default: return 10;
  }
}

constexpr char kVlrUser[] = "roofplanes";
constexpr char kVlrPayload[] = "synthetic airborne scan";
constexpr std::size_t kVlrHeader = 54;

void store(unsigned char* out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}
void store_f64(unsigned char* out, double value) { store(out, std::bit_cast<std::uint64_t>(value), 8); }
void store_text(unsigned char* out, const char* text, std::size_t field) {
  std::memcpy(out, text, std::min(std::strlen(text), field));
}

std::int32_t to_record_integer(double coordinate, double scale, double offset) {
  const double value = std::round((coordinate - offset) / scale);
  if (!(value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()))
    throw std::invalid_argument("write_las: coordinate " + std::to_string(coordinate) +
                                " does not fit a record with this scale and offset");
  return static_cast<std::int32_t>(value);
}

void check(const std::vector<LasRecord>& records, const LasFileOptions& options) {
  if (options.version_minor < 0 || options.version_minor > 4)
    throw std::invalid_argument("write_las: LAS 1." + std::to_string(options.version_minor) +
                                " is not a version");
  if (options.point_format < 0 || options.point_format > newest_format(options.version_minor))
    throw std::invalid_argument("write_las: LAS 1." + std::to_string(options.version_minor) +
                                " has no point format " + std::to_string(options.point_format));
  if (options.extra_bytes < 0 || options.extra_bytes > 1000)
    throw std::invalid_argument("write_las: extra bytes out of range");
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(options.scale[k]) || options.scale[k] == 0.0 ||
        !std::isfinite(options.offset[k]))
      throw std::invalid_argument("write_las: unusable scale or offset");
  if (options.point_format <= 5)
    for (const LasRecord& record : records)
      if (record.classification > 31)
        throw std::invalid_argument("write_las: class " + std::to_string(record.classification) +
                                    " needs point format 6 or higher");
}

// The record of one point.
void encode(const LasRecord& record, const LasFileOptions& options,
            std::uint64_t& noise, unsigned char* out, std::size_t length) {
  if (options.scramble_other_fields) {
    for (std::size_t i = 0; i < length; i += 8)
      store(out + i, splitmix64(noise), static_cast<int>(std::min<std::size_t>(8, length - i)));
  } else {
    std::memset(out, 0, length);
  }
  const double xyz[3] = {record.x, record.y, record.z};
  for (int k = 0; k < 3; ++k) {
    const std::int32_t stored = to_record_integer(xyz[k], options.scale[k], options.offset[k]);
    store(out + 4 * k, static_cast<std::uint32_t>(stored), 4);
  }
  const unsigned char kept_flags = options.scramble_other_fields ? out[15] : 0;
  if (options.point_format <= 5) {
    if (!options.scramble_other_fields) out[14] = 0x09;  // return 1 of 1
    // Bits 5 and 6 (synthetic, key point) may carry noise; bit 7 is the withheld flag.
    out[15] = static_cast<unsigned char>((kept_flags & 0x60) | record.classification |
                                         (record.withheld ? 0x80 : 0));
  } else {
    if (!options.scramble_other_fields) out[14] = 0x11;  // return 1 of 1
    // Flag bits other than withheld (bit 2), channel and scan bits may carry noise.
    out[15] = static_cast<unsigned char>((kept_flags & ~0x04) | (record.withheld ? 0x04 : 0));
    out[16] = record.classification;
  }
}

}  // namespace

int las_record_size(int point_format) {
  return point_format >= 0 && point_format <= 10 ? kRecordSize[point_format] : 0;
}

void write_las(const std::vector<LasRecord>& records, const LasFileOptions& options,
               std::ostream& out) {
  check(records, options);
  const int minor = options.version_minor, format = options.point_format;
  const std::size_t length = static_cast<std::size_t>(kRecordSize[format] + options.extra_bytes);
  const std::uint64_t count = records.size();

  // Bounds of the coordinates as a reader computes them from the stored integers.
  double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  for (std::size_t i = 0; i < records.size(); ++i) {
    const double xyz[3] = {records[i].x, records[i].y, records[i].z};
    for (int k = 0; k < 3; ++k) {
      const double value =
          to_record_integer(xyz[k], options.scale[k], options.offset[k]) * options.scale[k] +
          options.offset[k];
      low[k] = i == 0 ? value : std::min(low[k], value);
      high[k] = i == 0 ? value : std::max(high[k], value);
    }
  }

  const std::size_t header = header_size(minor);
  const std::size_t vlr = kVlrHeader + sizeof kVlrPayload;
  const std::size_t start_mark = minor == 0 ? 2 : 0;  // LAS 1.0 puts 0xCCDD before the points
  std::vector<unsigned char> head(header + vlr + start_mark, 0);
  unsigned char* h = head.data();
  std::memcpy(h, "LASF", 4);
  if (minor >= 4 && format >= 6) store(h + 6, 0x10, 2);  // coordinate system given as WKT
  h[24] = 1;
  h[25] = static_cast<unsigned char>(minor);
  store_text(h + 26, "OTHER", 32);
  store_text(h + 58, "roofplanes building_generator", 32);
  store(h + 94, header, 2);
  store(h + 96, head.size(), 4);
  store(h + 100, 1, 4);  // one variable length record
  h[104] = static_cast<unsigned char>(format);
  store(h + 105, length, 2);
  // The 32-bit counts stay 0 where they cannot hold the count, and for formats 6-10 in 1.4.
  const bool legacy = count <= std::numeric_limits<std::uint32_t>::max() && (minor < 4 || format <= 5);
  if (!legacy && minor < 4) throw std::invalid_argument("write_las: too many points for LAS 1." +
                                                        std::to_string(minor));
  if (legacy) {
    store(h + 107, count, 4);
    store(h + 111, count, 4);  // every point is return 1
  }
  for (int k = 0; k < 3; ++k) {
    store_f64(h + 131 + 8 * k, options.scale[k]);
    store_f64(h + 155 + 8 * k, options.offset[k]);
    store_f64(h + 179 + 16 * k, high[k]);
    store_f64(h + 187 + 16 * k, low[k]);
  }
  if (minor >= 4) {
    store(h + 247, count, 8);
    store(h + 255, count, 8);
  }
  unsigned char* v = h + header;
  store_text(v + 2, kVlrUser, 16);
  store(v + 18, 1, 2);
  store(v + 20, sizeof kVlrPayload, 2);
  store_text(v + 22, "synthetic scan", 32);
  std::memcpy(v + kVlrHeader, kVlrPayload, sizeof kVlrPayload);
  if (start_mark) store(v + vlr, 0xCCDD, 2);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));

  std::uint64_t noise = 0x5EEDull * 1000003 + static_cast<std::uint64_t>(format);
  const std::size_t per_block = std::max<std::size_t>(1, (std::size_t{1} << 20) / length);
  std::vector<unsigned char> block(per_block * length);
  for (std::size_t first = 0; first < records.size(); first += per_block) {
    const std::size_t n = std::min(per_block, records.size() - first);
    for (std::size_t i = 0; i < n; ++i)
      encode(records[first + i], options, noise, block.data() + i * length, length);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n * length));
  }
}

bool write_las(const std::vector<LasRecord>& records, const LasFileOptions& options,
               const std::string& file_name) {
  check(records, options);  // before the file is created
  std::ofstream out(file_name, std::ios::binary);
  if (!out) return false;
  write_las(records, options, out);
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace building_generator
