#pragma once

// Hand-made roof grids for the auto method's stages: every point a free roof
// point, regions as lists of vertices picked by their position.

#include <array>
#include <functional>
#include <vector>

#include "points/point_cloud.h"
#include "regions/plane_region.h"
#include "support/triangulations.h"

namespace roofplanes::testing {

// Triangulation of the points, every vertex a free roof point.
inline PointTriangulation roof_of(const std::vector<std::array<double, 3>>& points) {
  PointTriangulation triangulation = triangulation_of(points);
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    v->info().set_is_roof(true);
  return triangulation;
}

// The vertices whose point passes the test, in iteration order.
inline VertexList vertices_where(const PointTriangulation& triangulation,
                                 const std::function<bool(const Point3&)>& test) {
  VertexList picked;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    if (test(v->point())) picked.push_back(v);
  return picked;
}

// A region of the given points with its least-squares plane.
inline PlaneRegion region_of(VertexList points) {
  PlaneRegion region;
  region.plane = fit_height_plane(points);
  region.points = std::move(points);
  return region;
}

// A gable on a 20 × 10 grid of spacing 0.5: the ridge runs along x at y = 2.25,
// between rows; both faces rise at 0.6 towards it.
inline double gable_height(double, double y) { return 3.0 + 0.6 * (2.25 - (y > 2.25 ? y - 2.25 : 2.25 - y)); }
inline std::vector<std::array<double, 3>> gable_points() { return grid_points(20, 10, 0.5, gable_height); }

}  // namespace roofplanes::testing
