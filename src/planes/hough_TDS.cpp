#include "planes/hough_TDS.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <vector>

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include "planes/hough_levels.h"
#include "planes/max_roof_distance.h"
#include "planes/parallel_rows.h"

namespace roofplanes {

namespace {

constexpr double pi = 3.141592653589793;

// The largest distance of a point in play from the origin, exactly as
// max_roof_distance computes it over the roof vertices (the same set, so the
// same maximum), with its warning for each point at the origin. Points only
// leave play, so while the first point found at the largest distance stays,
// the largest stays too: the points are gone through again only when it
// leaves (the warnings come from the points at the origin still in play).
double max_distance_in_play(HoughSearch& search, Report& report) {
  if (search.farthest_known && search.farthest->info().is_roof()) {
    for (const Vertex_handle& v : search.at_origin)
      if (v->info().is_roof()) report.console("Calculating distance between a point and itself!");
    return search.farthest_distance;
  }
  const Point3 origin(0.0, 0.0, 0.0);
  double largest = 0.0;
  search.at_origin.clear();
  for (const Vertex_handle& v : search.in_play) {
    const double distance = point_distance(origin, v->point(), report);
    if (distance > largest) {
      largest = distance;
      search.farthest = v;
    }
    if (v->point() == origin) search.at_origin.push_back(v);
  }
  search.farthest_known = largest > 0.0;  // with none, the next search goes through them again
  search.farthest_distance = largest;
  return largest;
}

// The first cell with the largest count in tilt, pan, s order, and how many
// cells hold that count.
struct GridPeak {
  std::uint32_t largest = 0;
  std::size_t cells = 0;
  std::size_t direction = 0;
  std::size_t level = 0;
};

// Joins the row peaks in direction order: the result is what one scan of the
// whole grid in that order finds.
GridPeak join_row_peaks(const std::vector<RowPeak>& rows) {
  GridPeak peak;
  for (std::size_t d = 0; d < rows.size(); ++d) {
    const RowPeak& row = rows[d];
    if (row.cells == 0) continue;
    if (row.largest > peak.largest || peak.cells == 0) {
      peak = {row.largest, row.cells, d, row.first};
    } else if (row.largest == peak.largest) {
      peak.cells += row.cells;
    }
  }
  return peak;
}

// For every cell j of the grid to, the cells [lo[j], hi[j]] of the grid from
// that hold all points a cell j holds: those its s range overlaps, widened by
// slack (far more than any rounding of either level, for distances up to
// reach), and running to the end of from at the clamped first and last cell.
// Levels only grow with s, so the ends are the levels of the range's ends.
struct CellCover {
  std::vector<std::uint32_t> lo, hi;
};

CellCover cell_cover(const HoughDistanceLevels& from, const HoughDistanceLevels& to, double reach) {
  CellCover cover;
  cover.lo.resize(to.count);
  cover.hi.resize(to.count);
  const double slack = 1e-9 * (reach + 1.0);
  const std::uint32_t last = static_cast<std::uint32_t>(from.count - 1);
  for (std::size_t j = 0; j < to.count; ++j) {
    const double low = to.min_s + static_cast<double>(j) * to.resolution;
    const double high = to.min_s + static_cast<double>(j + 1) * to.resolution;
    cover.lo[j] = j == 0 ? 0 : static_cast<std::uint32_t>(hough_s_level(low - slack, from));
    cover.hi[j] = j + 1 == to.count ? last : static_cast<std::uint32_t>(hough_s_level(high + slack, from));
  }
  return cover;
}

// The most points one cell of a row can hold in the grid of cover.lo.size()
// cells, from the row's exact counts in the grid cover maps from.
std::uint32_t cell_bound(const std::uint32_t* row, std::size_t from_count, const CellCover& cover,
                         std::vector<std::uint32_t>& prefix) {
  prefix.resize(from_count + 1);
  prefix[0] = 0;
  for (std::size_t i = 0; i < from_count; ++i) prefix[i + 1] = prefix[i] + row[i];  // at most the points in play
  std::uint32_t largest = 0;
  for (std::size_t j = 0; j < cover.lo.size(); ++j)
    largest = std::max(largest, prefix[cover.hi[j] + 1] - prefix[cover.lo[j]]);
  return largest;
}

// Counts of the whole grid, carried in the search, made exact only where they
// might hold the peak. A row starts with bounds from bins of the points (a
// small part of the cost of counting it); once counted, it keeps counts that
// are exact for the points in play at some earlier pass (its epoch: the
// points that left play since are search.departed[epoch, end)) in the grid it
// was counted in. Counts only fall, so both bound today's, and from them
// row_bound bounds any of its cells in the newest grid. Rows are made exact in
// the order of their bounds (taking away the votes of the points that left
// since, or counting again, whichever is less), until no bound left reaches
// the largest exact count. The winner, its tie count and the first cell
// holding it are those of a fresh count: every row that could hold the
// largest count is counted exactly.
// Points per bin of the first bounds of every row, and of the bounds of a
// row that might win: coarse bins cost little over all rows, fine ones are
// tight enough that few rows are counted.
constexpr std::size_t coarse_points_per_bin = 64;
constexpr std::size_t fine_points_per_bin = 16;

GridPeak whole_grid_peak(HoughSearch& search, const VertexList& left, const std::vector<HoughDirection>& directions,
                         const HoughDistanceLevels& levels, double max_distance, double angle_resolution,
                         double s_resolution) {
  const std::size_t n = directions.size();
  const bool carried = search.counts_valid && search.counted_angle_resolution == angle_resolution &&
                       search.counted_s_resolution == s_resolution && search.row_grid.size() == n &&
                       levels.count <= search.count_stride;
  bool new_grid = false;
  if (!carried) {
    search.count_stride = levels.count;
    search.counts.assign(n * levels.count, 0);
    search.grids.assign(1, levels);
    search.row_grid.assign(n, 0);
    search.row_epoch.assign(n, HoughSearch::bound_only);
    search.row_bound.assign(n, 0);
    search.row_bins.assign(n, 0);
    search.departed.clear();
    search.bins = PointBins();
    search.counts_valid = true;
    search.counted_max_distance = max_distance;
    search.counted_angle_resolution = angle_resolution;
    search.counted_s_resolution = s_resolution;
    new_grid = true;
  } else {
    search.departed.insert(search.departed.end(), left.begin(), left.end());
    if (search.counted_max_distance != max_distance) {
      search.grids.push_back(levels);
      search.counted_max_distance = max_distance;
      new_grid = true;
    }
  }
  const std::uint32_t newest = static_cast<std::uint32_t>(search.grids.size() - 1);
  const std::size_t stride = search.count_stride;

  // Bounds from bins for the rows not yet counted: at first for every row from
  // coarse bins, later, for a row that might win, from the fine bins of the
  // points in play (made again when half the binned points have left). Old
  // bounds stay bounds, only looser; in a new grid they are taken from those
  // of the old one, as for counted rows.
  if (!carried) {
    const PointBins coarse = bin_points(search.in_play, coarse_points_per_bin);
    const double work = static_cast<double>(n) * static_cast<double>(coarse.count.size());
    parallel_rows(0, n, 16, work, [&](const tbb::blocked_range<std::size_t>& block) {
      for (std::size_t d = block.begin(); d < block.end(); ++d)
        search.row_bound[d] = bound_row(coarse, directions[d], levels, search.counts.data() + d * stride);
    });
  }
  if (!carried || search.in_play.size() * 2 <= search.bins.points) {
    search.bins = bin_points(search.in_play, fine_points_per_bin);
    ++search.bins_made;
  }
  if (new_grid && newest > 0) {
    // The bounds of every counted row still in an older grid are taken from
    // its counts there.
    std::vector<CellCover> covers(newest);
    // The first grid spans every distance of a point in play, and more.
    const double reach = search.grids[0].resolution * static_cast<double>(search.grids[0].count);
    for (std::uint32_t g = 0; g < newest; ++g) covers[g] = cell_cover(search.grids[g], levels, reach);
    tbb::enumerable_thread_specific<std::vector<std::uint32_t>> prefixes;
    const double work = static_cast<double>(n) * static_cast<double>(search.count_stride) * 2.0;
    parallel_rows(0, n, 16, work, [&](const tbb::blocked_range<std::size_t>& block) {
      std::vector<std::uint32_t>& prefix = prefixes.local();
      for (std::size_t d = block.begin(); d < block.end(); ++d) {
        const std::uint32_t g = search.row_grid[d];
        if (g == newest) continue;
        search.row_bound[d] = cell_bound(search.counts.data() + d * stride, search.grids[g].count, covers[g], prefix);
      }
    });
  }

  std::uint32_t* const counts = search.counts.data();
  std::vector<RowPeak> rows(n);
  const std::size_t now = search.departed.size();

  std::vector<std::size_t> order(n);
  for (std::size_t d = 0; d < n; ++d) order[d] = d;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return search.row_bound[a] > search.row_bound[b]; });

