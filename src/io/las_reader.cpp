#include "io/las_reader.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "io/coordinate_range.h"
#include "io/input_file.h"
#include "io/laz_reader.h"

namespace roofplanes {
namespace {

// Header sizes of LAS 1.0-1.2, 1.3 (waveform start) and 1.4 (extended counts).
constexpr std::size_t kHeaderSize12 = 227;
constexpr std::size_t kHeaderSize13 = 235;
constexpr std::size_t kHeaderSize14 = 375;

// Smallest record of each point format; longer records carry extra bytes at their end.
constexpr std::uint16_t kRecordSize[11] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};

// Bytes per fread: large enough that the per-call cost vanishes, small enough to stay in cache.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

[[noreturn]] void fail(const std::string& file_name, const std::string& what) {
  throw std::runtime_error(file_name + ": " + what);
}

// Little-endian fields, whatever the host's byte order.
std::uint64_t load_unsigned(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}
std::uint16_t load_u16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(load_unsigned(bytes, 2));
}
std::uint32_t load_u32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(load_unsigned(bytes, 4));
}
std::int32_t load_i32(const unsigned char* bytes) { return static_cast<std::int32_t>(load_u32(bytes)); }
double load_f64(const unsigned char* bytes) { return std::bit_cast<double>(load_unsigned(bytes, 8)); }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

std::string number(std::uint64_t value) { return std::to_string(value); }

// Header fields that decide where the records are and how to read them, checked against the
// file size so that nothing later reads past the end or reserves more than the file can hold.
struct Layout {
  LasHeader header;
  std::uint64_t point_offset = 0;
  bool compressed = false;  // LAZ: the records are decoded by the LAZ reader
  std::uint64_t records_end = 0;  // where the bytes that can hold point records end (EVLRs or waveforms start)
};

Layout read_layout(const std::string& file_name, std::FILE* file, std::uint64_t file_size) {
  unsigned char bytes[kHeaderSize14] = {};
  const std::size_t available =
      static_cast<std::size_t>(std::min<std::uint64_t>(file_size, kHeaderSize14));
  if (std::fread(bytes, 1, available, file) != available) fail(file_name, "cannot read the header");
  if (available < 4 || std::memcmp(bytes, "LASF", 4) != 0)
    fail(file_name, "not a LAS file (it does not start with \"LASF\")");
  if (available < kHeaderSize12)
    fail(file_name, "truncated: " + number(file_size) + " bytes, shorter than a LAS header");

  Layout layout;
  LasHeader& h = layout.header;
  h.version_major = bytes[24];
  h.version_minor = bytes[25];
  if (h.version_major != 1 || h.version_minor > 4)
    fail(file_name, "unknown LAS version " + number(bytes[24]) + "." + number(bytes[25]));

  // Compressors mark their files by setting the top bits of the point format.
  layout.compressed = (bytes[104] & 0xC0) != 0;
  const std::uint8_t format_byte = bytes[104] & 0x3F;
  if (format_byte > 10) fail(file_name, "unknown point format " + number(format_byte));
  h.point_format = format_byte;

  const std::size_t needed_header = h.version_minor <= 2   ? kHeaderSize12
                                    : h.version_minor == 3 ? kHeaderSize13
                                                           : kHeaderSize14;
  const std::uint16_t header_size = load_u16(bytes + 94);
  if (header_size < needed_header)
    fail(file_name, "header size " + number(header_size) + " is too small for LAS 1." +
                        number(h.version_minor) + " (at least " + number(needed_header) + ")");
  if (header_size > file_size)
    fail(file_name, "truncated: header size " + number(header_size) + " but the file has " +
                        number(file_size) + " bytes");

  layout.point_offset = load_u32(bytes + 96);
  if (layout.point_offset < header_size)
    fail(file_name, "offset to point data " + number(layout.point_offset) +
                        " lies inside the header of " + number(header_size) + " bytes");
  if (layout.point_offset > file_size)
    fail(file_name, "offset to point data " + number(layout.point_offset) +
                        " lies past the end of the file (" + number(file_size) + " bytes)");

  h.record_length = load_u16(bytes + 105);
  if (h.record_length < kRecordSize[h.point_format])
    fail(file_name, "record length " + number(h.record_length) + " is too small for point format " +
                        number(h.point_format) + " (at least " +
                        number(kRecordSize[h.point_format]) + ")");

  // LAS 1.4 keeps the count in a 64-bit field; the 32-bit one is 0 for formats 6-10 and only a
  // copy otherwise. A 1.4 file that fills in only the 32-bit field is still read.
  h.point_count = load_u32(bytes + 107);
  if (h.version_minor >= 4) {
    const std::uint64_t extended = load_unsigned(bytes + 247, 8);
    if (extended != 0 || h.point_count == 0) h.point_count = extended;
  }

  const char* const axis = "XYZ";
  for (int k = 0; k < 3; ++k) {
    h.scale[k] = load_f64(bytes + 131 + 8 * k);
    h.offset[k] = load_f64(bytes + 155 + 8 * k);
    h.max[k] = load_f64(bytes + 179 + 16 * k);
    h.min[k] = load_f64(bytes + 187 + 16 * k);
    if (!std::isfinite(h.scale[k]) || h.scale[k] == 0.0)
      fail(file_name, std::string(1, axis[k]) + " scale factor is zero or not a finite number");
    if (!std::isfinite(h.offset[k]))
      fail(file_name, std::string(1, axis[k]) + " offset is not a finite number");
  }

  const std::uint64_t room = (file_size - layout.point_offset) / h.record_length;
  if (!layout.compressed && h.point_count > room)
    fail(file_name, "point count " + number(h.point_count) + " does not fit the file: " +
                        number(file_size - layout.point_offset) + " bytes after offset " +
                        number(layout.point_offset) + " hold at most " + number(room) +
                        " records of " + number(h.record_length) + " bytes");
  // Records lie between the point offset and the first extended record (1.4)
  // or the waveform packets kept in the file (1.3 and later), where those follow them.
  layout.records_end = file_size;
  const std::uint64_t points_end = layout.point_offset + h.point_count * h.record_length;
  const auto ends_records = [&](std::uint64_t start) {
    if (start >= layout.point_offset && start < layout.records_end && start >= points_end)
      layout.records_end = start;
  };
  if (h.version_minor >= 3 && (load_u16(bytes + 6) & 0x02) != 0) ends_records(load_unsigned(bytes + 227, 8));
  if (h.version_minor >= 4 && load_u32(bytes + 243) != 0) ends_records(load_unsigned(bytes + 235, 8));

  return layout;
}

