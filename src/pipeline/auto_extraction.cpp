#include "pipeline/auto_extraction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "planes/fit_plane.h"
#include "planes/hough_peaks.h"
#include "planes/hough_votes.h"
#include "points/clear_labels.h"
#include "points/free_roof_points.h"
#include "points/point_neighbours.h"
#include "points/triangle_fans.h"
#include "regions/detect_border.h"
#include "regions/drop_fragments.h"
#include "regions/find_free_faces.h"
#include "regions/join_free_points.h"
#include "regions/merge_coplanar_regions.h"
#include "regions/order_outline.h"
#include "regions/plane_region.h"
#include "regions/reassign_points.h"
#include "regions/region_area.h"
#include "regions/trace_region_outline.h"
#include "segments/simplify_outer_border.h"

namespace roofplanes {
namespace {

// The region's points within distance of its plane.
std::size_t points_within(const PlaneRegion& region, double distance) {
  std::size_t count = 0;
  for (const Vertex_handle& v : region.points)
    count += std::fabs(height_residual(region.plane, v->point())) <= distance ? 1 : 0;
  return count;
}

// A peak's region, grown in an earlier pass, with its score and the free
// points it was grown from (grow_plane_region).
struct GrownPeak {
  PlaneCandidate peak;
  PlaneRegion region;
  std::size_t score = 0;
  std::vector<std::uint32_t> depends_on;
};

// The same Hough cell: the same plane and band, so the same candidates.
bool same_cell(const PlaneCandidate& a, const PlaneCandidate& b) {
  return a.nx == b.nx && a.ny == b.ny && a.nz == b.nz && a.s == b.s && a.half_width == b.half_width;
}

// The pass loop: regions found one by one among the free roof points with
// the given tolerance, taken points losing is_roof. Adds to passes.
std::vector<PlaneRegion> search_regions(PointTriangulation& triangulation, const TriangleFans& fans,
                                        const Parameters& parameters, double tolerance, std::size_t& passes,
                                        Report& report) {
  std::size_t roof_in_play = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    roof_in_play += v->info().is_roof() ? 1 : 0;
  const std::size_t smallest = std::max<std::size_t>(parameters.min_segment_points, 3);
  std::vector<PlaneRegion> regions;
  const auto another_pass = [&] {
    return roof_in_play >= smallest && (parameters.max_passes == 0 || passes < parameters.max_passes);
  };
  // No pass to run (too few roof points for a face): nothing is voted, the
  // count being most of a small building's search.
  if (!another_pass()) return regions;
  // Voted once; each pass's region withdraws its points' votes.
  HoughVotes votes = vote_free_roof_points(triangulation, parameters.angle_resolution,
                                           parameters.distance_resolution, parameters.hough_voters,
                                           parameters.max_face_slope);
  // The regions the last pass grew and did not take. Most peaks come back in
  // the next pass; a region none of whose points left play is grown the same
  // again, so it is kept rather than grown again.
  std::vector<GrownPeak> grown, next;
  while (another_pass()) {
    report.observer().pass_started(static_cast<int>(passes), roof_in_play);
    ++passes;
    const std::vector<PlaneCandidate> peaks = vote_peaks(votes, std::max<std::size_t>(parameters.peak_candidates, 1));
    next.clear();
    std::size_t best = 0;
    const VertexList free_roof = free_roof_points(triangulation);
    for (const PlaneCandidate& peak : peaks) {
      const auto kept =
          std::find_if(grown.begin(), grown.end(), [&](const GrownPeak& g) { return same_cell(g.peak, peak); });
      if (kept != grown.end()) {
        next.push_back(std::move(*kept));
        grown.erase(kept);
      } else {
        GrownPeak g{peak, {}, 0, {}};
        g.region = grow_plane_region(fans, candidate_points(free_roof, peak), tolerance, parameters.regrow_rounds,
                                     free_roof, g.depends_on);
        // A face holds about two thirds of its points within one noise width
        // (tolerance / 3) of its plane; a cap or slab across several faces,
        // whose points spread over the whole tolerance, far fewer.
        g.score = points_within(g.region, tolerance / 3.0);
        next.push_back(std::move(g));
      }
      const GrownPeak& g = next.back();
      const GrownPeak& leader = next[best];
      if (g.score > leader.score || (g.score == leader.score && g.region.points.size() > leader.region.points.size()))
        best = next.size() - 1;
    }
    PlaneRegion taken;
    if (!next.empty()) {
      taken = std::move(next[best].region);
      next.erase(next.begin() + static_cast<std::ptrdiff_t>(best));
    }
    report.log_line("pass ", passes, ": ", peaks.size(), " peaks judged, the best region has ", taken.points.size(),
                    " points");
    if (taken.points.size() < smallest) break;
    roof_in_play -= taken.points.size();
    clear_is_roof(triangulation, taken.points);
    if (another_pass()) withdraw_votes(votes, taken.points, triangulation);  // may count afresh
    regions.push_back(std::move(taken));
    // Regions that read a point taken now would grow otherwise.
    std::erase_if(next, [&](const GrownPeak& g) {
      return std::any_of(g.depends_on.begin(), g.depends_on.end(),
                         [&](std::uint32_t p) { return !fans.vertices[p]->info().is_roof(); });
    });
    std::swap(grown, next);
  }
  return regions;
}

// Settling, merging, joining and dropping, each when its parameter asks for it.
void settle_regions(const PointTriangulation& triangulation, const PointNeighbours& neighbours,
                    std::vector<PlaneRegion>& regions, const Parameters& parameters, double tolerance, double noise,
                    Report& report) {
  if (parameters.reassign_rounds > 0) {
    const std::size_t moved = reassign_points(triangulation, neighbours, regions, tolerance, noise,
                                              parameters.smoothness, parameters.reassign_rounds);
    report.log_line("moved ", moved, " points to the neighbouring segment they fit best");
  }
  if (parameters.merge_rms > 0.0 || parameters.merge_ratio > 0.0) {
    const std::size_t merged = merge_coplanar_regions(neighbours, regions, parameters.merge_rms,
                                                      parameters.merge_ratio);
    report.log_line("merged ", merged, " pairs of segments on one plane");
  }
  const std::size_t joined = join_free_points(triangulation, neighbours, regions, tolerance);
  report.log_line("joined ", joined, " free roof points to the segment next to them");
  // Joined points can bring segments of one plane to touch.
  if (joined > 0 && (parameters.merge_rms > 0.0 || parameters.merge_ratio > 0.0)) {
    const std::size_t merged = merge_coplanar_regions(neighbours, regions, parameters.merge_rms,
                                                      parameters.merge_ratio);
    report.log_line("merged ", merged, " pairs of segments on one plane after joining");
  }
  const FaceSize face_size{parameters.min_segment_points, parameters.min_face_area, parameters.min_face_points};
  if (parameters.min_segment_points > 0) {
    const std::size_t dropped = drop_fragments(triangulation, regions, face_size, tolerance);
    report.log_line("dropped ", dropped, " fragments");
  }
  if (parameters.min_segment_points > 0) {
    // As large as a segment the search keeps, and a metre and four spacings
    // wide: narrower is a ledge, a parapet's top or a gutter (a strip of width
    // w spreads w / sqrt(12) about its middle).
    const double min_width = std::max(1.0, 4.0 * parameters.point_spacing) / std::sqrt(12.0);
    const std::size_t found =
        find_free_faces(triangulation, regions, tolerance, face_size, min_width);
    report.log_line("found ", found, " more faces among the free roof points");
    if (found > 0) {
      const std::size_t joined_late = join_free_points(triangulation, neighbours, regions, tolerance);
      report.log_line("joined ", joined_late, " free roof points to the segment next to them");
      if (parameters.merge_rms > 0.0 || parameters.merge_ratio > 0.0) {
        const std::size_t merged = merge_coplanar_regions(neighbours, regions, parameters.merge_rms,
                                                          parameters.merge_ratio);
        report.log_line("merged ", merged, " pairs of segments on one plane after the late faces");
      }
    }
  }
}

// The size-weighted median of the rms of the regions of at least smallest
// points about their planes: the spread of whole faces. 0 without such a region.
double face_rms(const std::vector<PlaneRegion>& regions, std::size_t smallest) {
  std::vector<std::pair<double, std::size_t>> rms;
  std::size_t total = 0;
  for (const PlaneRegion& region : regions)
    if (region.points.size() >= smallest) {
      rms.emplace_back(height_rms(region.plane, region.points), region.points.size());
      total += region.points.size();
    }
  std::sort(rms.begin(), rms.end());
  std::size_t seen = 0;
  for (const auto& [value, size] : rms) {
    seen += size;
    if (2 * seen >= total) return value;
  }
  return 0.0;
}

}  // namespace

std::size_t extract_segments_auto(PointCloud& cloud, const Parameters& parameters, RoofSegmentList& segments,
                                  std::vector<PassExtras>& extras, Report& report) {
  PointTriangulation& triangulation = cloud.triangulation;
  std::vector<Vertex_handle> roof;
  for (const Vertex_handle& v : cloud.vertices)
    if (v->info().is_roof()) roof.push_back(v);

  // The triangles around each point, read by every region grown.
  const TriangleFans fans = triangle_fans(triangulation);
  // Each point's neighbours, read again and again by settling and merging.
  const PointNeighbours neighbours = point_neighbours(triangulation, fans);
  std::size_t passes = 0;
  double tolerance = parameters.plane_tolerance;
  double noise = parameters.height_noise;
  std::vector<PlaneRegion> regions = search_regions(triangulation, fans, parameters, tolerance, passes, report);
  settle_regions(triangulation, neighbours, regions, parameters, tolerance, noise, report);
  if (parameters.rough_face_ratio > 0.0 && noise > 0.0) {
    const double spread = face_rms(regions, std::max<std::size_t>(parameters.min_segment_points, 3));
    if (spread > parameters.rough_face_ratio * noise) {
      // The faces are rougher than the estimate: search again with their own spread.
      report.log_line("faces spread ", spread, " about their planes, more than the noise ", noise,
                      ": searching again");
      noise = spread;
      tolerance = std::max(tolerance, 3.0 * spread);
      for (const Vertex_handle& v : roof) v->info().set_is_roof(true);
      Parameters again = parameters;
      again.distance_resolution = std::max(parameters.distance_resolution, 2.0 * tolerance);
      regions = search_regions(triangulation, fans, again, tolerance, passes, report);
      settle_regions(triangulation, neighbours, regions, again, tolerance, noise, report);
    }
  }

  for (std::size_t r = 0; r < regions.size(); ++r)
    for (const Vertex_handle& v : regions[r].points) {
      v->info().set_cluster_id(static_cast<int>(r));
      v->info().set_is_roof(false);
    }
  for (std::size_t r = 0; r < regions.size(); ++r) {
    const VertexList& region = regions[r].points;
    PassExtras extra;
    RoofSegment segment(region);
    extra.fit = fit_plane(region, report);
    segment.set_plane(plane_params_from_fit(extra.fit));
    // The boundary of the region's own triangles always closes; a region
    // without a triangle of its own (a strip of points) is walked point by point.
    extra.outline = trace_region_outline(triangulation, region);
    if (extra.outline.empty()) {
      const VertexList border = detect_border(region, triangulation);
      if (!border.empty()) extra.outline = order_outline(border, triangulation, report, OutlineBound::first_repeat);
      for (const Vertex_handle& v : border) v->info().set_border_mark(0);
      for (const Vertex_handle& v : extra.outline) v->info().set_border_mark(0);
    }
    segment.set_outline(extra.outline);
    if (!extra.outline.empty())
      extra.corners = simplify_outer_border(extra.outline, parameters.simplify_tolerance, report);
    segments.push_back(std::move(segment));
    extras.push_back(std::move(extra));
  }
  return passes;
}

}  // namespace roofplanes
