#include "pipeline/extract_roof_planes.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "observer/report.h"
#include "pipeline/auto_building.h"
#include "pipeline/auto_extraction.h"
#include "pipeline/pass_extras.h"
#include "pipeline/vrml_file_name.h"
#include "planes/fit_plane.h"
#include "planes/hough_TDS.h"
#include "planes/hough_levels.h"
#include "planes/plane_residual.h"
#include "planes/remove_blunders.h"
#include "points/centre_points.h"
#include "points/clear_labels.h"
#include "points/mark_roof_points.h"
#include "points/point_cloud.h"
#include "points/vertex_scene.h"
#include "regions/detect_border.h"
#include "regions/expand_region.h"
#include "regions/order_outline.h"
#include "regions/select_largest_cluster.h"
#include "segments/number_segments.h"
#include "segments/refine_segments.h"
#include "segments/roof_segment.h"
#include "segments/simplify_outer_border.h"

namespace roofplanes {
namespace {

void write_points_scene(Report& report, const std::string& prefix, int pass, const VertexList& points) {
  report_scene(report, SceneKind::points, vrml_file_name(prefix, pass, ".wrl"), "blue", points);
}

// The largest distance of a roof point from the origin, as the plane search
// computes it, without its console warning: the check before the first pass
// must not add output.
double roof_distance_range(const PointCloud& cloud) {
  double largest = 0.0;
  for (const Vertex_handle& v : cloud.vertices) {
    if (!v->info().is_roof()) continue;
    const Point3& p = v->point();
    const double dx = p.x() - 0.0, dy = p.y() - 0.0, dz = p.z() - 0.0;
    const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (distance > largest) largest = distance;
  }
  return largest;
}

// Refuses a building whose roof points lie so far from its centre that the
// plane search would need more distance levels than it allows (a stray point
// kilometres away, an intensity column read as z): the level count is checked
// as the search computes it, before any pass runs. Later passes only shrink it.
void check_distance_levels(const PointCloud& cloud, double distance_resolution) {
  const double d = roof_distance_range(cloud);
  const double quotient = ((d + hough_s_margin) - (-d)) / distance_resolution;
  // round_half_down(quotient) exceeds the bound exactly when quotient > bound + 0.5.
  if (std::isfinite(d) && quotient <= max_distance_levels + 0.5) return;
  std::ostringstream message;
  message << "roof points reach " << d << " from the centre of the building; the plane search allows at most "
          << static_cast<long long>(max_distance_levels) << " distance levels";
  throw std::length_error(message.str());
}

PlaneParams plane_fit(const VertexList& points, Report& report, PlaneCoefficients* coefficients = nullptr) {
  const PlaneCoefficients fit = fit_plane(points, report);
  if (coefficients != nullptr) *coefficients = fit;
  return plane_params_from_fit(fit);
}

// The main loop: one segment per pass while enough points remain, until a pass
// finds no region. Returns the number of passes started.
std::size_t extract_segments(PointCloud& cloud, const Parameters& parameters, RoofSegmentList& segments,
                             std::vector<PassExtras>& extras, Report& report) {
  PointTriangulation& triangulation = cloud.triangulation;
  double shrink_factor = parameters.shrink_factor;
  double expansion_factor = parameters.expansion_factor;
  int pass = 0;
  unsigned int remaining = static_cast<unsigned int>(triangulation.number_of_vertices());
  std::size_t roof_in_play = 0;
  for (const Vertex_handle& v : cloud.vertices) roof_in_play += v->info().is_roof() ? 1 : 0;

  HoughSearch search;
  std::size_t passes = 0;
  while (remaining >= parameters.min_points && (parameters.max_passes == 0 || passes < parameters.max_passes)) {
    ++passes;
    report.observer().pass_started(pass, roof_in_play);
    report.log_line("///////////////////");
    report.log_line("ITTERATION ", pass);
    report.log_line("///////////////////");

    report.console_line("Hough");
    VertexList region;
    hough_TDS(triangulation, search, region, parameters.angle_resolution, parameters.distance_resolution, report);

    report.console_line("Plane fit");
    PlaneParams plane = plane_fit(region, report);

    report.console_line("Schrinking :: Removing Blunders");
    std::vector<double> residuals = plane_residuals(region, plane);
    report.log("the plane had ", region.size(), " points ");
    remove_blunders(region, residuals, shrink_factor, parameters.blunder_sigma);
    // Exactly these points are flagged on the plane; they are reset at the end of the pass.
    const VertexList on_plane = region;
    report.log_line("and after schrinking it has ", region.size());

    report.console_line("Schrinking :: Largest Cluster Selection");
    select_largest_cluster(region, triangulation, pass, report);
    report.log_line("the largest cluster has ", region.size());
    if (region.empty()) break;

    report.console_line("Border");
    VertexList border = detect_border(region, triangulation);
    report.log_line("the border of the largest cluster has ", border.size());

    report.console_line("Plane fit");
    plane = plane_fit(region, report);

    report.console_line("Expanding");
    write_points_scene(report, "test", pass, region);
    expand_region(border, region, triangulation, plane, shrink_factor, expansion_factor);
    report.log_line("and after expanding the largest cluster has ", region.size());
    report.log_line("and after expanding the border of the largest cluster has ", border.size());

    report.console_line("Detect and order the outline");
    write_points_scene(report, "border_", pass, border);
    VertexList outline = order_outline(border, triangulation, report);
    report.console_line("the border has size of ", border.size(), " and the ordered border as size of ",
                        outline.size());
    report.log_line("The ordered outer border after expanding has ", outline.size());

    RoofSegment segment(region);
    report.console_line("Plane fit");
    PassExtras extra;
    plane = plane_fit(region, report, &extra.fit);
    segment.set_plane(plane);
    // The walk reads marks only for being non-zero, so walking the same
    // border again gives the same outline.
    VertexList segment_outline = order_outline(border, triangulation, report);
    segment.set_outline(segment_outline);
    write_points_scene(report, "oob_this_segment", pass, segment_outline);
    segments.push_back(segment);
    extra.outline = std::move(segment_outline);

    report.console_line("Simplify the outer border");
    extra.corners = simplify_outer_border(outline, parameters.simplify_tolerance, report);
    // No line end: the next console output continues this line.
    report.console("the simplified outer border has size of ", extra.corners.size());
    report_scene(report, SceneKind::polygon, "poly_simplified_outer_border.wrl", "blue", extra.corners);
    extras.push_back(std::move(extra));

    remaining -= static_cast<unsigned int>(region.size());
    roof_in_play -= region.size();
    clear_is_roof(triangulation, region);
    clear_on_plane(on_plane);
    for (const Vertex_handle& v : border) v->info().set_border_mark(0);
    ++pass;
  }
  return passes;
}

template <class Vertices>
std::vector<std::size_t> records_of(const PointCloud& cloud, const Vertices& vertices) {
  std::vector<std::size_t> records;
  records.reserve(vertices.size());
  for (const Vertex_handle& v : vertices)
    records.push_back(cloud.first_record[static_cast<std::size_t>(v->info().position())]);
  return records;
}

Result make_result(const PointCloud& cloud, const std::vector<double>& centroid, const RoofSegmentList& segments,
                   const std::vector<PassExtras>& extras, std::size_t passes) {
  Result result;
  result.centroid = {centroid[0], centroid[1], centroid[2]};
  result.passes = passes;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const RoofSegment& from = segments[i];
    Segment segment;
    segment.number = from.number();
    segment.pan = from.pan();
    segment.tilt = from.tilt();
    segment.s = from.s();
    // z' = a·x' + b·y' + c in centred coordinates, i.e. n · p' = c / w with
    // n = (−a, −b, 1) / w; moved back to the input's coordinates.
    const double a = extras[i].fit[0], b = extras[i].fit[1], c = extras[i].fit[2];
    const double w = std::sqrt(a * a + b * b + 1.0);
    segment.normal = {-a / w, -b / w, 1.0 / w};
    const double offset = c / w;
    segment.d = -(segment.normal.x * result.centroid.x + segment.normal.y * result.centroid.y +
                  segment.normal.z * result.centroid.z + offset);
    double sum = 0.0;
    for (const Vertex_handle& v : from.points()) {
      const Point3& p = v->point();
      const double r = segment.normal.x * p.x() + segment.normal.y * p.y() + segment.normal.z * p.z() - offset;
      sum += r * r;
    }
    segment.rms = from.points().empty() ? 0.0 : std::sqrt(sum / static_cast<double>(from.points().size()));
    segment.points = records_of(cloud, from.points());
    segment.outline = records_of(cloud, extras[i].outline);
    segment.refined_outline = records_of(cloud, from.outline());
    segment.corners = records_of(cloud, extras[i].corners);
    result.segments.push_back(std::move(segment));
  }
  result.labels.reserve(cloud.position_of_record.size());
  for (const std::int32_t position : cloud.position_of_record)
    result.labels.push_back(cloud.vertices[static_cast<std::size_t>(position)]->info().cluster_id());
  return result;
}

// The extraction of a triangulated cloud whose roof points are marked.
Result extract_cloud(PointCloud& cloud, const Parameters& parameters, ExtractionObserver& observer) {
  Report report(observer);
  const std::vector<double> centroid = centre_points(cloud.triangulation);
  check_distance_levels(cloud, parameters.distance_resolution);

  RoofSegmentList segments;
  std::vector<PassExtras> extras;
  const std::size_t passes = parameters.auto_method
                                 ? extract_segments_auto(cloud, parameters, segments, extras, report)
                                 : extract_segments(cloud, parameters, segments, extras, report);

  report.console_line("there are that many segments: ", segments.size());
  number_segments(cloud.triangulation, segments);
  report.console_line("Refining Segments");
  refine_segments(segments, cloud.triangulation, report, static_cast<int>(parameters.refine_rounds));
  Result result = make_result(cloud, centroid, segments, extras, passes);
  result.parameters = parameters;
  return result;
}

Result extract_in_input_order(const BuildingInput& input, const Parameters& parameters, ExtractionObserver& observer) {
  PointCloud cloud = triangulate_points(input.points);
  mark_roof_points(input.roof, cloud);
  return extract_cloud(cloud, parameters, observer);
}

// Distance of p from the segment's least-squares plane.
double plane_distance(const Segment& segment, const Point& p) {
  return std::fabs(segment.normal.x * p.x + segment.normal.y * p.y + segment.normal.z * p.z + segment.d);
}

// A result of the records in canonical order (order[k] the k-th) told in the
// input's records: each label goes back to its record, and a vertex is named
// by the first input record of its x and y.
// The triangulation holds one point of each x and y. Another record there
// (overlapping strips, a roof edge over a lower roof, a wall point under the
// eaves) may lie metres above or below it: it keeps the label only when it
// lies no farther from the segment's plane than the segment's own points do.
Result in_input_records(Result result, const BuildingInput& input, const std::vector<std::size_t>& order) {
  // Segments are in number order, 1, 2, …: label n is segments[n - 1].
  std::vector<double> farthest(result.segments.size(), 0.0);
  for (std::size_t i = 0; i < result.segments.size(); ++i)
    for (const std::size_t r : result.segments[i].points)
      farthest[i] = std::max(farthest[i], plane_distance(result.segments[i], input.points[order[r]]));
  // Records of one x and y are next to each other in canonical order.
  std::vector<std::size_t> first(order.size());
  for (std::size_t k = 0; k < order.size();) {
    std::size_t end = k + 1;
    std::size_t smallest = order[k];
    const Point& p = input.points[order[k]];
    for (; end < order.size(); ++end) {
      const Point& q = input.points[order[end]];
      if (q.x != p.x || q.y != p.y) break;
      smallest = std::min(smallest, order[end]);
    }
    for (std::size_t j = k + 1; j < end; ++j) {  // the vertex holds record k's point
      int& label = result.labels[j];
      const std::size_t i = static_cast<std::size_t>(label) - 1;
      if (label > 0 && plane_distance(result.segments[i], input.points[order[j]]) > farthest[i]) label = 0;
    }
    for (; k < end; ++k) first[k] = smallest;
  }
  const auto map = [&](std::vector<std::size_t>& records) {
    for (std::size_t& r : records) r = first[r];
  };
  for (Segment& segment : result.segments) {
    map(segment.points);
    map(segment.outline);
    map(segment.refined_outline);
    map(segment.corners);
  }
  std::vector<int> labels(result.labels.size());
  for (std::size_t k = 0; k < order.size(); ++k) labels[order[k]] = result.labels[k];
  result.labels = std::move(labels);
  return result;
}

}  // namespace

