#pragma once

// Hand-built building models whose measures are known by hand: a flat box
// house, a gable whose two roofs share the ridge, and a flat house around a
// square courtyard (its roof and ground each a polygon with a hole). Grid
// millimetres in projected coordinates; ground at the grid's z origin.

#include <array>
#include <cstdint>
#include <vector>

#include "model/building_model.h"

namespace roofplanes::testing {

using GridVertex = std::array<std::int64_t, 3>;

inline ModelGrid model_test_grid() { return {{0.001, 0.001, 0.001}, {350000.0, 5800000.0, 40.0}}; }

// Adds v to shell unless it is there; returns its position.
inline std::size_t shell_vertex(Shell& shell, const GridVertex& v) {
  for (std::size_t i = 0; i < shell.vertices.size(); ++i)
    if (shell.vertices[i] == v) return i;
  shell.vertices.push_back(v);
  return shell.vertices.size() - 1;
}

// A flat-roofed prism over rings (x, y in mm; outer counterclockwise from
// above, then holes clockwise) from z 0 to top mm: roof, ground, and a wall
// under every roof edge, each ring counterclockwise seen from outside.
inline Shell prism(const std::vector<std::vector<std::array<std::int64_t, 2>>>& rings, std::int64_t top,
                   int segment) {
  Shell shell;
  ShellSurface roof{SurfaceKind::roof, segment, {}}, ground{SurfaceKind::ground, 0, {}};
  for (const auto& ring : rings) {
    std::vector<std::size_t> up, down;
    for (const auto& [x, y] : ring) up.push_back(shell_vertex(shell, {x, y, top}));
    for (const auto& [x, y] : ring) down.push_back(shell_vertex(shell, {x, y, 0}));
    roof.rings.push_back(up);
    ground.rings.push_back({down.rbegin(), down.rend()});  // seen from below
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const std::size_t j = (i + 1) % ring.size();
      // Under the roof edge up[i] → up[j]: along the bottom forward, back along the top.
      shell.surfaces.push_back({SurfaceKind::wall, 0, {{down[i], down[j], up[j], up[i]}}});
    }
  }
  shell.surfaces.insert(shell.surfaces.begin(), {roof, ground});
  return shell;
}

// A partition of one region per face: the rings of each region in x, y (mm on the grid).
inline RoofPartition partition_of(const std::vector<std::pair<int, std::vector<std::vector<std::array<std::int64_t, 2>>>>>& regions,
                                  const ModelGrid& grid) {
  RoofPartition partition;
  for (const auto& [segment, rings] : regions) {
    PartitionRegion region{segment, {}};
    for (const auto& ring : rings) {
      std::vector<std::size_t> positions;
      for (const auto& [x, y] : ring) {
        const Point p{double(x) * grid.scale.x + grid.translate.x, double(y) * grid.scale.y + grid.translate.y, 0.0};
        std::size_t k = 0;
        while (k < partition.vertices.size() && !(partition.vertices[k] == p)) ++k;
        if (k == partition.vertices.size()) partition.vertices.push_back(p);
        positions.push_back(k);
      }
      region.rings.push_back(positions);
    }
    partition.regions.push_back(region);
  }
  return partition;
}

inline OutlinePolygon outline_of(const std::vector<std::vector<std::array<std::int64_t, 2>>>& rings,
                                 const ModelGrid& grid) {
  OutlinePolygon polygon;
  for (std::size_t r = 0; r < rings.size(); ++r) {
    std::vector<Point> ring;
    for (const auto& [x, y] : rings[r])
      ring.push_back({double(x) * grid.scale.x + grid.translate.x, double(y) * grid.scale.y + grid.translate.y, 0.0});
    if (r == 0) polygon.outer = ring;
    else polygon.holes.push_back(ring);
  }
  return polygon;
}

