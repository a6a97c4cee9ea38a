#include "segment_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace roof_suite {

double distance_to_segments(const Point3& p, const std::vector<Segment3>& segments) {
  double best = std::numeric_limits<double>::infinity();
  for (const Segment3& s : segments) {
    const double d[3] = {s.b[0] - s.a[0], s.b[1] - s.a[1], s.b[2] - s.a[2]};
    const double w[3] = {p[0] - s.a[0], p[1] - s.a[1], p[2] - s.a[2]};
    const double length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    // The foot of the perpendicular, clamped to the segment's ends.
    const double t = length2 > 0.0 ? std::clamp((w[0] * d[0] + w[1] * d[1] + w[2] * d[2]) / length2, 0.0, 1.0) : 0.0;
    const double e[3] = {w[0] - t * d[0], w[1] - t * d[1], w[2] - t * d[2]};
    best = std::min(best, std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]));
  }
  return best;
}

std::vector<Point3> points_along(const Segment3& segment, double spacing) {
  const double length = std::hypot(segment.b[0] - segment.a[0], segment.b[1] - segment.a[1], segment.b[2] - segment.a[2]);
  const std::size_t n = spacing > 0.0 ? std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(length / spacing))) : 1;
  std::vector<Point3> points;
  points.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    const double t = (static_cast<double>(k) + 0.5) / static_cast<double>(n);
    points.push_back({segment.a[0] + t * (segment.b[0] - segment.a[0]), segment.a[1] + t * (segment.b[1] - segment.a[1]),
                      segment.a[2] + t * (segment.b[2] - segment.a[2])});
  }
  return points;
}

}  // namespace roof_suite
