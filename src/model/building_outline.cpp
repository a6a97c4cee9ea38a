#include "model/building_outline.h"

#include <CGAL/Polygon_2.h>
#include <CGAL/Polyline_simplification_2/simplify.h>
#include <CGAL/Unique_hash_map.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

#include "model/roof_triangulation_types.h"

namespace roofplanes {
namespace {

using namespace roof_cgal;
using Polygon = CGAL::Polygon_2<Kernel>;
namespace PS = CGAL::Polyline_simplification_2;

double signed_area(const std::vector<Point>& ring) {
  double a = 0.0;
  for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
    const Point& p = ring[i];
    const Point& q = ring[(i + 1) % n];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2.0;
}

Polygon to_polygon(const std::vector<Point>& ring) {
  Polygon polygon;
  for (const Point& p : ring) polygon.push_back(Kernel::Point_2(p.x, p.y));
  return polygon;
}

std::vector<Point> to_ring(const Polygon& polygon) {
  std::vector<Point> ring;
  for (const auto& p : polygon.container()) ring.push_back(Point{p.x(), p.y(), 0.0});
  return ring;
}

// Boundary rings of the regularised alpha shape, interior on the left, and
// a corner of each.
std::vector<std::vector<Point>> alpha_rings(const AlphaShape& shape, std::vector<AlphaShape::Vertex_handle>& corner) {
  using Vertex = AlphaShape::Vertex_handle;
  std::map<Vertex, std::vector<Vertex>> out;
  std::map<Vertex, bool> used;
  for (auto e = shape.alpha_shape_edges_begin(); e != shape.alpha_shape_edges_end(); ++e) {
    auto f = e->first;
    const int i = e->second;
    if (shape.classify(*e) != AlphaShape::REGULAR) continue;
    Vertex a = f->vertex(AlphaShape::ccw(i));
    Vertex b = f->vertex(AlphaShape::cw(i));
    // The face on the left of a → b is f: keep that direction when f is inside.
    if (shape.is_infinite(f) || shape.classify(f) != AlphaShape::INTERIOR) std::swap(a, b);
    out[a].push_back(b);
  }
  // Deterministic walk: start at the smallest unused vertex by coordinates.
  auto less = [](const Vertex& l, const Vertex& r) { return l->point() < r->point(); };
  std::vector<Vertex> starts;
  for (auto& [v, targets] : out) {
    starts.push_back(v);
    std::sort(targets.begin(), targets.end(), less);
  }
  std::sort(starts.begin(), starts.end(), less);
  std::map<std::pair<Vertex, Vertex>, bool> taken;
  std::vector<std::vector<Point>> rings;
  for (const Vertex& start : starts) {
    for (const Vertex& first : out[start]) {
      if (taken[{start, first}]) continue;
      std::vector<Point> ring;
      Vertex prev = start, cur = first;
      taken[{start, first}] = true;
      ring.push_back(Point{start->point().x(), start->point().y(), 0.0});
      std::size_t guard = 0;
      while (cur != start && guard++ < 10'000'000) {
        ring.push_back(Point{cur->point().x(), cur->point().y(), 0.0});
        // At a vertex where two pieces touch, take the boundary edge met
        // first turning clockwise from the way back: it bounds the same piece.
        const auto& cands = out[cur];
        Vertex next{};
        double best = 10.0;
        const double back = std::atan2(prev->point().y() - cur->point().y(), prev->point().x() - cur->point().x());
        for (const Vertex& c : cands) {
          if (taken[{cur, c}]) continue;
          const double dir = std::atan2(c->point().y() - cur->point().y(), c->point().x() - cur->point().x());
          double turn = back - dir;  // clockwise angle from back to dir
          while (turn <= 0.0) turn += 2.0 * std::numbers::pi;
          while (turn > 2.0 * std::numbers::pi) turn -= 2.0 * std::numbers::pi;
          if (turn < best) {
            best = turn;
            next = c;
          }
        }
        if (next == Vertex{}) break;
        taken[{cur, next}] = true;
        prev = cur;
        cur = next;
      }
      if (cur == start && ring.size() >= 3) {
        rings.push_back(std::move(ring));
        corner.push_back(start);
      }
    }
  }
  return rings;
}

// Of a ring that passes a point twice (two pieces of the alpha shape touching
// at a corner), the simple loop around the largest area; the ring itself when
// it is simple. A pinched ring is no polygon to simplify or to stand walls on.
std::vector<Point> largest_simple_loop(const std::vector<Point>& ring) {
  std::vector<std::vector<Point>> loops;
  std::vector<Point> path;
  std::map<std::pair<double, double>, std::size_t> at;  // point -> its place in path
  for (const Point& p : ring) {
    const auto seen = at.find({p.x, p.y});
    if (seen == at.end()) {
      at[{p.x, p.y}] = path.size();
      path.push_back(p);
      continue;
    }
    // The way from the point's last visit back to it closes a loop.
    loops.emplace_back(path.begin() + static_cast<std::ptrdiff_t>(seen->second), path.end());
    for (std::size_t k = seen->second + 1; k < path.size(); ++k) at.erase({path[k].x, path[k].y});
    path.resize(seen->second + 1);
  }
  if (loops.empty()) return ring;
  loops.push_back(std::move(path));
  std::size_t best = 0;
  for (std::size_t k = 1; k < loops.size(); ++k)
    if (std::fabs(signed_area(loops[k])) > std::fabs(signed_area(loops[best]))) best = k;
  return loops[best];
}

std::vector<Point> simplify_ring(const std::vector<Point>& ring, double tolerance) {
  Polygon polygon = to_polygon(ring);
  if (!polygon.is_simple()) return ring;
  Polygon simplified = PS::simplify(polygon, PS::Squared_distance_cost(),
                                    PS::Stop_above_cost_threshold(tolerance * tolerance));
  if (simplified.size() < 3) return ring;
  return to_ring(simplified);
}

struct Line {
  Point p;    // a point on it
  Point d;    // unit direction
  Point end;  // the ring's corner at the end of the last edge it holds
  double length = 0.0;  // of the ring's edges it holds
};

// Share of a boundary stretch's points inside the line fitted to it.
constexpr double kOuterShare = 0.8;
// Edges off the main direction shorter than this many tolerances, between
// edges that cross clearly, are corners cut by the simplification.
constexpr double kCornerCut = 5.0;
// The coarsest simplification tried, in tolerances.
constexpr double kMostCoarse = 3.0;

Point foot(const Line& l, const Point& q) {
  const double t = (q.x - l.p.x) * l.d.x + (q.y - l.p.y) * l.d.y;
  return Point{l.p.x + t * l.d.x, l.p.y + t * l.d.y, 0.0};
}

bool crossing(const Line& l, const Line& m, Point& at) {
  const double den = l.d.x * m.d.y - l.d.y * m.d.x;
  if (std::abs(den) < 1e-9) return false;
  const double t = ((m.p.x - l.p.x) * m.d.y - (m.p.y - l.p.y) * m.d.x) / den;
  at = Point{l.p.x + t * l.d.x, l.p.y + t * l.d.y, 0.0};
  return true;
}

}  // namespace

std::vector<Point> square_ring(const std::vector<Point>& ring, const std::vector<Point>& boundary, double tolerance,
                              double max_angle, double offset) {
  const std::size_t n = ring.size();
  // Where each corner of the ring lies on the boundary it was simplified from.
  std::map<std::pair<double, double>, std::size_t> on_boundary;
  for (std::size_t k = 0; k < boundary.size(); ++k) on_boundary.try_emplace({boundary[k].x, boundary[k].y}, k);
  if (n < 4) return ring;
  // Main direction: length-weighted histogram of directions modulo 90° in
  // 1° bins, then the weighted mean of the edges within 5° of its mode.
  std::vector<double> hist(90, 0.0);
  std::vector<double> angle(n), length(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % n];
    length[i] = std::hypot(b.x - a.x, b.y - a.y);
    double deg = std::atan2(b.y - a.y, b.x - a.x) * 180.0 / std::numbers::pi;
    deg = std::fmod(deg + 360.0, 90.0);
    angle[i] = deg;
    hist[static_cast<std::size_t>(std::min(89.0, std::floor(deg)))] += length[i];
  }
  const std::size_t mode = static_cast<std::size_t>(std::max_element(hist.begin(), hist.end()) - hist.begin());
  const double centre = static_cast<double>(mode) + 0.5;
  double sx = 0.0, sy = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    double diff = angle[i] - centre;
    if (diff > 45.0) diff -= 90.0;
    if (diff < -45.0) diff += 90.0;
    if (std::abs(diff) > 5.0) continue;
    // Mean on the circle of four times the angle, so 0° and 90° agree.
    const double r = angle[i] * 4.0 * std::numbers::pi / 180.0;
    sx += length[i] * std::cos(r);
    sy += length[i] * std::sin(r);
  }
  const double main_dir = std::atan2(sy, sx) / 4.0;
  // Each edge's line: turned onto the main direction or its perpendicular when close.
  std::vector<Line> lines;
  for (std::size_t i = 0; i < n; ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % n];
    const Point mid{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0, 0.0};
    const double dir = std::atan2(b.y - a.y, b.x - a.x);
    double rel = std::remainder(dir - main_dir, std::numbers::pi / 2.0);
    double use = dir;
    if (std::abs(rel) * 180.0 / std::numbers::pi <= max_angle) use = dir - rel;
    Line line{mid, Point{std::cos(use), std::sin(use), 0.0}, b, length[i]};
    // Moved out to the outer part of the boundary it stands for: the roof's
    // points end inside its true edge.
    const auto from = on_boundary.find({a.x, a.y});
    const auto to = on_boundary.find({b.x, b.y});
    if (from != on_boundary.end() && to != on_boundary.end()) {
      std::vector<double> offsets;
      for (std::size_t k = from->second;; k = (k + 1) % boundary.size()) {
        const Point& q = boundary[k];
        offsets.push_back((q.x - mid.x) * line.d.y - (q.y - mid.y) * line.d.x);
        if (k == to->second) break;
      }
      std::sort(offsets.begin(), offsets.end());
      const double out =
          offsets[static_cast<std::size_t>(kOuterShare * static_cast<double>(offsets.size() - 1))] + offset;
      line.p = Point{mid.x + out * line.d.y, mid.y - out * line.d.x, 0.0};
    }
    // An edge on the same line as the one before joins it.
    if (!lines.empty()) {
      const Line& last = lines.back();
      const double cross = last.d.x * line.d.y - last.d.y * line.d.x;
      const double offset = std::abs((mid.x - last.p.x) * last.d.y - (mid.y - last.p.y) * last.d.x);
      if (std::abs(cross) < 1e-9 && last.d.x * line.d.x + last.d.y * line.d.y > 0.0 && offset <= tolerance) {
        lines.back().end = b;
        lines.back().length += line.length;
        continue;
      }
    }
    lines.push_back(line);
  }
  // The last line may join the first.
  while (lines.size() > 3) {
    const Line& last = lines.back();
    const Line& first = lines.front();
    const double cross = last.d.x * first.d.y - last.d.y * first.d.x;
    const double offset = std::abs((first.p.x - last.p.x) * last.d.y - (first.p.y - last.p.y) * last.d.x);
    if (std::abs(cross) < 1e-9 && last.d.x * first.d.x + last.d.y * first.d.y > 0.0 && offset <= tolerance)
      lines.pop_back();
    else
      break;
  }
  // A short edge that does not follow the main direction cuts a corner:
  // without it, its neighbours meet in the corner.
  for (bool dropped = true; dropped && lines.size() > 3;) {
    dropped = false;
    std::size_t shortest = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const Line& prev = lines[(i + lines.size() - 1) % lines.size()];
      const Line& next = lines[(i + 1) % lines.size()];
      const double cross = prev.d.x * next.d.y - prev.d.y * next.d.x;
      if (lines[i].length >= kCornerCut * tolerance || std::abs(cross) < 0.5) continue;
      if (shortest == lines.size() || lines[i].length < lines[shortest].length) shortest = i;
    }
    if (shortest < lines.size()) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(shortest));
      dropped = true;
    }
  }
  if (lines.size() < 3) return ring;
  std::vector<Point> squared;
  for (std::size_t i = 0, m = lines.size(); i < m; ++i) {
    const Line& l = lines[i];
    const Line& next = lines[(i + 1) % m];
    Point at;
    if (crossing(l, next, at)) {
      squared.push_back(at);
    } else {
      // Parallel and offset: a short edge across, at the corner between them.
      squared.push_back(foot(l, l.end));
      squared.push_back(foot(next, l.end));
    }
  }
  const Polygon polygon = to_polygon(squared);
  const double before = signed_area(ring);
  const double after = signed_area(squared);
  double perimeter = 0.0;
  for (std::size_t i = 0; i < n; ++i) perimeter += length[i];
  // Moving the edges out by offset alone changes the area by about perimeter · offset.
  const double allowed = 0.1 * std::abs(before) + perimeter * std::abs(offset);
  if (!polygon.is_simple() || std::abs(after - before) > allowed || (after > 0) != (before > 0))
    return ring;
  return squared;
}

