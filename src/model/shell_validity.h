#pragma once

// Whether a shell is a valid solid, checked the way city model validators do.

#include <string>

#include "model/building_model.h"

namespace roofplanes {

// Empty when the shell is a valid solid; otherwise what is wrong, the first
// fault found in this order:
//  - a ring with fewer than three vertices, or a vertex twice in a polygon;
//  - a polygon whose vertices lie farther than max_off_plane (input units; 1 cm
//    as city model validators take it) from the plane through their centroid
//    with the outer ring's Newell normal, or whose
//    rings are not simple in that plane;
//  - an edge not in exactly two polygons in opposite directions (the shell
//    is not closed and 2-manifold), also at vertices once triangulated;
//  - a self-intersection (of a triangulated copy);
//  - a volume that is not positive (the polygons face inward).
std::string shell_problem(const Shell& shell, const ModelGrid& grid, double max_off_plane = 0.01);

}  // namespace roofplanes
