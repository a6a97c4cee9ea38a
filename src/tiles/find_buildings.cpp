#include "tiles/find_buildings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace roofplanes {
namespace {

// Cells a little smaller than gap / sqrt(2): two points of one cell are then
// within the gap whatever the rounding, so a cell's points join without a
// distance test, and connected points are at most two cells apart.
constexpr double cell_per_gap = 1.0 / 1.4143;
// Cell indices stay below 2^31, so that two of them pack into one 64-bit key.
constexpr double largest_cell_index = 2147483000.0;
// The grid that sorts points into boxes has at most this many cells a side.
constexpr double box_grid_cells = 1024.0;

// Disjoint sets of positions whose root is always the set's smallest position.
struct DisjointSets {
  std::vector<std::size_t> parent;
  explicit DisjointSets(std::size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), std::size_t{0}); }
  std::size_t find(std::size_t a) {
    while (parent[a] != a) a = parent[a] = parent[parent[a]];
    return a;
  }
  void unite(std::size_t a, std::size_t b) {
    a = find(a), b = find(b);
    if (a < b) parent[b] = a;
    if (b < a) parent[a] = b;
  }
};

struct Cell {
  std::uint64_t key = 0;
  std::size_t begin = 0, end = 0;  // its roof points: positions in the sorted list
};

// Shortest text that reads back as value: 1e-300, not 0.000000.
std::string number_text(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::uint64_t cell_key(std::uint64_t ix, std::uint64_t iy) { return ix << 32 | iy; }

// Clusters of the roof points as lists of tile indices, each ascending, ordered
// by their first index.
std::vector<std::vector<std::size_t>> roof_clusters(const std::vector<Point>& points,
                                                    const std::vector<std::size_t>& roof, double gap) {
  if (roof.empty()) return {};
  double min_x = points[roof.front()].x, max_x = min_x, min_y = points[roof.front()].y, max_y = min_y;
  for (std::size_t i : roof) {
    min_x = std::min(min_x, points[i].x), max_x = std::max(max_x, points[i].x);
    min_y = std::min(min_y, points[i].y), max_y = std::max(max_y, points[i].y);
  }
  const double cell = gap * cell_per_gap;
  if (!((max_x - min_x) / cell < largest_cell_index) || !((max_y - min_y) / cell < largest_cell_index))
    throw std::invalid_argument("the roof points spread too far for a building gap of " + number_text(gap) + " m");

  // Roof positions sorted by cell, so that every cell is one run.
  std::vector<std::uint64_t> key(roof.size());
  for (std::size_t r = 0; r < roof.size(); ++r) {
    const Point& p = points[roof[r]];
    key[r] = cell_key(static_cast<std::uint64_t>((p.x - min_x) / cell), static_cast<std::uint64_t>((p.y - min_y) / cell));
  }
  std::vector<std::size_t> order(roof.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key[a] < key[b] || (key[a] == key[b] && a < b); });
  std::vector<Cell> cells;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (cells.empty() || cells.back().key != key[order[k]]) cells.push_back({key[order[k]], k, k});
    cells.back().end = k + 1;
  }

  DisjointSets sets(roof.size());
  for (const Cell& c : cells)
    for (std::size_t k = c.begin + 1; k < c.end; ++k) sets.unite(order[c.begin], order[k]);

  const double gap2 = gap * gap;
  auto link = [&](const Cell& a, const Cell& b) {
    if (sets.find(order[a.begin]) == sets.find(order[b.begin])) return;
    for (std::size_t i = a.begin; i < a.end; ++i)
      for (std::size_t j = b.begin; j < b.end; ++j) {
        const Point &p = points[roof[order[i]]], &q = points[roof[order[j]]];
        const double dx = p.x - q.x, dy = p.y - q.y;
        if (dx * dx + dy * dy <= gap2) return sets.unite(order[i], order[j]);
      }
  };
  // Forward neighbours within two cells, the adjacent ones first: once they
  // are linked, most farther pairs are already one set and cost one look-up.
  const int near[4][2] = {{0, 1}, {1, -1}, {1, 0}, {1, 1}};
  const int far[8][2] = {{0, 2}, {1, -2}, {1, 2}, {2, -2}, {2, -1}, {2, 0}, {2, 1}, {2, 2}};
  auto link_neighbours = [&](const auto& offsets) {
    for (const Cell& c : cells) {
      const std::uint64_t ix = c.key >> 32, iy = c.key & 0xffffffffu;
      for (const auto& [di, dj] : offsets) {
        if (dj < 0 && iy < static_cast<std::uint64_t>(-dj)) continue;
        const std::uint64_t wanted = cell_key(ix + di, iy + dj);
        const auto found = std::lower_bound(cells.begin(), cells.end(), wanted,
                                            [](const Cell& cell, std::uint64_t k) { return cell.key < k; });
        if (found != cells.end() && found->key == wanted) link(c, *found);
      }
    }
  };
  link_neighbours(near);
  link_neighbours(far);

  // A set's root is its smallest position, which is also its smallest tile index.
  std::vector<std::size_t> cluster_of_root(roof.size());
  std::vector<std::vector<std::size_t>> clusters;
  for (std::size_t r = 0; r < roof.size(); ++r) {
    const std::size_t root = sets.find(r);
    if (root == r) {
      cluster_of_root[r] = clusters.size();
      clusters.emplace_back();
    }
    clusters[cluster_of_root[root]].push_back(roof[r]);
  }
  return clusters;
}

