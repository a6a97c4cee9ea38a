#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "observer/extraction_observer.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// The building's records in the triangulation, with the links between records
// and vertices. Position k is the k-th vertex of the iteration order, i.e. the
// k-th distinct (x, y) in order of first appearance.
struct PointCloud {
  PointTriangulation triangulation;
  VertexList vertices;                           // by position
  std::vector<std::size_t> first_record;         // by position: the record whose point the vertex holds
  std::vector<std::int32_t> position_of_record;  // by record: the position of its vertex
};

// Inserts the records one at a time, in order, without a location hint, so the
// vertex iteration follows the first appearance of each (x, y). A record that
// repeats an earlier (x, y) adds no vertex: the vertex keeps the earlier point
// but takes a fresh label carrying the later record number as its index.
PointCloud triangulate_points(const std::vector<Point>& records);

}  // namespace roofplanes
