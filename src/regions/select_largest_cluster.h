#pragma once

#include "observer/report.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Splits the plane points (on_plane set, cluster_id -1) into clusters of points
// joined through on-plane triangles (finite faces with three on_plane corners)
// and keeps the largest; among equal largest the one created last wins.
//   points        in: the plane points; out: the kept cluster, seed first, then
//                 in the order its members were found (empty when none)
//   pass_number   read only; becomes cluster_id of the kept points, every other
//                 input point ends at -1
// Reports "There are N clusters. The size of cluster n-1 is [size]" to the
// console for every seed, without line breaks. Touches no other label field.
void select_largest_cluster(VertexList& points, PointTriangulation& triangulation, int& pass_number,
                            Report& report);

}  // namespace roofplanes
