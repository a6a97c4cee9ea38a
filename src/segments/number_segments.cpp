#include "segments/number_segments.h"

namespace roofplanes {

void number_segments(PointTriangulation& triangulation, RoofSegmentList& segments) {
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    v->info().set_cluster_id(0);
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    for (const Vertex_handle& v : segments[i].points()) v->info().set_cluster_id(number);
    segments[i].set_number(number);
  }
}

}  // namespace roofplanes
