#include "planes/hough_vote.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include "planes/parallel_rows.h"

namespace roofplanes {

namespace {

// Points per tile: a tile's coordinates and levels stay in cache while every
// direction of a task passes over them.
constexpr std::size_t tile_size = 8192;

// The level loop, written once and compiled twice below. Each line is the
// computation of hough_s_level, so the compiler vectorises it the same way for
// either width and the results are the same.
[[gnu::always_inline]] inline void level_loop(const HoughDirection n, const double* __restrict x,
                                              const double* __restrict y, const double* __restrict z,
                                              std::size_t count, const double min_s, const double resolution,
                                              const double last, std::int32_t* __restrict k) {
  for (std::size_t p = 0; p < count; ++p) {
    double q = ((n.nx * x[p] + n.ny * y[p]) + n.nz * z[p] - min_s) / resolution;
    q = q > 0.0 ? q : 0.0;
    q = q < last ? q : last;
    k[p] = static_cast<std::int32_t>(q);
  }
}

void levels_sse2(const HoughDirection n, const double* x, const double* y, const double* z, std::size_t count,
                 double min_s, double resolution, double last, std::int32_t* k) {
  level_loop(n, x, y, z, count, min_s, resolution, last, k);
}

[[gnu::target("avx2")]] void levels_avx2(const HoughDirection n, const double* x, const double* y,
                                          const double* z, std::size_t count, double min_s, double resolution,
                                          double last, std::int32_t* k) {
  level_loop(n, x, y, z, count, min_s, resolution, last, k);
}

void tile_levels(const HoughDirection& n, const double* x, const double* y, const double* z, std::size_t count,
                 const HoughDistanceLevels& levels, std::int32_t* k, VoteKernel kernel) {
  const double last = static_cast<double>(levels.count - 1);
  if (kernel == VoteKernel::avx2)
    levels_avx2(n, x, y, z, count, levels.min_s, levels.resolution, last, k);
  else
    levels_sse2(n, x, y, z, count, levels.min_s, levels.resolution, last, k);
}

VoteKernel kernel_from_environment() {
  const bool avx2 = vote_kernel_available(VoteKernel::avx2);
  if (const char* forced = std::getenv("ROOFPLANES_VOTE_KERNEL")) {
    if (std::string_view(forced) == "sse2") return VoteKernel::sse2;
    if (std::string_view(forced) == "avx2" && avx2) return VoteKernel::avx2;
  }
  return avx2 ? VoteKernel::avx2 : VoteKernel::sse2;
}

// Counting space of one thread: a tile's levels and four interleaved
// sub-counts per level.
struct VoteScratch {
  std::vector<std::int32_t> levels;
  std::vector<std::uint32_t> lane_counts;
};

// Which rows to count and in which grid: rows[i] is the i-th direction to
// count (all directions in order when rows is null), row d starts at
// counts + d · stride and is counted in grids[row_grid[d]] (grids[0] when
// row_grid is null).
struct RowSelection {
  const std::size_t* rows;
  std::uint32_t* counts;
  std::size_t stride;
  const HoughDistanceLevels* grids;
  const std::uint32_t* row_grid;
};

// The votes of one tile in the selected rows [first, last). Points next to
// each other in scan order tend to hit the same level, so the counting goes to
// four interleaved sub-counts per level: an increment then rarely waits for
// the one before it.
void vote_tile(const HoughPoints& tile, const HoughDirection* directions, const RowSelection& selection,
               std::size_t first, std::size_t last, bool subtract, VoteKernel kernel, VoteScratch& scratch) {
  constexpr std::size_t lanes = 4;
  scratch.levels.resize(tile_size);
  scratch.lane_counts.resize(selection.stride * lanes, 0);
  std::int32_t* const k = scratch.levels.data();
  std::uint32_t* const lc = scratch.lane_counts.data();
  const std::size_t count = tile.count;
  for (std::size_t i = first; i < last; ++i) {
    const std::size_t d = selection.rows != nullptr ? selection.rows[i] : i;
    const HoughDistanceLevels& levels =
        selection.grids[selection.row_grid != nullptr ? selection.row_grid[d] : 0];
    tile_levels(directions[d], tile.x, tile.y, tile.z, count, levels, k, kernel);
    std::size_t p = 0;
    for (; p + lanes <= count; p += lanes) {
      ++lc[static_cast<std::size_t>(k[p]) * lanes];
      ++lc[static_cast<std::size_t>(k[p + 1]) * lanes + 1];
      ++lc[static_cast<std::size_t>(k[p + 2]) * lanes + 2];
      ++lc[static_cast<std::size_t>(k[p + 3]) * lanes + 3];
    }
    for (; p < count; ++p) ++lc[static_cast<std::size_t>(k[p]) * lanes];

    std::uint32_t* const row = selection.counts + d * selection.stride;
    for (std::size_t level = 0; level < levels.count; ++level) {
      std::uint32_t* const sub = lc + level * lanes;
      const std::uint32_t sum = sub[0] + sub[1] + sub[2] + sub[3];
      row[level] = subtract ? row[level] - sum : row[level] + sum;
      sub[0] = sub[1] = sub[2] = sub[3] = 0;
    }
  }
}

// The points go in tiles whose coordinates are copied once and then stay in
// cache while every selected row passes over them; within a tile the rows
// are spread over the threads of the calling task arena, each row counted by
// one thread alone.
void vote_selected(std::span<const Vertex_handle> vertices, const HoughDirection* directions, std::size_t row_count,
                   const RowSelection& selection, bool subtract, VoteKernel kernel) {
  if (row_count == 0 || vertices.empty()) return;
  std::vector<double> x(tile_size), y(tile_size), z(tile_size);
  tbb::enumerable_thread_specific<VoteScratch> scratch;
  for (std::size_t start = 0; start < vertices.size(); start += tile_size) {
    const std::size_t count = std::min(tile_size, vertices.size() - start);
    copy_coordinates(vertices.subspan(start, count), x.data(), y.data(), z.data());
    const HoughPoints tile{x.data(), y.data(), z.data(), count};
    // Blocks of rows small enough to keep both cores busy to the end of the
    // tile, large enough to pay for their scheduling; all on this thread when
    // the whole call is small.
    constexpr std::size_t grain = 64;
    parallel_rows(0, row_count, grain, static_cast<double>(vertices.size()) * static_cast<double>(row_count),
                  [&](const tbb::blocked_range<std::size_t>& block) {
                    vote_tile(tile, directions, selection, block.begin(), block.end(), subtract, kernel,
                              scratch.local());
                  });
  }
}

}  // namespace

std::vector<HoughDirection> hough_directions(const std::vector<double>& tilt_levels,
                                             const std::vector<std::vector<double>>& pan_levels) {
  std::vector<HoughDirection> directions;
  for (std::size_t i = 0; i < tilt_levels.size(); ++i) {
    const double cos_tilt = std::cos(tilt_levels[i]);
    const double sin_tilt = std::sin(tilt_levels[i]);
    for (const double pan : pan_levels[i])
      directions.push_back({cos_tilt * std::cos(pan), cos_tilt * std::sin(pan), sin_tilt});
  }
  return directions;
}

void copy_coordinates(std::span<const Vertex_handle> points, double* x, double* y, double* z) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point3& p = points[i]->point();
    x[i] = p.x();
    y[i] = p.y();
    z[i] = p.z();
  }
}

