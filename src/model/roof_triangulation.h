#pragma once

// The Delaunay triangulation of a building's roof points in x, y, in
// coordinates local to the model's origin, built once and read by the
// outline (as an alpha shape) and by the search for neighbouring faces.

#include <cstddef>
#include <memory>
#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// Roof points of one building in local x, y (z kept) and the segment number
// of each (0 = none).
struct RoofSample {
  std::vector<Point> points;
  std::vector<int> labels;
};

struct RoofTriangulationData;

// Owns the triangulation; its type stays inside the model's sources.
struct RoofTriangulation {
  RoofTriangulation();
  ~RoofTriangulation();
  RoofTriangulation(RoofTriangulation&&) noexcept;
  RoofTriangulation& operator=(RoofTriangulation&&) noexcept;
  std::unique_ptr<RoofTriangulationData> data;
  // sqrt(2 · median area of the finite triangles): about 1 / sqrt(points per m²);
  // 0 with fewer than one triangle.
  double spacing = 0.0;
};

// Triangulates the sample's points in x, y (points at the same x, y once).
RoofTriangulation triangulate_roof(const RoofSample& sample);

// Where two faces meet: the midpoints of the triangulation edges no longer
// than max_edge that join a point of face a to one of face b (a < b), or of
// such pairs of points around one unlabelled point.
struct FaceContact {
  int a = 0, b = 0;
  std::vector<Point> midpoints;  // local x, y; z = 0
};

// Every pair of faces whose points are triangulation neighbours, or, when
// none are, neighbours of one unlabelled point between them, ordered by
// (a, b).
std::vector<FaceContact> face_contacts(const RoofTriangulation& triangulation, const RoofSample& sample,
                                       double max_edge);

}  // namespace roofplanes
