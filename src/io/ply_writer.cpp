#include "io/ply_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>

#include "io/output_file.h"

namespace roofplanes {
namespace {

// Records are packed into a buffer of this many bytes and written in one call.
constexpr std::size_t block_bytes = 1 << 16;

// Appends value's bytes, least significant first, whatever the machine's order.
template <class T>
char* put_little_endian(char* at, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if constexpr (std::endian::native == std::endian::big) std::reverse(bytes, bytes + sizeof(T));
  std::memcpy(at, bytes, sizeof(T));
  return at + sizeof(T);
}

void require_one_per_point(std::size_t size, std::size_t points, const char* what) {
  if (size != points)
    throw std::invalid_argument(std::string("PLY output: ") + std::to_string(size) + " " + what + " for " +
                                std::to_string(points) + " points");
}

}  // namespace

void write_labelled_ply(std::ostream& out, const std::vector<Point>& points, const std::vector<int>& labels,
                        const std::vector<std::uint8_t>& roof, std::string_view program_version,
                        const std::vector<int>* buildings) {
  require_one_per_point(labels.size(), points.size(), "labels");
  require_one_per_point(roof.size(), points.size(), "roof flags");
  if (buildings) require_one_per_point(buildings->size(), points.size(), "building numbers");

  // A line end inside the comment would end the header early.
  std::string version(program_version);
  std::replace_if(version.begin(), version.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  out << "ply\nformat binary_little_endian 1.0\ncomment roofplanes " << version << "\nelement vertex "
      << points.size()
      << "\nproperty double x\nproperty double y\nproperty double z\nproperty int segment\nproperty uchar roof\n";
  if (buildings) out << "property int building\n";
  out << "end_header\n";

  const std::size_t record_bytes = 3 * sizeof(double) + sizeof(std::int32_t) + 1 + (buildings ? sizeof(std::int32_t) : 0);
  const std::size_t records_per_block = block_bytes / record_bytes;
  std::vector<char> block(records_per_block * record_bytes);
  for (std::size_t first = 0; first < points.size(); first += records_per_block) {
    const std::size_t last = std::min(points.size(), first + records_per_block);
    char* at = block.data();
    for (std::size_t i = first; i < last; ++i) {
      at = put_little_endian(at, points[i].x);
      at = put_little_endian(at, points[i].y);
      at = put_little_endian(at, points[i].z);
      at = put_little_endian(at, static_cast<std::int32_t>(labels[i]));
      *at++ = roof[i] != 0 ? 1 : 0;
      if (buildings) at = put_little_endian(at, static_cast<std::int32_t>((*buildings)[i]));
    }
    out.write(block.data(), at - block.data());
  }
}

void write_labelled_ply(std::ostream& out, const BuildingInput& input, const Result& result,
                        std::string_view program_version) {
  write_labelled_ply(out, input.points, result.labels, input.roof, program_version);
}

void write_labelled_ply_file(const std::filesystem::path& file, const std::vector<Point>& points,
                             const std::vector<int>& labels, const std::vector<std::uint8_t>& roof,
                             std::string_view program_version, const std::vector<int>* buildings) {
  write_output_file(file,
                    [&](std::ostream& out) { write_labelled_ply(out, points, labels, roof, program_version, buildings); });
}

void write_labelled_ply_file(const std::filesystem::path& file, const BuildingInput& input, const Result& result,
                             std::string_view program_version) {
  write_output_file(file, [&](std::ostream& out) { write_labelled_ply(out, input, result, program_version); });
}

}  // namespace roofplanes
