#pragma once

#include <cstddef>
#include <vector>

#include "points/point_triangulation.h"
#include "regions/plane_region.h"

namespace roofplanes {

// Settles the points along the lines where regions meet. The first region to
// be found takes every connected point near its plane, so along a ridge or hip
// it also takes a band of its neighbour's points. In each round every point of
// a region, and every free roof point (is_roof set, in no region: an eave or
// corner point that no triangle of region points reached), goes to the region
// of lowest cost (r / noise)² + smoothness · n, r its height residual to the
// region's plane and n the number of its triangulation neighbours in other
// regions: among its own region and its neighbours' regions whose plane it
// lies within tolerance of. The neighbour term keeps a point where its
// neighbours are when two planes fit it about equally well, as near the base
// of a dormer. Then every plane is fitted again. Rounds repeat until no point
// moves, at most max_rounds times; a region keeps at least three points.
// Returns the number of moves.
std::size_t reassign_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, double noise, double smoothness, std::size_t max_rounds);

}  // namespace roofplanes
