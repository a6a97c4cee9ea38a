#pragma once

#include <utility>

#include "observer/report.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// One straight piece of an outline while it is being split: the line
// x·cos(angle) + y·sin(angle) = distance through start and end, and the
// outline vertices strictly between them (chain), in outline order.
struct BorderLine {
  double angle = 0.0;
  double distance = 0.0;
  Vertex_handle start;
  Vertex_handle end;
  VertexList chain;
};

// (angle, distance) of the line through (x1, y1) and (x2, y2), which must
// differ. The normal's sign is chosen so that distance >= 0; for a line
// through the origin the normal follows the sign of x1 − x2. angle comes from
// rectangular_to_polar_angle (π taken as 3.1416).
std::pair<double, double> line_through(double x1, double y1, double x2, double y2, Report& report);

// |x·cos(angle) + y·sin(angle) − distance| for v's x and y.
double point_line_distance(Vertex_handle v, const BorderLine& line);

// [A, B], the first pair (i < j scan order) with the largest xy distance, A
// earlier in the list than B. Empty when no two entries lie apart (fewer than
// two entries, or all at the same x and y).
VertexList farthest_pair(const VertexList& vertices);

// The largest point_line_distance over line.chain and the first chain vertex
// that has it; (-1, no vertex) for an empty chain.
std::pair<double, Vertex_handle> farthest_from_line(const BorderLine& line);

// Corner vertices of the outline, in outline order from the earlier vertex of
// the farthest pair: the outline is split recursively at the vertex farthest
// from each piece's line while that distance exceeds tolerance. Only x and y
// count. An outline without a farthest pair (fewer than two entries, or all at
// one position) is returned as it is.
VertexList simplify_outer_border(const VertexList& outline, double tolerance, Report& report);

}  // namespace roofplanes