Result extract_roof_planes(const BuildingInput& input, const Parameters& parameters, ExtractionObserver& observer) {
  if (const std::string problem = check_input(input); !problem.empty()) throw std::invalid_argument(problem);
  if (const std::string problem = check_parameters(parameters); !problem.empty())
    throw std::invalid_argument(problem);
  if (!parameters.auto_method) return extract_in_input_order(input, parameters, observer);
  // The auto method sees the records in an order of their own, so that the
  // order they came in changes nothing: not the triangulation where points
  // lie on a common circle, not which record of a repeated x and y is kept,
  // not the sums' rounding, not the segments' numbers.
  const std::vector<std::size_t> order = canonical_order(input);
  return in_input_records(extract_in_input_order(reordered(input, order), parameters, observer), input, order);
}

Result extract_roof_planes(const BuildingInput& input, AutoBuilding& building, const Parameters& parameters,
                           ExtractionObserver& observer) {
  if (const std::string problem = check_parameters(parameters); !problem.empty())
    throw std::invalid_argument(problem);
  if (!parameters.auto_method) return extract_in_input_order(input, parameters, observer);
  return in_input_records(extract_cloud(building.cloud, parameters, observer), input, building.order);
}

Result extract_roof_planes(const BuildingInput& input, const Parameters& parameters) {
  ExtractionObserver silent;
  return extract_roof_planes(input, parameters, silent);
}

}  // namespace roofplanes
