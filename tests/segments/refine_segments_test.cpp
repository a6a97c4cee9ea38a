#include "segments/refine_segments.h"

#include <string>

#include <gtest/gtest.h>

#include "segments/number_segments.h"
#include "support/captured_report.h"
#include "support/outlines.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::triangulation_of;
using testing::vertices_of;

using testing::outline_of;

// A segment on the vertical plane x = s (pan 0, tilt 0), whose residuals are
// exactly |s − x|.
RoofSegment segment_on(VertexList points, double s, VertexList outline) {
  RoofSegment segment(std::move(points));
  segment.set_plane({0, 0, s});
  segment.set_outline(std::move(outline));
  return segment;
}

// Refines, returning the console text; the points of the last scene go to
// last_scene.
std::string refine(RoofSegmentList& segments, PointTriangulation& t, std::vector<Point>* last_scene = nullptr) {
  testing::CapturedReport out;
  refine_segments(segments, t, out.report);
  for (const Scene& scene : out.observer.scenes) {
    EXPECT_EQ(scene.name, "work/ob0_after_first_round.wrl");
    EXPECT_EQ(scene.kind, SceneKind::points_cycled);
  }
  if (last_scene != nullptr && !out.observer.scenes.empty()) *last_scene = out.observer.scenes.back().points;
  return out.observer.console_text;
}

// The scene the refinement should have left for the given outline.
std::vector<Point> scene_of(const VertexList& outline) {
  std::vector<Point> points;
  for (const Vertex_handle& v : outline) points.push_back({v->point().x(), v->point().y(), v->point().z()});
  return points;
}

// A triangle v (0,0), n (2,0), p (1,2) with f (1,-2) below its edge vn.
// Triangles (v, n, p) and (v, f, n): p and n are consecutive neighbours of v.
class RefineSegments : public ::testing::Test {
 protected:
  PointTriangulation t = triangulation_of({{0, 0, 0}, {2, 0, 0}, {1, 2, 0}, {1, -2, 0}});
  VertexList points = vertices_of(t);
  Vertex_handle v = points[0], n = points[1], p = points[2], f = points[3];
};

TEST_F(RefineSegments, SegmentTouchingNoOtherKeepsItsOutline) {
  RoofSegmentList segments{segment_on({v, n, p}, 2, {p, v, n})};
  number_segments(t, segments);  // f belongs to no segment
  std::vector<Point> scene;
  EXPECT_EQ(refine(segments, t, &scene),
            "round 0 about border 0\n"
            "processing vertex 2\n"
            "processing vertex 0\n"
            "processing vertex 1\n"
            "round 1 about border 0\n");
  EXPECT_EQ(segments[0].outline(), outline_of({p, v, n}));
  EXPECT_EQ(scene, scene_of({p, v, n}));
}

TEST_F(RefineSegments, VertexBetweenAdjacentNeighboursIsOnlyRemoved) {
  // v: 0.5 off f's plane (running maximum 0) but 2 off its own: removed.
  // n: 0 off its own plane: stays. f: 1 off x = 2, 0.5 off its own: stays.
  RoofSegmentList segments{segment_on({v, n, p}, 2, {p, v, n}), segment_on({f}, 0.5, {f})};
  number_segments(t, segments);
  EXPECT_EQ(refine(segments, t),
            "round 0 about border 0\n"
            "processing vertex 2\n"
            "processing vertex 0\n"
            "removing\n"
            "processing vertex 1\n"
            "round 1 about border 0\n"
            "processing vertex 2\n"
            "processing vertex 1\n"
            "round 2 about border 0\n"
            "round 0 about border 1\n"
            "processing vertex 3\n"
            "round 1 about border 1\n");
  EXPECT_EQ(segments[0].outline(), outline_of({p, n}));
  EXPECT_EQ(segments[1].outline(), outline_of({f}));
  EXPECT_EQ(segments[0].points(), (VertexList{v, n, p}));
  EXPECT_EQ(v->info().cluster_id(), 1);
}

TEST_F(RefineSegments, VertexTwiceInOutlineLosesBoth) {
  RoofSegmentList segments{segment_on({v, n, p}, 2, {p, v, n, v}), segment_on({f}, 0.5, {f})};
  number_segments(t, segments);
  const std::string out = refine(segments, t);
  EXPECT_EQ(out.substr(0, out.find("round 1 ")),
            "round 0 about border 0\n"
            "processing vertex 2\n"
            "processing vertex 0\n"
            "removing\n"
            "processing vertex 1\n");
  EXPECT_EQ(segments[0].outline(), outline_of({p, n}));
}

