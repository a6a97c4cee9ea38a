#pragma once

#include "observer/report.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// How a walk that does not return to its start point ends.
enum class OutlineBound { step_limit, first_repeat };

// Walks the marked points (border_mark != 0) counterclockwise around the
// region, from the leftmost border point, at each point turning to the marked
// neighbour with the smallest counterclockwise turn from the way back.
//   border   read only, non-empty, marked by detect_border
// Returns the outline: the start point, then the points in walking order,
// without repeating the start; a point where the region touches itself can
// appear twice. Sets border_mark = 2 on every point it lists. A walk that has
// not returned after 6 × number_of_vertices + 6 steps stops with a warning
// and returns what it has walked, its last point included.
//   bound    first_repeat: stop at the first step that repeats an earlier one
//            (each step follows from the two points before it, so the walk
//            would circle for good), without listing it again
VertexList order_outline(const VertexList& border, PointTriangulation& triangulation, Report& report,
                         OutlineBound bound = OutlineBound::step_limit);

// The first listed point with the smallest x (a later one only replaces it
// when its x is strictly smaller). points must not be empty.
Vertex_handle leftmost_point(const VertexList& points);

}  // namespace roofplanes
