#include "points/read_point_cloud.h"

#include <fstream>

namespace roofplanes {

PointTriangulation read_point_cloud(std::string file_name) {
  std::ifstream in(file_name);
  return read_point_cloud(in);
}

PointTriangulation read_point_cloud(std::istream& in) {
  PointTriangulation triangulation;
  int n = 0;
  double x, y, z;
  while (in >> x >> y >> z) {
    // No location hint: plain insertion walks from the triangulation's own
    // start face, exactly as one-at-a-time insertion in file order should.
    const Vertex_handle v = triangulation.insert(Point3(x, y, z));
    v->info() = PointLabel(n, false, false, 0, -1);
    ++n;
  }
  return triangulation;
}

}  // namespace roofplanes
