#pragma once

#include <cstddef>
#include <string>

#include "pipeline/building_input.h"

namespace roofplanes {

// Every constant of an extraction. The defaults are the seed values the
// fixed-path program runs with; the auto method's values below are read only
// when auto_method is set.
struct Parameters {
  double angle_resolution = 3.0;     // Hough direction cell, degrees
  double distance_resolution = 1.2;  // Hough distance cell, input units
  double blunder_sigma = 1.2;        // a point farther than shrink_factor × blunder_sigma from the fitted plane is dropped
  double shrink_factor = 0.658;
  double expansion_factor = 0.2;     // the region grows over points nearer than shrink_factor × expansion_factor
  double simplify_tolerance = 1.5;   // largest distance of an outline point from its corner polygon, input units
  unsigned min_points = 3;           // another pass starts while at least this many points remain
  std::size_t max_passes = 0;        // stop after this many passes; 0: no limit

  // The auto method: its own loop instead of the seed loop.
  bool auto_method = false;
  double point_spacing = 0.0;        // estimated spacing of the roof points (what the values below derive from)
  double height_noise = 0.0;         // estimated height noise σ of the roof points
  double plane_tolerance = 0.0;      // a point lies on a plane when its height residual is at most this
  std::size_t hough_voters = 0;      // at most this many roof points vote in a pass (0: all)
  double max_face_slope = 90.0;      // degrees; the search proposes no steeper plane (90: any)
  std::size_t peak_candidates = 1;   // Hough peaks judged per pass by the region each gives; 1: the best peak only
  std::size_t regrow_rounds = 0;     // rounds of fitting the plane and regrowing the region per pass
  std::size_t reassign_rounds = 0;   // rounds of moving points where segments meet to the plane they fit best (0: none)
  double smoothness = 0.0;           // weight of a neighbour in another segment, in squared residuals over the noise
  double merge_rms = 0.0;            // neighbouring segments merge when one plane fits both this well (0: no merging)
  // Neighbouring segments also merge when one plane fits both with an rms of
  // at most this times their pooled rms about their own planes (0: not by ratio).
  double merge_ratio = 0.0;
  // When the segments' own rms (size-weighted median) exceeds this times
  // height_noise, the faces are rougher than the noise estimate says: the
  // search runs again with plane_tolerance = 3 × that rms (0: never).
  double rough_face_ratio = 0.0;
  // Rounds of outline refinement a segment may take before it is left as it
  // is (an outline that keeps changing).
  std::size_t refine_rounds = 100;
  // The search stops when a pass's best region is smaller, and smaller
  // segments are dropped (0: keep every segment of three points or more).
  std::size_t min_segment_points = 0;
  // A region smaller than min_segment_points still stands as a face when
  // the plan area its own triangles cover (region_area) is at least this,
  // square input units, and it holds min_face_points (0: by points only).
  double min_face_area = 0.0;
  std::size_t min_face_points = 0;
};

// Empty when an extraction can run with these values; otherwise one line
// naming the first value that cannot (a resolution, factor or tolerance that
// is not a positive finite number, or an angle resolution above 90 degrees).
std::string check_parameters(const Parameters& parameters);

// The two ways of choosing the constants: the seed values, or values derived
// from the building's own scan with the auto method switched on.
enum class Preset { seed, automatic };

// The auto method's values for a scan of the given spacing and height noise
// (see the formulas in parameters.cpp); the seed values for a spacing or noise
// that is not positive and finite.
Parameters auto_parameters(double point_spacing, double height_noise);

// The auto method's values for a building: its spacing and noise estimated
// from its roof points (estimate_scan_quality), then auto_parameters.
// Throws std::invalid_argument when check_input finds a problem.
Parameters auto_parameters(const BuildingInput& input);
struct AutoBuilding;
Parameters auto_parameters(const AutoBuilding& building);  // the same for a building made ready

// The values of a preset for a building; the seed preset ignores the building.
Parameters preset_parameters(Preset preset, const BuildingInput& input);

// One "name value" line per parameter, in declaration order, values in the
// shortest form that reads back exactly.
std::string format_parameters(const Parameters& parameters);

}  // namespace roofplanes
