#include "planes/hough_peaks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "planes/hough_levels.h"

namespace roofplanes {
namespace {

struct Direction {
  double nx, ny, nz;
};

struct Cell {
  std::uint32_t votes;
  std::uint32_t direction;
  std::uint32_t level;
};

}  // namespace

std::vector<PlaneCandidate> hough_peaks(const PointTriangulation& triangulation, double angle_resolution,
                                        double distance_resolution, std::size_t count, std::size_t max_voters) {
  std::vector<double> x, y, z;
  std::size_t roof = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    roof += v->info().is_roof() ? 1 : 0;
  if (roof < 3 || count == 0) return {};
  const std::size_t step = max_voters == 0 || roof <= max_voters ? 1 : (roof + max_voters - 1) / max_voters;
  double reach = 0.0;
  std::size_t k = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    const Point3& p = v->point();
    reach = std::max(reach, std::sqrt(p.x() * p.x() + p.y() * p.y() + p.z() * p.z()));
    if (k++ % step != 0) continue;
    x.push_back(p.x());
    y.push_back(p.y());
    z.push_back(p.z());
  }

  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  double resolution = angle_resolution;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, resolution);
  std::vector<Direction> directions;
  for (std::size_t i = 0; i < tilt_levels.size(); ++i)
    for (const double pan : pan_levels[i])
      directions.push_back({std::cos(tilt_levels[i]) * std::cos(pan), std::cos(tilt_levels[i]) * std::sin(pan),
                            std::sin(tilt_levels[i])});

  const double min_s = -reach - distance_resolution;
  const std::size_t levels =
      static_cast<std::size_t>(std::ceil(2.0 * (reach + distance_resolution) / distance_resolution));
  const HoughDistanceLevels grid{min_s, distance_resolution, std::max<std::size_t>(levels, 1)};
  // The cells that hold at least floor votes, in direction then level order,
  // and the best cell's votes. A grid that fits the budget is counted whole;
  // a larger one (roof points far apart for the distance cell) row by row from
  // each direction's sorted levels, which gives the same cells in the same
  // order without the grid.
  constexpr std::size_t kDenseCells = std::size_t{1} << 24;  // 64 MB of counts
  std::vector<Cell> cells;
  std::uint32_t best = 0;
  if (directions.size() * grid.count <= kDenseCells) {
    std::vector<std::uint32_t> votes(directions.size() * grid.count, 0);
    for (std::size_t d = 0; d < directions.size(); ++d) {
      std::uint32_t* const row = votes.data() + d * grid.count;
      const Direction n = directions[d];
      for (std::size_t p = 0; p < x.size(); ++p) ++row[hough_s_level(n.nx * x[p] + n.ny * y[p] + n.nz * z[p], grid)];
    }
    // A cell with fewer than three votes holds no plane, and one with less
    // than a quarter of the best cell's votes is no rival for this pass: a
    // later pass finds it when it leads.
    best = *std::max_element(votes.begin(), votes.end());
    const std::uint32_t floor = std::max<std::uint32_t>(3, best / 4);
    for (std::size_t i = 0; i < votes.size(); ++i)
      if (votes[i] >= floor)
        cells.push_back(
            {votes[i], static_cast<std::uint32_t>(i / grid.count), static_cast<std::uint32_t>(i % grid.count)});
  } else {
    std::vector<std::int32_t> row(x.size());
    const auto each_cell = [&](const auto& visit) {
      for (std::size_t d = 0; d < directions.size(); ++d) {
        const Direction n = directions[d];
        for (std::size_t p = 0; p < x.size(); ++p) row[p] = hough_s_level(n.nx * x[p] + n.ny * y[p] + n.nz * z[p], grid);
        std::sort(row.begin(), row.end());
        for (std::size_t i = 0; i < row.size();) {
          std::size_t j = i;
          while (j < row.size() && row[j] == row[i]) ++j;
          visit(static_cast<std::uint32_t>(j - i), static_cast<std::uint32_t>(d), static_cast<std::uint32_t>(row[i]));
          i = j;
        }
      }
    };
    each_cell([&](std::uint32_t votes, std::uint32_t, std::uint32_t) { best = std::max(best, votes); });
    const std::uint32_t floor = std::max<std::uint32_t>(3, best / 4);
    each_cell([&](std::uint32_t votes, std::uint32_t direction, std::uint32_t level) {
      if (votes >= floor) cells.push_back({votes, direction, level});
    });
  }
  const auto better = [](const Cell& a, const Cell& b) {
    if (a.votes != b.votes) return a.votes > b.votes;
    if (a.direction != b.direction) return a.direction < b.direction;
    return a.level < b.level;
  };
  std::sort(cells.begin(), cells.end(), better);

  // A cell is the same plane as a better one when its direction is near and
  // it passes near the centre of the better cell's voters.
  const double cos_apart = std::cos(3.0 * resolution * 3.141592653589793 / 180.0);
  std::vector<PlaneCandidate> peaks;
  std::vector<std::array<double, 3>> centres;
  for (const Cell& cell : cells) {
    if (peaks.size() == count) break;
    const Direction n = directions[cell.direction];
    const double s = min_s + (static_cast<double>(cell.level) + 0.5) * distance_resolution;
    bool same = false;
    for (std::size_t k = 0; k < peaks.size() && !same; ++k) {
      const PlaneCandidate& q = peaks[k];
      const std::array<double, 3>& c = centres[k];
      same = n.nx * q.nx + n.ny * q.ny + n.nz * q.nz > cos_apart &&
             std::fabs(n.nx * c[0] + n.ny * c[1] + n.nz * c[2] - s) <= 2.0 * distance_resolution;
    }
    if (same) continue;
    peaks.push_back({n.nx, n.ny, n.nz, s, 0.5 * distance_resolution, cell.votes * step});
    std::array<double, 3> centre{0.0, 0.0, 0.0};
    for (std::size_t p = 0; p < x.size(); ++p) {
      if (hough_s_level(n.nx * x[p] + n.ny * y[p] + n.nz * z[p], grid) != static_cast<std::int32_t>(cell.level))
        continue;
      centre[0] += x[p] / cell.votes;
      centre[1] += y[p] / cell.votes;
      centre[2] += z[p] / cell.votes;
    }
    centres.push_back(centre);
  }
  return peaks;
}

VertexList candidate_points(const PointTriangulation& triangulation, const PlaneCandidate& candidate) {
  VertexList points;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    const Point3& p = v->point();
    if (std::fabs(candidate.nx * p.x() + candidate.ny * p.y() + candidate.nz * p.z() - candidate.s) <=
        candidate.half_width)
      points.push_back(v);
  }
  return points;
}

}  // namespace roofplanes
