#pragma once

#include <cstddef>
#include <vector>

#include "points/point_triangulation.h"
#include "regions/plane_region.h"
#include "regions/region_area.h"

namespace roofplanes {

// Keeps no region smaller than size (large_enough: by its points, or by the
// plan area they cover). Each point of such a fragment joins
// the kept region that it neighbours through a
// triangulation edge and whose plane it lies within tolerance of, the nearest
// plane when several qualify (ties: the lower index); a point that fits no
// neighbouring region stays in no region. Points join in fragment order, so a
// point can reach a region through a fragment point that joined it before.
// Kept regions keep their order and their planes are fitted again when they
// grew. Returns the number of fragments removed.
std::size_t drop_fragments(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                           const FaceSize& size, double tolerance);

}  // namespace roofplanes
