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

inline constexpr double kDegree = 3.141592653589793 / 180;

// Centre (vertex 0) and a regular hexagon of radius 1, vertex k + 1 at 60k
// degrees: six triangles fanning from the centre.
inline std::vector<std::array<double, 3>> hexagon_points() {
  std::vector<std::array<double, 3>> points{{0, 0, 0}};
  for (int k = 0; k < 6; ++k) points.push_back({std::cos(60 * k * kDegree), std::sin(60 * k * kDegree), 0});
  return points;
}

// The hexagon with an outer ring of radius 2.5 at 20 + 60k degrees (vertices
// 7-12): the centre's neighbours are exactly the inner ring.
inline std::vector<std::array<double, 3>> annulus_points() {
  std::vector<std::array<double, 3>> points = hexagon_points();
  for (int k = 0; k < 6; ++k)
    points.push_back({2.5 * std::cos((20 + 60 * k) * kDegree), 2.5 * std::sin((20 + 60 * k) * kDegree), 0});
  return points;
}

// The listed vertices as a region: cluster_id set to label (and is_roof set
// when roof), in the order listed.
inline VertexList region_of(const VertexList& all, std::initializer_list<int> positions, int label,
                            bool roof = false) {
  VertexList region;
  for (int k : positions) {
    all[k]->info().set_cluster_id(label);
    if (roof) all[k]->info().set_is_roof(true);
    region.push_back(all[k]);
  }
  return region;
}

}  // namespace roofplanes::testing
