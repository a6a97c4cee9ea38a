// The auto method on the buildings of two real classified scans, for what
// needs no hand-made truth: the order of the records changes nothing, and no
// two neighbouring segments lie on one plane.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "io/las_reader.h"
#include "planes/height_plane.h"
#include "points/centre_points.h"
#include "points/point_cloud.h"
#include "roofplanes.h"
#include "support/record_order.h"
#include "tiles/find_buildings.h"

namespace {

using namespace roofplanes;

const char* const kCrops[] = {"test_data_77050_627755_LA93_IGN69.las", "test_data_77055_627760_LA93_IGN69.las"};

// Every building of a shared real crop as the tile command gives it to an extraction.
std::vector<BuildingInput> real_buildings(const std::string& name) {
  const LasCloud las = read_las(ROOFPLANES_SOURCE_DIR "/../shared/real/" + name);
  std::vector<Point> points;
  std::vector<std::uint8_t> roof;
  for (const LasPoint& p : las.points) {
    points.push_back({p.x, p.y, p.z});
    roof.push_back(p.classification == 6 ? 1 : 0);
  }
  std::vector<BuildingInput> buildings;
  for (const FoundBuilding& found : find_buildings(points, roof)) buildings.push_back(building_input(points, found));
  return buildings;
}

bool have_crops() {
  return std::filesystem::exists(ROOFPLANES_SOURCE_DIR "/../shared/real/" + std::string(kCrops[0]));
}

TEST(AutoRealScan, ShuffledRecordsGiveTheSameResult) {
  if (!have_crops()) GTEST_SKIP() << "the shared real crops are not beside the checkout";
  std::mt19937_64 random(3);
  for (const char* crop : kCrops) {
    const std::vector<BuildingInput> buildings = real_buildings(crop);
    ASSERT_FALSE(buildings.empty());
    for (std::size_t b = 0; b < buildings.size(); ++b) {
      SCOPED_TRACE(std::string(crop) + " building " + std::to_string(b + 1));
      const BuildingInput& input = buildings[b];
      const Result reference = extract_roof_planes(input, auto_parameters(input));
      std::vector<std::size_t> order(input.points.size());
      std::iota(order.begin(), order.end(), std::size_t{0});
      std::shuffle(order.begin(), order.end(), random);
      const BuildingInput shuffled = roofplanes::testing::permuted(input, order);
      const Result result = extract_roof_planes(shuffled, auto_parameters(shuffled));
      roofplanes::testing::expect_same_result(reference, input, result, shuffled, order);
    }
  }
}

// A crop building's points as the extraction keeps them (of records with one
// x and y, a wall scanned from above, the one canonical order puts first),
// centred, since plane fits in national-grid coordinates lose their digits;
// each vertex's segment and roof flag by its first record, and each
// segment's vertices. Built in place: the handles point into the cloud.
struct LabelledCloud {
  LabelledCloud(const BuildingInput& input, const Result& result)
      : order(canonical_order(input)), cloud(triangulate_points(reordered(input, order).points)) {
    centre_points(cloud.triangulation);
    label.assign(cloud.vertices.size(), 0);
    roof.assign(cloud.vertices.size(), 0);
    members.resize(result.segments.size() + 1);
    for (std::size_t v = 0; v < cloud.vertices.size(); ++v) {
      const std::size_t record = order[cloud.first_record[v]];
      label[v] = result.labels[record];
      roof[v] = input.roof[record];
      if (label[v] > 0) members[static_cast<std::size_t>(label[v])].push_back(cloud.vertices[v]);
    }
  }
  LabelledCloud(const LabelledCloud&) = delete;
  LabelledCloud& operator=(const LabelledCloud&) = delete;

