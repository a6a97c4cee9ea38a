#pragma once

#include <vector>

#include "observer/report.h"
#include "points/point_triangulation.h"
#include "segments/roof_segment.h"

namespace roofplanes {

// Rounds a segment may take before refinement leaves it as settled.
constexpr int kMaxRefinementRounds = 100;

// Refines the outlines of the numbered segments (number i + 1 at index i,
// points labelled with it, 0 elsewhere) where they meet other segments. Each
// segment in turn is walked in rounds; an outline vertex that fits a
// neighbouring segment's plane better than its own is taken out and the outline
// is led round it through its inner neighbours. A segment is left after a round
// without removal or after max_rounds rounds. Reports "round r about
// border i", "processing vertex <index>" and "removing" lines to the console
// and, at the end, the refined outline of the segment at index 0 as the scene
// "work/ob0_after_first_round.wrl" (when there is a segment). Only outlines change.
void refine_segments(RoofSegmentList& segments, const PointTriangulation& triangulation, Report& report,
                     int max_rounds = kMaxRefinementRounds);

// Whether v's residual to the plane of segments[own] exceeds the integer part
// of its largest residual to the planes of the segments numbered in
// neighbour_numbers (ascending, distinct; numbers no segment has are skipped).
// False when there are no neighbour numbers.
bool better_fit_elsewhere(const std::vector<int>& neighbour_numbers, const RoofSegmentList& segments,
                          int own, Vertex_handle v, Report& report);

// For the outline element at position (of segment's own outline) with
// neighbours prev and next in the cyclic outline: inserts, in front of it, the
// finite neighbours of its vertex met when turning counterclockwise from next
// to prev, so the outline reads prev, w_k, …, w_1, v, next. Nothing is inserted
// when prev and next are the same vertex, when next is not a neighbour, or when
// prev is not met within one turn from next.
void lead_around_inner_neighbours(RoofSegment& segment, OutlineList::iterator position,
                                  const PointTriangulation& triangulation);

}  // namespace roofplanes
