#include "planes/hough_bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace roofplanes {

PointBins bin_points(std::span<const Vertex_handle> points, std::size_t points_per_bin) {
  PointBins bins;
  bins.points = points.size();
  if (points.empty()) return bins;
  constexpr double inf = std::numeric_limits<double>::infinity();
  double min_x = inf, min_y = inf, max_x = -inf, max_y = -inf, reach = 0.0;
  for (const Vertex_handle& v : points) {
    const Point3& p = v->point();
    min_x = std::min(min_x, p.x());
    max_x = std::max(max_x, p.x());
    min_y = std::min(min_y, p.y());
    max_y = std::max(max_y, p.y());
    reach = std::max({reach, std::fabs(p.x()), std::fabs(p.y()), std::fabs(p.z())});
  }
  // A vote's n · p and the box's projection both round by a few units in the
  // last place of the coordinates' size: a margin a million times that.
  bins.slack = 1e-9 * (reach + 1.0);

  const double width = max_x - min_x, depth = max_y - min_y;
  const double wanted = std::max<double>(1.0, static_cast<double>(points.size()) / static_cast<double>(points_per_bin));
  double side = std::sqrt(std::max(width * depth, 0.0) / wanted);
  if (!(side > 0.0)) side = std::max({width, depth, 1.0});
  // At most about wanted columns whatever the shape (a line of points, say).
  const auto columns_along = [&](double extent) {
    return std::min<std::size_t>(static_cast<std::size_t>(extent / side) + 1, static_cast<std::size_t>(wanted) + 1);
  };
  const std::size_t nx = columns_along(width), ny = columns_along(depth);
  const double step_x = width > 0.0 ? static_cast<double>(nx) / width : 0.0;
  const double step_y = depth > 0.0 ? static_cast<double>(ny) / depth : 0.0;

  struct Box {
    double lo[3] = {inf, inf, inf}, hi[3] = {-inf, -inf, -inf};
    std::uint32_t count = 0;
  };
  std::vector<Box> boxes(nx * ny);
  for (const Vertex_handle& v : points) {
    const Point3& p = v->point();
    const std::size_t i = std::min(static_cast<std::size_t>((p.x() - min_x) * step_x), nx - 1);
    const std::size_t j = std::min(static_cast<std::size_t>((p.y() - min_y) * step_y), ny - 1);
    Box& box = boxes[j * nx + i];
    const double c[3] = {p.x(), p.y(), p.z()};
    for (int a = 0; a < 3; ++a) {
      box.lo[a] = std::min(box.lo[a], c[a]);
      box.hi[a] = std::max(box.hi[a], c[a]);
    }
    ++box.count;
  }
  for (const Box& box : boxes) {
    if (box.count == 0) continue;
    bins.cx.push_back((box.lo[0] + box.hi[0]) / 2);
    bins.cy.push_back((box.lo[1] + box.hi[1]) / 2);
    bins.cz.push_back((box.lo[2] + box.hi[2]) / 2);
    bins.hx.push_back((box.hi[0] - box.lo[0]) / 2);
    bins.hy.push_back((box.hi[1] - box.lo[1]) / 2);
    bins.hz.push_back((box.hi[2] - box.lo[2]) / 2);
    bins.count.push_back(box.count);
  }
  return bins;
}

namespace {

// The first and last level every box's projection touches. Compiled for
// AVX2 too, chosen at run time: the loop is its arithmetic alone.
[[gnu::target_clones("avx2", "default")]] void box_levels(const PointBins& bins, const HoughDirection& n,
                                                         const HoughDistanceLevels& levels, std::int32_t* first,
                                                         std::int32_t* last) {
  const double ax = std::fabs(n.nx), ay = std::fabs(n.ny), az = std::fabs(n.nz);
  const double reciprocal = 1.0 / levels.resolution;
  const double last_level = static_cast<double>(levels.count - 1);
  const double min_s = levels.min_s, slack = bins.slack;
  const double* const cx = bins.cx.data();
  const double* const cy = bins.cy.data();
  const double* const cz = bins.cz.data();
  const double* const hx = bins.hx.data();
  const double* const hy = bins.hy.data();
  const double* const hz = bins.hz.data();
  const std::size_t boxes = bins.count.size();
  for (std::size_t b = 0; b < boxes; ++b) {
    const double centre = ((n.nx * cx[b] + n.ny * cy[b]) + n.nz * cz[b] - min_s) * reciprocal;
    const double radius = (((ax * hx[b] + ay * hy[b]) + az * hz[b]) + slack) * reciprocal;
    double low = centre - radius;
    double high = centre + radius;
    low = low > 0.0 ? low : 0.0;
    low = low < last_level ? low : last_level;
    high = high > 0.0 ? high : 0.0;
    high = high < last_level ? high : last_level;
    first[b] = static_cast<std::int32_t>(low);
    last[b] = static_cast<std::int32_t>(high);
  }
}

}  // namespace

std::uint32_t bound_row(const PointBins& bins, const HoughDirection& n, const HoughDistanceLevels& levels,
                        std::uint32_t* row) {
  // Differences first (a box adds at its first level and takes away after its
  // last), then summed up. Levels only grow with s, and the slack is far wider
  // than what a product with the reciprocal (in place of the division of
  // hough_s_level) moves a level's edge, so every point whose vote lands in
  // a level lies between the two levels found for its box.
  // The levels of every box first, in a loop the compiler vectorises.
  const std::size_t boxes = bins.count.size();
  std::vector<std::int32_t> first(boxes), last(boxes);
  box_levels(bins, n, levels, first.data(), last.data());
  // Four interleaved difference arrays: boxes next to each other tend to hit
  // the same level, and an addition then rarely waits for the one before it.
  constexpr std::size_t lanes = 4;
  std::vector<std::uint32_t> difference((levels.count + 1) * lanes, 0u);
  for (std::size_t b = 0; b < boxes; ++b) {
    const std::size_t lane = b % lanes;
    difference[static_cast<std::size_t>(first[b]) * lanes + lane] += bins.count[b];
    difference[(static_cast<std::size_t>(last[b]) + 1) * lanes + lane] -= bins.count[b];  // wraps; the sums come right
  }
  std::uint32_t running = 0, largest = 0;
  for (std::size_t level = 0; level < levels.count; ++level) {
    const std::uint32_t* const d = difference.data() + level * lanes;
    running += (d[0] + d[1]) + (d[2] + d[3]);
    row[level] = running;
    largest = std::max(largest, running);
  }
  return largest;
}

}  // namespace roofplanes
