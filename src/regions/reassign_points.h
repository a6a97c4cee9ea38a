#pragma once

#include <cstddef>
#include <vector>

#include "points/point_triangulation.h"
#include "regions/plane_region.h"

namespace roofplanes {

// Settles the points along the lines where regions meet. The first region to
// be found takes every connected point near its plane, so along a ridge or hip
// it also takes a band of its neighbour's points. In each round every region
// point with a triangulation neighbour in another region moves to the
// neighbouring region whose plane it lies nearest (and within tolerance of)
// when that is nearer than its own plane; then every plane is fitted again.
// Rounds repeat until no point moves, at most max_rounds times; a region is
// never emptied below three points. Returns the number of moves.
std::size_t reassign_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, std::size_t max_rounds);

}  // namespace roofplanes