  // Highest bound first, in growing batches, while a bound reaches the best
  // exact count. Within a batch the rows that share how they are brought up
  // to date (from which epoch, or counted again) are voted together: each
  // group passes once over its points.
  std::uint32_t best = 0;
  std::size_t next = 0, batch = 32;
  std::vector<std::size_t> group;
  while (next < n && search.row_bound[order[next]] >= best) {
    std::size_t end = next;
    while (end < n && end - next < batch && search.row_bound[order[end]] >= best) ++end;
    // Rows bounded by older or coarser bins get bounds from the fine ones
    // first; a row whose new bound falls below the best count is left out.
    const double work = static_cast<double>(end - next) * static_cast<double>(search.bins.count.size());
    parallel_rows(next, end, 4, work, [&](const tbb::blocked_range<std::size_t>& block) {
      for (std::size_t i = block.begin(); i < block.end(); ++i) {
        const std::size_t d = order[i];
        if (search.row_epoch[d] != HoughSearch::bound_only || search.row_bins[d] == search.bins_made) continue;
        search.row_grid[d] = newest;
        search.row_bins[d] = search.bins_made;
        search.row_bound[d] = bound_row(search.bins, directions[d], levels, counts + d * stride);
      }
    });
    const auto kept = std::stable_partition(order.begin() + static_cast<std::ptrdiff_t>(next),
                                            order.begin() + static_cast<std::ptrdiff_t>(end),
                                            [&](std::size_t d) { return search.row_bound[d] >= best; });
    const std::size_t counted_end = static_cast<std::size_t>(kept - order.begin());
    // recount: counted again from the points in play; otherwise from epoch.
    auto recount = [&](std::size_t d) {
      return search.row_grid[d] != newest || search.row_epoch[d] == HoughSearch::bound_only ||
             now - search.row_epoch[d] > search.in_play.size();
    };
    const auto batch_begin = order.begin() + static_cast<std::ptrdiff_t>(next);
    const auto batch_end = order.begin() + static_cast<std::ptrdiff_t>(counted_end);
    std::sort(batch_begin, batch_end, [&](std::size_t a, std::size_t b) {
      const bool ra = recount(a), rb = recount(b);
      if (ra != rb) return ra;
      if (!ra && search.row_epoch[a] != search.row_epoch[b]) return search.row_epoch[a] < search.row_epoch[b];
      return a < b;
    });
    std::size_t first = next;
    while (first < counted_end) {
      const std::size_t d0 = order[first];
      const bool again = recount(d0);
      const std::size_t epoch = search.row_epoch[d0];
      std::size_t last = first;
      group.clear();
      while (last < counted_end && recount(order[last]) == again && (again || search.row_epoch[order[last]] == epoch)) {
        const std::size_t d = order[last];
        if (again) {
          std::fill(counts + d * stride, counts + d * stride + levels.count, 0u);
          search.row_grid[d] = newest;
        }
        group.push_back(d);
        ++last;
      }
      if (again) {
        vote_rows(search.in_play, directions.data(), group.data(), group.size(), counts, stride,
                  search.grids.data(), search.row_grid.data(), false, search.kernel);
      } else if (epoch < now) {
        const std::span<const Vertex_handle> since(search.departed.data() + epoch, now - epoch);
        vote_rows(since, directions.data(), group.data(), group.size(), counts, stride, search.grids.data(),
                  search.row_grid.data(), true, search.kernel);
      }
      first = last;
    }
    for (std::size_t i = next; i < counted_end; ++i) {
      const std::size_t d = order[i];
      rows[d] = row_peak(counts + d * stride, 0, levels.count);
      search.row_epoch[d] = now;
      search.row_bound[d] = rows[d].largest;
      best = std::max(best, rows[d].largest);
    }
    next = end;
    batch *= 2;
  }

