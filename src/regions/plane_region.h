#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "planes/height_plane.h"
#include "points/point_triangulation.h"
#include "points/triangle_fans.h"

namespace roofplanes {

// A connected set of free roof points and the plane fitted to them.
struct PlaneRegion {
  VertexList points;
  HeightPlane plane;
};

// The face a set of candidate points (a Hough cell) belongs to. The plane is
// fitted to the candidates twice, keeping those within tolerance of it (a slab
// across several faces keeps only a thin strip of each), and the largest
// triangle-connected cluster of what is kept is taken: a cluster grows through
// triangles whose three corners are all kept. Then, regrow_rounds times or
// until it stops changing, the plane is fitted to the region again and the
// region becomes every free roof point (is_roof set) within tolerance of it
// that is triangle-connected to the region's points still within tolerance.
// The returned plane is fitted to the returned points. Empty when fewer than
// three candidates fit. Reads only; points follow the order they were reached.
PlaneRegion grow_plane_region(const PointTriangulation& triangulation, const VertexList& candidates,
                              double tolerance, std::size_t regrow_rounds);

// The same on the triangulation's fans, with the free roof points given:
// free_roof lists every vertex with is_roof set, in vertex iteration order (a
// search makes the fans once and lists the points once per pass for all the
// regions it judges).
PlaneRegion grow_plane_region(const TriangleFans& fans, const VertexList& candidates, double tolerance,
                              std::size_t regrow_rounds, const VertexList& free_roof);

// The same, also listing in depends_on the positions of the free roof points
// the region was made from: the candidates and every point within tolerance
// of a plane a round fitted. Points only ever leave play, so while all of
// these remain free roof points the same call returns the same region.
PlaneRegion grow_plane_region(const TriangleFans& fans, const VertexList& candidates, double tolerance,
                              std::size_t regrow_rounds, const VertexList& free_roof,
                              std::vector<std::uint32_t>& depends_on);

// The largest triangle-connected cluster of the points flagged in member
// (indexed by vertex position): clusters are searched from the listed seeds
// in order, and among clusters of equal size the first found wins. A seed not
// flagged starts nothing.
VertexList largest_connected_cluster(const PointTriangulation& triangulation, const VertexList& seeds,
                                     const std::vector<char>& member);

}  // namespace roofplanes
