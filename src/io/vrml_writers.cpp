#include "io/vrml_writers.h"

#include <fstream>
#include <ios>

namespace roofplanes {
namespace {

const char* const red = "DEF red Appearance {material Material { diffuseColor 1 0 0 }}\n";
const char* const white = "DEF white Appearance {material Material { diffuseColor 1 1 1 }}\n";
const char* const green = "DEF green Appearance {material Material { diffuseColor 0 1 0 }}\n";
const char* const blue = "DEF blue Appearance {material Material { diffuseColor 0 0 1 }}\n";
const char* const yellow = "DEF yellow Appearance {material Material { diffuseColor 1 1 0 }}\n";
const char* const magenta = "DEF magenta Appearance {material Material { diffuseColor 1 0 1 }}\n";
const char* const cyan = "DEF cyan Appearance {material Material { diffuseColor 0 1 1 }}\n\n";

// Opens for appending; any mode but "app" first empties the file through a
// second stream, so the appending stream then writes from the start. A file
// that cannot be opened leaves the stream failed and every write a no-op.
void open_scene(std::ofstream& out, const std::string& file_name, const std::string& mode, int precision) {
  out.open(file_name, std::ios::out | std::ios::app);
  if (mode != "app") std::ofstream(file_name, std::ios::out | std::ios::trunc).close();
  out.setf(std::ios::fixed, std::ios::floatfield);
  out.precision(precision);
}

// Whether everything reached the file: the stream is checked after closing,
// which is when a full disk shows.
bool close_scene(std::ofstream& out) {
  if (!out.is_open()) return false;
  out.close();
  return !out.fail();
}

// The header and table of the point scenes: red first.
void write_points_preamble(std::ofstream& out) {
  out << "#VRML V2.0 utf8\n\n" << red << white << green << blue << yellow << magenta << cyan;
}

void write_sphere(std::ofstream& out, const Point& p, const std::string& appearance, const char* closing) {
  out << "Transform {" << "translation " << p.x << " " << p.y << " " << p.z << "\n"
      << "children Shape { appearance USE\t" << appearance << closing;
}

}  // namespace

bool write_vrml_points(const std::vector<Point>& points, const std::string& file_name, const std::string& mode,
                       const std::string& appearance, int precision) {
  std::ofstream out;
  open_scene(out, file_name, mode, precision);
  write_points_preamble(out);
  for (const Point& p : points) write_sphere(out, p, appearance, " geometry Sphere\t{radius 0.3}}}\n");
  return close_scene(out);
}

bool write_vrml_points_cycled(const std::vector<Point>& points, const std::string& file_name,
                              const std::string& mode, const std::string& /*appearance*/, int precision) {
  static const std::string cycle[3] = {"red", "green", "blue"};
  std::ofstream out;
  open_scene(out, file_name, mode, precision);
  write_points_preamble(out);
  for (std::size_t i = 0; i < points.size(); ++i)
    write_sphere(out, points[i], cycle[i % 3], " geometry Sphere\t{radius 0.1}}}\n");
  return close_scene(out);
}

bool write_vrml_polygon(const std::vector<Point>& points, const std::string& file_name, const std::string& mode,
                        const std::string& appearance, int precision) {
  std::ofstream out;
  open_scene(out, file_name, mode, precision);
  out << "#VRML V2.0 utf8\n" << white << red << green << blue << yellow << magenta << cyan;
  // Without a point there is no line to draw, and the index list would have
  // to name a point that does not exist.
  if (!points.empty()) {
    out << "\nShape{ appearance USE " << appearance << "\ngeometry IndexedLineSet{coord Coordinate{point[\n";
    for (const Point& p : points) out << p.x << " " << p.y << " " << p.z << "\n";
    const long long n = static_cast<long long>(points.size());
    out << "]}coordIndex [";
    for (long long j = 0; j < n; ++j) out << j << " ";
    out << "0 -1 ";
    for (long long k = n - 1; k >= 0; --k) out << k << " ";
    out << n - 1 << "]}}\n";
  }
  return close_scene(out);
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
