#include "pipeline/building_input.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <cmath>
#include <cstring>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Spatial_sort_traits_adapter_2.h>
#include <CGAL/hilbert_sort.h>
#include <CGAL/property_map.h>

namespace roofplanes {
namespace {

using Kernel2 = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point2 = Kernel2::Point_2;

}  // namespace

std::string check_input(const BuildingInput& input) {
  if (input.roof.size() != input.points.size())
    return "the roof flags (" + std::to_string(input.roof.size()) + ") do not match the points (" +
           std::to_string(input.points.size()) + ")";
  for (std::size_t i = 0; i < input.points.size(); ++i) {
    const Point& p = input.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      return "point " + std::to_string(i) + " has a coordinate that is not a finite number";
  }
  return {};
}

namespace {

// Bits of a coordinate with −0 folded onto +0: the triangulation finds points
// equal by comparing doubles, for which the two zeros are the same.
std::uint64_t key_bits(double value) { return std::bit_cast<std::uint64_t>(value + 0.0); }

}  // namespace

std::vector<std::uint8_t> roof_flags_from_positions(const std::vector<Point>& points,
                                                    const std::vector<long long>& positions,
                                                    std::vector<std::size_t>& unknown) {
  // The first record of every distinct (x, y), in order of first appearance,
  // found through an open-addressing table of record numbers: one pass, and
  // far less memory than a node-based map on a large building.
  std::vector<std::size_t> first_record;
  std::size_t capacity = 16;
  while (capacity < points.size() * 2) capacity *= 2;
  constexpr std::uint32_t empty = 0xffffffffu;
  std::vector<std::uint32_t> table(capacity, empty);
  for (std::size_t r = 0; r < points.size(); ++r) {
    const std::uint64_t x = key_bits(points[r].x), y = key_bits(points[r].y);
    std::uint64_t h = x * 0x9e3779b97f4a7c15ull ^ (y + 0x632be59bd9b4e019ull + (x << 6) + (x >> 2));
    h ^= h >> 29;
    std::size_t slot = static_cast<std::size_t>(h) & (capacity - 1);
    while (true) {
      const std::uint32_t held = table[slot];
      if (held == empty) {
        table[slot] = static_cast<std::uint32_t>(r);
        first_record.push_back(r);
        break;
      }
      if (key_bits(points[held].x) == x && key_bits(points[held].y) == y) break;
      slot = (slot + 1) & (capacity - 1);
    }
  }

  std::vector<std::uint8_t> roof(points.size(), 0);
  unknown.clear();
  for (std::size_t entry = 0; entry < positions.size(); ++entry) {
    const long long k = positions[entry] < 0 ? 0 : positions[entry];
    if (k >= static_cast<long long>(first_record.size())) {
      unknown.push_back(entry);
      continue;
    }
    roof[first_record[static_cast<std::size_t>(k)]] = 1;
  }
  return roof;
}

std::vector<std::size_t> canonical_order(const BuildingInput& input) {
  std::vector<std::size_t> order(input.points.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  // −0 and +0 compare equal, as the triangulation sees them.
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const Point &p = input.points[a], &q = input.points[b];
    if (p.x != q.x) return p.x < q.x;
    if (p.y != q.y) return p.y < q.y;
    const bool roof_a = input.roof[a] != 0, roof_b = input.roof[b] != 0;
    if (roof_a != roof_b) return roof_a;
    if (p.z != q.z) return p.z < q.z;
    return a < b;
  });
  // The runs of one x and y, taken along a Hilbert curve: one point after
  // another near it, so that each insertion into the triangulation walks a
  // few triangles from the last one (in x order it crosses the building).
  // The curve is computed from the sorted runs, so it too depends on the
  // points alone.
  if (order.empty()) return order;  // the curve's property map needs a first point
  std::vector<std::size_t> run_start;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Point& p = input.points[order[k]];
    if (k == 0 || p.x != input.points[order[k - 1]].x || p.y != input.points[order[k - 1]].y)
      run_start.push_back(k);
  }
  std::vector<Point2> starts;
  starts.reserve(run_start.size());
  for (const std::size_t k : run_start) starts.emplace_back(input.points[order[k]].x, input.points[order[k]].y);
  std::vector<std::size_t> runs(run_start.size());
  std::iota(runs.begin(), runs.end(), std::size_t{0});
  using Traits = CGAL::Spatial_sort_traits_adapter_2<Kernel2, CGAL::Pointer_property_map<Point2>::const_type>;
  CGAL::hilbert_sort(runs.begin(), runs.end(), Traits(CGAL::make_property_map(static_cast<const std::vector<Point2>&>(starts))),
                     CGAL::Hilbert_sort_median_policy());
  run_start.push_back(order.size());
  std::vector<std::size_t> curve;
  curve.reserve(order.size());
  for (const std::size_t r : runs)
    for (std::size_t k = run_start[r]; k < run_start[r + 1]; ++k) curve.push_back(order[k]);
  return curve;
}

BuildingInput reordered(const BuildingInput& input, const std::vector<std::size_t>& order) {
  BuildingInput out;
  out.points.reserve(order.size());
  out.roof.reserve(order.size());
  for (const std::size_t k : order) {
    out.points.push_back(input.points[k]);
    out.roof.push_back(input.roof[k]);
  }
  return out;
}

}  // namespace roofplanes