std::vector<OutlinePolygon> roof_outline(RoofTriangulation& triangulation, const std::vector<int>& labels,
                                         const OutlineOptions& options) {
  AlphaShape& shape = triangulation.data->shape;
  const double spacing = triangulation.spacing;
  if (!(spacing > 0.0)) return {};
  const double radius = options.alpha_radius * spacing;
  shape.set_mode(AlphaShape::REGULARIZED);
  shape.set_alpha(radius * radius);
  std::vector<AlphaShape::Vertex_handle> corners;
  std::vector<std::vector<Point>> rings = alpha_rings(shape, corners);
  // The pieces of the shape: connected interior triangles, and the face points each holds.
  // Hashed by handle and flagged by point, not in ordered trees: on a large
  // roof these lookups were a third of the outline's time.
  constexpr std::size_t none = static_cast<std::size_t>(-1);
  CGAL::Unique_hash_map<AlphaShape::Face_handle, std::size_t> piece(none, shape.number_of_faces());
  std::size_t points = 0;  // one more than the largest point index
  for (auto v = shape.finite_vertices_begin(); v != shape.finite_vertices_end(); ++v)
    points = std::max(points, v->info() + 1);
  std::vector<std::size_t> seen_in(points, none);  // per point: the last piece that counted it
  std::vector<std::size_t> faced;  // labelled points per piece
  for (auto f = shape.finite_faces_begin(); f != shape.finite_faces_end(); ++f) {
    if (shape.classify(f) != AlphaShape::INTERIOR || piece.is_defined(f)) continue;
    const std::size_t id = faced.size();
    faced.push_back(0);
    std::vector<AlphaShape::Face_handle> stack{f};
    piece[f] = id;
    while (!stack.empty()) {
      auto g = stack.back();
      stack.pop_back();
      for (int i = 0; i < 3; ++i) {
        const auto v = g->vertex(i);
        if (seen_in[v->info()] != id) {
          seen_in[v->info()] = id;
          if (v->info() < labels.size() && labels[v->info()] != 0) ++faced[id];
        }
        const auto h = g->neighbor(i);
        if (shape.is_infinite(h) || shape.classify(h) != AlphaShape::INTERIOR || piece.is_defined(h)) continue;
        piece[h] = id;
        stack.push_back(h);
      }
    }
  }
  auto faced_points = [&](const AlphaShape::Vertex_handle& v) {
    auto f = shape.incident_faces(v), done = f;
    std::size_t most = 0;
    do
      if (piece.is_defined(f)) most = std::max(most, faced[piece[f]]);
    while (++f != done);
    return most;
  };
  std::vector<std::vector<Point>> outers, holes;
  std::vector<std::size_t> outer_faced;
  for (std::size_t r = 0; r < rings.size(); ++r) {
    if (signed_area(rings[r]) > 0.0) {
      outers.push_back(std::move(rings[r]));
      outer_faced.push_back(faced_points(corners[r]));
    } else {
      holes.push_back(std::move(rings[r]));
    }
  }
  if (outers.empty()) return {};
  // The piece holding the most points of faces, the largest of those alike.
  std::size_t largest = 0;
  for (std::size_t i = 1; i < outers.size(); ++i)
    if (outer_faced[i] > outer_faced[largest] ||
        (outer_faced[i] == outer_faced[largest] && signed_area(outers[i]) > signed_area(outers[largest])))
      largest = i;
  const double tolerance = options.tolerance * spacing;
  OutlinePolygon polygon;
  const std::vector<Point> outer = largest_simple_loop(outers[largest]);
  const Polygon outer_polygon = to_polygon(outer);
  // A rough edge (trees, gaps, scan lines) can leave a ring that squares
  // into one crossing itself: simplified more coarsely, it squares cleanly.
  for (double coarser = 1.0; coarser <= kMostCoarse; coarser += 1.0) {
    const std::vector<Point> simplified = simplify_ring(outer, coarser * tolerance);
    polygon.outer = square_ring(simplified, outer, coarser * tolerance, options.square_angle,
                                options.edge_offset * spacing);
    if (polygon.outer != simplified) break;
  }
  const Polygon squared_outer = to_polygon(polygon.outer);
  for (const auto& h : holes) {
    if (-signed_area(h) < options.min_hole_area) continue;
    if (outer_polygon.bounded_side(Kernel::Point_2(h[0].x, h[0].y)) != CGAL::ON_BOUNDED_SIDE) continue;
    std::vector<Point> hole = simplify_ring(largest_simple_loop(h), tolerance);
    bool inside = true;
    for (const Point& p : hole)
      if (squared_outer.bounded_side(Kernel::Point_2(p.x, p.y)) != CGAL::ON_BOUNDED_SIDE) inside = false;
    if (inside) polygon.holes.push_back(std::move(hole));
  }
  return {std::move(polygon)};
}

}  // namespace roofplanes
