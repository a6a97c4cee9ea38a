// peer_region_growing: CGAL's region growing plane detection on the roof points
// of one building, as a yardstick for roofplanes on the same input.
//
// Usage: peer_region_growing POINT_FILE ROOF_FILE
//   POINT_FILE  "x y z" records, as roofplanes reads them
//   ROOF_FILE   0-based roof positions among the distinct (x, y) of POINT_FILE,
//               in order of first appearance
// Prints one line: "planes <P> assigned <A> roof_points <R>".
//
// Settings: normals by PCA over 12 neighbours; region growing over the 12
// nearest neighbours, at most 0.15 m from the region's fitted plane and 15°
// between normals, regions of at least 10 points, seeds in order of how well
// a plane fits their neighbourhood. Single-threaded, like roofplanes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <numeric>
#include <utility>
#include <vector>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Shape_detection/Region_growing/Region_growing.h>
#include <CGAL/Shape_detection/Region_growing/Region_growing_on_point_set.h>
#include <CGAL/pca_estimate_normals.h>
#include <CGAL/property_map.h>

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = Kernel::Point_3;
using Vector = Kernel::Vector_3;
using PointWithNormal = std::pair<Point, Vector>;
using PointRange = std::vector<PointWithNormal>;
using PointMap = CGAL::First_of_pair_property_map<PointWithNormal>;
using NormalMap = CGAL::Second_of_pair_property_map<PointWithNormal>;

namespace RG = CGAL::Shape_detection;
using NeighborQuery = RG::Point_set::K_neighbor_query<Kernel, PointRange, PointMap>;
using RegionType = RG::Point_set::Least_squares_plane_fit_region<Kernel, PointRange, PointMap, NormalMap>;
using Sorting = RG::Point_set::Least_squares_plane_fit_sorting<Kernel, PointRange, NeighborQuery, PointMap>;
using RegionGrowing = RG::Region_growing<PointRange, NeighborQuery, RegionType, Sorting::Seed_map>;

constexpr unsigned neighbours = 12;
constexpr double distance_threshold = 0.15;  // metres
constexpr double angle_threshold = 15.0;     // degrees
constexpr std::size_t min_region_size = 10;

// Reads the point file and keeps, of records that repeat an (x, y), only the
// first: roof positions count distinct (x, y) in order of first appearance.
// Returns the distinct points in that order; empty if the file cannot be read.
// Repeats are found by sorting positions rather than by a map, so that the
// check costs a few bytes per point and does not set the peak memory.
std::vector<Point> read_distinct_points(const char* file_name) {
  std::ifstream in(file_name);
  std::vector<Point> points;
  double x, y, z;
  while (in >> x >> y >> z) points.emplace_back(x, y, z);

  std::vector<std::uint32_t> order(points.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const Point &p = points[a], &q = points[b];
    if (p.x() != q.x()) return p.x() < q.x();
    if (p.y() != q.y()) return p.y() < q.y();
    return a < b;
  });
  std::vector<bool> repeat(points.size(), false);
  for (std::size_t i = 1; i < order.size(); ++i) {
    const Point &p = points[order[i - 1]], &q = points[order[i]];
    if (p.x() == q.x() && p.y() == q.y()) repeat[order[i]] = true;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < points.size(); ++i)
    if (!repeat[i]) points[kept++] = points[i];
  points.resize(kept);
  return points;
}

// Reads the roof positions and returns the roof points with zero normals,
// skipping positions outside `points` (as roofplanes does) and repeats.
PointRange select_roof_points(const char* file_name, const std::vector<Point>& points) {
  std::ifstream in(file_name);
  std::vector<bool> taken(points.size(), false);
  PointRange roof;
  long long position;
  while (in >> position) {
    if (position < 0) position = 0;  // roofplanes reads a negative position as 0
    if (position >= static_cast<long long>(points.size()) || taken[static_cast<std::size_t>(position)]) continue;
    taken[static_cast<std::size_t>(position)] = true;
    roof.emplace_back(points[static_cast<std::size_t>(position)], CGAL::NULL_VECTOR);
  }
  return roof;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: peer_region_growing POINT_FILE ROOF_FILE\n";
    return 2;
  }
  PointRange roof = select_roof_points(argv[2], read_distinct_points(argv[1]));
  // Region growing needs a plane fit over neighbourhoods: too few points, no planes.
  if (roof.size() <= neighbours) {
    std::cout << "planes 0 assigned 0 roof_points " << roof.size() << "\n";
    return 0;
  }

  CGAL::pca_estimate_normals<CGAL::Sequential_tag>(
      roof, neighbours, CGAL::parameters::point_map(PointMap()).normal_map(NormalMap()));

  NeighborQuery neighbor_query(roof, neighbours, PointMap());
  RegionType region_type(roof, distance_threshold, angle_threshold, min_region_size, PointMap(), NormalMap());
  Sorting sorting(roof, neighbor_query, PointMap());
  sorting.sort();

  RegionGrowing region_growing(roof, neighbor_query, region_type, sorting.seed_map());
  std::vector<std::vector<std::size_t>> regions;
  region_growing.detect(std::back_inserter(regions));

  std::size_t assigned = 0;
  for (const auto& region : regions) assigned += region.size();
  std::cout << "planes " << regions.size() << " assigned " << assigned << " roof_points " << roof.size() << "\n";
  return 0;
}
