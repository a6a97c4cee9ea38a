#include "planes/hough_peaks.h"

#include <cmath>

#include "planes/hough_votes.h"

namespace roofplanes {

std::vector<PlaneCandidate> hough_peaks(const PointTriangulation& triangulation, double angle_resolution,
                                        double distance_resolution, std::size_t count, std::size_t max_voters) {
  if (count == 0) return {};
  HoughVotes votes = vote_free_roof_points(triangulation, angle_resolution, distance_resolution, max_voters);
  return vote_peaks(votes, count);
}

VertexList candidate_points(const PointTriangulation& triangulation, const PlaneCandidate& candidate) {
  VertexList free_roof;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    if (v->info().is_roof()) free_roof.push_back(v);
  return candidate_points(free_roof, candidate);
}

VertexList candidate_points(const VertexList& free_roof, const PlaneCandidate& candidate) {
  VertexList points;
  for (const Vertex_handle& v : free_roof) {
    const Point3& p = v->point();
    if (std::fabs(candidate.nx * p.x() + candidate.ny * p.y() + candidate.nz * p.z() - candidate.s) <=
        candidate.half_width)
      points.push_back(v);
  }
  return points;
}

}  // namespace roofplanes
