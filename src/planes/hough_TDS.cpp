#include "planes/hough_TDS.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <vector>

#include "planes/hough_accumulator.h"
#include "planes/hough_levels.h"
#include "planes/max_roof_distance.h"

namespace roofplanes {

namespace {

constexpr double pi = 3.141592653589793;

// The unit normal of one (tilt, pan) cell row, as the products
// (cos t · cos p, cos t · sin p, sin t), so that every n · p is evaluated
// exactly as ((cos t · cos p) · x + (cos t · sin p) · y) + sin t · z.
struct HoughDirection {
  double nx, ny, nz;
};

// Roof points in vertex iteration order: coordinates in separate arrays for
// the vote loop, with their handles for rebuilding the winning cell.
struct RoofPoints {
  std::vector<double> x, y, z;
  VertexList vertices;
};

RoofPoints gather_roof_points(const PointTriangulation& triangulation) {
  // Counted first so that each array is allocated once, at its final size.
  std::size_t count = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    if (v->info().is_roof()) ++count;
  RoofPoints points;
  points.x.reserve(count);
  points.y.reserve(count);
  points.z.reserve(count);
  points.vertices.reserve(count);
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    const Point3& p = v->point();
    points.x.push_back(p.x());
    points.y.push_back(p.y());
    points.z.push_back(p.z());
    points.vertices.push_back(v);
  }
  return points;
}

// n · p, grouped as C++ groups the written sum: ((nx · x + ny · y) + nz · z).
// The vote and the rebuild of the winning cell both use it, so a point is
// listed exactly where it voted.
inline double normal_distance(const HoughDirection& n, double x, double y, double z) {
  return n.nx * x + n.ny * y + n.nz * z;
}

// Adds each roof point's vote in every direction to that direction's count
// row. The points go in tiles that stay in cache while all directions pass
// over them. Within a tile a direction first computes every level (a loop the
// compiler vectorises), then counts them. Points next to each other in scan
// order tend to hit the same level, so the counting goes to four interleaved
// sub-counts per level: an increment then rarely waits for the one before it.
void vote(const RoofPoints& points, const std::vector<HoughDirection>& directions,
          const std::vector<std::uint64_t*>& rows, const HoughDistanceLevels& levels) {
  constexpr std::size_t tile_size = 8192;
  constexpr std::size_t lanes = 4;
  const std::size_t n = points.vertices.size();
  std::vector<std::int32_t> tile_levels(tile_size);
  std::vector<std::uint32_t> lane_counts(levels.count * lanes, 0);
  std::int32_t* const k = tile_levels.data();
  std::uint32_t* const lc = lane_counts.data();
  for (std::size_t start = 0; start < n; start += tile_size) {
    const std::size_t count = std::min(tile_size, n - start);
    const double* const x = points.x.data() + start;
    const double* const y = points.y.data() + start;
    const double* const z = points.z.data() + start;
    for (std::size_t d = 0; d < directions.size(); ++d) {
      const HoughDirection direction = directions[d];
      for (std::size_t p = 0; p < count; ++p)
        k[p] = hough_s_level(normal_distance(direction, x[p], y[p], z[p]), levels);

      std::size_t p = 0;
      for (; p + lanes <= count; p += lanes) {
        ++lc[static_cast<std::size_t>(k[p]) * lanes];
        ++lc[static_cast<std::size_t>(k[p + 1]) * lanes + 1];
        ++lc[static_cast<std::size_t>(k[p + 2]) * lanes + 2];
        ++lc[static_cast<std::size_t>(k[p + 3]) * lanes + 3];
      }
      for (; p < count; ++p) ++lc[static_cast<std::size_t>(k[p]) * lanes];

      std::uint64_t* const row = rows[d];
      for (std::size_t level = 0; level < levels.count; ++level) {
        std::uint32_t* const sub = lc + level * lanes;
        row[level] += std::uint64_t{sub[0]} + sub[1] + sub[2] + sub[3];
        sub[0] = sub[1] = sub[2] = sub[3] = 0;
      }
    }
  }
}

}  // namespace

