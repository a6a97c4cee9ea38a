#include "segments/simplify_outer_border.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/convex_hull_2.h>

#include "regions/polar_angle.h"

namespace roofplanes {

namespace {

using Point2 = CGAL::Exact_predicates_inexact_constructions_kernel::Point_2;

// A piece from start to end with an empty chain and the line through both.
BorderLine border_line(Vertex_handle start, Vertex_handle end, Report& report) {
  BorderLine line;
  line.start = start;
  line.end = end;
  const auto [angle, distance] =
      line_through(start->point().x(), start->point().y(), end->point().x(), end->point().y(), report);
  line.angle = angle;
  line.distance = distance;
  return line;
}

}  // namespace

std::pair<double, double> line_through(double x1, double y1, double x2, double y2, Report& report) {
  const double e = (y1 * x2) - (y2 * x1);
  const double dx = x1 - x2;
  const double dy = y2 - y1;
  const double r = std::sqrt(dy * dy + dx * dx);
  // Choosing the sign of the norm by e keeps distance non-negative, so both
  // directions of a piece give the same line.
  double g;
  if (e > 0)
    g = -r;
  else if (e < 0)
    g = r;
  else
    g = dx >= 0 ? r : -r;
  double nx = dy / g;
  double ny = dx / g;
  const double distance = -e / g;
  const double angle = rectangular_to_polar_angle(nx, ny, report);
  return {angle, distance};
}

double point_line_distance(Vertex_handle v, const BorderLine& line) {
  const double x = v->point().x();
  const double y = v->point().y();
  return std::fabs(x * std::cos(line.angle) + y * std::sin(line.angle) - line.distance);
}

VertexList farthest_pair(const VertexList& vertices) {
  // The first pair, in (i, j) order, whose distance is larger than every
  // distance before it, as comparing every pair gives, without comparing
  // every pair. A point's farthest point is a corner of the convex hull, so
  // the hull's corners give the largest distance and, for every point, how
  // far it reaches. Only points that reach within a relative 1e-9 of the
  // largest distance (far beyond any rounding) can be in the pair; among
  // those (in practice the two ends) every pair is compared as written.
  const std::size_t n = vertices.size();
  std::vector<double> x(n), y(n);
  std::vector<Point2> points(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = vertices[i]->point().x();
    y[i] = vertices[i]->point().y();
    points[i] = Point2(x[i], y[i]);
  }
  std::vector<Point2> hull;
  CGAL::convex_hull_2(points.begin(), points.end(), std::back_inserter(hull));
  const auto distance = [](double xa, double ya, double xb, double yb) {
    const double ddx = xb - xa;
    const double ddy = yb - ya;
    return std::sqrt(ddx * ddx + ddy * ddy);
  };
  const auto reach = [&](double xa, double ya) {
    double most = 0;
    for (const Point2& h : hull) most = std::max(most, distance(xa, ya, h.x(), h.y()));
    return most;
  };
  double largest = 0;
  for (const Point2& h : hull) largest = std::max(largest, reach(h.x(), h.y()));
  if (!(largest > 0)) return {};
  const double threshold = largest * (1.0 - 1e-9);
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < n; ++i)
    if (reach(x[i], y[i]) >= threshold) ends.push_back(i);

  double best = 0, best_squared = 0;
  VertexList pair;
  for (std::size_t a = 0; a < ends.size(); ++a) {
    const std::size_t i = ends[a];
    for (std::size_t b = a + 1; b < ends.size(); ++b) {
      const std::size_t j = ends[b];
      const double ddx = x[j] - x[i];
      const double ddy = y[j] - y[i];
      const double squared = ddx * ddx + ddy * ddy;
      if (!(squared > best_squared)) continue;
      const double d = std::sqrt(squared);
      if (d > best) {
        best = d;
        best_squared = squared;
        pair = {vertices[i], vertices[j]};
      }
    }
  }
  return pair;
}

std::pair<double, Vertex_handle> farthest_from_line(const BorderLine& line) {
  double most = -1;
  Vertex_handle farthest;
  for (const Vertex_handle& v : line.chain) {
    const double d = point_line_distance(v, line);
    if (d > most) {
      most = d;
      farthest = v;
    }
  }
  return {most, farthest};
}

VertexList simplify_outer_border(const VertexList& outline, double tolerance, Report& report) {
  const VertexList ends = farthest_pair(outline);
  if (ends.size() != 2) return outline;
  const Vertex_handle a = ends[0];
  const Vertex_handle b = ends[1];

  BorderLine first = border_line(a, b, report);
  BorderLine second = border_line(b, a, report);

  // The first hit opens the chain from A to B, the second the chain from B
  // back round to A; what precedes the first hit (the lead) closes the second
  // chain. A or B met again ends the distribution.
  int hits = 0;
  std::size_t lead = 0;
  for (const Vertex_handle& v : outline) {
    if (v == a || v == b) {
      ++hits;
    } else if (hits == 0) {
      ++lead;
    } else if (hits == 1) {
      first.chain.push_back(v);
    } else if (hits == 2) {
      second.chain.push_back(v);
    }
  }
  second.chain.insert(second.chain.end(), outline.begin(),
                      outline.begin() + static_cast<std::ptrdiff_t>(lead));

  std::vector<BorderLine> pieces;
  pieces.push_back(std::move(first));
  pieces.push_back(std::move(second));
  std::size_t k = 0;
  while (k < pieces.size()) {
    const auto [most, farthest] = farthest_from_line(pieces[k]);
    // An empty chain has no farthest vertex, whatever the tolerance.
    if (most > tolerance && farthest != Vertex_handle()) {
      // Replace the piece by start–F (Q) and F–end (P); Q is examined next.
      BorderLine& piece = pieces[k];
      BorderLine q = border_line(piece.start, farthest, report);
      BorderLine p = border_line(farthest, piece.end, report);
      const auto at = std::find(piece.chain.begin(), piece.chain.end(), farthest);
      q.chain.assign(piece.chain.begin(), at);
      p.chain.assign(at + 1, piece.chain.end());
      piece = std::move(q);
      pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(k) + 1, std::move(p));
    } else {
      ++k;
    }
  }

  VertexList corners;
  corners.reserve(pieces.size());
  for (const BorderLine& piece : pieces) corners.push_back(piece.start);
  return corners;
}

}  // namespace roofplanes
