#include "pipeline/parameters.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "pipeline/auto_building.h"

namespace roofplanes {

std::string check_parameters(const Parameters& parameters) {
  const struct {
    const char* name;
    double value;
  } positive[] = {
      {"angle resolution", parameters.angle_resolution},
      {"distance resolution", parameters.distance_resolution},
      {"blunder sigma", parameters.blunder_sigma},
      {"shrink factor", parameters.shrink_factor},
      {"expansion factor", parameters.expansion_factor},
      {"simplify tolerance", parameters.simplify_tolerance},
  };
  for (const auto& [name, value] : positive)
    if (!std::isfinite(value) || !(value > 0.0))
      return std::string(name) + " must be a positive finite number";
  // Coarser than the whole tilt range leaves no direction to search.
  if (parameters.angle_resolution > 90.0) return "angle resolution must be at most 90 degrees";
  if (parameters.auto_method) {
    if (!std::isfinite(parameters.plane_tolerance) || !(parameters.plane_tolerance > 0.0))
      return "plane tolerance must be a positive finite number";
    if (!std::isfinite(parameters.merge_rms) || parameters.merge_rms < 0.0)
      return "merge rms must be a finite number, at least 0";
    // No direction is left to search without a slope above 0.
    if (!(parameters.max_face_slope > 0.0 && parameters.max_face_slope <= 90.0))
      return "max face slope must be more than 0 and at most 90 degrees";
  }
  return {};
}

Parameters auto_parameters(double point_spacing, double height_noise) {
  Parameters p;
  if (!std::isfinite(point_spacing) || !(point_spacing > 0.0) || !std::isfinite(height_noise) ||
      !(height_noise >= 0.0))
    return p;
  p.auto_method = true;
  p.point_spacing = point_spacing;
  p.height_noise = height_noise;
  // A point is on a plane within three standard deviations of the noise,
  // never less than a centimetre (millimetre coordinates, noise-free scans).
  //   plane_tolerance = max(3 σ, 0.01)
  p.plane_tolerance = std::max(3.0 * height_noise, 0.01);
  // A distance cell as wide as the band of a face's points (± plane_tolerance):
  // finer cells split a face's votes, coarser ones let a slab across small
  // faces (dormers) outvote each of them. Directions every 2°: a face of 10 m
  // whose direction is half a cell off still spreads over no more than about
  // 0.17 m, and the refit after the search corrects the direction.
  //   angle_resolution    = 2°
  //   distance_resolution = 2 · plane_tolerance
  p.angle_resolution = 2.0;
  p.distance_resolution = 2.0 * p.plane_tolerance;
  // The outline zig-zags by about one spacing; corners closer than that are noise.
  //   simplify_tolerance = 2 · spacing
  p.simplify_tolerance = 2.0 * point_spacing;
  // At most 1,500 voters: the peaks only propose planes that the regions
  // then judge, and a few points per square metre of each face are enough to
  // propose it; more voters cost every pass the same again.
  p.hough_voters = 1500;
  // A plane steeper than 75° is a wall: facade points are classed as
  // building, and the steepest quarter of the direction grid would cost a
  // quarter of every vote. Mansard faces stay below it.
  //   max_face_slope = 75°
  p.max_face_slope = 75.0;
  // Each pass judges the five best distinct cells by the region each grows,
  // refitting the plane and regrowing up to three times.
  //   peak_candidates = 5, regrow_rounds = 3
  p.peak_candidates = 5;
  p.regrow_rounds = 3;
  // Where segments meet, each point goes to the plane it fits best, in up to
  // ten rounds, unless its neighbours hold it: each neighbour in another
  // segment costs as much as half a noise unit of squared residual.
  //   reassign_rounds = 10, smoothness = 0.5
  p.reassign_rounds = 10;
  p.smoothness = 0.5;
  // Two segments on one plane fit it as well as one segment does: within the noise, with room.
  //   merge_rms = 1.5 σ  (at least 0.01)
  p.merge_rms = std::max(1.5 * height_noise, 0.01);
  // ... or when one plane fits both about as well as each fits its own
  // points: a rough face that a tight tolerance cut into bands.
  //   merge_ratio = 1.5
  p.merge_ratio = 1.5;
  // The noise estimate sees only the smallest scale of a real roof's
  // roughness (strips a few centimetres apart, tiles); whole faces' own rms
  // tells the rest. Above 1.3 σ (1.0 σ for a face within ±3 σ, plus the
  // estimate's error) the search runs again with 3 × that rms.
  //   rough_face_ratio = 1.3
  p.rough_face_ratio = 1.3;
  // An outline that still changes after ten rounds of refinement swaps the
  // same points back and forth between two faces of one rough roof; another
  // ninety rounds cost a tenth of a second on a terrace row and settle nothing.
  //   refine_rounds = 10
  p.refine_rounds = 10;
  // A face smaller than about 2 m² (or 8 points) is no face of its own: the
  // search stops when its best region is smaller, and smaller segments are
  // dropped.
  //   min_segment_points = max(8, ceil(2 m² / spacing²))
  p.min_segment_points =
      static_cast<std::size_t>(std::max(8.0, std::ceil(2.0 / (point_spacing * point_spacing))));
  // The spacing is a median over the whole building, smallest where flight
  // strips overlap, so a count stands for 2 m² only where the points lie as
  // densely as that median. A region is also large enough by the plan area
  // its own triangles cover (region_area). That measure shows less than the
  // face: the strip beyond its border points and the points the tolerance or
  // a neighbouring face took stay out; a face of 2 m² (1.4 m across, its
  // border band of one spacing and the noisy points off it gone) shows about
  // half, 1 m², at the spacings of airborne scans. Eight points at least, as above.
  //   min_face_area = 1 m², min_face_points = 8
  p.min_face_area = 1.0;
  p.min_face_points = 8;
  return p;
}

Parameters auto_parameters(const AutoBuilding& building) {
  return auto_parameters(building.quality.spacing, building.quality.noise);
}

Parameters auto_parameters(const BuildingInput& input) {
  // In canonical order, as the auto method runs: the same estimate whatever the records' order.
  const AutoBuilding building(input);
  return auto_parameters(building);
}

Parameters preset_parameters(Preset preset, const BuildingInput& input) {
  return preset == Preset::automatic ? auto_parameters(input) : Parameters{};
}

std::string format_parameters(const Parameters& p) {
  std::string text;
  const auto line = [&](const char* name, double value) {
    // The shortest text that reads back as the same double.
    char number[64];
    const auto end = std::to_chars(number, number + sizeof number, value).ptr;
    text += std::string(name) + " " + std::string(number, end) + "\n";
  };
  const auto count = [&](const char* name, std::size_t value) {
    text += std::string(name) + " " + std::to_string(value) + "\n";
  };
  line("angle_resolution", p.angle_resolution);
  line("distance_resolution", p.distance_resolution);
  line("blunder_sigma", p.blunder_sigma);
  line("shrink_factor", p.shrink_factor);
  line("expansion_factor", p.expansion_factor);
  line("simplify_tolerance", p.simplify_tolerance);
  count("min_points", p.min_points);
  count("max_passes", p.max_passes);
  count("auto_method", p.auto_method ? 1 : 0);
  line("point_spacing", p.point_spacing);
  line("height_noise", p.height_noise);
  line("plane_tolerance", p.plane_tolerance);
  count("hough_voters", p.hough_voters);
  count("peak_candidates", p.peak_candidates);
  count("regrow_rounds", p.regrow_rounds);
  count("reassign_rounds", p.reassign_rounds);
  line("smoothness", p.smoothness);
  line("merge_rms", p.merge_rms);
  count("min_segment_points", p.min_segment_points);
  // The later additions only where they are read, so the seed preset's list stays as it was.
  if (p.auto_method) {
    line("merge_ratio", p.merge_ratio);
    line("rough_face_ratio", p.rough_face_ratio);
    count("refine_rounds", p.refine_rounds);
    line("min_face_area", p.min_face_area);
    count("min_face_points", p.min_face_points);
    line("max_face_slope", p.max_face_slope);
  }
  return text;
}

}  // namespace roofplanes