  // A row that would take away more votes than there are points in play is
  // counted again when it is next needed: its counts stay bounds. So the
  // points that left are kept only while they are fewer than those in play,
  // and only those that left after the oldest epoch.
  for (std::size_t& epoch : search.row_epoch)
    if (epoch != HoughSearch::bound_only && now - epoch > search.in_play.size()) epoch = HoughSearch::bound_only;
  const std::size_t oldest =
      std::min(*std::min_element(search.row_epoch.begin(), search.row_epoch.end()), search.departed.size());
  if (oldest > 0) {
    search.departed.erase(search.departed.begin(), search.departed.begin() + static_cast<std::ptrdiff_t>(oldest));
    for (std::size_t& epoch : search.row_epoch)
      if (epoch != HoughSearch::bound_only) epoch -= oldest;
  }
  // Every row not brought up to date holds less than the best count in each
  // cell: it takes no part in the peak.
  return join_row_peaks(rows);
}

GridPeak row_by_row_peak(const HoughSearch& search, const std::vector<HoughDirection>& directions,
                         const HoughDistanceLevels& levels) {
  // Every direction passes over every point: their coordinates in arrays.
  const std::size_t count = search.in_play.size();
  std::vector<double> x(count), y(count), z(count);
  copy_coordinates(search.in_play, x.data(), y.data(), z.data());
  const HoughPoints points{x.data(), y.data(), z.data(), search.in_play.size()};
  struct RowScratch {
    std::vector<std::uint32_t> row;
    std::vector<std::int32_t> levels;
  };
  tbb::enumerable_thread_specific<RowScratch> scratch_of_thread;
  std::vector<RowPeak> rows(directions.size());
  // Every thread holds a row of its own: no more rows at once than half the
  // budget holds (at least one), however many cores there are, so that the
  // search stays small where the whole grid would not fit.
  const std::size_t row_bytes = levels.count * sizeof(std::uint32_t) + points.count * sizeof(std::int32_t);
  const std::size_t cores = static_cast<std::size_t>(tbb::this_task_arena::max_concurrency());
  const std::size_t rows_at_once = std::clamp<std::size_t>(search.grid_budget / 2 / row_bytes, 1, cores);
  tbb::task_arena arena(static_cast<int>(rows_at_once));
  arena.execute([&] {
    tbb::parallel_for(tbb::blocked_range<std::size_t>(0, directions.size(), 8),
                      [&](const tbb::blocked_range<std::size_t>& block) {
                        RowScratch& scratch = scratch_of_thread.local();
                        if (scratch.row.size() != levels.count) scratch.row.assign(levels.count, 0);
                        scratch.levels.resize(points.count);
                        for (std::size_t d = block.begin(); d < block.end(); ++d)
                          rows[d] = count_row_peak(points, directions[d], scratch.row.data(), scratch.levels.data(),
                                                   levels, search.kernel);
                      });
  });
  return join_row_peaks(rows);
}

}  // namespace

