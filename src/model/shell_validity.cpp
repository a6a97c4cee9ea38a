#include "model/shell_validity.h"

#include "model/shell_measures.h"

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/Polygon_mesh_processing/orient_polygon_soup.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <array>
#include <cmath>
#include <list>
#include <map>
#include <set>

namespace roofplanes {
namespace {

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Vb = CGAL::Triangulation_vertex_base_with_info_2<std::size_t, K>;
using Fbi = CGAL::Triangulation_face_base_with_info_2<int, K>;
using Fb = CGAL::Constrained_triangulation_face_base_2<K, Fbi>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<K, Tds, CGAL::Exact_predicates_tag>;
using Mesh = CGAL::Surface_mesh<K::Point_3>;
namespace PMP = CGAL::Polygon_mesh_processing;

std::array<double, 3> vertex(const Shell& shell, std::size_t v) {
  const auto& g = shell.vertices[v];
  return {static_cast<double>(g[0]), static_cast<double>(g[1]), static_cast<double>(g[2])};
}

// Newell's normal of the outer ring (grid units).
std::array<double, 3> newell(const Shell& shell, const std::vector<std::size_t>& ring) {
  std::array<double, 3> n{0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const auto p = vertex(shell, ring[i]);
    const auto q = vertex(shell, ring[(i + 1) % ring.size()]);
    n[0] += (p[1] - q[1]) * (p[2] + q[2]);
    n[1] += (p[2] - q[2]) * (p[0] + q[0]);
    n[2] += (p[0] - q[0]) * (p[1] + q[1]);
  }
  return n;
}

// Triangles of a polygon with holes, by shell vertex, facing as the polygon
// does; false when its rings are not simple in its plane.
bool triangulate(const Shell& shell, const ShellSurface& surface, const std::array<double, 3>& normal,
                 std::vector<std::array<std::size_t, 3>>& triangles) {
  int drop = 0;
  for (int k = 1; k < 3; ++k)
    if (std::abs(normal[static_cast<std::size_t>(k)]) > std::abs(normal[static_cast<std::size_t>(drop)])) drop = k;
  auto project = [&](std::size_t v) {
    const auto p = vertex(shell, v);
    if (drop == 0) return K::Point_2(p[1], p[2]);
    if (drop == 1) return K::Point_2(p[2], p[0]);
    return K::Point_2(p[0], p[1]);
  };
  Cdt cdt;
  for (const auto& ring : surface.rings) {
    CGAL::Polygon_2<K> polygon;
    for (std::size_t v : ring) polygon.push_back(project(v));
    if (!polygon.is_simple()) return false;
    std::vector<Cdt::Vertex_handle> handles;
    for (std::size_t v : ring) {
      auto h = cdt.insert(project(v));
      h->info() = v;
      handles.push_back(h);
    }
    for (std::size_t i = 0; i < handles.size(); ++i) cdt.insert_constraint(handles[i], handles[(i + 1) % handles.size()]);
  }
  // Nesting depth from the infinite side: odd depth is inside.
  for (auto f = cdt.all_faces_begin(); f != cdt.all_faces_end(); ++f) f->info() = -1;
  std::list<Cdt::Face_handle> border{cdt.infinite_face()};
  cdt.infinite_face()->info() = 0;
  std::list<Cdt::Face_handle> next_border;
  int depth = 0;
  while (!border.empty()) {
    while (!border.empty()) {
      auto f = border.front();
      border.pop_front();
      for (int i = 0; i < 3; ++i) {
        auto g = f->neighbor(i);
        if (g->info() != -1) continue;
        if (cdt.is_constrained(Cdt::Edge(f, i))) {
          next_border.push_back(g);
        } else {
          g->info() = depth;
          border.push_back(g);
        }
      }
    }
    ++depth;
    for (auto g : next_border)
      if (g->info() == -1) {
        g->info() = depth;
        border.push_back(g);
      }
    next_border.clear();
  }
  for (auto f = cdt.finite_faces_begin(); f != cdt.finite_faces_end(); ++f) {
    if (f->info() % 2 != 1) continue;
    std::array<std::size_t, 3> t{f->vertex(0)->info(), f->vertex(1)->info(), f->vertex(2)->info()};
    const auto a = vertex(shell, t[0]), b = vertex(shell, t[1]), c = vertex(shell, t[2]);
    const std::array<double, 3> u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const std::array<double, 3> n{u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    if (n[0] * normal[0] + n[1] * normal[1] + n[2] * normal[2] < 0.0) std::swap(t[1], t[2]);
    triangles.push_back(t);
  }
  return true;
}

}  // namespace

std::string shell_problem(const Shell& shell, const ModelGrid& grid, double max_off_plane) {
  if (shell.surfaces.empty()) return "the shell has no surface";
  std::map<std::pair<std::size_t, std::size_t>, int> edges;
  std::vector<std::array<std::size_t, 3>> triangles;
  for (std::size_t s = 0; s < shell.surfaces.size(); ++s) {
    const ShellSurface& surface = shell.surfaces[s];
    const std::string which = "surface " + std::to_string(s + 1);
    for (const auto& ring : surface.rings) {
      if (ring.size() < 3) return which + " has a ring of fewer than three vertices";
      // Rings of one polygon may touch at a corner; a ring may not.
      std::set<std::size_t> seen;
      for (std::size_t v : ring) {
        if (v >= shell.vertices.size()) return which + " names no vertex";
        if (!seen.insert(v).second) return which + " repeats a vertex";
      }
      for (std::size_t i = 0; i < ring.size(); ++i) ++edges[{ring[i], ring[(i + 1) % ring.size()]}];
    }
    if (surface.rings.empty()) return which + " has no ring";
    const auto n = newell(shell, surface.rings.front());
    // Planarity in input units: the plane through the centroid with Newell's normal.
    std::array<double, 3> c{0.0, 0.0, 0.0}, nm{n[0] / grid.scale.y / grid.scale.z, n[1] / grid.scale.z / grid.scale.x,
                                                 n[2] / grid.scale.x / grid.scale.y};
    const double len = std::sqrt(nm[0] * nm[0] + nm[1] * nm[1] + nm[2] * nm[2]);
    if (!(len > 0.0)) return which + " has no area";
    std::size_t count = 0;
    for (const auto& ring : surface.rings)
      for (std::size_t v : ring) {
        const auto p = vertex(shell, v);
        c[0] += p[0] * grid.scale.x, c[1] += p[1] * grid.scale.y, c[2] += p[2] * grid.scale.z;
        ++count;
      }
    for (double& x : c) x /= static_cast<double>(count);
    for (const auto& ring : surface.rings)
      for (std::size_t v : ring) {
        const auto p = vertex(shell, v);
        const double d = ((p[0] * grid.scale.x - c[0]) * nm[0] + (p[1] * grid.scale.y - c[1]) * nm[1] +
                          (p[2] * grid.scale.z - c[2]) * nm[2]) / len;
        if (std::abs(d) > max_off_plane) return which + " is not planar";
      }
    if (!triangulate(shell, surface, n, triangles)) return which + " is not a simple polygon";
  }
  for (const auto& [edge, count] : edges) {
    if (count != 1) return "an edge is used twice in one direction";
    if (edges.count({edge.second, edge.first}) == 0) return "the shell is not closed";
  }
  std::vector<K::Point_3> points;
  for (std::size_t v = 0; v < shell.vertices.size(); ++v) {
    const auto p = vertex(shell, v);
    points.emplace_back(p[0], p[1], p[2]);
  }
  std::vector<std::vector<std::size_t>> polygons;
  for (const auto& t : triangles) polygons.push_back({t[0], t[1], t[2]});
  if (!PMP::is_polygon_soup_a_polygon_mesh(polygons)) return "the shell is not 2-manifold at a vertex";
  Mesh mesh;
  PMP::polygon_soup_to_polygon_mesh(points, polygons, mesh);
  if (PMP::does_self_intersect(mesh)) return "the shell intersects itself";
  if (!(shell_volume(shell, grid) > 0.0)) return "the shell faces inward";
  return {};
}

}  // namespace roofplanes
