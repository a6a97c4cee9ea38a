#pragma once

#include "observer/report.h"
#include "planes/hough_search.h"
#include "planes/plane_params.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Finds the dominant plane among the roof points (is_roof set) with a Hough
// transform over plane directions (tilt, pan) and distances s. Every roof point
// votes, in each direction of the grid at angle_resolution degrees, for the s
// level of width about s_resolution that n · p falls into; the cell with the
// most votes wins (the first in tilt, pan, s order on a tie). output is replaced
// by the winning cell's points in vertex iteration order. Returns [pan, tilt, s]
// with the winning band centres in radians and s the mean of n · p over those
// points. Reports the grid, the vote count and the winner to the execution log.
// Without any cell (no roof point, or no s level) output is left empty and
// [0, 0, 0] is returned. Changes no label. Counts with the threads of the
// calling task arena; the result does not depend on their number.
PlaneParams hough_TDS(const PointTriangulation& triangulation, VertexList& output, double angle_resolution,
                      double s_resolution, Report& report);

// The same, pass after pass of one extraction: search carries the roof points
// in play and the vote counts between calls (see HoughSearch), so a pass costs
// the points in play and the votes of the points that left play; when the
// distance grid changes, only the directions that might hold the winning cell
// are counted again. Grids above search.grid_budget are counted one direction
// at a time, with the same result and log.
PlaneParams hough_TDS(const PointTriangulation& triangulation, HoughSearch& search, VertexList& output,
                      double angle_resolution, double s_resolution, Report& report);

}  // namespace roofplanes
