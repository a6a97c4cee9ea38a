#include "model/building_model.h"

#include <algorithm>
#include <cmath>

#include "model/building_outline.h"
#include "model/building_shell.h"
#include "model/roof_partition.h"
#include "model/roof_triangulation.h"
#include "model/shell_validity.h"

namespace roofplanes {
namespace {

// Lowest share of the non-roof points' heights taken as the ground when no
// ground point is known: low enough to pass under bushes and walls, high
// enough to ignore a few points below the ground.
constexpr double kGroundPercentile = 0.05;
// Without any point but the roof's, the ground is assumed this far below
// the lowest roof point.
constexpr double kAssumedWallHeight = 3.0;
constexpr double kBlockPercentile = 0.70;

double percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const double at = share * static_cast<double>(values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (at - static_cast<double>(below)) * (values[above] - values[below]);
}

std::vector<OutlinePolygon> shifted(const std::vector<OutlinePolygon>& outline, double dx, double dy) {
  std::vector<OutlinePolygon> out = outline;
  auto move = [&](std::vector<Point>& ring) {
    for (Point& p : ring) p.x += dx, p.y += dy, p.z = 0.0;
  };
  for (OutlinePolygon& polygon : out) {
    move(polygon.outer);
    for (auto& hole : polygon.holes) move(hole);
  }
  return out;
}

}  // namespace

const char* ground_source_name(GroundSource source) {
  switch (source) {
    case GroundSource::given:
      return "given";
    case GroundSource::ground_points:
      return "ground points";
    case GroundSource::non_roof_points:
      return "non-roof points";
    case GroundSource::assumed:
      break;
  }
  return "assumed";
}

BuildingModel building_model(const BuildingInput& input, const Result& result, const ModelOptions& options) {
  BuildingModel model;
  model.faceless = result.segments.empty();
  const double ox = options.grid.translate.x, oy = options.grid.translate.y;

  RoofSample sample;
  std::vector<double> roof_z, other_z, ground_z;
  for (std::size_t i = 0; i < input.points.size(); ++i) {
    const Point& p = input.points[i];
    const bool roof = i < input.roof.size() && input.roof[i] != 0;
    if (roof) {
      sample.points.push_back(Point{p.x - ox, p.y - oy, p.z});
      sample.labels.push_back(i < result.labels.size() ? result.labels[i] : 0);
      roof_z.push_back(p.z);
    } else {
      other_z.push_back(p.z);
    }
    if (i < options.ground.size() && options.ground[i] != 0) ground_z.push_back(p.z);
  }

  // Ground height, from the best source there is.
  if (options.ground_height) {
    model.ground_height = *options.ground_height;
    model.ground_source = GroundSource::given;
  } else if (!ground_z.empty()) {
    model.ground_height = percentile(ground_z, 0.5);
    model.ground_source = GroundSource::ground_points;
  } else if (!other_z.empty()) {
    model.ground_height = percentile(other_z, kGroundPercentile);
    model.ground_source = GroundSource::non_roof_points;
  } else if (!roof_z.empty()) {
    model.ground_height = *std::min_element(roof_z.begin(), roof_z.end()) - kAssumedWallHeight;
    model.ground_source = GroundSource::assumed;
  }
  if (sample.points.empty()) {
    model.problem = "no roof points";
    return model;
  }
  model.lod12_height = percentile(roof_z, kBlockPercentile);

  RoofTriangulation triangulation = triangulate_roof(sample);
  const double spacing = triangulation.spacing;
  std::vector<OutlinePolygon> outline;
  if (!options.footprint.empty())
    outline = shifted(options.footprint, -ox, -oy);
  else if (spacing > 0.0)
    outline = roof_outline(triangulation, sample.labels);
  model.outline = shifted(outline, ox, oy);
  if (outline.empty()) {
    model.problem = "the roof points have no outline";
    return model;
  }
  model.lod12 = lod12_shell(outline, model.ground_height, model.lod12_height, options.grid);

  std::vector<FacePlane> planes;
  for (const Segment& s : result.segments) {
    if (!(s.normal.z > 0.0)) continue;
    const double a = -s.normal.x / s.normal.z, b = -s.normal.y / s.normal.z;
    const double c = -(s.normal.x * ox + s.normal.y * oy + s.d) / s.normal.z;
    planes.push_back(FacePlane{s.number, a, b, c});
  }
  // A face the solid cannot take (its cell dips below the ground, or pinches
  // its polygon) costs the building its solid: the solid is made again
  // without the smallest face left, until it is valid or one face is left.
  // The faces left out keep their segments; only the solid goes without them.
  std::vector<std::pair<std::size_t, int>> by_size;  // (points, number), smallest first, then the higher number
  for (const Segment& s : result.segments)
    if (s.normal.z > 0.0) by_size.emplace_back(s.points.size(), -s.number);  // the faces with a plane
  std::sort(by_size.begin(), by_size.end());
  Partition partition;
  for (std::size_t dropped = 0;; ++dropped) {
    const auto contacts = face_contacts(triangulation, sample, 3.0 * spacing);
    partition = roof_partition(outline, planes, contacts, sample, spacing, options.grid.scale.x);
    model.rmse = partition.rmse;
    if (partition.partition.regions.empty()) {
      if (dropped == 0) {
        model.problem = "no roof face to model";
        model.faceless = true;
      }
      break;
    }
    std::string problem;
    Shell shell = lod22_shell(partition.partition, planes, model.ground_height, options.grid, problem);
    if (problem.empty()) problem = shell_problem(shell, options.grid);
    if (problem.empty()) {
      model.lod22 = std::move(shell);
      model.problem.clear();
      break;
    }
    if (dropped == 0) {  // the reason and the partition with every face, should none do
      model.problem = problem;
      model.partition = partition.partition;
    }
    if (planes.size() <= 1 || dropped == by_size.size()) break;
    const int number = -by_size[dropped].second;
    model.left_out_faces.push_back(number);
    std::erase_if(planes, [&](const FacePlane& plane) { return plane.segment == number; });
    for (int& label : sample.labels)
      if (label == number) label = 0;
  }
  if (model.lod22.surfaces.empty()) {
    model.left_out_faces.clear();
    if (!model.faceless) partition.partition = std::move(model.partition);
  }
  model.partition = std::move(partition.partition);
  for (Point& p : model.partition.vertices) p.x += ox, p.y += oy;
  return model;
}

}  // namespace roofplanes
