#include "points/point_neighbours.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

// The lists against the triangulation's edges, enumerated on their own: every
// finite edge stands once in the list of each of its ends and nothing else
// does, each list in the triangulation's circulator order, and the vertices
// are listed by position. Checked on jittered grids,
// on points along one line (a triangulation without a triangle, whose
// neighbours are the points next along it) and on a single point.
TEST(point_neighbours, EveryFiniteEdgeOnceFromEachEnd) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  std::vector<std::vector<std::array<double, 3>>> cases;
  for (int grid = 0; grid < 3; ++grid) {
    std::vector<std::array<double, 3>> points;
    for (const auto& p : testing::grid_points(8 + grid, 6, 1.0, [](double, double) { return 0.0; }))
      points.push_back({p[0] + jitter(random), p[1] + jitter(random), jitter(random)});
    cases.push_back(points);
  }
  cases.push_back({{0, 0, 0}, {1, 1, 0}, {3, 3, 0}, {2, 2, 0}});
  cases.push_back({{5, 5, 1}});

  for (const auto& points : cases) {
    SCOPED_TRACE(std::to_string(points.size()) + " points");
    const PointTriangulation t = testing::triangulation_of(points);
    const PointNeighbours neighbours = point_neighbours(t);
    ASSERT_EQ(neighbours.vertices.size(), t.number_of_vertices());
    ASSERT_EQ(neighbours.start.size(), t.number_of_vertices() + 1);
    for (std::size_t p = 0; p < neighbours.vertices.size(); ++p)
      EXPECT_EQ(neighbours.vertices[p]->info().position(), static_cast<int>(p));

    std::set<std::pair<std::size_t, std::size_t>> edges;
    for (auto e = t.finite_edges_begin(); e != t.finite_edges_end(); ++e) {
      const auto a = static_cast<std::size_t>(e->first->vertex(PointTriangulation::cw(e->second))->info().position());
      const auto b = static_cast<std::size_t>(e->first->vertex(PointTriangulation::ccw(e->second))->info().position());
      edges.emplace(a, b);
      edges.emplace(b, a);
    }
    std::set<std::pair<std::size_t, std::size_t>> listed;
    for (std::size_t p = 0; p + 1 < neighbours.start.size(); ++p)
      for (std::uint32_t k = neighbours.start[p]; k < neighbours.start[p + 1]; ++k)
        EXPECT_TRUE(listed.emplace(p, neighbours.positions[k]).second) << p << " lists " << neighbours.positions[k] << " twice";
    EXPECT_EQ(listed, edges);
    EXPECT_EQ(neighbours.positions.size(), edges.size());

    // Each list in the order of the triangulation's own circulator (the
    // joining of free points visits neighbours in this order).
    for (std::size_t p = 0; p < neighbours.vertices.size(); ++p) {
      std::vector<std::uint32_t> circulated;
      auto w = t.incident_vertices(neighbours.vertices[p]);
      if (w != nullptr) {
        const auto done = w;
        do {
          if (!t.is_infinite(w)) circulated.push_back(static_cast<std::uint32_t>(w->info().position()));
        } while (++w != done);
      }
      EXPECT_EQ(std::vector<std::uint32_t>(neighbours.positions.begin() + neighbours.start[p],
                                           neighbours.positions.begin() + neighbours.start[p + 1]),
                circulated)
          << "around " << p;
    }
  }
}

}  // namespace
}  // namespace roofplanes