TEST_F(RefineSegments, SpikeTipTakesTheVertexOnBothItsSides) {
  // v's predecessor and successor are both n: once v is gone the two n meet
  // and n goes as well; the walk ends behind them.
  RoofSegmentList segments{segment_on({v, n, p}, 2, {p, n, v, n}), segment_on({f}, 0.5, {f})};
  number_segments(t, segments);
  const std::string out = refine(segments, t);
  EXPECT_EQ(out.substr(0, out.find("round 1 ")),
            "round 0 about border 0\n"
            "processing vertex 2\n"
            "processing vertex 1\n"
            "processing vertex 0\n"
            "removing\n");
  EXPECT_EQ(segments[0].outline(), outline_of({p}));
}

TEST_F(RefineSegments, NothingPrecedesTheFirstElement) {
  // v first: after its removal the walk stands on the first element, n, and
  // the n at the end of the list is not taken as the element before it.
  RoofSegmentList segments{segment_on({v, n, p}, 2, {v, n, p, n}), segment_on({f}, 0.5, {f})};
  number_segments(t, segments);
  const std::string out = refine(segments, t);
  EXPECT_EQ(out.substr(0, out.find("round 1 ")),
            "round 0 about border 0\n"
            "processing vertex 0\n"
            "removing\n"
            "processing vertex 1\n"
            "processing vertex 2\n"
            "processing vertex 1\n");
  EXPECT_EQ(segments[0].outline(), outline_of({n, p, n}));
}

TEST_F(RefineSegments, SceneShowsFirstSegmentThroughout) {
  RoofSegmentList segments{segment_on({f}, 0.5, {f}), segment_on({v, n, p}, 2, {p, v, n})};
  number_segments(t, segments);
  std::vector<Point> scene;
  const std::string out = refine(segments, t, &scene);
  EXPECT_NE(out.find("round 0 about border 1\nprocessing vertex 2\nprocessing vertex 0\nremoving\n"),
            std::string::npos);
  EXPECT_EQ(segments[1].outline(), outline_of({p, n}));
  EXPECT_EQ(scene, scene_of({f}));
}

TEST_F(RefineSegments, EmptyOutlineIsWalkedZeroTimes) {
  // f is 1 off x = 2 (running maximum 1) and 1.5 off its own plane, so it is
  // removed; the next round finds the outline empty.
  RoofSegmentList segments{segment_on({v, n, p}, 2, {p, n}), segment_on({f}, -0.5, {f})};
  number_segments(t, segments);
  const std::string out = refine(segments, t);
  EXPECT_EQ(out.substr(out.find("round 0 about border 1")),
            "round 0 about border 1\n"
            "processing vertex 3\n"
            "removing\n"
            "round 1 about border 1\n"
            "round 2 about border 1\n");
  EXPECT_TRUE(segments[1].outline().empty());
}

TEST(RefineSegmentsRounds, OutlineThatNeverSettlesIsLeftAfterHundredRounds) {
  // Both planes are x = 0.5. The outline of the first segment runs clockwise;
  // from round 1 on it turns for ever through [0, 2, 4], [0, 1, 4], [0, 3, 4].
  PointTriangulation t = triangulation_of({{0, 9, 0}, {9, 3, 0}, {1, 8, 0}, {2, 4, 0}, {5, 4, 0}});
  const VertexList v = vertices_of(t);
  RoofSegmentList segments{segment_on({v[0], v[1], v[2], v[3]}, 0.5, {v[0], v[1], v[2]}),
                           segment_on({v[4]}, 0.5, {v[4]})};
  number_segments(t, segments);
  std::vector<Point> scene;
  const std::string out = refine(segments, t, &scene);

  std::size_t rounds = 0;
  for (std::size_t at = out.find("about border 0\n"); at != std::string::npos;
       at = out.find("about border 0\n", at + 1))
    ++rounds;
  EXPECT_EQ(rounds, 101u);
  EXPECT_NE(out.find("round 99 about border 0\nprocessing vertex 0\nprocessing vertex 1\nremoving\n"
                     "processing vertex 4\nround 100 about border 0\nround 0 about border 1\n"),
            std::string::npos);
  // Round 99 left the state of round 3.
  EXPECT_EQ(segments[0].outline(), outline_of({v[0], v[3], v[4]}));
  EXPECT_EQ(scene, scene_of({v[0], v[3], v[4]}));
}

