#include "model_accuracy.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace roof_suite {

std::vector<Segment3> shared_roof_edges(const roofplanes::Shell& shell, const roofplanes::ModelGrid& grid) {
  // Each undirected vertex pair of a roof ring, with the segments of the roofs holding it.
  std::map<std::pair<std::size_t, std::size_t>, std::vector<int>> roofs_of_edge;
  for (const roofplanes::ShellSurface& surface : shell.surfaces) {
    if (surface.kind != roofplanes::SurfaceKind::roof) continue;
    for (const auto& ring : surface.rings) {
      for (std::size_t k = 0; k < ring.size(); ++k) {
        const std::size_t a = ring[k], b = ring[(k + 1) % ring.size()];
        if (a == b) continue;
        roofs_of_edge[{std::min(a, b), std::max(a, b)}].push_back(surface.segment);
      }
    }
  }
  const auto real = [&](std::size_t index) {
    const auto& v = shell.vertices[index];
    return Point3{static_cast<double>(v[0]) * grid.scale.x + grid.translate.x,
                  static_cast<double>(v[1]) * grid.scale.y + grid.translate.y,
                  static_cast<double>(v[2]) * grid.scale.z + grid.translate.z};
  };
  std::vector<Segment3> edges;
  for (const auto& [pair, segments] : roofs_of_edge) {
    const bool two_faces = std::any_of(segments.begin(), segments.end(), [&](int s) { return s != segments.front(); });
    if (two_faces && pair.second < shell.vertices.size()) edges.push_back({real(pair.first), real(pair.second)});
  }
  return edges;
}

std::vector<Segment3> ring_edges(const std::vector<building_generator::Ring>& rings) {
  std::vector<Segment3> edges;
  for (const auto& ring : rings) {
    for (std::size_t k = 0; k < ring.size(); ++k) {
      const auto& a = ring[k];
      const auto& b = ring[(k + 1) % ring.size()];
      edges.push_back({{a[0], a[1], 0.0}, {b[0], b[1], 0.0}});
    }
  }
  return edges;
}

double rings_area(const std::vector<building_generator::Ring>& rings) {
  double area = 0.0;
  for (const auto& ring : rings) {
    if (ring.empty()) continue;
    // About the first corner: national-grid coordinates would cancel digits otherwise.
    const auto& o = ring.front();
    for (std::size_t k = 1; k + 1 < ring.size(); ++k)
      area += 0.5 * ((ring[k][0] - o[0]) * (ring[k + 1][1] - o[1]) - (ring[k + 1][0] - o[0]) * (ring[k][1] - o[1]));
  }
  return area;
}

std::vector<building_generator::Ring> outline_rings(const std::vector<roofplanes::OutlinePolygon>& outline) {
  std::vector<building_generator::Ring> rings;
  const auto ring_of = [](const std::vector<roofplanes::Point>& points) {
    building_generator::Ring ring;
    for (const roofplanes::Point& p : points) ring.push_back({p.x, p.y});
    return ring;
  };
  for (const roofplanes::OutlinePolygon& polygon : outline) {
    rings.push_back(ring_of(polygon.outer));
    for (const auto& hole : polygon.holes) rings.push_back(ring_of(hole));
  }
  return rings;
}

ModelAccuracy model_accuracy(const building_generator::Building& truth, const roofplanes::BuildingModel& model,
                             const roofplanes::ModelGrid& grid, double spacing) {
  ModelAccuracy accuracy;
  accuracy.solid = model.problem.empty() && !model.lod22.surfaces.empty();
  accuracy.problem = model.problem;
  accuracy.rmse = model.rmse;

  std::vector<Segment3> true_edges;
  for (const building_generator::TrueEdge& e : truth.edges) true_edges.push_back({e.start, e.end});
  const std::vector<Segment3> shared = accuracy.solid ? shared_roof_edges(model.lod22, grid) : std::vector<Segment3>{};
  const auto length = [](const Segment3& s) {
    return std::hypot(s.b[0] - s.a[0], s.b[1] - s.a[1], s.b[2] - s.a[2]);
  };
  for (const Segment3& edge : shared) {
    accuracy.shared_edge_length += length(edge);
    if (true_edges.empty()) continue;
    for (const Point3& p : points_along(edge, spacing)) accuracy.edge_errors.push_back(distance_to_segments(p, true_edges));
  }
  for (const Segment3& edge : true_edges) {
    const double l = length(edge);
    accuracy.true_edge_length += l;
    const std::vector<Point3> points = points_along(edge, spacing);
    const auto near = std::count_if(points.begin(), points.end(), [&](const Point3& p) {
      return distance_to_segments(p, shared) <= edge_found_within;
    });
    accuracy.true_edge_found += l * static_cast<double>(near) / static_cast<double>(points.size());
  }

  const std::vector<building_generator::Ring> outline = outline_rings(model.outline);
  const std::vector<Segment3> footprint_edges = ring_edges(truth.footprint);
  for (const Segment3& edge : ring_edges(outline))
    for (const Point3& p : points_along(edge, spacing))
      accuracy.eave_errors.push_back(distance_to_segments(p, footprint_edges));
  accuracy.outline_area = rings_area(outline);
  accuracy.footprint_area = rings_area(truth.footprint);
  return accuracy;
}

}  // namespace roof_suite
