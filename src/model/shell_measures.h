#pragma once

// What a city model user reads off a building's closed shell: its enclosed
// volume, the areas of its roofs, walls and ground, and the heights of its
// roof corners. Everything is measured on the shell as written (its grid
// vertices), so the attributes agree with the geometry in the file.

#include <optional>

#include "model/building_model.h"

namespace roofplanes {

// Real coordinates of a grid vertex: v · scale + translate.
Point grid_point(const std::array<std::int64_t, 3>& v, const ModelGrid& grid);

// Enclosed volume of a closed shell, in cubic input units: the sum over its
// polygons of the signed tetrahedra each ring's fan (from the polygon's first
// vertex) spans with the grid's origin, so holes subtract and any closed shell
// whose rings run counterclockwise seen from outside gives its volume,
// positive. 0 without surfaces. Exact for planar polygons, up to rounding.
double shell_volume(const Shell& shell, const ModelGrid& grid);

// Area in 3D of one polygon of a shell (holes subtracted): the length of its
// vector area. Square input units.
double surface_area(const Shell& shell, const ShellSurface& surface, const ModelGrid& grid);

// Area of one polygon projected onto x, y (holes subtracted), unsigned.
double surface_xy_area(const Shell& shell, const ShellSurface& surface, const ModelGrid& grid);

// Sum of the 3D areas of the polygons of one kind.
double shell_area(const Shell& shell, SurfaceKind kind, const ModelGrid& grid);

// Lowest and highest z of the vertices of the roof polygons: the eave and the
// ridge height. None without a roof polygon.
struct RoofCornerHeights {
  double eave = 0.0, ridge = 0.0;
};
std::optional<RoofCornerHeights> roof_corner_heights(const Shell& shell, const ModelGrid& grid);

}  // namespace roofplanes
