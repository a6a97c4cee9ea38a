#include "planes/matrix/matrix.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "observer/report.h"

namespace roofplanes {

namespace {

// The counts in front of the row table; their size keeps the table aligned.
struct MatrixCounts {
  std::int32_t rows;
  std::int32_t cols;
};
static_assert(sizeof(MatrixCounts) % alignof(double*) == 0);

void* block_of(Matrix m) { return reinterpret_cast<char*>(m) - sizeof(MatrixCounts); }

MatrixCounts counts_of(Matrix m) {
  MatrixCounts counts;
  std::memcpy(&counts, block_of(m), sizeof counts);
  return counts;
}

}  // namespace

int mat_rows(Matrix m) { return counts_of(m).rows; }
int mat_cols(Matrix m) { return counts_of(m).cols; }

Matrix mat_alloc_raw(int rows, int cols, Report* report) {
  // A negative count is a size no allocation can meet.
  if (rows < 0 || cols < 0) return mat_report_error(kMatMallocError, report);
  void* block = std::malloc(sizeof(MatrixCounts) + static_cast<std::size_t>(rows) * sizeof(double*));
  if (block == nullptr) return mat_report_error(kMatMallocError, report);
  Matrix m = reinterpret_cast<Matrix>(static_cast<char*>(block) + sizeof(MatrixCounts));
  const std::size_t row_bytes = static_cast<std::size_t>(cols) * sizeof(double);
  for (int i = 0; i < rows; ++i) {
    m[i] = static_cast<double*>(std::malloc(row_bytes));
    // malloc(0) may legitimately give no address for an empty row.
    if (m[i] == nullptr && row_bytes != 0) {
      for (int r = 0; r < i; ++r) std::free(m[r]);
      std::free(block);
      return mat_report_error(kMatMallocError, report);
    }
  }
  const MatrixCounts counts{rows, cols};
  std::memcpy(block, &counts, sizeof counts);
  return m;
}

Matrix mat_alloc(int rows, int cols, int fill_kind, Report* report) {
  Matrix m = mat_alloc_raw(rows, cols, report);
  if (m == nullptr) return nullptr;
  return mat_init(m, fill_kind);
}

Matrix mat_init(Matrix m, int fill_kind) {
  if (fill_kind != kMatFillZero && fill_kind != kMatFillIdentity) return m;
  const int rows = mat_rows(m), cols = mat_cols(m);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j)
      m[i][j] = (fill_kind == kMatFillIdentity && i == j) ? 1.0 : 0.0;
  return m;
}

int mat_release(Matrix m) {
  if (m == nullptr) return 0;
  const int rows = mat_rows(m);
  for (int i = 0; i < rows; ++i) std::free(m[i]);
  std::free(block_of(m));
  return 1;
}

Matrix mat_clone(Matrix m, Report* report) {
  const int rows = mat_rows(m), cols = mat_cols(m);
  Matrix c = mat_alloc_raw(rows, cols, report);
  if (c == nullptr) return nullptr;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) c[i][j] = m[i][j];
  return c;
}

Matrix mat_report_error(int code, Report* report) {
  if (report == nullptr) return nullptr;
  switch (code) {
    case kMatMallocError:
      report->warning("mat: malloc error");
      break;
    case kMatFileOpenError:
      report->warning("mat: fileopen error");
      break;
    case kMatReadError:
      report->warning("fgetmat: matrix read error");
      break;
    default:
      break;
  }
  return nullptr;
}

Matrix mat_transpose(Matrix m, Report* report) {
  const int rows = mat_rows(m), cols = mat_cols(m);
  Matrix t = mat_alloc_raw(cols, rows, report);
  if (t == nullptr) return nullptr;
  for (int i = 0; i < cols; ++i)
    for (int j = 0; j < rows; ++j) t[i][j] = m[j][i];
  return t;
}

Matrix mat_product(Matrix p, Matrix q, Report* report) {
  const int rows = mat_rows(p), inner = mat_cols(p), cols = mat_cols(q);
  Matrix r = mat_alloc_raw(rows, cols, report);
  if (r == nullptr) return nullptr;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      r[i][j] = 0.0;
      for (int k = 0; k < inner; ++k)
        if (p[i][k] != 0.0 && q[k][j] != 0.0) r[i][j] = p[i][k] * q[k][j] + r[i][j];
    }
  return r;
}

}  // namespace roofplanes
