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
  const double nan = std::numeric_limits<double>::quiet_NaN();
  PlaneCoefficients result{nan, nan, nan};

  // The normal equations Aᵀ·A and Aᵀ·l, rows of A being (x, y, 1) and l the
  // z values, summed point by point exactly as the matrix product sums them
  // (term k added to the running sum, terms with an exact zero factor left
  // out), without building A, l or Aᵀ: one pass and no memory per point.
  Matrix a_t_l = mat_alloc(3, 1, kMatFillZero, &report);
  Matrix a_t_a = mat_alloc(3, 3, kMatFillZero, &report);
  Matrix inverse = nullptr, x = nullptr;
  if (a_t_l != nullptr && a_t_a != nullptr) {
    for (const Vertex_handle& v : vertices) {
      const Point3& p = v->point();
      const double row[3] = {p.x(), p.y(), 1.0};
      const double z = p.z();
      for (int i = 0; i < 3; ++i) {
        if (row[i] == 0.0) continue;
        if (z != 0.0) a_t_l[i][0] = row[i] * z + a_t_l[i][0];
        for (int j = 0; j < 3; ++j)
          if (row[j] != 0.0) a_t_a[i][j] = row[i] * row[j] + a_t_a[i][j];
      }
    }
    inverse = mat_inverse(a_t_a, &report);
  }
  if (inverse != nullptr) x = mat_product(inverse, a_t_l, &report);
  if (x != nullptr) result = {x[0][0], x[1][0], x[2][0]};

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