PlaneParams hough_TDS(const PointTriangulation& triangulation, VertexList& output, double angle_resolution,
                      double s_resolution, Report& report) {
  HoughSearch search;
  return hough_TDS(triangulation, search, output, angle_resolution, s_resolution, report);
}

PlaneParams hough_TDS(const PointTriangulation& triangulation, HoughSearch& search, VertexList& output,
                      double angle_resolution, double s_resolution, Report& report) {
  const double asked_angle_resolution = angle_resolution;
  std::vector<double> tilt_levels;
  std::vector<std::vector<double>> pan_levels;
  hough_levels(tilt_levels, pan_levels, 0, 360, 0, 90, angle_resolution);

  // The points that left play are kept only while there are counts to take them from.
  VertexList left;
  update_points_in_play(search, triangulation, search.counts_valid ? &left : nullptr);
  const VertexList& points = search.in_play;

  const double max_distance = max_distance_in_play(search, report);
  const HoughDistanceLevels levels = hough_distance_levels(max_distance, s_resolution);
  const std::size_t s_count = levels.count;

  report.log_text("tilt_levels ", tilt_levels.size());
  report.log_text("s_levels ", static_cast<double>(s_count));
  report.log_text("min_s ", levels.min_s);
  report.log_text("max_s ", max_distance + hough_s_margin);
  report.log_text("s_resolution ", levels.resolution);

  search.directions = hough_directions(tilt_levels, pan_levels);
  const std::vector<HoughDirection>& directions = search.directions;
  std::vector<std::size_t> first_direction(tilt_levels.size());
  for (std::size_t i = 0, first = 0; i < tilt_levels.size(); first += pan_levels[i].size(), ++i)
    first_direction[i] = first;

  // With at least one level every vote lands in one.
  const std::uint64_t votes = s_count > 0 ? static_cast<std::uint64_t>(directions.size()) * points.size() : 0;
  GridPeak peak;
  if (s_count > 0 && !directions.empty()) {
    const bool whole_grid = s_count <= search.grid_budget / sizeof(std::uint32_t) / directions.size();
    if (whole_grid) {
      peak = whole_grid_peak(search, left, directions, levels, max_distance, asked_angle_resolution,
                             s_resolution);
    } else {
      search.counts = std::vector<std::uint32_t>();
      search.counts_valid = false;
      peak = row_by_row_peak(search, directions, levels);
    }
  }
  report.log_line(votes, " plane equations solved");
  report.log_line("hough_peaks_TDS: maximum value in accumulator cell = ", peak.largest);
  if (peak.cells == 1) {
    report.log_line("Found a unique maximum!");
  } else {
    report.log_line("No maximum or ambiguous maximum! ");
    report.log_line("No of maximums: ", peak.cells, " Returning the first maximum.");
  }

  output.clear();
  if (peak.cells == 0) return {0.0, 0.0, 0.0};

  std::size_t ti = 0;
  while (ti + 1 < tilt_levels.size() && first_direction[ti + 1] <= peak.direction) ++ti;
  const std::size_t pj = peak.direction - first_direction[ti];
  const std::int32_t sk = static_cast<std::int32_t>(peak.level);
  const double tilt = tilt_levels[ti];
  const double pan = pan_levels[ti][pj];
  report.log_line("maximum at tilt = ", (tilt * 180) / pi);
  report.log_line("maximum at pan = ", (pan * 180) / pi);

  // Rebuild the winning cell's list: the points whose level in the winning
  // direction is the winning one, in iteration order, i.e. in voting order.
  // The levels come from the vote loop, tile by tile.
  const HoughDirection winner = directions[peak.direction];
  const double list_size = static_cast<double>(peak.largest);
  output.reserve(peak.largest);
  double s = 0.0;
  constexpr std::size_t tile = 4096;
  std::vector<double> x(tile), y(tile), z(tile);
  std::vector<std::int32_t> k(tile);
  for (std::size_t start = 0; start < points.size(); start += tile) {
    const std::size_t count = std::min(tile, points.size() - start);
    copy_coordinates(std::span<const Vertex_handle>(points).subspan(start, count), x.data(), y.data(), z.data());
    hough_point_levels(winner, {x.data(), y.data(), z.data(), count}, levels, k.data(), search.kernel);
    for (std::size_t i = 0; i < count; ++i) {
      if (k[i] != sk) continue;
      output.push_back(points[start + i]);
      s += normal_distance(winner, x[i], y[i], z[i]) / list_size;
    }
  }
  assert(output.size() == peak.largest);
  report.log_line("maximum at s = ", s);
  return {pan, tilt, s};
}

}  // namespace roofplanes
