#include "model/roof_triangulation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "model/roof_triangulation_types.h"

namespace roofplanes {

RoofTriangulation::RoofTriangulation() = default;
RoofTriangulation::~RoofTriangulation() = default;
RoofTriangulation::RoofTriangulation(RoofTriangulation&&) noexcept = default;
RoofTriangulation& RoofTriangulation::operator=(RoofTriangulation&&) noexcept = default;

RoofTriangulation triangulate_roof(const RoofSample& sample) {
  using namespace roof_cgal;
  std::vector<std::pair<Kernel::Point_2, std::size_t>> points;
  points.reserve(sample.points.size());
  for (std::size_t i = 0; i < sample.points.size(); ++i)
    points.emplace_back(Kernel::Point_2(sample.points[i].x, sample.points[i].y), i);
  // Sorted so that which record of a repeated x, y the triangulation keeps
  // depends on the points, not on their order.
  std::sort(points.begin(), points.end(), [&](const auto& l, const auto& r) {
    const Point& a = sample.points[l.second];
    const Point& b = sample.points[r.second];
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    if (sample.labels[l.second] != sample.labels[r.second]) return sample.labels[l.second] > sample.labels[r.second];
    if (a.z != b.z) return a.z < b.z;
    return l.second < r.second;
  });
  points.erase(std::unique(points.begin(), points.end(),
                           [](const auto& l, const auto& r) { return l.first == r.first; }),
               points.end());
  RoofTriangulation result;
  result.data = std::make_unique<RoofTriangulationData>();
  result.data->shape.make_alpha_shape(points.begin(), points.end());
  std::vector<double> areas;
  const Delaunay& dt = result.data->shape;
  areas.reserve(dt.number_of_faces());
  for (auto f = dt.finite_faces_begin(); f != dt.finite_faces_end(); ++f)
    areas.push_back(std::abs(CGAL::area(f->vertex(0)->point(), f->vertex(1)->point(), f->vertex(2)->point())));
  if (!areas.empty()) {
    auto mid = areas.begin() + static_cast<std::ptrdiff_t>(areas.size() / 2);
    std::nth_element(areas.begin(), mid, areas.end());
    result.spacing = std::sqrt(2.0 * *mid);
  }
  return result;
}

std::vector<FaceContact> face_contacts(const RoofTriangulation& triangulation, const RoofSample& sample,
                                       double max_edge) {
  using namespace roof_cgal;
  std::map<std::pair<int, int>, std::vector<Point>> contacts;
  const Delaunay& dt = triangulation.data->shape;
  const double max2 = max_edge * max_edge;
  // Two faces at a step are often kept apart by a gap in the points or a
  // line of free points on the step itself: they still meet there. A pair
  // with no edge up to max_edge between them meets where an edge up to twice
  // that joins them, and where a free point has a neighbour of each (both no
  // farther than max_edge from it): at the middle of the two.
  std::map<std::pair<int, int>, std::vector<Point>> bridged;
  std::set<std::pair<std::size_t, std::size_t>> seen;  // pairs (u, v) bridged, each once
  for (auto e = dt.finite_edges_begin(); e != dt.finite_edges_end(); ++e) {
    const auto u = e->first->vertex(Delaunay::cw(e->second));
    const auto v = e->first->vertex(Delaunay::ccw(e->second));
    int a = sample.labels[u->info()];
    int b = sample.labels[v->info()];
    if (a == 0 || b == 0 || a == b) continue;
    const double length2 = CGAL::squared_distance(u->point(), v->point());
    if (length2 > 4.0 * max2) continue;
    if (a > b) std::swap(a, b);
    if (length2 > max2) seen.insert(std::minmax(u->info(), v->info()));
    (length2 <= max2 ? contacts : bridged)[{a, b}].push_back(
        Point{(u->point().x() + v->point().x()) / 2.0, (u->point().y() + v->point().y()) / 2.0, 0.0});
  }
  for (auto w = dt.finite_vertices_begin(); w != dt.finite_vertices_end(); ++w) {
    if (sample.labels[w->info()] != 0) continue;
    std::vector<Delaunay::Vertex_handle> near;
    auto c = dt.incident_vertices(w);
    const auto done = c;
    do {
      if (!dt.is_infinite(c) && sample.labels[c->info()] != 0) near.push_back(c);
    } while (++c != done);
    for (std::size_t i = 0; i < near.size(); ++i)
      for (std::size_t j = i + 1; j < near.size(); ++j) {
        int a = sample.labels[near[i]->info()];
        int b = sample.labels[near[j]->info()];
        if (a == b) continue;
        if (a > b) std::swap(a, b);
        if (contacts.count({a, b}) != 0) continue;
        if (CGAL::squared_distance(near[i]->point(), w->point()) > max2 ||
            CGAL::squared_distance(w->point(), near[j]->point()) > max2)
          continue;
        const auto key = std::minmax(near[i]->info(), near[j]->info());
        if (!seen.insert(key).second) continue;
        bridged[{a, b}].push_back(Point{(near[i]->point().x() + near[j]->point().x()) / 2.0,
                                        (near[i]->point().y() + near[j]->point().y()) / 2.0, 0.0});
      }
  }
  for (auto& [pair, mids] : bridged)
    if (contacts.count(pair) == 0) contacts[pair] = std::move(mids);
  std::vector<FaceContact> result;
  for (auto& [pair, mids] : contacts) {
    // The triangulation's edge order depends on its insertion history; sorted,
    // the midpoints depend on the points alone.
    std::sort(mids.begin(), mids.end(), [](const Point& l, const Point& r) { return l.x != r.x ? l.x < r.x : l.y < r.y; });
    result.push_back(FaceContact{pair.first, pair.second, std::move(mids)});
  }
  return result;
}

}  // namespace roofplanes
