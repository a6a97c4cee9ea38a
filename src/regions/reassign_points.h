#pragma once

#include <cstddef>
#include <vector>

#include "points/point_neighbours.h"
#include "points/point_triangulation.h"
#include "regions/plane_region.h"

namespace roofplanes {

// Settles the points along the lines where regions meet. The first region to
// be found takes every connected point near its plane, so along a ridge or hip
// it also takes a band of its neighbour's points. In each round every point of
// a region, and every free roof point (is_roof set, in no region: an eave or
// corner point that no triangle of region points reached), may go to the
// region of a triangulation neighbour whose plane it lies within tolerance of.
// Two regions whose planes cross between their centres (each more than the
// tolerance below the other at one of the centres) and lie within
// 2 · tolerance of each other above the point are told apart by the side of
// the crossing the point lies on: each plane is the roof on its own side
// (the lower one at a ridge or hip, the upper one in a valley), which the
// height noise cannot blur. Otherwise the lower cost wins: (r / noise)² +
// smoothness · n, r the height residual to the region's plane and n the
// number of the point's neighbours in other regions, so that where two
// planes fit about equally well a point stays with its neighbours. Then every
// plane is fitted again. Rounds repeat until no point moves, at most
// max_rounds times; a region keeps at least three points. Returns the number
// of moves.
std::size_t reassign_points(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, double noise, double smoothness, std::size_t max_rounds);

// The same with the triangulation's neighbour lists made once (point_neighbours)
// for all the settling of an extraction.
std::size_t reassign_points(const PointTriangulation& triangulation, const PointNeighbours& neighbours,
                            std::vector<PlaneRegion>& regions, double tolerance, double noise, double smoothness,
                            std::size_t max_rounds);

}  // namespace roofplanes
