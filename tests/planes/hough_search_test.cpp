// The plane search carried from pass to pass must find, pass after pass,
// exactly what a fresh search finds: the same winning points and the same log,
// whether it carries the whole grid of counts or counts row by row. Every
// row it brings up to date holds the counts of a fresh vote, and a row it
// leaves behind is bounded as it says.

#include "planes/hough_search.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "planes/hough_TDS.h"
#include "support/captured_report.h"
#include "support/generated_input.h"

namespace roofplanes {
namespace {

using roofplanes::testing::CapturedReport;

struct SearchRun {
  VertexList winner;
  std::string log;
  std::string console;
};

SearchRun search_once(const PointTriangulation& triangulation, HoughSearch* search) {
  SearchRun run;
  CapturedReport out;
  if (search == nullptr)
    hough_TDS(triangulation, run.winner, 3.0, 1.2, out.report);
  else
    hough_TDS(triangulation, *search, run.winner, 3.0, 1.2, out.report);
  run.log = out.observer.log_text;
  run.console = out.observer.console_text;
  return run;
}

// The roof point farthest from the origin: taking it out changes the grid.
Vertex_handle farthest_roof_point(const PointTriangulation& triangulation) {
  Vertex_handle farthest;
  double largest = -1.0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    const Point3& p = v->point();
    const double d = std::sqrt(p.x() * p.x() + p.y() * p.y() + p.z() * p.z());
    if (d > largest) largest = d, farthest = v;
  }
  return farthest;
}

// Checks every carried row against a fresh vote of the points in play: a row
// brought up to date this pass equals a fresh vote in its grid, any other
// holds at least the fresh count in every cell of its grid, and no cell of a
// row's fresh vote in the newest grid exceeds the row's bound. Returns how
// many rows were left as they were.
std::size_t rows_left_behind(const HoughSearch& search) {
  const std::size_t n = search.directions.size();
  std::size_t behind = 0;
  for (std::uint32_t g = 0; g < search.grids.size(); ++g) {
    const HoughDistanceLevels& levels = search.grids[g];
    std::vector<std::uint32_t> fresh(n * levels.count, 0);
    vote_grid(search.in_play, search.directions.data(), n, fresh.data(), levels, false, search.kernel);
    const bool newest = g + 1 == search.grids.size();
    for (std::size_t d = 0; d < n; ++d) {
      const std::uint32_t* fresh_row = fresh.data() + d * levels.count;
      if (newest) {
        EXPECT_LE(*std::max_element(fresh_row, fresh_row + levels.count), search.row_bound[d]) << "row " << d;
      }
      if (search.row_grid[d] != g) continue;
      const std::uint32_t* row = search.counts.data() + d * search.count_stride;
      const bool up_to_date = newest && search.row_epoch[d] == search.departed.size();
      if (up_to_date) {
        EXPECT_TRUE(std::equal(fresh_row, fresh_row + levels.count, row)) << "row " << d << " grid " << g;
      } else {
        ++behind;
        for (std::size_t level = 0; level < levels.count; ++level)
          EXPECT_LE(fresh_row[level], row[level]) << "row " << d << " grid " << g << " level " << level;
      }
    }
  }
  return behind;
}

TEST(HoughSearch, PassAfterPassEqualsAFreshSearchOnEitherPath) {
  // More roof points than one tile of the vote loop, several faces.
  PointCloud cloud = testing::generated_cloud(building_generator::RoofShape::cross_gable, 12000, 3);
  PointTriangulation& triangulation = cloud.triangulation;
  HoughSearch carried;
  HoughSearch row_by_row;
  row_by_row.grid_budget = 0;  // every grid is over it

  int carried_passes = 0, new_grids = 0;
  std::size_t rows_left = 0;
  for (int pass = 0; pass < 8; ++pass) {
    const double grid_before = carried.counted_max_distance;
    const bool had_counts = carried.counts_valid;
    const SearchRun fresh = search_once(triangulation, nullptr);
    const SearchRun with_counts = search_once(triangulation, &carried);
    const SearchRun by_row = search_once(triangulation, &row_by_row);
    ASSERT_FALSE(fresh.winner.empty()) << "pass " << pass;
    EXPECT_EQ(with_counts.winner, fresh.winner) << "pass " << pass;
    EXPECT_EQ(with_counts.log, fresh.log) << "pass " << pass;
    EXPECT_EQ(with_counts.console, fresh.console) << "pass " << pass;
    EXPECT_EQ(by_row.winner, fresh.winner) << "pass " << pass;
    EXPECT_EQ(by_row.log, fresh.log) << "pass " << pass;
    EXPECT_FALSE(row_by_row.counts_valid);
    ASSERT_TRUE(carried.counts_valid);
    rows_left += rows_left_behind(carried);
    if (had_counts && carried.counted_max_distance == grid_before)
      ++carried_passes;
    else
      ++new_grids;

    // Out of play, as a pass takes them: half of the winning cell's points
    // (a few faces would be gone in a few passes otherwise), and every other
    // pass the farthest roof point, which shrinks the grid.
    for (std::size_t i = 0; i < fresh.winner.size(); i += 2) fresh.winner[i]->info().set_is_roof(false);
    if (pass % 2 == 1) farthest_roof_point(triangulation)->info().set_is_roof(false);
  }
  // Both ways of bringing the counts up to date were taken.
  EXPECT_GE(carried_passes, 3);
  EXPECT_GE(new_grids, 4);
  // Not every row was brought up to date every pass.
  EXPECT_GT(rows_left, 0u);
}

TEST(HoughSearch, KeepsTheFarthestPointAndTheWarningsForPointsAtTheOrigin) {
  // The point at the origin warns in every pass while in play; the largest
  // distance changes only when the farthest point leaves.
  std::vector<Point> records = {{0, 0, 0}, {3, 0, 1}, {0, 4, 1}, {-5, 1, 2}, {2, -2, 0}, {1, 1, 1}, {-1, 2, 0}};
  PointCloud cloud = triangulate_points(records);
  for (const Vertex_handle& v : cloud.vertices) v->info().set_is_roof(true);
  HoughSearch carried;
  const std::vector<Point> leaving = {{-5, 1, 2}, {1, 1, 1}, {0, 0, 0}, {0, 4, 1}};
  for (std::size_t pass = 0; pass <= leaving.size(); ++pass) {
    const SearchRun fresh = search_once(cloud.triangulation, nullptr);
    const SearchRun with_counts = search_once(cloud.triangulation, &carried);
    EXPECT_EQ(with_counts.console, fresh.console) << "pass " << pass;
    EXPECT_EQ(with_counts.log, fresh.log) << "pass " << pass;
    EXPECT_EQ(with_counts.winner, fresh.winner) << "pass " << pass;
    EXPECT_EQ(fresh.console.empty(), pass > 2) << "pass " << pass;
    if (pass == leaving.size()) break;
    for (const Vertex_handle& v : cloud.vertices)
      if (v->point() == Point3(leaving[pass].x, leaving[pass].y, leaving[pass].z)) v->info().set_is_roof(false);
  }
}

}  // namespace
}  // namespace roofplanes
