#include "planes/fit_plane.h"

#include <cmath>
#include <limits>

#include "planes/matrix/lu_inverse.h"
#include "planes/matrix/matrix.h"

namespace roofplanes {

namespace {

// [-1, 1]-clamp that lets a NaN through, so a failed fit stays visible as one.
double clamp_unit(double value) { return value > 1.0 ? 1.0 : (value < -1.0 ? -1.0 : value); }

}  // namespace

PlaneCoefficients fit_plane(const VertexList& vertices, Report& report) {
  const int n = static_cast<int>(vertices.size());
  const double nan = std::numeric_limits<double>::quiet_NaN();
  PlaneCoefficients result{nan, nan, nan};

  // Every step after a failed one is skipped; all matrices are released at the end.
  Matrix a = mat_alloc(n, 3, kMatFillNone, &report);
  Matrix l = mat_alloc(n, 1, kMatFillNone, &report);
  Matrix a_t = nullptr, a_t_l = nullptr, a_t_a = nullptr, inverse = nullptr, x = nullptr;
  if (a != nullptr && l != nullptr) {
    for (int i = 0; i < n; ++i) {
      const Point3& p = vertices[i]->point();
      l[i][0] = p.z();
      a[i][0] = p.x();
      a[i][1] = p.y();
      a[i][2] = 1.0;
    }
    a_t = mat_transpose(a, &report);
  }
  if (a_t != nullptr) a_t_l = mat_product(a_t, l, &report);
  if (a_t_l != nullptr) a_t_a = mat_product(a_t, a, &report);
  if (a_t_a != nullptr) inverse = mat_inverse(a_t_a, &report);
  if (inverse != nullptr) x = mat_product(inverse, a_t_l, &report);
  if (x != nullptr) result = {x[0][0], x[1][0], x[2][0]};

  mat_release(a);
  mat_release(l);
  mat_release(a_t);
  mat_release(a_t_l);
  mat_release(a_t_a);
  mat_release(inverse);
  mat_release(x);
  return result;
}

PlaneParams plane_params_from_fit(const PlaneCoefficients& coefficients) {
  const double pi = 3.1416;
  const double a = coefficients[0], b = coefficients[1], c = coefficients[2];
  const double w = std::sqrt(a * a + b * b + 1.0);
  const double nx = -a / w;
  const double ny = -b / w;
  const double nz = 1.0 / w;
  const double tilt = std::asin(clamp_unit(nz));
  const double ct = std::cos(tilt);
  // −0 compares equal to 0, so the sign of a zero component does not pick the case.
  double pan = 0.0;
  if (nx > 0.0 && ny >= 0.0)
    pan = std::asin(clamp_unit(ny / ct));
  else if (nx >= 0.0 && ny < 0.0)
    pan = std::asin(clamp_unit(ny / ct)) + 2.0 * pi;
  else if (nx <= 0.0 && ny > 0.0)
    pan = std::acos(clamp_unit(nx / ct));
  else if (nx < 0.0 && ny <= 0.0)
    pan = pi - std::asin(clamp_unit(ny / ct));
  const double s = nx + ny + nz * (a + b + c);
  return {pan, tilt, s};
}

}  // namespace roofplanes