  std::vector<std::size_t> order;
  PointCloud cloud;
  std::vector<int> label;
  std::vector<char> roof;
  std::vector<VertexList> members;
};

// Calls visit(result, labelled) for every building of both crops,
// extracted with the auto preset, inside a trace naming it.
template <class Visit>
void for_each_labelled_building(const Visit& visit) {
  for (const char* crop : kCrops) {
    const std::vector<BuildingInput> buildings = real_buildings(crop);
    for (std::size_t b = 0; b < buildings.size(); ++b) {
      SCOPED_TRACE(std::string(crop) + " building " + std::to_string(b + 1));
      const BuildingInput& input = buildings[b];
      const Result result = extract_roof_planes(input, auto_parameters(input));
      const LabelledCloud labelled(input, result);
      visit(result, labelled);
    }
  }
}

// Two segments whose points touch (a triangulation edge joins them) and that
// one plane fits with an rms under 1.5 times their pooled rms about their own
// planes are one face split in two; the merge stage exists to leave none.
TEST(AutoRealScan, NoTwoNeighbouringSegmentsOnOnePlane) {
  if (!have_crops()) GTEST_SKIP() << "the shared real crops are not beside the checkout";
  for_each_labelled_building([](const Result&, const LabelledCloud& labelled) {
    const PointCloud& cloud = labelled.cloud;
    const std::vector<int>& label = labelled.label;
    const std::vector<VertexList>& members = labelled.members;
    std::set<std::pair<int, int>> touching;
    for (auto e = cloud.triangulation.finite_edges_begin(); e != cloud.triangulation.finite_edges_end(); ++e) {
      const Vertex_handle a = e->first->vertex(PointTriangulation::cw(e->second));
      const Vertex_handle c = e->first->vertex(PointTriangulation::ccw(e->second));
      const int la = label[static_cast<std::size_t>(a->info().position())];
      const int lc = label[static_cast<std::size_t>(c->info().position())];
      if (la > 0 && lc > 0 && la != lc) touching.insert({std::min(la, lc), std::max(la, lc)});
    }
    for (const auto& [i, j] : touching) {
      const VertexList &pi = members[static_cast<std::size_t>(i)], &pj = members[static_cast<std::size_t>(j)];
      VertexList both = pi;
      both.insert(both.end(), pj.begin(), pj.end());
      const double own_i = height_rms(fit_height_plane(pi), pi), own_j = height_rms(fit_height_plane(pj), pj);
      const double ni = static_cast<double>(pi.size()), nj = static_cast<double>(pj.size());
      const double pooled = std::sqrt((ni * own_i * own_i + nj * own_j * own_j) / (ni + nj));
      EXPECT_GT(height_rms(fit_height_plane(both), both), 1.5 * pooled)
          << "segments " << i << " (" << pi.size() << " points) and " << j << " (" << pj.size() << " points)";
    }
  });
}

// A free roof point that a segment's point touches (a triangulation edge)
// and that lies well within the run's plane tolerance of that segment's plane
// is a point of that face left out: the joining stage exists to leave none,
// chains of such points included. Half the tolerance leaves room for the
// planes' last refits after joining.
TEST(AutoRealScan, NoFreeRoofPointOnTheFaceItTouches) {
  if (!have_crops()) GTEST_SKIP() << "the shared real crops are not beside the checkout";
  for_each_labelled_building([](const Result& result, const LabelledCloud& labelled) {
    const PointCloud& cloud = labelled.cloud;
    const std::vector<int>& label = labelled.label;
    const std::vector<char>& roof = labelled.roof;
    const std::vector<VertexList>& members = labelled.members;
    std::vector<HeightPlane> planes(members.size());
    for (std::size_t s = 1; s < members.size(); ++s) planes[s] = fit_height_plane(members[s]);
    const double near = result.parameters.plane_tolerance / 2.0;
    std::size_t left = 0, free_roof = 0;
    for (std::size_t v = 0; v < cloud.vertices.size(); ++v) {
      if (!roof[v] || label[v] != 0) continue;
      ++free_roof;
      const Vertex_handle vertex = cloud.vertices[v];
      auto w = cloud.triangulation.incident_vertices(vertex);
      const auto done = w;
      bool on_face = false;
      do {
        if (cloud.triangulation.is_infinite(w)) continue;
        const int s = label[static_cast<std::size_t>(w->info().position())];
        on_face = on_face || (s > 0 && std::fabs(height_residual(planes[static_cast<std::size_t>(s)],
                                                                  vertex->point())) <= near);
      } while (++w != done);
      left += on_face ? 1 : 0;
    }
    EXPECT_EQ(left, 0u) << "of " << free_roof << " free roof points";
  });
}

// Every segment's outline is a ring of its own points, each joined to the
// next by a triangulation edge, around a positive area, and its corners give
// the face a polygon. A walk over border points could dead-end after a few
// points or circle round a part of the face for good.
TEST(AutoRealScan, EverySegmentHasARingOfItsOwnPointsAsOutline) {
  if (!have_crops()) GTEST_SKIP() << "the shared real crops are not beside the checkout";
  for_each_labelled_building([](const Result& result, const LabelledCloud& labelled) {
    const PointCloud& cloud = labelled.cloud;
    std::vector<std::size_t> reordered(labelled.order.size());
    for (std::size_t i = 0; i < labelled.order.size(); ++i) reordered[labelled.order[i]] = i;
    const auto vertex_of = [&](std::size_t record) {
      return cloud.vertices[static_cast<std::size_t>(cloud.position_of_record[reordered[record]])];
    };
    for (const Segment& segment : result.segments) {
      SCOPED_TRACE("segment " + std::to_string(segment.number) + " of " + std::to_string(segment.points.size()) +
                   " points");
      const std::size_t n = segment.outline.size();
      ASSERT_GE(n, 3u);
      double twice_area = 0.0;
      for (std::size_t k = 0; k < n; ++k) {
        const Vertex_handle a = vertex_of(segment.outline[k]), b = vertex_of(segment.outline[(k + 1) % n]);
        EXPECT_EQ(labelled.label[static_cast<std::size_t>(a->info().position())], segment.number);
        EXPECT_TRUE(a != b && cloud.triangulation.is_edge(a, b)) << "outline points " << k << " and " << k + 1;
        twice_area += a->point().x() * b->point().y() - b->point().x() * a->point().y();
      }
      EXPECT_GT(twice_area, 0.0);
      std::set<std::pair<double, double>> corners;
      for (const std::size_t record : segment.corners)
        corners.emplace(vertex_of(record)->point().x(), vertex_of(record)->point().y());
      EXPECT_GE(corners.size(), 3u);
    }
  });
}

// A square metre of plan (on a fixed grid) whose roof points, eight at least,
// all lie within the run's plane tolerance of their own plane and cover it
// (0.8 m across both ways) is a piece of a roof face: at least half its points
// are labelled. The oracle knows nothing of the search; a face left out for
// its point count alone (a count from the building's median spacing, smallest
// where flight strips overlap: the flat roof cut by the crop's edge beside
// the first crop's L) leaves such a square unlabelled.
TEST(AutoRealScan, EveryPlanarSquareOfAFacesSizeIsLabelled) {
  if (!have_crops()) GTEST_SKIP() << "the shared real crops are not beside the checkout";
  std::size_t planar = 0;
  for_each_labelled_building([&planar](const Result& result, const LabelledCloud& labelled) {
    constexpr double side = 1.0;
    std::map<std::pair<long, long>, std::vector<std::size_t>> squares;
    for (std::size_t v = 0; v < labelled.cloud.vertices.size(); ++v) {
      if (!labelled.roof[v]) continue;
      const Point3& p = labelled.cloud.vertices[v]->point();
      squares[{std::lround(std::floor(p.x() / side)), std::lround(std::floor(p.y() / side))}].push_back(v);
    }
    for (const auto& [key, members] : squares) {
      if (members.size() < 8) continue;
      VertexList points;
      double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
      for (const std::size_t v : members) {
        const Vertex_handle vertex = labelled.cloud.vertices[v];
        points.push_back(vertex);
        x0 = std::min(x0, vertex->point().x());
        x1 = std::max(x1, vertex->point().x());
        y0 = std::min(y0, vertex->point().y());
        y1 = std::max(y1, vertex->point().y());
      }
      if (x1 - x0 < 0.8 || y1 - y0 < 0.8) continue;
      const HeightPlane plane = fit_height_plane(points);
      if (!plane.valid) continue;
      bool flat = true;
      for (const Vertex_handle& v : points)
        flat = flat && std::fabs(height_residual(plane, v->point())) <= result.parameters.plane_tolerance;
      if (!flat) continue;
      ++planar;
      std::size_t in_segment = 0;
      for (const std::size_t v : members) in_segment += labelled.label[v] > 0 ? 1 : 0;
      EXPECT_GE(2 * in_segment, members.size())
          << "the square " << key.first << ", " << key.second << " of " << members.size() << " planar roof points";
    }
  });
  EXPECT_GT(planar, 100u);  // the oracle sees the crops' faces
}

}  // namespace
