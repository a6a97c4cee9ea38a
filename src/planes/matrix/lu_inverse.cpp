#include "planes/matrix/lu_inverse.h"

#include <cmath>

namespace roofplanes {

namespace {

int row_at(Matrix perm, int i) { return static_cast<int>(perm[i][0]); }

}  // namespace

int mat_lu_factor(Matrix m, Matrix perm) {
  const int n = mat_cols(m);
  for (int i = 0; i < n; ++i) perm[i][0] = static_cast<double>(i);
  int interchanges = 0;
  for (int i = 0; i < n; ++i) {
    // Strictly greater: among equal magnitudes the earlier row stays the pivot.
    int best = i;
    double largest = 0.0;
    for (int j = i; j < n; ++j) {
      const double magnitude = std::fabs(m[row_at(perm, j)][i]);
      if (magnitude > largest) {
        largest = magnitude;
        best = j;
      }
    }
    if (best != i) {
      const double swap = perm[i][0];
      perm[i][0] = perm[best][0];
      perm[best][0] = swap;
      ++interchanges;
    }
    double* pivot_row = m[row_at(perm, i)];
    if (pivot_row[i] == 0.0) return -1;
    for (int j = i + 1; j < n; ++j) {
      double* row = m[row_at(perm, j)];
      row[i] = row[i] / pivot_row[i];
      for (int k = i + 1; k < n; ++k) row[k] = row[k] - row[i] * pivot_row[k];
    }
  }
  return interchanges;
}

Matrix mat_lu_solve_column(Matrix m, Matrix b, Matrix x, Matrix perm, int col) {
  const int n = mat_cols(m);
  if (n == 0) return x;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j)
      b[row_at(perm, j)][0] = b[row_at(perm, j)][0] - m[row_at(perm, j)][i] * b[row_at(perm, i)][0];
  x[n - 1][col] = b[row_at(perm, n - 1)][0] / m[row_at(perm, n - 1)][n - 1];
  for (int i = n - 2; i >= 0; --i) {
    const double* row = m[row_at(perm, i)];
    double sum = 0.0;
    for (int j = i + 1; j < n; ++j) sum = sum + row[j] * x[j][col];
    x[i][col] = (b[row_at(perm, i)][0] - sum) / row[i];
  }
  return x;
}

Matrix mat_inverse(Matrix m, Report* report) {
  const int n = mat_cols(m);
  Matrix c = mat_clone(m, report);
  Matrix b = mat_alloc(n, 1, kMatFillNone, report);
  Matrix x = mat_alloc(n, n, kMatFillNone, report);
  Matrix perm = mat_alloc(n, 1, kMatFillNone, report);
  // An allocation failure has been reported already; a singular m is silent.
  if (c == nullptr || b == nullptr || x == nullptr || perm == nullptr || mat_lu_factor(c, perm) == -1) {
    mat_release(c);
    mat_release(b);
    mat_release(x);
    mat_release(perm);
    return nullptr;
  }
  for (int i = 0; i < n; ++i) {
    mat_init(b, kMatFillZero);
    b[i][0] = 1.0;
    mat_lu_solve_column(c, b, x, perm, i);
  }
  mat_release(c);
  mat_release(b);
  mat_release(perm);
  return x;
}

}  // namespace roofplanes
