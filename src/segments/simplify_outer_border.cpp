#include "segments/simplify_outer_border.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "regions/polar_angle.h"

namespace roofplanes {

namespace {

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
  // distance before it. sqrt only grows with its argument, so a pair whose
  // squared distance is not above the best one's cannot be farther: only the
  // others take the square root and the comparison as written.
  const std::size_t n = vertices.size();
  std::vector<double> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = vertices[i]->point().x();
    y[i] = vertices[i]->point().y();
  }
  double best = 0, best_squared = 0;
  VertexList pair;
  for (std::size_t i = 0; i < n; ++i) {
    const double xi = x[i];
    const double yi = y[i];
    for (std::size_t j = i + 1; j < n; ++j) {
      const double ddx = x[j] - xi;
      const double ddy = y[j] - yi;
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
