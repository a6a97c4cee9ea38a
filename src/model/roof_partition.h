#pragma once

// The roof partition: the outline cut into one region per roof face, so that
// neighbouring faces share their edges. Ridges, hips and valleys follow the
// crossing of the neighbours' planes; height steps follow a line fitted to
// where the faces' points meet.

#include <optional>
#include <vector>

#include "model/building_attributes.h"
#include "model/building_model.h"
#include "model/roof_triangulation.h"

namespace roofplanes {

// A face's plane z = a·x + b·y + c, x and y local to the model's origin.
struct FacePlane {
  int segment = 0;  // Segment::number
  double a = 0.0, b = 0.0, c = 0.0;
};

struct PartitionOptions {
  // Two faces meet along their planes' crossing when it lies within
  // near_crossing spacings of the points where they meet (median), or within
  // crossing_distance spacings where the planes differ there by less than
  // step_height (median); else at a step, along the line fitted to those points.
  double near_crossing = 1.0;
  double crossing_distance = 4.0;
  double step_height = 0.2;
  // Points within this many spacings of a line at a step are on it.
  double step_tolerance = 0.75;
  // A line reaches this many spacings beyond the points it stands for before
  // it is carried on to the next line or the outline.
  double line_margin = 2.0;
  // Pieces smaller than this (m²) join the neighbour they share most edge with.
  double min_piece_area = 0.05;
};

struct Partition {
  RoofPartition partition;    // local x, y
  std::optional<double> rmse;  // vertical rms of the roof points inside the outline against their region's plane
};

// Cuts the outline (local x, y) by the lines where the faces of contacts meet
// (a CGAL arrangement with exact constructions; each line over the stretch of
// its faces' contact and line_margin beyond, carried on to the first other
// line or outline edge it meets; all of them snap-rounded to a grid of grid_step whose points
// include the local origin), labels every piece with the face most of its sample points hold
// (ties to the lower segment number; a piece without points takes the label
// of the neighbour it shares the longest edge with) and merges neighbouring
// pieces of one label. Collinear corners that only joined merged pieces are
// dropped. planes are by segment number, in any order; faces without a plane
// take part in no line. Empty partition when no sample point is labelled or
// the outline is empty.
Partition roof_partition(const std::vector<OutlinePolygon>& outline, const std::vector<FacePlane>& planes,
                         const std::vector<FaceContact>& contacts, const RoofSample& sample, double spacing,
                         double grid_step, const PartitionOptions& options = {});

}  // namespace roofplanes