// Fills every building's input with the tile's points inside its box, in tile
// order, through a coarse grid of the boxes so each point tests only a few.
void gather_inputs(const std::vector<Point>& points, std::vector<FoundBuilding>& buildings) {
  if (buildings.empty()) return;
  double min_x = buildings.front().min_x, max_x = buildings.front().max_x;
  double min_y = buildings.front().min_y, max_y = buildings.front().max_y, sides = 0.0;
  for (const FoundBuilding& b : buildings) {
    min_x = std::min(min_x, b.min_x), max_x = std::max(max_x, b.max_x);
    min_y = std::min(min_y, b.min_y), max_y = std::max(max_y, b.max_y);
    sides += (b.max_x - b.min_x) + (b.max_y - b.min_y);
  }
  // About one box a cell, yet never more than box_grid_cells cells a side.
  const double extent = std::max(max_x - min_x, max_y - min_y);
  double cell = std::max(sides / (2.0 * buildings.size()), extent / box_grid_cells);
  if (!(cell > 0.0)) cell = 1.0;
  // Offsets past the grid, or that are no number (boxes grown to overflow), fall into the last cell.
  const auto slot = [&](double offset) -> std::size_t {
    const double t = offset / cell;
    if (!(t < box_grid_cells - 1.0)) return static_cast<std::size_t>(box_grid_cells) - 1;
    return t > 0.0 ? static_cast<std::size_t>(t) : 0;
  };
  const auto column = [&](double x) { return slot(x - min_x); };
  const auto row = [&](double y) { return slot(y - min_y); };
  const std::size_t columns = column(max_x) + 1, rows = row(max_y) + 1;

  // The boxes of every cell, ascending, as one list with offsets: first count, then fill.
  std::vector<std::size_t> start(columns * rows + 1, 0), boxes;
  auto for_each_cell = [&](const FoundBuilding& b, auto visit) {
    for (std::size_t j = row(b.min_y); j <= row(b.max_y); ++j)
      for (std::size_t i = column(b.min_x); i <= column(b.max_x); ++i) visit(j * columns + i);
  };
  for (const FoundBuilding& b : buildings) for_each_cell(b, [&](std::size_t c) { ++start[c + 1]; });
  std::partial_sum(start.begin(), start.end(), start.begin());
  boxes.resize(start.back());
  std::vector<std::size_t> next(start.begin(), start.end() - 1);
  for (std::size_t k = 0; k < buildings.size(); ++k)
    for_each_cell(buildings[k], [&](std::size_t c) { boxes[next[c]++] = k; });

  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point& p = points[i];
    // Also false for coordinates that are not numbers.
    if (!(p.x >= min_x && p.x <= max_x && p.y >= min_y && p.y <= max_y)) continue;
    const std::size_t c = row(p.y) * columns + column(p.x);
    for (std::size_t k = start[c]; k < start[c + 1]; ++k) {
      FoundBuilding& b = buildings[boxes[k]];
      if (p.x >= b.min_x && p.x <= b.max_x && p.y >= b.min_y && p.y <= b.max_y) b.input.push_back(i);
    }
  }
}

}  // namespace

std::string check_building_finder_options(const BuildingFinderOptions& options) {
  if (!(options.building_gap > 0.0) || !std::isfinite(options.building_gap))
    return "the building gap must be a positive number of metres, not " + number_text(options.building_gap);
  if (!(options.margin >= 0.0) || !std::isfinite(options.margin))
    return "the margin must be a number of metres of at least 0, not " + number_text(options.margin);
  if (options.min_building_points == 0) return "the smallest building must have at least 1 point";
  return {};
}

std::vector<FoundBuilding> find_buildings(const std::vector<Point>& points, const std::vector<std::uint8_t>& roof,
                                          const BuildingFinderOptions& options) {
  if (const std::string problem = check_building_finder_options(options); !problem.empty())
    throw std::invalid_argument(problem);
  if (roof.size() != points.size())
    throw std::invalid_argument("finding buildings: " + std::to_string(roof.size()) + " roof flags for " +
                                std::to_string(points.size()) + " points");
  std::vector<std::size_t> roof_points;
  for (std::size_t i = 0; i < points.size(); ++i)
    if (roof[i] && std::isfinite(points[i].x) && std::isfinite(points[i].y) && std::isfinite(points[i].z))
      roof_points.push_back(i);

  std::vector<FoundBuilding> buildings;
  for (std::vector<std::size_t>& cluster : roof_clusters(points, roof_points, options.building_gap)) {
    if (cluster.size() < options.min_building_points) continue;
    FoundBuilding b;
    b.min_x = b.max_x = points[cluster.front()].x;
    b.min_y = b.max_y = points[cluster.front()].y;
    for (std::size_t i : cluster) {
      b.min_x = std::min(b.min_x, points[i].x), b.max_x = std::max(b.max_x, points[i].x);
      b.min_y = std::min(b.min_y, points[i].y), b.max_y = std::max(b.max_y, points[i].y);
    }
    b.min_x -= options.margin, b.min_y -= options.margin;
    b.max_x += options.margin, b.max_y += options.margin;
    b.roof = std::move(cluster);
    buildings.push_back(std::move(b));
  }
  gather_inputs(points, buildings);
  return buildings;
}

BuildingInput building_input(const std::vector<Point>& points, const FoundBuilding& building) {
  BuildingInput input;
  input.points.reserve(building.input.size());
  input.roof.assign(building.input.size(), 0);
  std::size_t r = 0;  // both lists ascend: one walk along them flags the roof points
  for (std::size_t k = 0; k < building.input.size(); ++k) {
    const std::size_t i = building.input[k];
    input.points.push_back(points[i]);
    while (r < building.roof.size() && building.roof[r] < i) ++r;
    if (r < building.roof.size() && building.roof[r] == i) input.roof[k] = 1;
  }
  return input;
}

}  // namespace roofplanes
