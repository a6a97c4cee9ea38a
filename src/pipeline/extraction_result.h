#pragma once

#include <cstddef>
#include <vector>

#include "observer/extraction_observer.h"
#include "pipeline/parameters.h"

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
  // The ordered outline as walked: border points of the segment, counterclockwise
  // seen from above, each a triangulation neighbour of the next.
  std::vector<std::size_t> outline;
  // The outline after refinement where segments meet; it may lead through
  // points of a neighbouring segment.
  std::vector<std::size_t> refined_outline;
  std::vector<std::size_t> corners;  // the simplified corner polygon of the outline, in outline order
};

// What an extraction found.
struct Result {
  std::vector<Segment> segments;  // in number order
  std::vector<int> labels;        // one per input point: its segment's number, 0 = none
  Point centroid;                 // the run works in coordinates centred here
  std::size_t passes = 0;         // passes started, the last one included
  Parameters parameters;          // the constants the run used
};

}  // namespace roofplanes

namespace roofplanes {

// Slope of a segment's plane from the horizontal, degrees in [0, 90].
double slope_degrees(const Segment& segment);

// Aspect of a segment's plane: the downslope direction, degrees clockwise from
// the +y axis (grid north) in [0, 360); 0 for a level plane.
double aspect_degrees(const Segment& segment);

}  // namespace roofplanes
