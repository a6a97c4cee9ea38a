#pragma once

#include <list>
#include <vector>

#include "observer/report.h"
#include "planes/plane_params.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// An outline in walking order; refinement inserts and erases in the middle
// while walking it, so it is a doubly linked list of handles.
using OutlineList = std::list<Vertex_handle>;

// One roof face found by one pass: its plane in Hough normal form
// (x·cos pan·cos tilt + y·sin pan·cos tilt + z·sin tilt = s), its points and
// its ordered outline. A plain value: copies own their own containers of
// handles; the vertices belong to the triangulation.
class RoofSegment {
 public:
  // Takes the region's points; number = cluster_id of the first point (its
  // pass number during the main loop); -1 for an empty list. The plane is
  // 0, 0, 0 until set_plane.
  explicit RoofSegment(VertexList points);

  // plane = [pan, tilt, s].
  void set_plane(PlaneParams plane);
  // Appends the handles of outline, in order, behind the current outline.
  void set_outline(VertexList outline);
  void set_number(int number);

  int number() const { return number_; }
  double pan() const { return pan_; }
  double tilt() const { return tilt_; }
  double s() const { return s_; }
  const VertexList& points() const { return points_; }
  // A copy the caller may change freely.
  OutlineList outline() const { return outline_; }
  // The outline itself, for refinement, which rewrites it in place.
  OutlineList& mutable_outline() { return outline_; }

 private:
  // Declared in this order so that destruction releases the outline first,
  // then the points.
  int number_;
  double pan_ = 0.0;
  double tilt_ = 0.0;
  double s_ = 0.0;
  VertexList points_;
  OutlineList outline_;
};

// The driver's segments in pass order.
using RoofSegmentList = std::vector<RoofSegment>;

// Index of the first segment, from index 0 upward, whose number is number.
// When there is none, reports "find_segment_no: no such segment no" to the
// console and returns -1; callers skip that result.
int find_segment_no(const RoofSegmentList& segments, const int& number, Report& report);

}  // namespace roofplanes
