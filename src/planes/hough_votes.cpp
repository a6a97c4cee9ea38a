#include "planes/hough_votes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace roofplanes {
namespace {

struct Cell {
  std::uint32_t votes;
  std::uint32_t direction;
  std::uint32_t level;
};

// Up to this many cells are held and counted (64 MB of counts); more (roof
// points far apart for the distance level) are counted from each
// direction's sorted levels when peaks are asked for.
constexpr std::size_t kDenseCells = std::size_t{1} << 24;

std::int32_t level_of(const HoughVotes& votes, const HoughVotes::Direction& n, std::size_t voter) {
  return hough_s_level(n.nx * votes.x[voter] + n.ny * votes.y[voter] + n.nz * votes.z[voter], votes.grid);
}

// The levels (hough_s_level) of points (x, y, z)[0, n) in direction n, into
// level: written out in one plain loop the compiler can vectorise.
[[gnu::target_clones("avx2", "default")]] void levels_in(const HoughVotes::Direction& direction, const double* x,
                                                        const double* y, const double* z, std::size_t n,
                                                        const HoughDistanceLevels& grid, std::int32_t* level) {
  const double min_s = grid.min_s, resolution = grid.resolution;
  const double last = static_cast<double>(grid.count - 1);
  for (std::size_t k = 0; k < n; ++k) {
    double q = (direction.nx * x[k] + direction.ny * y[k] + direction.nz * z[k] - min_s) / resolution;
    q = q > 0.0 ? q : 0.0;
    q = q < last ? q : last;
    level[k] = static_cast<std::int32_t>(q);
  }
}

// The largest of the counts [first, last); 0 when empty. Baseline x86-64 has
// no unsigned 32-bit max, so the plain build emulates it, four times slower.
[[gnu::target_clones("avx2", "default")]] std::uint32_t largest_count(const std::uint32_t* first,
                                                                     const std::uint32_t* last) {
  std::uint32_t largest = 0;
  for (; first != last; ++first) largest = std::max(largest, *first);
  return largest;
}

// Counts the listed voters in every direction into the zeroed counts, four
// directions' rows at a time, and sets each row's bound. The voters' points
// are gathered first, so that levels_in reads them in order.
void count_voters(HoughVotes& votes, const std::vector<std::size_t>& voters) {
  const std::size_t n = voters.size();
  std::vector<double> x(n), y(n), z(n);
  for (std::size_t k = 0; k < n; ++k) {
    x[k] = votes.x[voters[k]];
    y[k] = votes.y[voters[k]];
    z[k] = votes.z[voters[k]];
  }
  // Four rows at a time: neighbouring voters of a face share a level, and an
  // addition to a count waits for the one before it to the same count; the
  // four rows' additions, interleaved, wait in parallel.
  constexpr std::size_t block = 4;
  std::vector<std::int32_t> levels(block * n);
  const std::size_t directions = votes.directions.size();
  for (std::size_t d0 = 0; d0 < directions; d0 += block) {
    const std::size_t rows = std::min(block, directions - d0);
    std::uint32_t* row[block];
    std::int32_t* level[block];
    for (std::size_t b = 0; b < block; ++b) {
      level[b] = levels.data() + b * n;
      if (b >= rows) continue;  // the last block may be short
      const std::size_t d = d0 + b;
      row[b] = votes.counts.data() + votes.row_start[d] - votes.rows[d].first;
      levels_in(votes.directions[d], x.data(), y.data(), z.data(), n, votes.grid, level[b]);
    }
    if (rows == block) {
      for (std::size_t k = 0; k < n; ++k) {
        ++row[0][level[0][k]];
        ++row[1][level[1][k]];
        ++row[2][level[2][k]];
        ++row[3][level[3][k]];
      }
    } else {
      for (std::size_t b = 0; b < rows; ++b)
        for (std::size_t k = 0; k < n; ++k) ++row[b][level[b][k]];
    }
    // Withdrawn votes leave the row's largest count a bound from above.
    for (std::size_t b = 0; b < rows; ++b) {
      const std::size_t d = d0 + b;
      votes.row_bound[d] = largest_count(row[b] + votes.rows[d].first, row[b] + votes.rows[d].second);
    }
  }
}

// Forgets the withdrawn voters: the counts hold none of their votes.
void clear_withdrawn(HoughVotes& votes) {
  votes.withdrawn_x.clear();
  votes.withdrawn_y.clear();
  votes.withdrawn_z.clear();
  votes.applied.assign(votes.directions.size(), 0);
}

// Counts row d afresh from the free voters.
void recount_row(HoughVotes& votes, std::size_t d, std::vector<std::int32_t>& level) {
  if (votes.free_points_stale) {
    votes.free_x.clear();
    votes.free_y.clear();
    votes.free_z.clear();
    for (std::size_t p = 0; p < votes.voters.size(); ++p) {
      if (!votes.free[p]) continue;
      votes.free_x.push_back(votes.x[p]);
      votes.free_y.push_back(votes.y[p]);
      votes.free_z.push_back(votes.z[p]);
    }
    votes.free_points_stale = false;
  }
  const std::size_t n = votes.free_x.size();
  level.resize(n);
  levels_in(votes.directions[d], votes.free_x.data(), votes.free_y.data(), votes.free_z.data(), n, votes.grid,
            level.data());
  std::uint32_t* const row = votes.counts.data() + votes.row_start[d] - votes.rows[d].first;
  std::fill(row + votes.rows[d].first, row + votes.rows[d].second, 0u);
  for (std::size_t k = 0; k < n; ++k) ++row[level[k]];
}

// Takes the votes of the voters withdrawn since the row was last read out of
// row d; when more have left than remain, counting the rest afresh is the
// cheaper way to the same counts.
void apply_withdrawn(HoughVotes& votes, std::size_t d, std::vector<std::int32_t>& level) {
  const std::size_t first = votes.applied[d], end = votes.withdrawn_x.size();
  if (first == end) return;
  if (end - first > votes.free_voters) {
    recount_row(votes, d, level);
    votes.applied[d] = static_cast<std::uint32_t>(end);
    return;
  }
  level.resize(end - first);
  levels_in(votes.directions[d], votes.withdrawn_x.data() + first, votes.withdrawn_y.data() + first,
            votes.withdrawn_z.data() + first, end - first, votes.grid, level.data());
  std::uint32_t* const row = votes.counts.data() + votes.row_start[d] - votes.rows[d].first;
  for (std::size_t k = 0; k < end - first; ++k) --row[level[k]];
  votes.applied[d] = static_cast<std::uint32_t>(end);
}

// Draws the sample from the free roof points and counts it.
void draw_sample(HoughVotes& votes, const PointTriangulation& triangulation) {
  std::size_t roof = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    roof += v->info().is_roof() ? 1 : 0;
  votes.step = votes.max_voters == 0 || roof <= votes.max_voters ? 1 : (roof + votes.max_voters - 1) / votes.max_voters;
  votes.voters.clear();
  votes.x.clear();
  votes.y.clear();
  votes.z.clear();
  votes.voter_of_position.assign(triangulation.number_of_vertices(), -1);
  double reach = 0.0;
  std::size_t k = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    const Point3& p = v->point();
    reach = std::max(reach, std::sqrt(p.x() * p.x() + p.y() * p.y() + p.z() * p.z()));
    if (k++ % votes.step != 0) continue;
    votes.voter_of_position[static_cast<std::size_t>(v->info().position())] =
        static_cast<std::int32_t>(votes.voters.size());
    votes.voters.push_back(v);
    votes.x.push_back(p.x());
    votes.y.push_back(p.y());
    votes.z.push_back(p.z());
  }
  votes.free.assign(votes.voters.size(), 1);
  votes.free_voters = votes.voters.size();
  votes.free_points_stale = true;

