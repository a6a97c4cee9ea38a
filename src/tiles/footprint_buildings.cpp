#include "tiles/footprint_buildings.h"

#include "points/ring_contains.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace roofplanes {
namespace {

double ring_distance(const std::vector<Point>& ring, double x, double y) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const Point& a = ring[j];
    const Point& b = ring[i];
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0.0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    best = std::min(best, std::hypot(x - (a.x + t * dx), y - (a.y + t * dy)));
  }
  return best;
}

struct Bounds {
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
  double x1 = -std::numeric_limits<double>::infinity(), y1 = x1;
  void add(double x, double y) {
    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  }
  bool empty() const { return !(x0 <= x1 && y0 <= y1); }
};

// The points bucketed into square cells, for finding those near a footprint
// without looking at every point of the tile.
class PointGrid {
 public:
  PointGrid(const std::vector<Point>& points, const Bounds& bounds) : bounds_(bounds) {
    if (bounds.empty()) return;
    // Cells of at least 5 m and at most about 4 million of them.
    cell_ = std::max({5.0, (bounds.x1 - bounds.x0) / 2048.0, (bounds.y1 - bounds.y0) / 2048.0});
    nx_ = static_cast<std::size_t>((bounds.x1 - bounds.x0) / cell_) + 1;
    ny_ = static_cast<std::size_t>((bounds.y1 - bounds.y0) / cell_) + 1;
    start_.assign(nx_ * ny_ + 1, 0);
    for (const Point& p : points)
      if (finite(p)) ++start_[cell_of(p.x, p.y) + 1];
    for (std::size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
    index_.resize(start_.back());
    std::vector<std::size_t> next(start_.begin(), start_.end() - 1);
    for (std::size_t i = 0; i < points.size(); ++i)
      if (finite(points[i])) index_[next[cell_of(points[i].x, points[i].y)]++] = i;
  }

  // Calls visit(i) for every point whose cell meets the box.
  template <class Visit>
  void visit_box(const Bounds& box, Visit visit) const {
    if (bounds_.empty() || box.x1 < bounds_.x0 || box.y1 < bounds_.y0 || box.x0 > bounds_.x1 || box.y0 > bounds_.y1)
      return;
    const std::size_t cx0 = column(box.x0, bounds_.x0, nx_), cx1 = column(box.x1, bounds_.x0, nx_);
    const std::size_t cy0 = column(box.y0, bounds_.y0, ny_), cy1 = column(box.y1, bounds_.y0, ny_);
    for (std::size_t cy = cy0; cy <= cy1; ++cy)
      for (std::size_t cx = cx0; cx <= cx1; ++cx)
        for (std::size_t k = start_[cy * nx_ + cx]; k < start_[cy * nx_ + cx + 1]; ++k) visit(index_[k]);
  }

 private:
  static bool finite(const Point& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
  std::size_t column(double v, double origin, std::size_t n) const {
    const double c = std::floor((v - origin) / cell_);
    return c <= 0.0 ? 0 : std::min(n - 1, static_cast<std::size_t>(c));
  }
  std::size_t cell_of(double x, double y) const {
    return column(y, bounds_.y0, ny_) * nx_ + column(x, bounds_.x0, nx_);
  }

  Bounds bounds_;
  double cell_ = 1.0;
  std::size_t nx_ = 0, ny_ = 0;
  std::vector<std::size_t> start_, index_;
};

}  // namespace

bool footprint_contains(const Footprint& footprint, double x, double y) {
  for (const FootprintPolygon& polygon : footprint.polygons) {
    if (polygon.outer.size() < 3 || !ring_contains(polygon.outer, x, y)) continue;
    const bool in_hole = std::any_of(polygon.holes.begin(), polygon.holes.end(), [&](const std::vector<Point>& hole) {
      return hole.size() >= 3 && ring_contains(hole, x, y);
    });
    if (!in_hole) return true;
  }
  return false;
}

double footprint_distance(const Footprint& footprint, double x, double y) {
  if (footprint_contains(footprint, x, y)) return 0.0;
  double best = std::numeric_limits<double>::infinity();
  for (const FootprintPolygon& polygon : footprint.polygons) {
    if (!polygon.outer.empty()) best = std::min(best, ring_distance(polygon.outer, x, y));
    for (const std::vector<Point>& hole : polygon.holes)
      if (!hole.empty()) best = std::min(best, ring_distance(hole, x, y));
  }
  return best;
}

FootprintBuildings footprint_buildings(const std::vector<Point>& points, const std::vector<std::uint8_t>& roof,
                                       const std::vector<Footprint>& footprints, double margin) {
  if (roof.size() != points.size())
    throw std::invalid_argument("footprints: " + std::to_string(roof.size()) + " roof flags for " +
                                std::to_string(points.size()) + " points");
  if (!std::isfinite(margin) || margin < 0.0)
    throw std::invalid_argument("footprints: the margin must be a finite number of at least 0");
  Bounds tile;
  for (const Point& p : points)
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) tile.add(p.x, p.y);
  const PointGrid grid(points, tile);

  FootprintBuildings result;
  for (const Footprint& footprint : footprints) {
    Bounds box;
    for (const FootprintPolygon& polygon : footprint.polygons)
      for (const Point& p : polygon.outer) box.add(p.x, p.y);
    if (box.empty() || box.x1 < tile.x0 || box.y1 < tile.y0 || box.x0 > tile.x1 || box.y0 > tile.y1) continue;
    const Bounds grown{box.x0 - margin, box.y0 - margin, box.x1 + margin, box.y1 + margin};
    FoundBuilding building;
    building.id = footprint.id;
    building.outline = footprint.polygons;
    building.min_x = grown.x0, building.min_y = grown.y0, building.max_x = grown.x1, building.max_y = grown.y1;
    grid.visit_box(grown, [&](std::size_t i) {
      const Point& p = points[i];
      if (p.x < grown.x0 || p.x > grown.x1 || p.y < grown.y0 || p.y > grown.y1) return;
      const bool inside = footprint_contains(footprint, p.x, p.y);
      if (!inside && footprint_distance(footprint, p.x, p.y) > margin) return;
      building.input.push_back(i);
      if (inside && roof[i]) building.roof.push_back(i);
    });
    std::sort(building.input.begin(), building.input.end());
    std::sort(building.roof.begin(), building.roof.end());
    if (building.roof.empty()) {
      result.without_roof.push_back(footprint.id);
      continue;
    }
    result.buildings.push_back(std::move(building));
  }
  return result;
}

}  // namespace roofplanes
