#include "regions/expand_region.h"

#include <cstddef>

#include "planes/plane_residual.h"
#include "points/face_ring.h"
#include "regions/detect_border.h"

namespace roofplanes {

void expand_region(VertexList& border, VertexList& region, PointTriangulation& triangulation,
                   const PlaneParams& plane, double& factor1, double& factor2) {
  if (border.empty()) return;  // no first point to read the region label from
  const double threshold = factor1 * factor2;
  const int label = border.front()->info().cluster_id();
  constexpr int kFree = -1;

  auto near_plane = [&](Vertex_handle v) { return plane_residual(v->point(), plane) < threshold; };

  // The border list doubles as the work list: joined points are appended and
  // processed later in the same sweep.
  for (std::size_t k = 0; k < border.size(); ++k) {
    const Vertex_handle v = border[k];
    for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
      if (triangulation.is_infinite(f)) return;
      if (!c->info().is_roof() || !e->info().is_roof()) return;
      const int c_id = c->info().cluster_id();
      const int e_id = e->info().cluster_id();
      if (c_id == label) {
        if (e_id == kFree && near_plane(e)) {
          e->info().set_cluster_id(label);
          region.push_back(e);
          border.push_back(e);
        }
      } else if (c_id == kFree && e_id == label) {
        if (near_plane(c)) {
          c->info().set_cluster_id(label);
          region.push_back(c);
          border.push_back(c);
        }
      } else if (c_id == kFree && e_id == kFree) {
        if (near_plane(c) && near_plane(e)) {
          c->info().set_cluster_id(label);
          e->info().set_cluster_id(label);
          region.push_back(c);
          region.push_back(e);
          border.push_back(c);
          border.push_back(e);
        }
      }
    });
  }

  border = detect_border(region, triangulation);
}

}  // namespace roofplanes
