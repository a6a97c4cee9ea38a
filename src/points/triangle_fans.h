#pragma once

#include <cstdint>
#include <vector>

#include "points/point_triangulation.h"

namespace roofplanes {

// The finite triangles around every vertex of a triangulation, as flat lists
// of vertex positions: what a search that walks from triangle to triangle
// many times reads far faster than the triangulation's own records.
// For the vertex at position p, corners[2k] and corners[2k + 1] for k in
// [start[p], start[p + 1]) are the (c, e) of for_each_face_around around it,
// in its order, infinite faces left out. vertices lists the vertices by
// position. Positions must be 0 to number_of_vertices − 1.
struct TriangleFans {
  std::vector<std::uint32_t> start;
  std::vector<std::uint32_t> corners;
  VertexList vertices;
};

TriangleFans triangle_fans(const PointTriangulation& triangulation);

}  // namespace roofplanes
