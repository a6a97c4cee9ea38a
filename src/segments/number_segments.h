#pragma once

#include "points/point_triangulation.h"
#include "segments/roof_segment.h"

namespace roofplanes {

// Numbers the segments once the main loop is done: cluster_id 0 on every
// vertex, then i + 1 on the points of the segment at index i, whose number
// becomes i + 1. Refinement relies on this numbering.
void number_segments(PointTriangulation& triangulation, RoofSegmentList& segments);

}  // namespace roofplanes
