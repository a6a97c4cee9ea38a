#pragma once

// Reads back binary little-endian PLY files with one element, vertex, of
// uchar, int and double properties: enough to check what the PLY writer produced.

#include <bit>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace roofplanes::testing {

struct PlyFile {
  std::string format;                                      // e.g. "binary_little_endian 1.0"
  std::vector<std::string> comments;
  std::size_t vertex_count = 0;
  std::vector<std::pair<std::string, std::string>> properties;  // type, name, in order
  std::map<std::string, std::vector<double>> columns;      // every value by property name; doubles kept bit for bit
  std::size_t trailing_bytes = 0;                          // bytes after the last vertex
};

namespace ply_detail {
template <class T>
double take(const char*& at) {
  static_assert(std::endian::native == std::endian::little, "the test reader assumes a little-endian machine");
  T value;
  std::memcpy(&value, at, sizeof(T));
  at += sizeof(T);
  return static_cast<double>(value);
}
}  // namespace ply_detail

// Throws std::runtime_error when the bytes are not such a file or end early.
inline PlyFile read_ply(const std::string& bytes) {
  PlyFile file;
  const std::size_t header_end = bytes.find("end_header\n");
  if (bytes.rfind("ply\n", 0) != 0 || header_end == std::string::npos) throw std::runtime_error("no PLY header");
  std::istringstream header(bytes.substr(4, header_end - 4));
  for (std::string line; std::getline(header, line);) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "format") {
      std::getline(words >> std::ws, file.format);
    } else if (keyword == "comment") {
      file.comments.emplace_back();
      std::getline(words >> std::ws, file.comments.back());
    } else if (keyword == "element") {
      std::string name;
      words >> name >> file.vertex_count;
      if (name != "vertex") throw std::runtime_error("unexpected element " + name);
    } else if (keyword == "property") {
      std::string type, name;
      words >> type >> name;
      file.properties.emplace_back(type, name);
    } else {
      throw std::runtime_error("unexpected header line: " + line);
    }
  }
  if (file.format != "binary_little_endian 1.0") throw std::runtime_error("unsupported format " + file.format);

  const std::map<std::string, std::size_t> sizes{{"uchar", 1}, {"int", 4}, {"double", 8}};
  std::size_t record = 0;
  for (const auto& [type, name] : file.properties) {
    if (!sizes.count(type)) throw std::runtime_error("unsupported type " + type);
    record += sizes.at(type);
  }
  const std::size_t body = header_end + std::string("end_header\n").size();
  if (bytes.size() - body < record * file.vertex_count) throw std::runtime_error("file ends inside the vertices");
  file.trailing_bytes = bytes.size() - body - record * file.vertex_count;

  const char* at = bytes.data() + body;
  for (std::size_t v = 0; v < file.vertex_count; ++v)
    for (const auto& [type, name] : file.properties) {
      using namespace ply_detail;
      const double value = type == "uchar" ? take<std::uint8_t>(at)
                           : type == "int" ? take<std::int32_t>(at)
                                           : take<double>(at);
      file.columns[name].push_back(value);
    }
  return file;
}

}  // namespace roofplanes::testing