// The coordinate stored as value, checked: a scale or offset that takes it
// out of range (to infinity, or beyond what a building's sums can hold) is an
// input error naming the record and the field.
void check_coordinate(std::uint64_t record, int axis, double value) {
  if (std::string problem = coordinate_problem(value); !problem.empty())
    throw std::runtime_error("point record " + number(record) + ": " + "XYZ"[axis] + " coordinate " + problem);
}

}  // namespace

std::size_t convert_las_records(const unsigned char* records, std::size_t count, const LasHeader& h,
                                LasPoint* out, std::uint64_t first_record) {
  const bool extended_format = h.point_format >= 6;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* record = records + i * h.record_length;
    // Formats 0-5: class in bits 0-4 and withheld in bit 7 of byte 15. Formats 6-10: a
    // whole class byte (16) and the withheld flag in bit 2 of the flags in byte 15.
    const bool withheld = extended_format ? (record[15] & 0x04) != 0 : (record[15] & 0x80) != 0;
    if (withheld) continue;
    const std::uint8_t classification =
        extended_format ? record[16] : static_cast<std::uint8_t>(record[15] & 0x1F);
    const LasPoint point{load_i32(record) * h.scale[0] + h.offset[0], load_i32(record + 4) * h.scale[1] + h.offset[1],
                         load_i32(record + 8) * h.scale[2] + h.offset[2], classification};
    if (!(std::fabs(point.x) <= max_coordinate_magnitude && std::fabs(point.y) <= max_coordinate_magnitude &&
          std::fabs(point.z) <= max_coordinate_magnitude)) {
      check_coordinate(first_record + i, 0, point.x);
      check_coordinate(first_record + i, 1, point.y);
      check_coordinate(first_record + i, 2, point.z);
    }
    out[kept++] = point;
  }
  return kept;
}

LasCloud read_las(const std::string& file_name) {
  std::error_code error;
  if (std::filesystem::is_directory(file_name, error)) fail(file_name, "is a folder, not a LAS file");
  // A FIFO or device is never opened: it could block or never end.
  if (const std::string problem = input_file_problem(file_name); !problem.empty() && problem != "does not exist")
    fail(file_name, problem);
  errno = 0;
  const FilePointer file(std::fopen(file_name.c_str(), "rb"));
  if (!file) fail(file_name, std::string("cannot open: ") + std::strerror(errno));
  const std::uintmax_t file_size = std::filesystem::file_size(file_name, error);
  if (error) fail(file_name, "cannot tell its size: " + error.message());

  const Layout layout = read_layout(file_name, file.get(), file_size);
  LasCloud cloud;
  cloud.header = layout.header;
  cloud.projection = read_projection_records(file.get(), file_size);
  const LasHeader& h = cloud.header;
  if (layout.compressed) {
    read_laz_points(file_name, file.get(), file_size, layout.point_offset, cloud);
    return cloud;
  }
  if (fseeko(file.get(), static_cast<off_t>(layout.point_offset), SEEK_SET) != 0)
    fail(file_name, "cannot seek to the point records");

  const std::size_t length = h.record_length;
  const std::uint64_t per_block = std::max<std::uint64_t>(1, kBlockBytes / length);
  std::vector<unsigned char> block(
      static_cast<std::size_t>(std::min(per_block, std::max<std::uint64_t>(h.point_count, 1))) *
      length);
  cloud.points.reserve(static_cast<std::size_t>(h.point_count));

  for (std::uint64_t done = 0; done < h.point_count;) {
    const std::size_t count = static_cast<std::size_t>(std::min(per_block, h.point_count - done));
    if (std::fread(block.data(), length, count, file.get()) != count)
      fail(file_name, "truncated: cannot read point record " + number(done + 1) + " of " +
                          number(h.point_count));
    const std::size_t before = cloud.points.size();
    cloud.points.resize(before + count);
    std::size_t kept;
    try {
      kept = convert_las_records(block.data(), count, h, cloud.points.data() + before, done + 1);
    } catch (const std::runtime_error& error) {
      fail(file_name, error.what());
    }
    cloud.points.resize(before + kept);
    cloud.withheld += count - kept;
    done += count;
  }
  const std::uint64_t points_end = layout.point_offset + h.point_count * length;
  if (layout.records_end > points_end) cloud.records_beyond_count = (layout.records_end - points_end) / length;
  return cloud;
}

std::string records_beyond_count_note(const std::string& file_name, const LasCloud& cloud) {
  if (cloud.records_beyond_count == 0) return {};
  return file_name + ": " + number(cloud.records_beyond_count) + " point records beyond the header's count of " +
         number(cloud.header.point_count) + " were not read";
}

}  // namespace roofplanes
