#include "io/vrml_writers.h"

#include <charconv>
#include <fstream>
#include <ios>
#include <sstream>
#include <system_error>

namespace roofplanes {
namespace {

const char* const red = "DEF red Appearance {material Material { diffuseColor 1 0 0 }}\n";
const char* const white = "DEF white Appearance {material Material { diffuseColor 1 1 1 }}\n";
const char* const green = "DEF green Appearance {material Material { diffuseColor 0 1 0 }}\n";
const char* const blue = "DEF blue Appearance {material Material { diffuseColor 0 0 1 }}\n";
const char* const yellow = "DEF yellow Appearance {material Material { diffuseColor 1 1 0 }}\n";
const char* const magenta = "DEF magenta Appearance {material Material { diffuseColor 1 0 1 }}\n";
const char* const cyan = "DEF cyan Appearance {material Material { diffuseColor 0 1 1 }}\n\n";

// A scene's text, formatted in memory and written in blocks. Numbers are
// formatted as a stream in fixed notation with the given precision formats
// them: std::to_chars rounds the exact binary value the same way (half to
// even on exact ties only), and writes -0.00, inf and nan alike.
class SceneText {
 public:
  // Opens for appending; any mode but "app" first empties the file through a
  // second stream, so the appending stream then writes from the start. A
  // negative precision means the stream's default of six decimals.
  SceneText(const std::string& file_name, const std::string& mode, int precision)
      : out_(file_name, std::ios::out | std::ios::app), precision_(precision < 0 ? 6 : precision) {
    if (mode != "app") std::ofstream(file_name, std::ios::out | std::ios::trunc).close();
  }

  SceneText& operator<<(const char* part) {
    text_ += part;
    return *this;
  }
  SceneText& operator<<(const std::string& part) {
    text_ += part;
    return *this;
  }
  SceneText& operator<<(double value) {
    char digits[400];  // the longest double in fixed notation has 309 digits before the point
    const std::to_chars_result written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision_);
    if (written.ec == std::errc()) {
      text_.append(digits, written.ptr);
    } else {  // more decimals than the buffer holds: the stream itself
      std::ostringstream stream;
      stream.setf(std::ios::fixed, std::ios::floatfield);
      stream.precision(precision_);
      stream << value;
      text_ += stream.str();
    }
    return *this;
  }
  SceneText& operator<<(long long value) {
    char digits[24];
    text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    return *this;
  }

  // Hands a full block to the stream: a scene of a million points never
  // sits in memory whole.
  void spill() {
    if (text_.size() >= block) write_out();
  }
  // Writes the rest and closes; whether everything reached the file: the
  // stream is checked after closing, which is when a full disk shows.
  bool close() {
    if (!out_.is_open()) return false;
    write_out();
    out_.close();
    return !out_.fail();
  }

 private:
  static constexpr std::size_t block = std::size_t{1} << 16;
  void write_out() {
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
  }

  std::ofstream out_;
  int precision_;
  std::string text_;
};

// The header and table of the point scenes: red first.
void write_points_preamble(SceneText& out) {
  out << "#VRML V2.0 utf8\n\n" << red << white << green << blue << yellow << magenta << cyan;
}

void write_sphere(SceneText& out, const Point& p, const std::string& appearance, const char* closing) {
  out << "Transform {" << "translation " << p.x << " " << p.y << " " << p.z << "\n"
      << "children Shape { appearance USE\t" << appearance << closing;
  out.spill();
}

}  // namespace

bool write_vrml_points(const std::vector<Point>& points, const std::string& file_name, const std::string& mode,
                       const std::string& appearance, int precision) {
  SceneText out(file_name, mode, precision);
  write_points_preamble(out);
  for (const Point& p : points) write_sphere(out, p, appearance, " geometry Sphere\t{radius 0.3}}}\n");
  return out.close();
}

bool write_vrml_points_cycled(const std::vector<Point>& points, const std::string& file_name,
                              const std::string& mode, const std::string& /*appearance*/, int precision) {
  static const std::string cycle[3] = {"red", "green", "blue"};
  SceneText out(file_name, mode, precision);
  write_points_preamble(out);
  for (std::size_t i = 0; i < points.size(); ++i)
    write_sphere(out, points[i], cycle[i % 3], " geometry Sphere\t{radius 0.1}}}\n");
  return out.close();
}

bool write_vrml_polygon(const std::vector<Point>& points, const std::string& file_name, const std::string& mode,
                        const std::string& appearance, int precision) {
  SceneText out(file_name, mode, precision);
  out << "#VRML V2.0 utf8\n" << white << red << green << blue << yellow << magenta << cyan;
  // Without a point there is no line to draw, and the index list would have
  // to name a point that does not exist.
  if (!points.empty()) {
    out << "\nShape{ appearance USE " << appearance << "\ngeometry IndexedLineSet{coord Coordinate{point[\n";
    for (const Point& p : points) {
      out << p.x << " " << p.y << " " << p.z << "\n";
      out.spill();
    }
    const long long n = static_cast<long long>(points.size());
    out << "]}coordIndex [";
    for (long long j = 0; j < n; ++j) {
      out << j << " ";
      out.spill();
    }
    out << "0 -1 ";
    for (long long k = n - 1; k >= 0; --k) {
      out << k << " ";
      out.spill();
    }
    out << n - 1 << "]}}\n";
  }
  return out.close();
}

bool write_vrml_scene(const Scene& scene, const std::string& file_name, const std::string& mode, int precision) {
  switch (scene.kind) {
    case SceneKind::points:
      return write_vrml_points(scene.points, file_name, mode, scene.appearance, precision);
    case SceneKind::polygon:
      return write_vrml_polygon(scene.points, file_name, mode, scene.appearance, precision);
    case SceneKind::points_cycled:
      return write_vrml_points_cycled(scene.points, file_name, mode, scene.appearance, precision);
  }
  return false;
}

}  // namespace roofplanes
