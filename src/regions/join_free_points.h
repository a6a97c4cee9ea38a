#pragma once

#include <cstddef>
#include <vector>

#include "points/point_neighbours.h"
#include "points/point_triangulation.h"
#include "regions/plane_region.h"

namespace roofplanes {

// A region's own tolerance: three times the rms of its points about its
// plane (the spread of a face whose roof is rougher than the height noise),
// at least base and at most twice base.
double own_tolerance(const PlaneRegion& region, double base);

// Free roof points (is_roof set, in no region) join the region of a point
// within two triangulation edges, the middle one a free point (never across
// another region's point), when they lie within that region's own tolerance
// (own_tolerance with base) of its plane, round after round, so that a chain
// of such points joins through each other. Two edges, not one: a single
// outlier (a gutter, a stray return) no longer cuts the rest of a face's
// edge off it. A point with several such regions
// goes to the one it fits best relative to its tolerance (ties: the lower
// index). Each round decides on the points and owners as they were before
// it; the planes are fitted again once at the end. Returns the number of
// points that joined.
std::size_t join_free_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                             double base);

// The same with the triangulation's neighbour lists made once (point_neighbours).
std::size_t join_free_points(const PointTriangulation& triangulation, const PointNeighbours& neighbours,
                             std::vector<PlaneRegion>& regions, double base);

}  // namespace roofplanes
