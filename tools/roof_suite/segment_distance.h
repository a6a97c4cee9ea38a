#pragma once

// Distances from points to a set of line segments, and points spread along a segment: what the
// model scoring measures edges with.

#include <array>
#include <vector>

namespace roof_suite {

using Point3 = std::array<double, 3>;

// A straight segment from a to b; a degenerate one (a == b) is a point.
struct Segment3 {
  Point3 a{}, b{};
};

// Euclidean distance from p to the nearest point of any of the segments; infinity when there
// are none. For distances in x, y give every z as 0.
double distance_to_segments(const Point3& p, const std::vector<Segment3>& segments);

// The centres of the n equal pieces of the segment, n = ceil(length / spacing) (at least one):
// each point stands for the same length, so statistics over the points weigh by length.
std::vector<Point3> points_along(const Segment3& segment, double spacing);

}  // namespace roof_suite
