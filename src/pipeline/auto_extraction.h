#pragma once

#include <cstddef>
#include <vector>

#include "observer/report.h"
#include "pipeline/parameters.h"
#include "pipeline/pass_extras.h"
#include "points/point_cloud.h"
#include "segments/roof_segment.h"

namespace roofplanes {

// The auto method's search, in place of the seed loop. Pass by pass, judges
// the best peak_candidates Hough peaks among the free roof points by the
// region each gives (grow_plane_region with plane_tolerance and
// regrow_rounds) and takes the one with most points within a third of
// plane_tolerance of its plane (ties: the larger), until that is smaller than
// min_segment_points (at least 3) or max_passes is reached. Then settles the
// points where regions meet (reassign_rounds > 0, reassign_points), merges
// neighbouring regions on one plane (merge_rms or merge_ratio > 0), joins
// free roof points next to a region within its own tolerance, merges again,
// drops fragments smaller than min_segment_points that do not cover
// min_face_area either (min_segment_points > 0), and looks for faces among the
// free roof points left (find_free_faces, by the same size). When the regions' size-weighted
// median rms exceeds rough_face_ratio × height_noise, all of that runs again
// with plane_tolerance = 3 × that rms. Then makes one segment per region: its points
// labelled with its index, its plane, its outline traced (trace_region_outline;
// a region without a triangle of its own walked by order_outline) and simplified.
// Segments and extras are appended in region order; taken points lose
// is_roof. Reports pass starts and one log line per pass through report.
// Returns the number of passes started.
std::size_t extract_segments_auto(PointCloud& cloud, const Parameters& parameters, RoofSegmentList& segments,
                                  std::vector<PassExtras>& extras, Report& report);

}  // namespace roofplanes
