#pragma once

// Small hand-made triangulations for the tests.

#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "points/point_cloud.h"
#include "points/point_triangulation.h"

namespace roofplanes::testing {

// Triangulation of the given (x, y, z) points, inserted in order exactly as
// an extraction inserts its records (fresh labels, index = record number).
inline PointTriangulation triangulation_of(const std::vector<std::array<double, 3>>& points) {
  std::vector<Point> records;
  for (const auto& p : points) records.push_back({p[0], p[1], p[2]});
  return std::move(triangulate_points(records).triangulation);
}

// The finite vertices in iteration order.
inline VertexList vertices_of(const PointTriangulation& triangulation) {
  VertexList result;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    result.push_back(v);
  return result;
}

// Regular grid of nx × ny points with spacing h, z = f(x, y), row by row.
template <class Height>
std::vector<std::array<double, 3>> grid_points(int nx, int ny, double h, Height height) {
  std::vector<std::array<double, 3>> points;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const double x = i * h, y = j * h;
      points.push_back({x, y, height(x, y)});
    }
  return points;
}

// Centre (vertex 0) and a regular hexagon of radius 1, vertex k + 1 at 60k degrees.
inline std::vector<std::array<double, 3>> hexagon_points() {
  const double degree = 3.141592653589793 / 180;
  std::vector<std::array<double, 3>> points{{0, 0, 0}};
  for (int k = 0; k < 6; ++k) points.push_back({std::cos(60 * k * degree), std::sin(60 * k * degree), 0});
  return points;
}

}  // namespace roofplanes::testing
