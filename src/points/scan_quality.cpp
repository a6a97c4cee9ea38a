#include "points/scan_quality.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace roofplanes {
namespace {

double median(std::vector<double>& values) {
  if (values.empty()) return 0.0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// sqrt(1 − h) times the residual of v in the plane fitted to v and its roof
// neighbours, i.e. a residual with the noise's own spread; false when there
// are too few neighbours or they lie on a line.
bool standardised_residual(const PointTriangulation& triangulation, Vertex_handle v, double& out) {
  const Point3& p = v->point();
  // Normal equations of z = a·x + b·y + c in coordinates relative to v, so v's
  // own design row is (0, 0, 1) and its prediction is c.
  double m[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  double rhs[3] = {0, 0, 0};
  int count = 1;
  m[2][2] = 1.0;  // v itself: row (0, 0, 1), z 0
  auto neighbour = triangulation.incident_vertices(v);
  if (neighbour == nullptr) return false;
  const auto done = neighbour;
  do {
    if (triangulation.is_infinite(neighbour) || !neighbour->info().is_roof()) continue;
    const Point3& q = neighbour->point();
    const double row[3] = {q.x() - p.x(), q.y() - p.y(), 1.0};
    const double z = q.z() - p.z();
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += row[i] * row[j];
      rhs[i] += row[i] * z;
    }
    ++count;
  } while (++neighbour != done);
  if (count < 6) return false;

  // Inverse of the symmetric 3×3 matrix by cofactors.
  const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
  const double scale = m[0][0] * m[1][1] * m[2][2];
  if (!(std::fabs(det) > 1e-12 * scale)) return false;
  const double i20 = c02 / det;
  const double i21 = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
  const double i22 = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
  const double c = i20 * rhs[0] + i21 * rhs[1] + i22 * rhs[2];
  const double leverage = i22;  // (0, 0, 1) M⁻¹ (0, 0, 1)ᵀ
  if (!(leverage < 1.0)) return false;
  out = (0.0 - c) / std::sqrt(1.0 - leverage);
  return true;
}

}  // namespace

ScanQuality estimate_scan_quality(const PointTriangulation& triangulation) {
  ScanQuality quality;
  std::vector<double> areas;
  for (auto f = triangulation.finite_faces_begin(); f != triangulation.finite_faces_end(); ++f) {
    const Vertex_handle a = f->vertex(0), b = f->vertex(1), c = f->vertex(2);
    if (!a->info().is_roof() || !b->info().is_roof() || !c->info().is_roof()) continue;
    const Point3 &p = a->point(), &q = b->point(), &r = c->point();
    const double area = 0.5 * std::fabs((q.x() - p.x()) * (r.y() - p.y()) - (q.y() - p.y()) * (r.x() - p.x()));
    areas.push_back(area);
  }
  quality.triangles = areas.size();
  quality.spacing = std::sqrt(2.0 * median(areas));

  std::vector<double> residuals;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    if (!v->info().is_roof()) continue;
    double r = 0.0;
    if (standardised_residual(triangulation, v, r)) residuals.push_back(std::fabs(r));
  }
  quality.fits = residuals.size();
  // 0.6745: the median of |x| for a standard normal x.
  quality.noise = median(residuals) / 0.6745;
  return quality;
}

}  // namespace roofplanes
