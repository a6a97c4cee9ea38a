#pragma once

namespace roofplanes {

class Report;

// A dense rows × cols matrix of doubles, handled through the address of its
// row table: element (i, j) is m[i][j]. The two 32-bit counts (rows, cols) lie
// directly in front of the table in the same malloc'd block; every row is a
// separate malloc'd array. The null handle is "no matrix", which every
// operation that can fail returns. A returned matrix is new and owned by the
// caller, who releases it with mat_release; no operation releases its arguments.
// An allocation failure is reported as a warning to the report, when one is given.
using Matrix = double**;

// Fill kinds of mat_init and mat_alloc.
inline constexpr int kMatFillZero = 0;       // every element 0.0
inline constexpr int kMatFillIdentity = 1;   // (i, i) 1.0, the rest 0.0, also when not square
inline constexpr int kMatFillNone = -1;      // elements left as they are

// Error codes of mat_report_error.
inline constexpr int kMatMallocError = 1;
inline constexpr int kMatFileOpenError = 2;
inline constexpr int kMatReadError = 3;

// Row and column counts of a matrix (m must be a matrix).
int mat_rows(Matrix m);
int mat_cols(Matrix m);

// New rows × cols matrix with unset elements, or no matrix after reporting
// "mat: malloc error". Whatever was allocated before a
// failure is released again.
Matrix mat_alloc_raw(int rows, int cols, Report* report = nullptr);

// mat_alloc_raw, then mat_init with the fill kind when it succeeded.
Matrix mat_alloc(int rows, int cols, int fill_kind, Report* report = nullptr);

// Fills m by the fill kind (any kind but 0 and 1 leaves it as it is); returns m.
Matrix mat_init(Matrix m, int fill_kind);

// Releases every row, then the block. Returns 0 for no matrix (nothing done), else 1.
int mat_release(Matrix m);

// New matrix of the same size and elements as m, or no matrix.
Matrix mat_clone(Matrix m, Report* report = nullptr);

// Reports the message of the error code as a warning (codes 1 to 3; any other
// code reports nothing) and returns no matrix.
Matrix mat_report_error(int code, Report* report = nullptr);

// New cols × rows matrix T with T[i][j] = m[j][i], or no matrix.
Matrix mat_transpose(Matrix m, Report* report = nullptr);

// New rows(p) × cols(q) matrix p · q, or no matrix; needs cols(p) = rows(q).
// Terms with an exact zero factor are skipped, so 0 · ∞ contributes nothing.
Matrix mat_product(Matrix p, Matrix q, Report* report = nullptr);

}  // namespace roofplanes
