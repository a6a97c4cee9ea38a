#include "segments/roof_segment.h"

#include <gtest/gtest.h>

#include "support/captured_report.h"
#include "support/outlines.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::triangulation_of;
using testing::vertices_of;

using testing::outline_of;

TEST(RoofSegment, TakesNumberFromFirstPointAndKeepsPlane) {
  PointTriangulation t = triangulation_of({{0, 0, 1}, {4, 0, 2}, {0, 3, 3}});
  VertexList v = vertices_of(t);
  v[1]->info().set_cluster_id(7);
  v[0]->info().set_cluster_id(2);

  RoofSegment segment({v[1], v[0], v[2]});
  EXPECT_EQ(segment.number(), 7);
  EXPECT_EQ(segment.points(), (VertexList{v[1], v[0], v[2]}));
  EXPECT_TRUE(segment.outline().empty());

  segment.set_plane({0.25, -1.5, 12.75});
  EXPECT_EQ(segment.pan(), 0.25);
  EXPECT_EQ(segment.tilt(), -1.5);
  EXPECT_EQ(segment.s(), 12.75);

  segment.set_number(3);
  EXPECT_EQ(segment.number(), 3);
  // The label is only read at construction.
  EXPECT_EQ(v[1]->info().cluster_id(), 7);
}

TEST(RoofSegment, SetOutlineAppends) {
  PointTriangulation t = triangulation_of({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}, {5, 5, 0}});
  VertexList v = vertices_of(t);
  RoofSegment segment(v);
  segment.set_outline({v[0], v[1], v[2]});
  EXPECT_EQ(segment.outline(), outline_of({v[0], v[1], v[2]}));
  segment.set_outline({v[3], v[0]});
  EXPECT_EQ(segment.outline(), outline_of({v[0], v[1], v[2], v[3], v[0]}));
}

TEST(FindSegmentNo, FindsFirstSegmentWithNumber) {
  PointTriangulation t = triangulation_of({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}});
  VertexList v = vertices_of(t);
  RoofSegmentList segments(4, RoofSegment({v[0]}));
  for (std::size_t i = 0; i < segments.size(); ++i) segments[i].set_number(static_cast<int>(i) + 1);

  testing::CapturedReport found;
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(find_segment_no(segments, k, found.report), k - 1);
  EXPECT_EQ(found.observer.console_text, "");

  segments[3].set_number(2);
  EXPECT_EQ(find_segment_no(segments, 2, testing::silent_report()), 1);
  segments[0].set_number(2);
  EXPECT_EQ(find_segment_no(segments, 2, testing::silent_report()), 0);

  testing::CapturedReport missing;
  EXPECT_EQ(find_segment_no(segments, 5, missing.report), -1);
  EXPECT_EQ(find_segment_no(RoofSegmentList{}, 1, missing.report), -1);
  EXPECT_EQ(missing.observer.console_text,
            "find_segment_no: no such segment no\nfind_segment_no: no such segment no\n");
}

}  // namespace
}  // namespace roofplanes