  const double resolution = votes.distance_resolution;
  const std::size_t levels = static_cast<std::size_t>(std::ceil(2.0 * (reach + resolution) / resolution));
  votes.grid = HoughDistanceLevels{-reach - resolution, resolution, std::max<std::size_t>(levels, 1)};
  votes.counts.clear();
  votes.rows.clear();
  votes.row_start.clear();
  if (votes.voters.empty()) return;
  // Each direction's voters span only part of the levels (a level roof's
  // heights, not the building's width): the levels of the sample's bounding
  // box, one more each side for rounding, are all a row holds.
  const auto [x_low, x_high] = std::minmax_element(votes.x.begin(), votes.x.end());
  const auto [y_low, y_high] = std::minmax_element(votes.y.begin(), votes.y.end());
  const auto [z_low, z_high] = std::minmax_element(votes.z.begin(), votes.z.end());
  const double cx = 0.5 * (*x_low + *x_high), cy = 0.5 * (*y_low + *y_high), cz = 0.5 * (*z_low + *z_high);
  const double hx = 0.5 * (*x_high - *x_low), hy = 0.5 * (*y_high - *y_low), hz = 0.5 * (*z_high - *z_low);
  std::size_t cells = 0;
  for (const HoughVotes::Direction& n : votes.directions) {
    const double centre = n.nx * cx + n.ny * cy + n.nz * cz;
    const double radius = std::fabs(n.nx) * hx + std::fabs(n.ny) * hy + std::fabs(n.nz) * hz;
    const std::int32_t low = std::max<std::int32_t>(hough_s_level(centre - radius, votes.grid) - 1, 0);
    const std::int32_t high = std::min<std::int32_t>(hough_s_level(centre + radius, votes.grid) + 1,
                                                     static_cast<std::int32_t>(votes.grid.count - 1));
    votes.rows.emplace_back(static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(high) + 1);
    votes.row_start.push_back(cells);
    cells += static_cast<std::size_t>(high - low) + 1;
  }
  if (cells > kDenseCells) return;
  votes.counts.assign(cells, 0);
  votes.row_bound.assign(votes.directions.size(), 0);
  clear_withdrawn(votes);
  std::vector<std::size_t> all(votes.voters.size());
  for (std::size_t p = 0; p < all.size(); ++p) all[p] = p;
  count_voters(votes, all);
}

