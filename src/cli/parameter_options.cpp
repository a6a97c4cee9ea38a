#include "cli/parameter_options.h"

namespace roofplanes {

void add_parameter_options(CLI::App& command, Parameters& parameters) {
  const char* group = "Parameters";
  command.add_option("--angle-resolution", parameters.angle_resolution, "Hough direction cell, degrees")
      ->capture_default_str()->group(group);
  command.add_option("--distance-resolution", parameters.distance_resolution, "Hough distance cell, metres")
      ->capture_default_str()->group(group);
  command.add_option("--blunder-sigma", parameters.blunder_sigma,
                     "points farther than shrink-factor x blunder-sigma from the fitted plane are dropped")
      ->capture_default_str()->group(group);
  command.add_option("--shrink-factor", parameters.shrink_factor, "factor of both distance thresholds")
      ->capture_default_str()->group(group);
  command.add_option("--expansion-factor", parameters.expansion_factor,
                     "a region grows over points nearer than shrink-factor x expansion-factor to its plane")
      ->capture_default_str()->group(group);
  command.add_option("--simplify-tolerance", parameters.simplify_tolerance,
                     "largest distance of an outline point from the corner polygon, metres")
      ->capture_default_str()->group(group);
  command.add_option("--min-points", parameters.min_points, "another pass starts while this many points remain")
      ->capture_default_str()->group(group);
  command.add_option("--max-passes", parameters.max_passes, "stop after this many passes (0: no limit)")
      ->capture_default_str()->group(group);
}

}  // namespace roofplanes
