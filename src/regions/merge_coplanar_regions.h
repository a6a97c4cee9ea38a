#pragma once

#include <vector>

#include "points/point_neighbours.h"
#include "points/point_triangulation.h"
#include "regions/plane_region.h"

namespace roofplanes {

// Merges neighbouring regions whose points lie on one plane: two regions are
// neighbours when a path of at most two triangulation edges joins them (a
// face cut in two by a dormer keeps a strip of a point or two between its
// pieces, too narrow for a triangle of its own), and they merge when the
// plane fitted to both together leaves a root mean square height residual of
// at most rms_limit, or of at most rms_ratio times the pooled rms of each
// about its own plane (one plane fits both about as well as each fits its
// own points: a rough face cut into bands). Of all such pairs the one with
// the smallest residual merges first (ties: lowest indices), into the lower
// index, whose plane is fitted again; this repeats until no pair qualifies. A face that a pass cut in
// two (a dormer or a box between) becomes one region again. Returns the number
// of merges; region order is otherwise kept.
std::size_t merge_coplanar_regions(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                                   double rms_limit, double rms_ratio = 0.0);

// The same with the triangulation's neighbour lists made once (point_neighbours).
std::size_t merge_coplanar_regions(const PointNeighbours& neighbours, std::vector<PlaneRegion>& regions,
                                   double rms_limit, double rms_ratio = 0.0);

// Pairs (i, j), i < j, of regions joined by a path of at most two triangulation edges, ascending.
std::vector<std::pair<std::size_t, std::size_t>> neighbouring_regions(const PointTriangulation& triangulation,
                                                                      const std::vector<PlaneRegion>& regions);
std::vector<std::pair<std::size_t, std::size_t>> neighbouring_regions(const PointNeighbours& neighbours,
                                                                      const std::vector<PlaneRegion>& regions);

}  // namespace roofplanes
