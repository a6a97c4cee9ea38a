#include "planes/hough_peaks.h"

#include <cmath>

#include "planes/hough_votes.h"
#include "points/free_roof_points.h"

namespace roofplanes {

std::vector<PlaneCandidate> hough_peaks(const PointTriangulation& triangulation, double angle_resolution,
                                        double distance_resolution, std::size_t count, std::size_t max_voters) {
  if (count == 0) return {};
  HoughVotes votes = vote_free_roof_points(triangulation, angle_resolution, distance_resolution, max_voters);
  return vote_peaks(votes, count);
}

VertexList candidate_points(const PointTriangulation& triangulation, const PlaneCandidate& candidate) {
  return candidate_points(free_roof_points(triangulation), candidate);
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