bool vote_kernel_available(VoteKernel kernel) {
  return kernel == VoteKernel::sse2 || __builtin_cpu_supports("avx2");
}

VoteKernel default_vote_kernel() {
  static const VoteKernel kernel = kernel_from_environment();
  return kernel;
}

void hough_point_levels(const HoughDirection& direction, const HoughPoints& points,
                        const HoughDistanceLevels& levels, std::int32_t* k, VoteKernel kernel) {
  tile_levels(direction, points.x, points.y, points.z, points.count, levels, k, kernel);
}

void vote_grid(const VertexList& vertices, const HoughDirection* directions, std::size_t direction_count,
               std::uint32_t* counts, const HoughDistanceLevels& levels, bool subtract, VoteKernel kernel) {
  if (levels.count == 0) return;
  vote_selected(vertices, directions, direction_count, {nullptr, counts, levels.count, &levels, nullptr}, subtract,
                kernel);
}

void vote_rows(std::span<const Vertex_handle> vertices, const HoughDirection* directions, const std::size_t* rows,
               std::size_t row_count, std::uint32_t* counts, std::size_t stride, const HoughDistanceLevels* grids,
               const std::uint32_t* row_grid, bool subtract, VoteKernel kernel) {
  vote_selected(vertices, directions, row_count, {rows, counts, stride, grids, row_grid}, subtract, kernel);
}

RowPeak row_peak(const std::uint32_t* counts, std::size_t begin, std::size_t end) {
  RowPeak peak;
  for (std::size_t level = begin; level < end; ++level) {
    const std::uint32_t count = counts[level];
    if (count > peak.largest || peak.cells == 0) {
      peak = {count, 1, level};
    } else if (count == peak.largest) {
      ++peak.cells;
    }
  }
  return peak;
}

RowPeak count_row_peak(const HoughPoints& points, const HoughDirection& direction, std::uint32_t* row,
                       std::int32_t* k, const HoughDistanceLevels& levels, VoteKernel kernel) {
  // Without a point every cell holds 0: all of them share the peak.
  if (points.count == 0) return {0, levels.count, 0};
  tile_levels(direction, points.x, points.y, points.z, points.count, levels, k, kernel);
  for (std::size_t p = 0; p < points.count; ++p) ++row[k[p]];
  // Every untouched cell holds 0, below a peak of at least one vote. Each
  // touched cell is met once (it is cleared when met), and the first cell of
  // the peak is the lowest level holding it.
  RowPeak peak;
  for (std::size_t p = 0; p < points.count; ++p) {
    const std::size_t level = static_cast<std::size_t>(k[p]);
    const std::uint32_t count = row[level];
    if (count == 0) continue;
    row[level] = 0;
    if (count > peak.largest) {
      peak = {count, 1, level};
    } else if (count == peak.largest) {
      ++peak.cells;
      if (level < peak.first) peak.first = level;
    }
  }
  return peak;
}

}  // namespace roofplanes
