#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "planes/hough_levels.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// The unit normal of one (tilt, pan) direction of the Hough grid, as the
// products (cos t · cos p, cos t · sin p, sin t).
struct HoughDirection {
  double nx, ny, nz;
};

// n · p, grouped as C++ groups the written sum: ((nx · x + ny · y) + nz · z).
// The vote and the rebuild of the winning cell both use it, so a point is
// listed exactly where it voted.
inline double normal_distance(const HoughDirection& n, double x, double y, double z) {
  return n.nx * x + n.ny * y + n.nz * z;
}

// The directions of the grid of tilt and pan levels (as hough_levels makes
// them), row by row: tilt outer, pan inner.
std::vector<HoughDirection> hough_directions(const std::vector<double>& tilt_levels,
                                             const std::vector<std::vector<double>>& pan_levels);

// Points as separate coordinate arrays of count entries each.
struct HoughPoints {
  const double* x = nullptr;
  const double* y = nullptr;
  const double* z = nullptr;
  std::size_t count = 0;
};

// Copies the coordinates of points into x, y and z (points.size() each), so
// that a loop over them reads arrays instead of following handles.
void copy_coordinates(std::span<const Vertex_handle> points, double* x, double* y, double* z);

// The instruction sets the vote loop is compiled for. Both give the same
// counts, bit for bit: every step is one exact IEEE operation (no contraction
// into fused multiply-adds), only the width of a step differs.
enum class VoteKernel { sse2, avx2 };

// Whether this processor can run the kernel.
bool vote_kernel_available(VoteKernel kernel);

// The kernel to use: ROOFPLANES_VOTE_KERNEL=sse2 or avx2 forces one (avx2
// only where the processor has it), otherwise the widest available. Read once.
VoteKernel default_vote_kernel();

// The s level of every point in one direction: k[p] = hough_s_level(n · p).
void hough_point_levels(const HoughDirection& direction, const HoughPoints& points,
                        const HoughDistanceLevels& levels, std::int32_t* k, VoteKernel kernel);

// Adds the vote of each listed vertex's point in every direction of
// directions[0, direction_count) to that direction's row of counts (row d
// starts at counts + d · levels.count), or takes it away when subtract is set.
// The points go in tiles whose coordinates are copied once and then stay in
// cache while every direction passes over them; within a tile the directions
// are spread over the threads of the calling task arena, each row counted by
// one thread alone, so the counts are the same for any number of threads.
void vote_grid(const VertexList& vertices, const HoughDirection* directions, std::size_t direction_count,
               std::uint32_t* counts, const HoughDistanceLevels& levels, bool subtract, VoteKernel kernel);

// The same for the rows rows[0, row_count) only, each in its own grid: row d
// starts at counts + d · stride and is counted in the levels
// grids[row_grid[d]] (at most stride of them).
void vote_rows(std::span<const Vertex_handle> vertices, const HoughDirection* directions, const std::size_t* rows,
               std::size_t row_count, std::uint32_t* counts, std::size_t stride, const HoughDistanceLevels* grids,
               const std::uint32_t* row_grid, bool subtract, VoteKernel kernel);

// The largest count of one row, how many of its cells hold it, and the first
// of them; an empty row has largest 0 and no cell.
struct RowPeak {
  std::uint32_t largest = 0;
  std::size_t cells = 0;
  std::size_t first = 0;
};

// The peak of the cells counts[begin, end): the largest count, visiting the
// cells in ascending order.
RowPeak row_peak(const std::uint32_t* counts, std::size_t begin, std::size_t end);

// Counts one direction's votes into row (levels.count cells, all 0 on entry)
// and returns the row's peak, as row_peak over the whole row would find it;
// then sets the touched cells, and only those, back to 0, so one row serves
// every direction at a cost that follows the points, not the levels. k is
// scratch for points.count levels.
RowPeak count_row_peak(const HoughPoints& points, const HoughDirection& direction, std::uint32_t* row,
                       std::int32_t* k, const HoughDistanceLevels& levels, VoteKernel kernel);

}  // namespace roofplanes
