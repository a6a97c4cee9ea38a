#pragma once

#include "points/point_triangulation.h"
#include "segments/roof_segment.h"

namespace roofplanes {

// The main loop. Each pass finds the dominant plane among the roof points not
// yet taken, keeps its largest connected region, grows it, walks its outline
// and appends one RoofSegment; the region's points then leave play. Runs while
// at least three points remain and stops at the first pass without a region.
// Progress goes to standard output and the execution log; per-pass scenes go
// under Testdaten_Tolvar/69/.
void extract_roof_segments(PointTriangulation& triangulation, RoofSegmentList& segments);

// After the loop: cluster_id 0 on every vertex, then i + 1 on the points of
// the segment at index i, whose number becomes i + 1.
void number_segments(PointTriangulation& triangulation, RoofSegmentList& segments);

// The program: reads Testdaten_Tolvar/69/Building_69.txt and roof.txt under
// the working directory, centres the points, extracts and numbers the
// segments and refines their outlines. Returns 0.
int run_pipeline();

}  // namespace roofplanes