// The direction grid of the seed search (its tilt step, maybe widened to fit
// the quadrant, and the unit normals) without planes steeper than max_slope.
struct DirectionGrid {
  double angle_resolution = -1.0, max_slope = -1.0;  // what it was made for
  double resolution = 0.0;
  std::vector<HoughVotes::Direction> directions;
};

// Every building of a run asks for the same grid, so each thread keeps the
// last one made: its sines and cosines were a twentieth of a small building's
// plane search.
const DirectionGrid& direction_grid(double angle_resolution, double max_slope) {
  thread_local DirectionGrid last;
  if (last.angle_resolution == angle_resolution && last.max_slope == max_slope) return last;
  DirectionGrid grid;
  grid.angle_resolution = angle_resolution;
  grid.max_slope = max_slope;
  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  double resolution = angle_resolution;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, resolution);
  grid.resolution = resolution;
  // A plane's slope is 90° less its normal's tilt.
  const double min_tilt = (90.0 - max_slope) * 3.141592653589793 / 180.0;
  for (std::size_t i = 0; i < tilt_levels.size(); ++i) {
    if (max_slope < 90.0 && tilt_levels[i] < min_tilt) continue;
    for (const double pan : pan_levels[i])
      grid.directions.push_back({std::cos(tilt_levels[i]) * std::cos(pan), std::cos(tilt_levels[i]) * std::sin(pan),
                                 std::sin(tilt_levels[i])});
  }
  last = std::move(grid);
  return last;
}

}  // namespace

HoughVotes vote_free_roof_points(const PointTriangulation& triangulation, double angle_resolution,
                                 double distance_resolution, std::size_t max_voters, double max_slope) {
  HoughVotes votes;
  votes.distance_resolution = distance_resolution;
  votes.max_voters = max_voters;
  const DirectionGrid& grid = direction_grid(angle_resolution, max_slope);
  votes.direction_resolution = grid.resolution;
  votes.directions = grid.directions;
  draw_sample(votes, triangulation);
  return votes;
}

