#pragma once

#include <cstddef>
#include <vector>

#include "points/point_triangulation.h"

namespace roofplanes {

// The plan area a region's points cover: the x-y area of the finite
// triangles whose three corners are region points, plus half of those with
// two (the strip half a spacing wide along its edge that each border point
// stands for). Measured on the region's own triangles, it follows the local
// spacing: where flight strips overlap, twice the points cover the same area.
// member is scratch of one entry per vertex position, all 0, left so.
double region_area(const PointTriangulation& triangulation, const VertexList& points, std::vector<char>& member);

// The same with scratch of its own.
double region_area(const PointTriangulation& triangulation, const VertexList& points);

// How large a region must be to stand as a face of its own: a face is an
// area, and the points it takes to cover it vary with the local spacing.
struct FaceSize {
  std::size_t points = 0;  // a region of this many points is large enough whatever it covers
  double area = 0.0;       // so is one covering this plan area (region_area; 0: by points only)
  std::size_t fewest = 3;  // ... that holds at least this many points
};

// Whether the region is large enough by size (see FaceSize). member as for region_area.
bool large_enough(const PointTriangulation& triangulation, const VertexList& points, const FaceSize& size,
                  std::vector<char>& member);

}  // namespace roofplanes