// 10 m × 6 m, 4 m high, flat roof of segment 1: volume 240 m³.
inline BuildingModel box_house() {
  const ModelGrid grid = model_test_grid();
  const std::vector<std::vector<std::array<std::int64_t, 2>>> rings{{{0, 0}, {10000, 0}, {10000, 6000}, {0, 6000}}};
  BuildingModel model;
  model.outline = {outline_of(rings, grid)};
  model.partition = partition_of({{1, rings}}, grid);
  model.lod22 = prism(rings, 4000, 1);
  model.lod12 = model.lod22;
  model.lod12.surfaces[0].segment = 0;
  model.ground_height = grid.translate.z;
  model.ground_source = GroundSource::ground_points;
  model.lod12_height = grid.translate.z + 4.0;
  model.rmse = 0.02;
  return model;
}

// 10 m (x) × 8 m (y); eaves at 3 m, ridge at 7 m along y at x = 5 m. Segment
// 1 the west roof, 2 the east roof; the gable walls are pentagons. Volume
// 10 · 8 · 3 + ½ · 10 · 4 · 8 = 400 m³; each roof 5 m × 8 m at slope
// atan(4/5): √41 · 8 m² in 3D.
inline BuildingModel gable_house() {
  const ModelGrid grid = model_test_grid();
  BuildingModel model;
  Shell& s = model.lod22;
  const std::size_t g0 = shell_vertex(s, {0, 0, 0}), g1 = shell_vertex(s, {10000, 0, 0}),
                    g2 = shell_vertex(s, {10000, 8000, 0}), g3 = shell_vertex(s, {0, 8000, 0});
  const std::size_t e0 = shell_vertex(s, {0, 0, 3000}), e1 = shell_vertex(s, {10000, 0, 3000}),
                    e2 = shell_vertex(s, {10000, 8000, 3000}), e3 = shell_vertex(s, {0, 8000, 3000});
  const std::size_t r0 = shell_vertex(s, {5000, 0, 7000}), r1 = shell_vertex(s, {5000, 8000, 7000});
  s.surfaces = {{SurfaceKind::roof, 1, {{e0, r0, r1, e3}}},
                {SurfaceKind::roof, 2, {{r0, e1, e2, r1}}},
                {SurfaceKind::wall, 0, {{g0, g1, e1, r0, e0}}},
                {SurfaceKind::wall, 0, {{g2, g3, e3, r1, e2}}},
                {SurfaceKind::wall, 0, {{g3, g0, e0, e3}}},
                {SurfaceKind::wall, 0, {{g1, g2, e2, e1}}},
                {SurfaceKind::ground, 0, {{g0, g3, g2, g1}}}};
  const std::vector<std::vector<std::array<std::int64_t, 2>>> outline{{{0, 0}, {10000, 0}, {10000, 8000}, {0, 8000}}};
  model.outline = {outline_of(outline, grid)};
  model.partition = partition_of({{1, {{{0, 0}, {5000, 0}, {5000, 8000}, {0, 8000}}}},
                                  {2, {{{5000, 0}, {10000, 0}, {10000, 8000}, {5000, 8000}}}}},
                                 grid);
  model.lod12 = prism(outline, 5600, 0);
  model.ground_height = grid.translate.z;
  model.ground_source = GroundSource::given;
  model.lod12_height = grid.translate.z + 5.6;
  model.rmse = 0.03;
  return model;
}

// 20 m × 20 m, 5 m high, flat roof of segment 1, around a 4 m × 4 m
// courtyard in the middle: volume (400 − 16) · 5 = 1920 m³.
inline BuildingModel courtyard_house() {
  const ModelGrid grid = model_test_grid();
  const std::vector<std::vector<std::array<std::int64_t, 2>>> rings{
      {{0, 0}, {20000, 0}, {20000, 20000}, {0, 20000}}, {{8000, 8000}, {8000, 12000}, {12000, 12000}, {12000, 8000}}};
  BuildingModel model;
  model.outline = {outline_of(rings, grid)};
  model.partition = partition_of({{1, rings}}, grid);
  model.lod22 = prism(rings, 5000, 1);
  model.lod12 = model.lod22;
  model.lod12.surfaces[0].segment = 0;
  model.ground_height = grid.translate.z;
  model.ground_source = GroundSource::non_roof_points;
  model.lod12_height = grid.translate.z + 5.0;
  model.rmse = 0.01;
  return model;
}

}  // namespace roofplanes::testing
