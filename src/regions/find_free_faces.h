#pragma once

#include <cstddef>
#include <vector>

#include "points/point_triangulation.h"
#include "regions/plane_region.h"
#include "regions/region_area.h"

namespace roofplanes {

// Faces among the free roof points (is_roof set, in no region) that the
// search left: its pass loop ends at the first pass whose best region is
// small, however many faces are left, and it grows regions through triangles
// of free points only, which points of another level between them (a terrace
// under a pergola, clutter) break. Seeds are tried in ascending vertex
// position: a free point that the plane fitted to it and its free neighbours
// (those within tolerance of a first fit) passes within tolerance grows
// through triangulation edges to free points within tolerance of the plane,
// also across one point that lies above the plane by more than tolerance (an
// eave that hides a lower roof from some pulses, so that their points
// alternate in plan; never across a point on or below the plane),
// fitted again each time the region doubles; then the region is grown once
// more from the seed with the final plane, and the plane fitted to it. It is
// a face when it is large enough by size (large_enough: its points, or the
// plan area they cover; three points at least), is min_width wide (region_width;
// not a gutter or one scan line) and is a surface: at least half its points
// are corners of triangles of its points and points above its plane (at
// least two of its own) (not a chain of points of
// one height, edge by edge through clutter) with at least half its points
// within tolerance / 3 of the plane (a face's noise, not clutter's spread). Face or not, its points seed
// nothing more (a later face may still grow into those of a region that was
// none). New regions are appended; earlier regions are not changed. Returns
// the number of regions added.
std::size_t find_free_faces(const PointTriangulation& triangulation, std::vector<PlaneRegion>& regions,
                            double tolerance, const FaceSize& size, double min_width);

// The smaller principal standard deviation of the points' x, y: how wide the region is.
double region_width(const VertexList& points);

}  // namespace roofplanes
