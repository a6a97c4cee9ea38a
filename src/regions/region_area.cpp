#include "regions/region_area.h"

#include <cmath>

#include "points/face_ring.h"

namespace roofplanes {

double region_area(const PointTriangulation& triangulation, const VertexList& points, std::vector<char>& member) {
  const auto index = [](Vertex_handle v) { return static_cast<std::size_t>(v->info().position()); };
  for (const Vertex_handle& v : points) member[index(v)] = 1;
  double area = 0.0;
  for (const Vertex_handle& v : points)
    for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
      if (triangulation.is_infinite(f)) return;
      const bool in_c = member[index(c)] != 0, in_e = member[index(e)] != 0;
      // Each triangle once: by its region corner of the lowest position.
      if ((in_c && index(c) < index(v)) || (in_e && index(e) < index(v))) return;
      const double weight = in_c && in_e ? 1.0 : in_c || in_e ? 0.5 : 0.0;
      if (weight == 0.0) return;
      const Point3 &a = v->point(), &b = c->point(), &d = e->point();
      area += weight * 0.5 * std::fabs((b.x() - a.x()) * (d.y() - a.y()) - (d.x() - a.x()) * (b.y() - a.y()));
    });
  for (const Vertex_handle& v : points) member[index(v)] = 0;
  return area;
}

double region_area(const PointTriangulation& triangulation, const VertexList& points) {
  std::vector<char> member(triangulation.number_of_vertices(), 0);
  return region_area(triangulation, points, member);
}

bool large_enough(const PointTriangulation& triangulation, const VertexList& points, const FaceSize& size,
                  std::vector<char>& member) {
  if (points.size() >= size.points) return true;
  return size.area > 0.0 && points.size() >= size.fewest && region_area(triangulation, points, member) >= size.area;
}

}  // namespace roofplanes
