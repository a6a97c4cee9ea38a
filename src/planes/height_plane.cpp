#include "planes/height_plane.h"

#include <cmath>

namespace roofplanes {

HeightPlane fit_height_plane(const VertexList& points) {
  HeightPlane plane;
  if (points.size() < 3) return plane;
  // Relative to the first point, so that large coordinates lose no precision.
  const Point3& o = points.front()->point();
  double sxx = 0, sxy = 0, sx = 0, syy = 0, sy = 0, sxz = 0, syz = 0, sz = 0;
  const double n = static_cast<double>(points.size());
  for (const Vertex_handle& v : points) {
    const double x = v->point().x() - o.x(), y = v->point().y() - o.y(), z = v->point().z() - o.z();
    sxx += x * x;
    sxy += x * y;
    sx += x;
    syy += y * y;
    sy += y;
    sxz += x * z;
    syz += y * z;
    sz += z;
  }
  // Normal equations [sxx sxy sx; sxy syy sy; sx sy n] (a b c)ᵀ = (sxz syz sz)ᵀ, by Cramer's rule.
  const double m00 = sxx, m01 = sxy, m02 = sx, m11 = syy, m12 = sy, m22 = n;
  const double c00 = m11 * m22 - m12 * m12;
  const double c01 = m12 * m02 - m01 * m22;
  const double c02 = m01 * m12 - m11 * m02;
  const double det = m00 * c00 + m01 * c01 + m02 * c02;
  if (!(std::fabs(det) > 1e-12 * m00 * m11 * m22)) return plane;
  const double c11 = m00 * m22 - m02 * m02;
  const double c12 = m01 * m02 - m00 * m12;
  const double c22 = m00 * m11 - m01 * m01;
  const double a = (c00 * sxz + c01 * syz + c02 * sz) / det;
  const double b = (c01 * sxz + c11 * syz + c12 * sz) / det;
  const double c = (c02 * sxz + c12 * syz + c22 * sz) / det;
  plane.a = a;
  plane.b = b;
  plane.c = c + o.z() - a * o.x() - b * o.y();
  plane.valid = std::isfinite(plane.a) && std::isfinite(plane.b) && std::isfinite(plane.c);
  return plane;
}

double height_rms(const HeightPlane& plane, const VertexList& points) {
  if (points.empty()) return 0.0;
  double sum = 0.0;
  for (const Vertex_handle& v : points) {
    const double r = height_residual(plane, v->point());
    sum += r * r;
  }
  return std::sqrt(sum / static_cast<double>(points.size()));
}

}  // namespace roofplanes