void withdraw_votes(HoughVotes& votes, const VertexList& taken, const PointTriangulation& triangulation) {
  std::vector<std::size_t> gone;
  for (const Vertex_handle& v : taken) {
    const std::size_t position = static_cast<std::size_t>(v->info().position());
    if (position >= votes.voter_of_position.size()) continue;
    const std::int32_t voter = votes.voter_of_position[position];
    if (voter < 0 || !votes.free[static_cast<std::size_t>(voter)]) continue;
    votes.free[static_cast<std::size_t>(voter)] = 0;
    gone.push_back(static_cast<std::size_t>(voter));
  }
  votes.free_voters -= gone.size();
  if (!gone.empty()) votes.free_points_stale = true;
  // Every free point still votes when the sample was all of them.
  if (votes.step > 1 && 2 * votes.free_voters < votes.voters.size()) {
    draw_sample(votes, triangulation);
    return;
  }
  if (votes.counts.empty()) return;
  for (const std::size_t voter : gone) {
    votes.withdrawn_x.push_back(votes.x[voter]);
    votes.withdrawn_y.push_back(votes.y[voter]);
    votes.withdrawn_z.push_back(votes.z[voter]);
  }
}

std::vector<PlaneCandidate> vote_peaks(HoughVotes& votes, std::size_t count) {
  if (votes.free_voters < 3 || count == 0) return {};
  const HoughDistanceLevels& grid = votes.grid;
  const auto better = [](const Cell& a, const Cell& b) {
    if (a.votes != b.votes) return a.votes > b.votes;
    if (a.direction != b.direction) return a.direction < b.direction;
    return a.level < b.level;
  };

  // A cell is the same plane as a better one when its direction is near and
  // it passes near the centre of the better cell's voters. Cells are offered
  // best first; returns false once count peaks are taken.
  const double cos_apart = std::cos(3.0 * votes.direction_resolution * 3.141592653589793 / 180.0);
  std::vector<PlaneCandidate> peaks;
  std::vector<std::array<double, 3>> centres;
  const auto offer = [&](const Cell& cell) {
    const HoughVotes::Direction n = votes.directions[cell.direction];
    const double s = grid.min_s + (static_cast<double>(cell.level) + 0.5) * grid.resolution;
    bool same = false;
    for (std::size_t k = 0; k < peaks.size() && !same; ++k) {
      const PlaneCandidate& q = peaks[k];
      const std::array<double, 3>& c = centres[k];
      same = n.nx * q.nx + n.ny * q.ny + n.nz * q.nz > cos_apart &&
             std::fabs(n.nx * c[0] + n.ny * c[1] + n.nz * c[2] - s) <= 2.0 * grid.resolution;
    }
    if (same) return true;
    peaks.push_back({n.nx, n.ny, n.nz, s, 0.5 * grid.resolution, cell.votes * votes.step});
    std::array<double, 3> centre{0.0, 0.0, 0.0};
    for (std::size_t p = 0; p < votes.voters.size(); ++p) {
      if (!votes.free[p] || level_of(votes, n, p) != static_cast<std::int32_t>(cell.level)) continue;
      centre[0] += votes.x[p] / cell.votes;
      centre[1] += votes.y[p] / cell.votes;
      centre[2] += votes.z[p] / cell.votes;
    }
    centres.push_back(centre);
    return peaks.size() < count;
  };

  if (!votes.counts.empty()) {
    // A cell with fewer than three votes holds no plane, and one with less
    // than a quarter of the best cell's votes is no rival for this pass: a
    // later pass finds it when it leads.
    // Rows are read from the highest bound down (a heap: the reading usually
    // stops after a few of the rows); reading a row makes its bound exact.
    // A cell read is offered once no unread row can hold a better one: its
    // votes exceed every unread row's bound, or equal it with an earlier
    // direction. So peaks come in the order of a full sort, and the reading
    // stops as soon as count peaks are taken or no unread row reaches the floor.
    std::vector<std::uint32_t> order;
    order.reserve(votes.rows.size());
    for (std::size_t d = 0; d < votes.rows.size(); ++d)
      if (votes.row_bound[d] >= 3) order.push_back(static_cast<std::uint32_t>(d));
    const auto later = [&](std::uint32_t a, std::uint32_t b) {
      return votes.row_bound[a] != votes.row_bound[b] ? votes.row_bound[a] < votes.row_bound[b] : a > b;
    };
    std::make_heap(order.begin(), order.end(), later);
    // The cells read and not yet offered, as a heap with the best on top.
    std::vector<Cell> waiting;
    const auto worse = [&](const Cell& a, const Cell& b) { return better(b, a); };
    std::uint32_t floor = 3;  // of the best cell read so far; final once a cell is offered
    bool floor_final = false;
    std::vector<std::int32_t> scratch;
    for (;;) {
      // Offer the waiting cells no unread row can beat.
      while (!waiting.empty()) {
        const Cell& top = waiting.front();
        if (!order.empty()) {
          const std::uint32_t next = order.front(), bound = votes.row_bound[next];
          if (top.votes < bound || (top.votes == bound && top.direction > next)) break;
        }
        const Cell cell = top;
        std::pop_heap(waiting.begin(), waiting.end(), worse);
        waiting.pop_back();
        if (!floor_final) {
          floor = std::max<std::uint32_t>(3, cell.votes / 4);  // the best cell of all
          floor_final = true;
        }
        if (cell.votes < floor) return peaks;
        if (!offer(cell)) return peaks;
      }
      if (order.empty()) return peaks;
      std::pop_heap(order.begin(), order.end(), later);
      const std::uint32_t d = order.back();
      order.pop_back();
      if (votes.row_bound[d] < floor) {
        order.clear();  // this row and all after it hold no cell up to the floor
        continue;
      }
      apply_withdrawn(votes, d, scratch);
      const std::uint32_t* row = votes.counts.data() + votes.row_start[d] - votes.rows[d].first;
      // Most rows read hold no cell up to the floor: one vectorised pass tells.
      votes.row_bound[d] = largest_count(row + votes.rows[d].first, row + votes.rows[d].second);
      if (votes.row_bound[d] < floor) continue;
      for (std::uint32_t level = votes.rows[d].first; level < votes.rows[d].second; ++level) {
        if (row[level] < floor) continue;
        waiting.push_back({row[level], d, level});
        std::push_heap(waiting.begin(), waiting.end(), worse);
        if (!floor_final) floor = std::max<std::uint32_t>(floor, row[level] / 4);
      }
    }
  }

  // Counts too many to hold: each direction's cells from its sorted levels,
  // once for the best cell and once for those up to the floor.
  std::vector<Cell> cells;
  std::uint32_t best = 0;
  std::vector<std::int32_t> row;
  row.reserve(votes.free_voters);
  const auto each_cell = [&](const auto& visit) {
    for (std::size_t d = 0; d < votes.directions.size(); ++d) {
      row.clear();
      for (std::size_t p = 0; p < votes.voters.size(); ++p)
        if (votes.free[p]) row.push_back(level_of(votes, votes.directions[d], p));
      std::sort(row.begin(), row.end());
      for (std::size_t i = 0; i < row.size();) {
        std::size_t j = i;
        while (j < row.size() && row[j] == row[i]) ++j;
        visit(static_cast<std::uint32_t>(j - i), static_cast<std::uint32_t>(d), static_cast<std::uint32_t>(row[i]));
        i = j;
      }
    }
  };
  each_cell([&](std::uint32_t n, std::uint32_t, std::uint32_t) { best = std::max(best, n); });
  const std::uint32_t floor = std::max<std::uint32_t>(3, best / 4);
  each_cell([&](std::uint32_t n, std::uint32_t direction, std::uint32_t level) {
    if (n >= floor) cells.push_back({n, direction, level});
  });
  std::sort(cells.begin(), cells.end(), better);
  for (const Cell& cell : cells)
    if (!offer(cell)) break;
  return peaks;
}

}  // namespace roofplanes
