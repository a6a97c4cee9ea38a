#include "model/building_attributes.h"

#include "points/ring_contains.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace roofplanes {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFlatSlope = 7.0;        // degrees: a face no steeper is flat
constexpr double kSteepSlope = 45.0;      // degrees: a mansard's lower faces are steeper
constexpr double kFragmentShare = 0.03;   // faces under this share of the roof area are left aside
constexpr double kAdjacent = 1.5;         // metres between two faces' outlines that still touch
constexpr double kPyramidHeight = 0.5;    // metres between the crossing heights of a pyramid's pairs

// Twice the signed x, y area, relative to the first corner (large projected
// coordinates would cancel the result away otherwise).
double twice_area(const std::vector<Point>& ring) {
  double sum = 0.0;
  for (std::size_t i = 1; i + 1 < ring.size(); ++i) {
    const double ax = ring[i].x - ring[0].x, ay = ring[i].y - ring[0].y;
    const double bx = ring[i + 1].x - ring[0].x, by = ring[i + 1].y - ring[0].y;
    sum += ax * by - bx * ay;
  }
  return sum;
}

double xy_area(const RoofFace& f) { return 0.5 * std::fabs(twice_area(f.corners)); }

// The x, y centroid of the polygon.
Point centroid(const std::vector<Point>& ring) {
  double a = 0.0, cx = 0.0, cy = 0.0;
  const Point& o = ring[0];
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const Point& p = ring[i];
    const Point& q = ring[(i + 1) % ring.size()];
    const double px = p.x - o.x, py = p.y - o.y, qx = q.x - o.x, qy = q.y - o.y;
    const double cross = px * qy - qx * py;
    a += cross;
    cx += (px + qx) * cross;
    cy += (py + qy) * cross;
  }
  if (a == 0.0) return o;
  return {o.x + cx / (3.0 * a), o.y + cy / (3.0 * a), 0.0};
}

double slope(const RoofFace& f) { return std::atan2(std::hypot(f.normal.x, f.normal.y), f.normal.z) * 180.0 / kPi; }

// Downslope direction, degrees counterclockwise from +x.
double direction(const RoofFace& f) { return std::atan2(f.normal.y, f.normal.x) * 180.0 / kPi; }

double angle_between(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

double point_segment(const Point& p, const Point& a, const Point& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  double t = l2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Smallest x, y distance between two outlines (0 where one holds a corner of the other).
double outline_distance(const RoofFace& f, const RoofFace& g) {
  double best = std::numeric_limits<double>::infinity();
  for (int pass = 0; pass < 2; ++pass) {
    const RoofFace& a = pass == 0 ? f : g;
    const RoofFace& b = pass == 0 ? g : f;
    for (const Point& p : a.corners) {
      if (ring_contains(b.corners, p.x, p.y)) return 0.0;
      for (std::size_t i = 0; i < b.corners.size(); ++i)
        best = std::min(best, point_segment(p, b.corners[i], b.corners[(i + 1) % b.corners.size()]));
    }
  }
  return best;
}

bool adjacent(const RoofFace& f, const RoofFace& g) { return outline_distance(f, g) <= kAdjacent; }

// Whether the faces face four ways, each about a right angle from the next;
// on success order holds them by direction.
bool four_ways(const std::vector<const RoofFace*>& faces, std::vector<const RoofFace*>& order) {
  if (faces.size() != 4) return false;
  order = faces;
  std::sort(order.begin(), order.end(),
            [](const RoofFace* a, const RoofFace* b) { return direction(*a) < direction(*b); });
  for (std::size_t i = 0; i < 4; ++i) {
    const double turn = angle_between(direction(*order[i]), direction(*order[(i + 1) % 4]));
    if (turn < 60.0 || turn > 120.0) return false;
  }
  return true;
}

double mean_corner_height(const RoofFace& f) {
  double sum = 0.0;
  for (const Point& p : f.corners) sum += p.z;
  return sum / double(f.corners.size());
}

// Height where two faces' planes cross on the line between their centroids.
double crossing_height(const RoofFace& a, const RoofFace& b) {
  const Point ca = centroid(a.corners), cb = centroid(b.corners);
  const double f0 = face_height(a, ca.x, ca.y) - face_height(b, ca.x, ca.y);
  const double f1 = face_height(a, cb.x, cb.y) - face_height(b, cb.x, cb.y);
  const double t = f0 == f1 ? 0.5 : f0 / (f0 - f1);
  return face_height(a, ca.x + t * (cb.x - ca.x), ca.y + t * (cb.y - ca.y));
}

}  // namespace

double face_height(const RoofFace& face, double x, double y) {
  return -(face.normal.x * x + face.normal.y * y + face.d) / face.normal.z;
}

std::vector<RoofFace> roof_faces(const BuildingInput& input, const Result& result) {
  std::vector<RoofFace> faces;
  for (const Segment& s : result.segments) {
    if (!(s.normal.z > 0.0)) continue;
    // A sparse scan can simplify a small face's outline to fewer than three
    // corners; its walked outline still tells where it is.
    for (const std::vector<std::size_t>* polygon : {&s.corners, &s.outline}) {
      RoofFace face{s.normal, s.d, {}};
      for (std::size_t index : *polygon) {
        if (index >= input.points.size())
          throw std::invalid_argument("segment " + std::to_string(s.number) + ": corner " + std::to_string(index) +
                                      " names no input point");
        Point p = input.points[index];
        p.z = face_height(face, p.x, p.y);
        if (face.corners.empty() || face.corners.back().x != p.x || face.corners.back().y != p.y)
          face.corners.push_back(p);
      }
      while (face.corners.size() > 1 && face.corners.back().x == face.corners.front().x &&
             face.corners.back().y == face.corners.front().y)
        face.corners.pop_back();
      if (face.corners.size() < 3) continue;
      const double area = twice_area(face.corners);
      if (area == 0.0 || !std::isfinite(area)) continue;
      if (area < 0.0) std::reverse(face.corners.begin(), face.corners.end());
      faces.push_back(std::move(face));
      break;
    }
  }
  return faces;
}

GroundHeight ground_height(const BuildingInput& input, const std::vector<std::uint8_t>& ground) {
  std::vector<double> heights;
  for (std::size_t i = 0; i < ground.size() && i < input.points.size(); ++i)
    if (ground[i]) heights.push_back(input.points[i].z);
  if (!heights.empty()) {
    const std::size_t mid = heights.size() / 2;
    std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(mid), heights.end());
    double median = heights[mid];
    if (heights.size() % 2 == 0)
      median = 0.5 * (median + *std::max_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(mid)));
    return {median, "ground points"};
  }
  double lowest = std::numeric_limits<double>::infinity();
  for (const Point& p : input.points) lowest = std::min(lowest, p.z);
  return {input.points.empty() ? 0.0 : lowest, "lowest point"};
}

