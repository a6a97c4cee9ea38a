#include "io/las_crs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include <sys/types.h>

namespace roofplanes {
namespace {

constexpr std::size_t kHeaderSize14 = 375;
constexpr std::size_t kVlrHeader = 54;
constexpr std::size_t kEvlrHeader = 60;
constexpr std::uint16_t kWktRecord = 2112;
constexpr std::uint16_t kGeoKeyRecord = 34735;
constexpr std::uint16_t kGeoAsciiRecord = 34737;

std::uint64_t load(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::string user_id(const unsigned char* bytes) {
  std::string id(reinterpret_cast<const char*>(bytes), 16);
  id.resize(std::strlen(id.c_str()));
  return id;
}

bool read_at(std::FILE* file, std::uint64_t position, void* into, std::size_t size) {
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0 && std::fread(into, 1, size, file) == size;
}

// One bracketed WKT node: KEYWORD[value, value, NODE[...], ...].
struct WktNode {
  std::string keyword;
  std::vector<std::string> values;  // quoted strings unquoted, numbers and bare words as written
  std::vector<WktNode> children;
};

// A small recursive reader; nesting deeper than any real system is refused.
class WktReader {
 public:
  explicit WktReader(std::string_view text) : text_(text) {}

  std::optional<WktNode> node(int depth = 0) {
    skip_space();
    WktNode n;
    n.keyword = word();
    skip_space();
    if (n.keyword.empty() || depth > 32 || !take_any("[(")) return std::nullopt;
    while (true) {
      skip_space();
      if (at_end()) return std::nullopt;
      if (text_[pos_] == '"') {
        n.values.push_back(quoted());
      } else {
        const std::size_t start = pos_;
        const std::string w = word();
        skip_space();
        if (!w.empty() && !at_end() && (text_[pos_] == '[' || text_[pos_] == '(')) {
          pos_ = start;
          auto child = node(depth + 1);
          if (!child) return std::nullopt;
          n.children.push_back(std::move(*child));
        } else {
          std::string bare = w;
          while (!at_end() && std::strchr(",])", text_[pos_]) == nullptr) bare += text_[pos_++];
          n.values.push_back(bare);
        }
      }
      skip_space();
      if (take_any("])")) return n;
      if (!take_any(",")) return std::nullopt;
    }
  }

 private:
  bool at_end() const { return pos_ >= text_.size(); }
  void skip_space() {
    while (!at_end() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool take_any(const char* set) {
    if (at_end() || std::strchr(set, text_[pos_]) == nullptr) return false;
    ++pos_;
    return true;
  }
  std::string word() {
    std::string w;
    while (!at_end() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
      w += text_[pos_++];
    return w;
  }
  std::string quoted() {  // "" inside stands for one "
    std::string s;
    ++pos_;
    while (!at_end()) {
      if (text_[pos_] == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          s += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      s += text_[pos_++];
    }
    return s;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool is_horizontal_crs(const std::string& keyword) {
  static const char* const names[] = {"PROJCS",  "PROJCRS",        "PROJECTEDCRS", "GEOGCS",     "GEOGCRS",
                                      "GEODCRS", "GEOGRAPHICCRS", "GEODETICCRS",  "GEOCCS"};
  const std::string k = upper(keyword);
  return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return k == n; });
}

std::optional<int> positive_code(std::string_view text) {
  int code = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (error != std::errc() || end != text.data() + text.size() || code <= 0) return std::nullopt;
  return code;
}

// The last AUTHORITY or ID among the node's own children that names EPSG.
std::optional<int> own_epsg(const WktNode& node) {
  std::optional<int> code;
  for (const WktNode& child : node.children) {
    const std::string k = upper(child.keyword);
    if ((k == "AUTHORITY" || k == "ID") && child.values.size() >= 2 && upper(child.values[0]) == "EPSG")
      if (const auto c = positive_code(child.values[1])) code = c;
  }
  return code;
}

// The node naming the horizontal system: the top node, or a compound's first horizontal part.
const WktNode* horizontal_node(const WktNode& top) {
  if (is_horizontal_crs(top.keyword)) return &top;
  for (const WktNode& child : top.children)
    if (is_horizontal_crs(child.keyword)) return &child;
  return nullptr;
}

std::string_view payload_text(const std::vector<unsigned char>& payload) {
  std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
  return text.substr(0, text.find('\0'));
}

// A short name for a message: KEYWORD["name"], or the start of the text.
std::string wkt_description(std::string_view wkt) {
  if (auto top = WktReader(wkt).node()) {
    const WktNode* crs = horizontal_node(*top);
    const WktNode& named = crs ? *crs : *top;
    return "WKT " + named.keyword + "[\"" + (named.values.empty() ? "" : named.values.front()) + "\"]";
  }
  return "WKT \"" + std::string(wkt.substr(0, 40)) + (wkt.size() > 40 ? "...\"" : "\"");
}

}  // namespace

std::vector<LasVlr> read_projection_records(std::FILE* file, std::uint64_t file_size) {
  std::vector<LasVlr> records;
  unsigned char header[kHeaderSize14] = {};
  const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(file_size, kHeaderSize14));
  if (available < 227 || !read_at(file, 0, header, available) || std::memcmp(header, "LASF", 4) != 0) return records;
  const std::uint64_t header_size = load(header + 94, 2), point_offset = load(header + 96, 4);
  const std::uint64_t count = load(header + 100, 4);
  const auto keep = [&](const unsigned char* head, std::uint16_t record_id, std::uint64_t at, std::uint64_t length) {
    if (user_id(head + 2) != "LASF_Projection") return true;
    LasVlr record{user_id(head + 2), record_id, std::vector<unsigned char>(static_cast<std::size_t>(length))};
    if (length > 0 && !read_at(file, at, record.payload.data(), record.payload.size())) return false;
    records.push_back(std::move(record));
    return true;
  };

  std::uint64_t at = header_size;
  for (std::uint64_t i = 0; i < count; ++i) {
    unsigned char head[kVlrHeader];
    if (at + kVlrHeader > point_offset || !read_at(file, at, head, kVlrHeader)) break;
    const std::uint64_t length = load(head + 20, 2);
    if (at + kVlrHeader + length > point_offset) break;
    if (!keep(head, static_cast<std::uint16_t>(load(head + 18, 2)), at + kVlrHeader, length)) break;
    at += kVlrHeader + length;
  }

  if (header[25] < 4 || header_size < kHeaderSize14 || available < kHeaderSize14) return records;
  at = load(header + 235, 8);
  const std::uint64_t extended = load(header + 243, 4);
  for (std::uint64_t i = 0; i < extended && at != 0; ++i) {
    unsigned char head[kEvlrHeader];
    if (at > file_size || file_size - at < kEvlrHeader || !read_at(file, at, head, kEvlrHeader)) break;
    const std::uint64_t length = load(head + 20, 8);
    if (length > file_size - at - kEvlrHeader) break;
    if (!keep(head, static_cast<std::uint16_t>(load(head + 18, 2)), at + kEvlrHeader, length)) break;
    at += kEvlrHeader + length;
  }
  return records;
}

std::optional<int> wkt_epsg(std::string_view wkt) {
  const auto top = WktReader(wkt).node();
  if (!top) return std::nullopt;
  const WktNode* crs = horizontal_node(*top);
  return crs ? own_epsg(*crs) : std::nullopt;
}

std::optional<int> geotiff_epsg(const std::vector<unsigned char>& directory) {
  const std::size_t shorts = directory.size() / 2;
  const auto at = [&](std::size_t i) { return static_cast<int>(load(directory.data() + 2 * i, 2)); };
  if (shorts < 4) return std::nullopt;
  const std::size_t keys = std::min<std::size_t>(static_cast<std::size_t>(at(3)), (shorts - 4) / 4);
  std::optional<int> projected, geographic;
  for (std::size_t k = 0; k < keys; ++k) {
    const std::size_t e = 4 + 4 * k;
    // Location 0: the value is the entry's own last short.
    if (at(e + 1) != 0) continue;
    const int value = at(e + 3);
    if (value == 0 || value == 32767) continue;
    if (at(e) == 3072) projected = value;
    if (at(e) == 2048) geographic = value;
  }
  return projected ? projected : geographic;
}

ReferenceSystem las_reference_system(const std::vector<LasVlr>& records) {
  ReferenceSystem system;
  for (const LasVlr& r : records) {
    if (r.record_id != kWktRecord) continue;
    const std::string_view wkt = payload_text(r.payload);
    system.epsg = wkt_epsg(wkt);
    system.found = wkt_description(wkt);
    return system;
  }
  for (const LasVlr& r : records) {
    if (r.record_id != kGeoKeyRecord) continue;
    system.epsg = geotiff_epsg(r.payload);
    system.found = "GeoTIFF keys";
    for (const LasVlr& ascii : records)
      if (ascii.record_id == kGeoAsciiRecord) {
        const std::string_view text = payload_text(ascii.payload);
        const std::string_view citation = text.substr(0, text.find('|'));
        if (!citation.empty()) system.found += " (\"" + std::string(citation) + "\")";
      }
    return system;
  }
  return system;
}

}  // namespace roofplanes
