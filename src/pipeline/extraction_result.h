#pragma once

#include <cstddef>
#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// One roof face. Point indices refer to BuildingInput::points; a vertex shared
// by several records is named by its first record.
struct Segment {
  int number = 0;  // 1, 2, … in the order the passes found them
  // The plane as the run holds it, in coordinates centred on Result::centroid:
  // n = (cos tilt · cos pan, cos tilt · sin pan, sin tilt), n · (p − centroid) = s.
  double pan = 0.0, tilt = 0.0, s = 0.0;
  // The least-squares plane of the segment's points in the input's
  // coordinates: n · p + d = 0, |n| = 1, n pointing up (n.z > 0).
  Point normal;
  double d = 0.0;
  double rms = 0.0;  // root mean square distance of the segment's points from that plane
  std::vector<std::size_t> points;   // in the order the region took them
  std::vector<std::size_t> outline;  // ordered outline, counterclockwise seen from above, after refinement
  std::vector<std::size_t> corners;  // the simplified corner polygon of the outline, in outline order
};

// What an extraction found.
struct Result {
  std::vector<Segment> segments;  // in number order
  std::vector<int> labels;        // one per input point: its segment's number, 0 = none
  Point centroid;                 // the run works in coordinates centred here
  std::size_t passes = 0;         // passes started, the last one included
};

}  // namespace roofplanes
