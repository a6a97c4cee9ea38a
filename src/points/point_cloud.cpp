#include "points/point_cloud.h"

namespace roofplanes {

PointCloud triangulate_points(const std::vector<Point>& records) {
  PointCloud cloud;
  cloud.position_of_record.reserve(records.size());
  for (std::size_t n = 0; n < records.size(); ++n) {
    const Point& p = records[n];
    const std::size_t before = cloud.triangulation.number_of_vertices();
    const Vertex_handle v = cloud.triangulation.insert(Point3(p.x, p.y, p.z));
    int position;
    if (cloud.triangulation.number_of_vertices() != before) {
      position = static_cast<int>(cloud.vertices.size());
      cloud.vertices.push_back(v);
      cloud.first_record.push_back(n);
    } else {
      position = v->info().position();
    }
    v->info() = PointLabel(static_cast<int>(n), false, false, 0, -1);
    v->info().set_position(position);
    cloud.position_of_record.push_back(position);
  }
  return cloud;
}

}  // namespace roofplanes