// One vertex at the origin and segments on planes x = s: its residual to
// segment k is exactly s_k.
class BetterFitElsewhere : public ::testing::Test {
 protected:
  PointTriangulation t = triangulation_of({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  Vertex_handle v = vertices_of(t)[0];

  RoofSegmentList segments(std::vector<double> residuals) {
    RoofSegmentList list;
    for (const double s : residuals) {
      list.push_back(segment_on({v}, s, {}));
      list.back().set_number(static_cast<int>(list.size()));
    }
    return list;
  }
};

TEST_F(BetterFitElsewhere, ComparesWithIntegerPartOfWorstNeighbour) {
  EXPECT_TRUE(better_fit_elsewhere({2, 3}, segments({0.4, 0.9, 0.2}), 0, v, testing::silent_report()));
  EXPECT_FALSE(better_fit_elsewhere({2, 3}, segments({0.4, 1.3, 0.2}), 0, v, testing::silent_report()));
  EXPECT_TRUE(better_fit_elsewhere({2, 3}, segments({1.1, 1.3, 0.2}), 0, v, testing::silent_report()));
  // Equal to the running maximum stays; above it goes, though still below 2.5.
  EXPECT_FALSE(better_fit_elsewhere({2}, segments({2.0, 2.5}), 0, v, testing::silent_report()));
  EXPECT_TRUE(better_fit_elsewhere({2}, segments({2.4, 2.5}), 0, v, testing::silent_report()));
  // Only the largest residual counts, in whatever order they come.
  EXPECT_FALSE(better_fit_elsewhere({1, 2}, segments({3.9, 1.5, 3.0}), 2, v, testing::silent_report()));
  // The own segment may sit at any index.
  EXPECT_TRUE(better_fit_elsewhere({1}, segments({0.7, 0.3}), 1, v, testing::silent_report()));
}

TEST_F(BetterFitElsewhere, NoNeighboursOrUnknownNumbers) {
  testing::CapturedReport none;
  EXPECT_FALSE(better_fit_elsewhere({}, segments({5.0}), 0, v, none.report));
  EXPECT_EQ(none.observer.console_text, "");

  testing::CapturedReport unknown;
  // 9 is skipped: the running maximum stays 0.
  EXPECT_TRUE(better_fit_elsewhere({9}, segments({0.4, 3.5}), 0, v, unknown.report));
  EXPECT_FALSE(better_fit_elsewhere({2, 9}, segments({3.0, 3.5}), 0, v, unknown.report));
  EXPECT_EQ(unknown.observer.console_text,
            "find_segment_no: no such segment no\nfind_segment_no: no such segment no\n");
}

// Centre 0 at the origin with six neighbours counterclockwise:
// 1 (2,0), 2 (1,2), 3 (-1,2), 4 (-2,0), 5 (-1,-2), 6 (1,-2), all on the hull.
class LeadAroundInnerNeighbours : public ::testing::Test {
 protected:
  PointTriangulation t =
      triangulation_of({{0, 0, 0}, {2, 0, 0}, {1, 2, 0}, {-1, 2, 0}, {-2, 0, 0}, {-1, -2, 0}, {1, -2, 0}});
  VertexList h = vertices_of(t);

  // Leads segment's outline round the element at position.
  OutlineList led(const VertexList& outline, std::size_t position) {
    RoofSegment segment(h);
    segment.set_outline(outline);
    auto at = segment.mutable_outline().begin();
    std::advance(at, position);
    lead_around_inner_neighbours(segment, at, t);
    return segment.outline();
  }
};

TEST_F(LeadAroundInnerNeighbours, InsertsNeighboursFromNextToPrev) {
  EXPECT_EQ(led({h[1], h[0], h[4]}, 1), outline_of({h[1], h[6], h[5], h[0], h[4]}));
  // The outline is cyclic: the first element follows the last.
  EXPECT_EQ(led({h[0], h[4], h[1]}, 0), outline_of({h[6], h[5], h[0], h[4], h[1]}));
  EXPECT_EQ(led({h[4], h[1], h[0]}, 2), outline_of({h[4], h[1], h[6], h[5], h[0]}));
  // Round the hull vertex 1 from 2 to 6 lies the centre.
  EXPECT_EQ(led({h[6], h[1], h[2]}, 1), outline_of({h[6], h[0], h[1], h[2]}));
}

TEST_F(LeadAroundInnerNeighbours, InsertsNothingWhereTheTurnFindsNoWay) {
  // From 6 to 2 round vertex 1 lies only the infinite vertex.
  EXPECT_EQ(led({h[2], h[1], h[6]}, 1), outline_of({h[2], h[1], h[6]}));
  // prev and next the same vertex.
  EXPECT_EQ(led({h[1], h[2]}, 0), outline_of({h[1], h[2]}));
  // next (4) is no neighbour of 1.
  EXPECT_EQ(led({h[2], h[1], h[4]}, 1), outline_of({h[2], h[1], h[4]}));
  // prev (4) is not met within one turn from next.
  EXPECT_EQ(led({h[4], h[1], h[2]}, 1), outline_of({h[4], h[1], h[2]}));
}

}  // namespace
}  // namespace roofplanes
