#include "points/point_cloud.h"

namespace roofplanes {

PointCloud triangulate_points(const std::vector<Point>& records) {
  PointCloud cloud;
  cloud.position_of_record.reserve(records.size());
  // Insertion without a hint walks from the hull to each point. A walk from
  // the last point's face finds the same face where the point lies strictly
  // inside one (exact predicates: only one face holds it), and the insertion
  // is then the same; on an edge, a vertex or outside the hull the face found
  // can depend on where the walk starts, so there the walk starts where an
  // insertion without a hint starts it. Vertex and face order stay as always.
  PointTriangulation& triangulation = cloud.triangulation;
  Face_handle hint;
  for (std::size_t n = 0; n < records.size(); ++n) {
    const Point& p = records[n];
    const Point3 point(p.x, p.y, p.z);
    const std::size_t before = triangulation.number_of_vertices();
    PointTriangulation::Locate_type type;
    int index = 0;
    Face_handle face = triangulation.locate(point, type, index, hint);
    if (type != PointTriangulation::FACE) face = triangulation.locate(point, type, index);
    const Vertex_handle v = triangulation.insert(point, type, face, index);
    hint = v->face();
    int position;
    if (triangulation.number_of_vertices() != before) {
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
