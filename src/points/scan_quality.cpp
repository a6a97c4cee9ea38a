#include "points/scan_quality.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace roofplanes {
namespace {

double median(std::vector<double>& values) {
  if (values.empty()) return 0.0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// One local fit: the plane z = a·x + b·y + c fitted to a roof point and its
// roof neighbours.
struct LocalFit {
  double residual;  // the point's own residual over sqrt(1 − h), h its leverage: spread like the noise
  double largest;   // the largest absolute residual of any point of the fit
};

// The fit around v; false when there are fewer than five roof neighbours or
// they lie on a line.
// Relative to the fitted point, so its own design row is (0, 0, 1) and its prediction is c.
struct Row {
  double x, y, z;
};

// rows: scratch space, reused from point to point.
bool local_fit(const PointTriangulation& triangulation, Vertex_handle v, std::vector<Row>& rows, LocalFit& out) {
  const Point3& p = v->point();
  rows.assign(1, Row{0.0, 0.0, 0.0});
  auto neighbour = triangulation.incident_vertices(v);
  if (neighbour == nullptr) return false;
  const auto done = neighbour;
  do {
    if (triangulation.is_infinite(neighbour) || !neighbour->info().is_roof()) continue;
    const Point3& q = neighbour->point();
    rows.push_back({q.x() - p.x(), q.y() - p.y(), q.z() - p.z()});
  } while (++neighbour != done);
  if (rows.size() < 6) return false;
  // The sums below in one order whatever neighbour the walk around v starts
  // from: the same points give the same estimate to the last bit.
  std::sort(rows.begin() + 1, rows.end(), [](const Row& a, const Row& b) {
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
  });

  double m[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  double rhs[3] = {0, 0, 0};
  for (const Row& r : rows) {
    const double d[3] = {r.x, r.y, 1.0};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m[i][j] += d[i] * d[j];
      rhs[i] += d[i] * r.z;
    }
  }
  // Inverse of the symmetric 3×3 matrix by cofactors.
  double inverse[3][3];
  inverse[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  inverse[0][1] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
  inverse[0][2] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
  inverse[1][0] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  inverse[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
  inverse[1][2] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
  inverse[2][0] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  inverse[2][1] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
  inverse[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  const double det = m[0][0] * inverse[0][0] + m[0][1] * inverse[1][0] + m[0][2] * inverse[2][0];
  if (!(std::fabs(det) > 1e-12 * m[0][0] * m[1][1] * m[2][2])) return false;
  double coefficients[3];
  for (int i = 0; i < 3; ++i)
    coefficients[i] = (inverse[i][0] * rhs[0] + inverse[i][1] * rhs[1] + inverse[i][2] * rhs[2]) / det;
  const double leverage = inverse[2][2] / det;  // (0, 0, 1) M⁻¹ (0, 0, 1)ᵀ
  if (!(leverage < 1.0)) return false;
  out.residual = (0.0 - coefficients[2]) / std::sqrt(1.0 - leverage);
  out.largest = 0.0;
  for (const Row& r : rows)
    out.largest =
        std::max(out.largest, std::fabs(r.z - (coefficients[0] * r.x + coefficients[1] * r.y + coefficients[2])));
  return true;
}

}  // namespace

ScanQuality estimate_scan_quality(const PointTriangulation& triangulation) {
  ScanQuality quality;
  // A median over tens of thousands of residuals is as good as one over all:
  // on a roof of more than 40,000 points only those at every sample-th
  // position (and the edges whose lower end is one) are measured.
  constexpr std::size_t kSampled = 40000;
  std::size_t roof = 0;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    roof += v->info().is_roof() ? 1 : 0;
  const std::size_t sample = (roof + kSampled - 1) / kSampled;
  const auto sampled = [&](Vertex_handle v) {
    return sample <= 1 || static_cast<std::size_t>(v->info().position()) % sample == 0;
  };
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

  // Quads: two roof triangles sharing an edge. The height of the fourth point
  // d minus the plane through a, b, c at d has variance σ²·(1 + wa² + wb² + wc²),
  // (wa, wb, wc) the barycentric coordinates of d in a, b, c.
  std::vector<double> residuals;
  for (auto e = triangulation.finite_edges_begin(); e != triangulation.finite_edges_end(); ++e) {
    Face_handle f = e->first;
    int i = e->second;
    Face_handle g = f->neighbor(i);
    if (triangulation.is_infinite(f) || triangulation.is_infinite(g)) continue;
    {
      const Vertex_handle u = f->vertex(PointTriangulation::cw(i)), w = f->vertex(PointTriangulation::ccw(i));
      if (!sampled(u->info().position() < w->info().position() ? u : w)) continue;
    }
    // Which of the edge's two faces the iterator names depends on where the
    // faces lie in memory; the point predicted is the one of smaller x, y, so
    // the same points give the same residual in any run.
    {
      const Point3& own = f->vertex(i)->point();
      const Point3& other = g->vertex(g->index(f))->point();
      if (std::make_pair(other.x(), other.y()) > std::make_pair(own.x(), own.y())) {
        const int j = g->index(f);
        std::swap(f, g);
        i = j;
      }
    }
    const Vertex_handle a = f->vertex(PointTriangulation::cw(i)), b = f->vertex(PointTriangulation::ccw(i)),
                        c = f->vertex(i), d = g->vertex(g->index(f));
    if (!a->info().is_roof() || !b->info().is_roof() || !c->info().is_roof() || !d->info().is_roof()) continue;
    const Point3 &pa = a->point(), &pb = b->point(), &pc = c->point(), &pd = d->point();
    const double x1 = pb.x() - pa.x(), y1 = pb.y() - pa.y(), x2 = pc.x() - pa.x(), y2 = pc.y() - pa.y();
    const double xd = pd.x() - pa.x(), yd = pd.y() - pa.y();
    const double det = x1 * y2 - x2 * y1;
    if (!(std::fabs(det) > 0.0)) continue;
    const double wb = (xd * y2 - x2 * yd) / det, wc = (x1 * yd - xd * y1) / det, wa = 1.0 - wb - wc;
    const double predicted = wa * pa.z() + wb * pb.z() + wc * pc.z();
    residuals.push_back(std::fabs(pd.z() - predicted) / std::sqrt(1.0 + wa * wa + wb * wb + wc * wc));
  }
  quality.fits = residuals.size();
  // Pairs across a ridge, an eave or a step leave the fourth point far from
  // the plane. They are left out in rounds: each round keeps the residuals
  // within two standard deviations of the last round's estimate and takes
  // their median over 0.6391, the median of |x| below 2 for a standard normal
  // x (0.6745 without the bound).
  // Sorted once, the residuals within a bound are a prefix, and its median
  // is read off.
  std::sort(residuals.begin(), residuals.end());
  const auto sorted_median = [&](std::size_t count) { return residuals[count / 2]; };
  quality.noise = residuals.empty() ? 0.0 : sorted_median(residuals.size()) / 0.6745;
  for (int round = 0; round < 8; ++round) {
    const std::size_t kept = static_cast<std::size_t>(
        std::upper_bound(residuals.begin(), residuals.end(), 2.0 * quality.noise) - residuals.begin());
    if (kept == 0) break;
    quality.noise = sorted_median(kept) / 0.6391;
  }

  // A local fit across a ridge, an eave or a step bends away from its points
  // and leaves some far from it. Such fits are left out in rounds: each round
  // keeps the fits whose every point lies within three standard deviations of
  // the last round's estimate.
  std::vector<LocalFit> fits;
  std::vector<Row> rows;
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v) {
    LocalFit fit;
    if (v->info().is_roof() && sampled(v) && local_fit(triangulation, v, rows, fit)) fits.push_back(fit);
  }
  std::vector<double> ring_residuals;
  for (const LocalFit& fit : fits) ring_residuals.push_back(std::fabs(fit.residual));
  double ring_noise = median(ring_residuals) / 0.6745;
  // By their largest residual, the fits kept in a round are a prefix.
  std::sort(fits.begin(), fits.end(), [](const LocalFit& a, const LocalFit& b) { return a.largest < b.largest; });
  for (int round = 0; round < 8; ++round) {
    const std::size_t kept = static_cast<std::size_t>(
        std::upper_bound(fits.begin(), fits.end(), 3.0 * ring_noise,
                         [](double bound, const LocalFit& fit) { return bound < fit.largest; }) -
        fits.begin());
    if (kept == 0) break;
    ring_residuals.resize(kept);
    for (std::size_t k = 0; k < kept; ++k) ring_residuals[k] = std::fabs(fits[k].residual);
    ring_noise = median(ring_residuals) / 0.6745;
  }
  // Each overestimates where faces meet, the one more than the other depending
  // on the roof: the smaller is the nearer.
  quality.noise = std::min(quality.noise, ring_noise);
  return quality;
}

}  // namespace roofplanes