std::optional<RoofHeights> roof_heights(const BuildingInput& input) {
  std::vector<double> z;
  for (std::size_t i = 0; i < input.points.size() && i < input.roof.size(); ++i)
    if (input.roof[i]) z.push_back(input.points[i].z);
  if (z.empty()) return std::nullopt;
  std::sort(z.begin(), z.end());
  const auto quantile = [&z](double q) {
    const double at = q * double(z.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(at));
    const std::size_t above = std::min(below + 1, z.size() - 1);
    return z[below] + (at - double(below)) * (z[above] - z[below]);
  };
  return RoofHeights{z.front(), quantile(0.5), quantile(0.7), z.back()};
}

RoofShape roof_shape(const std::vector<RoofFace>& faces, double ground) {
  RoofShape shape;
  shape.faces = faces.size();
  if (faces.empty()) return shape;
  shape.eave_height = std::numeric_limits<double>::infinity();
  shape.ridge_height = -std::numeric_limits<double>::infinity();
  for (const RoofFace& f : faces) {
    for (const Point& p : f.corners) {
      shape.eave_height = std::min(shape.eave_height, p.z);
      shape.ridge_height = std::max(shape.ridge_height, p.z);
    }
    const double area = xy_area(f);
    const Point c = centroid(f.corners);
    shape.footprint_area += area;
    shape.roof_area += area / f.normal.z;
    shape.volume += area * (face_height(f, c.x, c.y) - ground);
  }
  return shape;
}

std::optional<double> model_rmse(const BuildingInput& input, const std::vector<RoofFace>& faces) {
  struct Box {
    double x0, y0, x1, y1;
  };
  std::vector<Box> boxes;
  for (const RoofFace& f : faces) {
    Box b{f.corners[0].x, f.corners[0].y, f.corners[0].x, f.corners[0].y};
    for (const Point& p : f.corners) b = {std::min(b.x0, p.x), std::min(b.y0, p.y), std::max(b.x1, p.x), std::max(b.y1, p.y)};
    boxes.push_back(b);
  }
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < input.points.size() && i < input.roof.size(); ++i) {
    if (!input.roof[i]) continue;
    const Point& p = input.points[i];
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < faces.size(); ++k) {
      const Box& b = boxes[k];
      if (p.x < b.x0 || p.x > b.x1 || p.y < b.y0 || p.y > b.y1 || !ring_contains(faces[k].corners, p.x, p.y)) continue;
      const double dz = p.z - face_height(faces[k], p.x, p.y);
      if (std::fabs(dz) < std::fabs(best)) best = dz;
    }
    if (!std::isfinite(best)) continue;
    sum += best * best;
    ++count;
  }
  if (count == 0) return std::nullopt;
  return std::sqrt(sum / double(count));
}

