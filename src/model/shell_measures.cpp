#include "model/shell_measures.h"

#include <algorithm>
#include <cmath>

namespace roofplanes {
namespace {

using GridVertex = std::array<std::int64_t, 3>;

// Vertex v relative to the grid's origin in input units; small numbers even
// for projected coordinates, so products keep their precision.
Point local(const GridVertex& v, const ModelGrid& grid) {
  return {double(v[0]) * grid.scale.x, double(v[1]) * grid.scale.y, double(v[2]) * grid.scale.z};
}

Point minus(const Point& a, const Point& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Point cross(const Point& a, const Point& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Point& a, const Point& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Twice the vector area of a polygon, its holes (turning the other way) included,
// each ring's fan taken from the polygon's first vertex.
Point twice_vector_area(const Shell& shell, const ShellSurface& surface, const ModelGrid& grid) {
  Point sum;
  if (surface.rings.empty() || surface.rings.front().empty()) return sum;
  const Point origin = local(shell.vertices.at(surface.rings.front().front()), grid);
  for (const auto& ring : surface.rings)
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point a = minus(local(shell.vertices.at(ring[i]), grid), origin);
      const Point b = minus(local(shell.vertices.at(ring[(i + 1) % ring.size()]), grid), origin);
      const Point c = cross(a, b);
      sum = {sum.x + c.x, sum.y + c.y, sum.z + c.z};
    }
  return sum;
}

}  // namespace

Point grid_point(const GridVertex& v, const ModelGrid& grid) {
  return {double(v[0]) * grid.scale.x + grid.translate.x, double(v[1]) * grid.scale.y + grid.translate.y,
          double(v[2]) * grid.scale.z + grid.translate.z};
}

double shell_volume(const Shell& shell, const ModelGrid& grid) {
  // Tetrahedra from the grid's origin: the shell's own coordinates stay small.
  double six_volume = 0.0;
  for (const ShellSurface& surface : shell.surfaces) {
    if (surface.rings.empty() || surface.rings.front().empty()) continue;
    const Point apex = local(shell.vertices.at(surface.rings.front().front()), grid);
    for (const auto& ring : surface.rings)
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point a = local(shell.vertices.at(ring[i]), grid);
        const Point b = local(shell.vertices.at(ring[(i + 1) % ring.size()]), grid);
        six_volume += dot(apex, cross(a, b));
      }
  }
  return six_volume / 6.0;
}

double surface_area(const Shell& shell, const ShellSurface& surface, const ModelGrid& grid) {
  const Point n = twice_vector_area(shell, surface, grid);
  return 0.5 * std::sqrt(dot(n, n));
}

double surface_xy_area(const Shell& shell, const ShellSurface& surface, const ModelGrid& grid) {
  return 0.5 * std::fabs(twice_vector_area(shell, surface, grid).z);
}

double shell_area(const Shell& shell, SurfaceKind kind, const ModelGrid& grid) {
  double area = 0.0;
  for (const ShellSurface& surface : shell.surfaces)
    if (surface.kind == kind) area += surface_area(shell, surface, grid);
  return area;
}

std::optional<RoofCornerHeights> roof_corner_heights(const Shell& shell, const ModelGrid& grid) {
  std::optional<RoofCornerHeights> heights;
  for (const ShellSurface& surface : shell.surfaces) {
    if (surface.kind != SurfaceKind::roof) continue;
    for (const auto& ring : surface.rings)
      for (std::size_t v : ring) {
        const double z = grid_point(shell.vertices.at(v), grid).z;
        if (!heights) heights = RoofCornerHeights{z, z};
        heights->eave = std::min(heights->eave, z);
        heights->ridge = std::max(heights->ridge, z);
      }
  }
  return heights;
}

}  // namespace roofplanes
