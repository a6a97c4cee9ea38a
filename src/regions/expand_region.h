#pragma once

#include "planes/plane_params.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Grows a region over free roof points (is_roof set, cluster_id -1) lying
// strictly closer than factor1 × factor2 to the plane, in one breadth-first
// sweep from the border: a free point joins through a finite face around a
// processed point whose third corner is a region point, or together with the
// third corner when that is a free point passing the test as well.
//   border   in: the region's border, whose first point carries the region
//            label (its cluster_id); used as the work list; out: the border of
//            the grown region, from detect_border (border_mark = 1 on it)
//   region   in: the region; out: with the joined points appended in join order
//   plane    the plane fitted to the region
//   factor1, factor2  read only
// An empty border list leaves both lists unchanged.
void expand_region(VertexList& border, VertexList& region, PointTriangulation& triangulation,
                   const PlaneParams& plane, double& factor1, double& factor2);

}  // namespace roofplanes
