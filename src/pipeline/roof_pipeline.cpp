#include "pipeline/roof_pipeline.h"

#include <iostream>
#include <string>

#include "pipeline/execution_log.h"
#include "pipeline/vrml_file_name.h"
#include "planes/fit_plane.h"
#include "planes/hough_TDS.h"
#include "planes/plane_residual.h"
#include "planes/remove_blunders.h"
#include "points/centre_points.h"
#include "points/clear_labels.h"
#include "points/mark_roof_points.h"
#include "points/read_point_cloud.h"
#include "regions/detect_border.h"
#include "regions/expand_region.h"
#include "regions/order_outline.h"
#include "regions/select_largest_cluster.h"
#include "segments/refine_segments.h"
#include "segments/simplify_outer_border.h"
#include "vrml/vrml_writers.h"

namespace roofplanes {
namespace {

const std::string data_directory = "Testdaten_Tolvar/69/";

// The run's constants.
const double hough_angle_resolution = 3.0;  // degrees
const double hough_s_resolution = 1.2;      // coordinate units
const double blunder_sigma = 1.2;           // threshold 0.658 × 1.2
const double expansion_factor = 0.2;        // threshold 0.658 × 0.2
const double simplify_tolerance = 1.5;
const unsigned int smallest_remaining = 3;

PlaneParams plane_fit(const VertexList& points) { return plane_params_from_fit(fit_plane(points)); }

void write_scene(VertexList& points, const std::string& name) {
  write_vrml_points(points, name, "default", "blue", 2);
}

}  // namespace

void extract_roof_segments(PointTriangulation& triangulation, RoofSegmentList& segments) {
  double shrink_factor = 0.658;
  double second_factor = expansion_factor;
  int pass = 0;
  unsigned int remaining = static_cast<unsigned int>(triangulation.number_of_vertices());

  while (remaining >= smallest_remaining) {
    ExecutionLog << "///////////////////" << std::endl
                 << "ITTERATION " << pass << std::endl
                 << "///////////////////" << std::endl;

    std::cout << "Hough" << std::endl;
    VertexList region;
    hough_TDS(triangulation, region, hough_angle_resolution, hough_s_resolution);

    std::cout << "Plane fit" << std::endl;
    PlaneParams plane = plane_fit(region);

    std::cout << "Schrinking :: Removing Blunders" << std::endl;
    std::vector<double> residuals = plane_residuals(region, plane);
    ExecutionLog << "the plane had " << region.size() << " points ";
    remove_blunders(region, residuals, shrink_factor, blunder_sigma);
    ExecutionLog << "and after schrinking it has " << region.size() << std::endl;

    std::cout << "Schrinking :: Largest Cluster Selection" << std::endl;
    select_largest_cluster(region, triangulation, pass);
    ExecutionLog << "the largest cluster has " << region.size() << std::endl;
    if (region.empty()) break;

    std::cout << "Border" << std::endl;
    VertexList border = detect_border(region, triangulation);
    ExecutionLog << "the border of the largest cluster has " << border.size() << std::endl;

    std::cout << "Plane fit" << std::endl;
    plane = plane_fit(region);

    std::cout << "Expanding" << std::endl;
    write_scene(region, vrml_file_name(data_directory + "test", pass, ".wrl"));
    expand_region(border, region, triangulation, plane, shrink_factor, second_factor);
    ExecutionLog << "and after expanding the largest cluster has " << region.size() << std::endl;
    ExecutionLog << "and after expanding the border of the largest cluster has " << border.size() << std::endl;

    std::cout << "Detect and order the outline" << std::endl;
    write_scene(border, vrml_file_name(data_directory + "border_", pass, ".wrl"));
    VertexList outline = order_outline(border, triangulation);
    std::cout << "the border has size of " << border.size() << " and the ordered border as size of "
              << outline.size() << std::endl;
    ExecutionLog << "The ordered outer border after expanding has " << outline.size() << std::endl;

    RoofSegment segment(region);
    std::cout << "Plane fit" << std::endl;
    plane = plane_fit(region);
    segment.set_plane(plane);
    // The walk reads marks only for being non-zero, so walking the same
    // border again gives the same outline.
    VertexList segment_outline = order_outline(border, triangulation);
    segment.set_outline(segment_outline);
    write_scene(segment_outline, vrml_file_name(data_directory + "oob_this_segment", pass, ".wrl"));
    segments.push_back(segment);

    std::cout << "Simplify the outer border" << std::endl;
    VertexList corners = simplify_outer_border(outline, simplify_tolerance);
    // No line end: the next console output continues this line.
    std::cout << "the simplified outer border has size of " << corners.size();
    write_vrml_polygon(corners, data_directory + "poly_simplified_outer_border.wrl", "default", "blue", 2);

    remaining -= static_cast<unsigned int>(region.size());
    clear_is_roof(triangulation, region);
    clear_on_plane(triangulation);
    for (const Vertex_handle& v : border) v->info().set_border_mark(0);
    ++pass;
  }
}

void number_segments(PointTriangulation& triangulation, RoofSegmentList& segments) {
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    v->info().set_cluster_id(0);
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    for (const Vertex_handle& v : segments[i].points()) v->info().set_cluster_id(number);
    segments[i].set_number(number);
  }
}

int run_pipeline() {
  PointTriangulation triangulation = read_point_cloud(data_directory + "Building_69.txt");
  centre_points(triangulation);
  mark_roof_points(data_directory + "roof.txt", triangulation);
  RoofSegmentList segments;

  extract_roof_segments(triangulation, segments);

  std::cout << "there are that many segments: " << segments.size() << std::endl;
  number_segments(triangulation, segments);
  std::cout << "Refining Segments" << std::endl;
  refine_segments(segments, triangulation);
  return 0;
}

}  // namespace roofplanes