std::string roof_type(const std::vector<RoofFace>& faces) {
  if (faces.empty()) return "none";
  double total = 0.0;
  for (const RoofFace& f : faces) total += xy_area(f) / f.normal.z;
  std::vector<const RoofFace*> sloped, level;
  for (const RoofFace& f : faces) {
    if (xy_area(f) / f.normal.z < kFragmentShare * total) continue;
    (slope(f) > kFlatSlope ? sloped : level).push_back(&f);
  }
  if (sloped.empty()) return "flat";
  if (sloped.size() == 1) return "shed";
  std::vector<const RoofFace*> order;
  if (level.empty() && sloped.size() == 2 && angle_between(direction(*sloped[0]), direction(*sloped[1])) > 150.0 &&
      adjacent(*sloped[0], *sloped[1]))
    return "gable";
  if (level.empty() && four_ways(sloped, order)) {
    // Where each opposite pair's planes cross. A pyramid's pairs cross at one
    // height, its apex. A hip's end faces cross above its ridge, which stops
    // them lower: their highest corners stay well below their crossing. Two
    // gables meeting (an L or a T) reach the crossing of both pairs.
    const double first = crossing_height(*order[0], *order[2]), second = crossing_height(*order[1], *order[3]);
    if (std::fabs(first - second) <= kPyramidHeight) return "pyramid";
    const bool first_higher = first > second;
    const double high = std::max(first, second), low = std::min(first, second);
    double top = -std::numeric_limits<double>::infinity();
    for (const RoofFace* f : {order[first_higher ? 0 : 1], order[first_higher ? 2 : 3]})
      for (const Point& p : f->corners) top = std::max(top, p.z);
    return top < high - 0.5 * (high - low) ? "hip" : "complex";
  }
  std::vector<const RoofFace*> steep, top = level;
  for (const RoofFace* f : sloped) (slope(*f) >= kSteepSlope ? steep : top).push_back(f);
  if (!top.empty() && four_ways(steep, order)) {
    double steep_height = -std::numeric_limits<double>::infinity();
    for (const RoofFace* f : steep) steep_height = std::max(steep_height, mean_corner_height(*f));
    bool above = true;
    for (const RoofFace* f : top) above = above && mean_corner_height(*f) > steep_height;
    if (above) return "mansard";
  }
  return "complex";
}

double outline_area(const std::vector<OutlinePolygon>& outline) {
  double area = 0.0;
  for (const OutlinePolygon& polygon : outline) {
    if (polygon.outer.size() >= 3) area += 0.5 * std::fabs(twice_area(polygon.outer));
    for (const std::vector<Point>& hole : polygon.holes)
      if (hole.size() >= 3) area -= 0.5 * std::fabs(twice_area(hole));
  }
  return area;
}

double outline_volume(const std::vector<RoofFace>& faces, const std::vector<OutlinePolygon>& outline, double ground) {
  if (faces.empty()) return 0.0;
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
  for (const OutlinePolygon& polygon : outline)
    for (const Point& p : polygon.outer) x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  if (!(x0 < x1 && y0 < y1)) return 0.0;
  const double cell = std::max(0.25, std::sqrt((x1 - x0) * (y1 - y0) / 1.0e6));
  const auto inside = [&outline](double x, double y) {
    for (const OutlinePolygon& polygon : outline) {
      if (polygon.outer.size() < 3 || !ring_contains(polygon.outer, x, y)) continue;
      bool in_hole = false;
      for (const std::vector<Point>& hole : polygon.holes) in_hole = in_hole || (hole.size() >= 3 && ring_contains(hole, x, y));
      if (!in_hole) return true;
    }
    return false;
  };
  double volume = 0.0;
  const std::size_t nx = static_cast<std::size_t>(std::ceil((x1 - x0) / cell));
  const std::size_t ny = static_cast<std::size_t>(std::ceil((y1 - y0) / cell));
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const double x = x0 + (double(i) + 0.5) * cell, y = y0 + (double(j) + 0.5) * cell;
      if (!inside(x, y)) continue;
      double height = -std::numeric_limits<double>::infinity(), nearest = std::numeric_limits<double>::infinity();
      for (const RoofFace& f : faces)
        if (ring_contains(f.corners, x, y)) height = std::max(height, face_height(f, x, y));
      if (!std::isfinite(height))
        for (const RoofFace& f : faces) {
          double distance = std::numeric_limits<double>::infinity();
          for (std::size_t k = 0; k < f.corners.size(); ++k)
            distance = std::min(distance, point_segment({x, y, 0.0}, f.corners[k], f.corners[(k + 1) % f.corners.size()]));
          if (distance < nearest) nearest = distance, height = face_height(f, x, y);
        }
      volume += cell * cell * (height - ground);
    }
  return volume;
}

BuildingAttributes building_attributes(const BuildingInput& input, const Result& result,
                                      const std::vector<std::uint8_t>& ground,
                                      const std::vector<OutlinePolygon>& outline) {
  BuildingAttributes a;
  const std::vector<RoofFace> faces = roof_faces(input, result);
  a.ground = ground_height(input, ground);
  a.roof_heights = roof_heights(input);
  a.shape = roof_shape(faces, a.ground.height);
  if (!outline.empty()) {
    a.shape.footprint_area = outline_area(outline);
    a.shape.volume = outline_volume(faces, outline, a.ground.height);
  }
  a.rmse = model_rmse(input, faces);
  a.roof_type = roof_type(faces);
  for (std::size_t i = 0; i < input.roof.size(); ++i) a.roof_points += input.roof[i] != 0;
  return a;
}

}  // namespace roofplanes
