#include "regions/order_outline.h"

#include <cstddef>
#include <functional>
#include <unordered_set>
#include <utility>

#include "points/face_ring.h"
#include "regions/polar_angle.h"

namespace roofplanes {
namespace {

// Direction from `from` to `to` in degrees, x and y only.
double direction_deg(Vertex_handle from, Vertex_handle to, Report& report) {
  double dx = to->point().x() - from->point().x();
  double dy = to->point().y() - from->point().y();
  return rectangular_to_polar_angle_deg(dx, dy, report);
}

}  // namespace

Vertex_handle leftmost_point(const VertexList& points) {
  Vertex_handle leftmost = points.front();
  for (const Vertex_handle& v : points)
    if (v->point().x() < leftmost->point().x()) leftmost = v;
  return leftmost;
}

VertexList order_outline(const VertexList& border, PointTriangulation& triangulation, Report& report,
                         OutlineBound bound) {
  VertexList outline;
  if (border.empty()) return outline;

  const Vertex_handle start = leftmost_point(border);
  outline.push_back(start);
  start->info().set_border_mark(2);

  // A returning walk takes at most one step per directed edge between marked
  // points plus one repeated step per dead end; this bound lies above that.
  const std::size_t max_steps = 6 * triangulation.number_of_vertices() + 6;

  Vertex_handle current = start;
  Vertex_handle previous;
  double minus_x = -1, zero = 0;
  double reference = rectangular_to_polar_angle_deg(minus_x, zero, report);  // nothing lies left of the start
  std::size_t steps = 0;
  // The steps walked, as (from, to) point addresses, for first_repeat.
  struct StepHash {
    std::size_t operator()(const std::pair<const void*, const void*>& step) const {
      const std::size_t a = std::hash<const void*>()(step.first);
      return a ^ (std::hash<const void*>()(step.second) + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
    }
  };
  std::unordered_set<std::pair<const void*, const void*>, StepHash> walked;

  while (steps == 0 || current != start) {
    if (steps == max_steps) {
      report.warning("order_outline: the walk did not return to its start point within ", max_steps, " steps");
      return outline;
    }
    double best_turn = 360;
    double turn = 360;
    if (steps != 0) reference = direction_deg(current, previous, report);  // the way back
    ++steps;
    const Vertex_handle centre = current;

    for_each_face_around(triangulation, centre, [&](Face_handle, Vertex_handle w, Vertex_handle) {
      // The infinite vertex is never marked; its coordinates mean nothing.
      if (triangulation.is_infinite(w) || w->info().border_mark() == 0) return;
      const double a = direction_deg(centre, w, report);
      if (a > reference)
        turn = a - reference;
      else if (a < reference)
        turn = 360 - (reference - a);
      // a == reference: the way back itself; turn keeps the previous value.
      if (turn < best_turn) {
        best_turn = turn;
        current = w;
      }
    });

    if (bound == OutlineBound::first_repeat && !walked.emplace(&*centre, &*current).second) {
      report.warning("order_outline: the walk circles without returning to its start point; stopped after ",
                     steps - 1, " steps");
      return outline;
    }
    previous = centre;
    outline.push_back(current);
    current->info().set_border_mark(2);
  }

  outline.pop_back();  // the start point, reached again
  return outline;
}

}  // namespace roofplanes
