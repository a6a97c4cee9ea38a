#include "points/ring_contains.h"

namespace roofplanes {

bool ring_contains(const std::vector<Point>& ring, double x, double y) {
  if (ring.size() < 3) return false;
  bool inside = false;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const Point& a = ring[i];
    const Point& b = ring[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

}  // namespace roofplanes
