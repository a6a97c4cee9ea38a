#pragma once

#include <cstdint>
#include <vector>

#include "points/point_triangulation.h"
#include "points/triangle_fans.h"

namespace roofplanes {

// Every vertex's finite neighbours in a triangulation, as flat lists of vertex
// positions: the neighbours of the vertex at position p are
// positions[start[p]] to positions[start[p + 1] − 1], in the order the
// triangulation's circulator gives them. The stages that look at a point's
// neighbours again and again (settling, merging) read these lists far faster
// than they circulate the triangulation's records. vertices lists the
// vertices by position. Positions must be 0 to number_of_vertices − 1.
struct PointNeighbours {
  std::vector<std::uint32_t> start;
  std::vector<std::uint32_t> positions;
  VertexList vertices;
};

PointNeighbours point_neighbours(const PointTriangulation& triangulation);

// The same lists read off the triangle fans of the triangulation where they
// close around a point (every neighbour is the c of one fan triangle, in the
// same order), circulating only around the points on the hull.
PointNeighbours point_neighbours(const PointTriangulation& triangulation, const TriangleFans& fans);

}  // namespace roofplanes