PlaneParams hough_TDS(const PointTriangulation& triangulation, VertexList& output, double angle_resolution,
                      double s_resolution, Report& report) {
  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, angle_resolution);

  const double max_distance = max_roof_distance(triangulation, report);
  const double min_s = -max_distance;
  const double max_s = max_distance + 0.001;
  const std::size_t s_count = round_half_down((max_s - min_s) / s_resolution);
  s_resolution = (max_s - min_s) / static_cast<double>(s_count);

  report.log_text("tilt_levels ", tilt_levels.size());
  report.log_text("s_levels ", static_cast<double>(s_count));
  report.log_text("min_s ", min_s);
  report.log_text("max_s ", max_s);
  report.log_text("s_resolution ", s_resolution);

  HoughAccumulator accumulator(tilt_levels.size());
  std::vector<HoughDirection> directions;  // row by row, tilt outer, pan inner
  std::vector<std::uint64_t*> rows;
  std::vector<std::size_t> first_direction(tilt_levels.size());
  for (std::size_t i = 0; i < tilt_levels.size(); ++i) {
    first_direction[i] = directions.size();
    accumulator[i].resize(pan_levels[i].size());
    const double cos_tilt = std::cos(tilt_levels[i]);
    const double sin_tilt = std::sin(tilt_levels[i]);
    for (std::size_t j = 0; j < pan_levels[i].size(); ++j) {
      accumulator[i][j].assign(s_count, 0);
      directions.push_back({cos_tilt * std::cos(pan_levels[i][j]), cos_tilt * std::sin(pan_levels[i][j]), sin_tilt});
      rows.push_back(accumulator[i][j].data());
    }
  }

  const RoofPoints points = gather_roof_points(triangulation);
  const HoughDistanceLevels levels{min_s, s_resolution, s_count};
  std::uint64_t votes = 0;
  if (s_count > 0) {
    vote(points, directions, rows, levels);
    // With at least one level every vote lands in one.
    votes = static_cast<std::uint64_t>(directions.size()) * points.vertices.size();
  }
  report.log_line(votes, " plane equations solved");

  std::vector<unsigned> pan_indices, tilt_indices, s_indices;
  hough_peaks_TDS(accumulator, pan_indices, tilt_indices, s_indices, report);
  if (pan_indices.size() == 1) {
    report.log_line("Found a unique maximum!");
  } else {
    report.log_line("No maximum or ambiguous maximum! ");
    report.log_line("No of maximums: ", pan_indices.size(), " Returning the first maximum.");
  }

  output.clear();
  if (pan_indices.empty()) return {0.0, 0.0, 0.0};

  const unsigned ti = tilt_indices[0], pj = pan_indices[0];
  const std::int32_t sk = static_cast<std::int32_t>(s_indices[0]);
  const double tilt = tilt_levels[ti];
  const double pan = pan_levels[ti][pj];
  report.log_line("maximum at tilt = ", (tilt * 180) / pi);
  report.log_line("maximum at pan = ", (pan * 180) / pi);

  // Rebuild the winning cell's list: the points whose level in the winning
  // direction is the winning one, in iteration order, i.e. in voting order.
  const HoughDirection winner = directions[first_direction[ti] + pj];
  const std::uint64_t winner_votes = accumulator[ti][pj][s_indices[0]];
  const double list_size = static_cast<double>(winner_votes);
  output.reserve(winner_votes);
  double s = 0.0;
  for (std::size_t p = 0; p < points.vertices.size(); ++p) {
    const double distance = normal_distance(winner, points.x[p], points.y[p], points.z[p]);
    if (hough_s_level(distance, levels) != sk) continue;
    output.push_back(points.vertices[p]);
    s += distance / list_size;
  }
  assert(output.size() == winner_votes);
  report.log_line("maximum at s = ", s);
  return {pan, tilt, s};
}

}  // namespace roofplanes
