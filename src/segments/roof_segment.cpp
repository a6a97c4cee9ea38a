#include "segments/roof_segment.h"

#include <utility>

namespace roofplanes {

RoofSegment::RoofSegment(VertexList points) : points_(std::move(points)) {
  // The driver builds segments from non-empty regions only; an empty list
  // gets the label of a point that no region has reached.
  number_ = points_.empty() ? -1 : points_.front()->info().cluster_id();
}

void RoofSegment::set_plane(PlaneParams plane) {
  pan_ = plane[0];
  tilt_ = plane[1];
  s_ = plane[2];
}

void RoofSegment::set_outline(VertexList outline) {
  outline_.insert(outline_.end(), outline.begin(), outline.end());
}

void RoofSegment::set_number(int number) { number_ = number; }

int find_segment_no(const RoofSegmentList& segments, const int& number, Report& report) {
  for (std::size_t i = 0; i < segments.size(); ++i)
    if (segments[i].number() == number) return static_cast<int>(i);
  report.console_line("find_segment_no: no such segment no");
  return -1;
}

}  // namespace roofplanes
