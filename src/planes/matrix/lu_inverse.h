#pragma once

#include "planes/matrix/matrix.h"

namespace roofplanes {

// LU decomposition with partial pivoting and the inverse built on it. n is
// always taken from the column count of the square matrix; vectors are n × 1.
// A permutation vector holds row numbers as doubles: entry i names the row of
// the factored matrix that plays the part of row i. Rows never move in memory.

// Factors the square matrix m in place (L below the diagonal with an implied
// unit diagonal, U on and above it, row i in row perm[i] of m) and fills perm.
// Returns the number of row interchanges, or -1 as soon as a pivot is exactly
// 0.0 (m is then left partly factored).
int mat_lu_factor(Matrix m, Matrix perm);

// Solves for one column of X from the factored matrix m, the right-hand side b
// (changed in place by the forward elimination) and perm; fills column col of
// X and returns X.
Matrix mat_lu_solve_column(Matrix m, Matrix b, Matrix x, Matrix perm, int col);

// New matrix, the inverse of the square matrix m (unchanged), or no matrix
// when m is singular (silently) or an allocation failed.
Matrix mat_inverse(Matrix m, Report* report = nullptr);

}  // namespace roofplanes
