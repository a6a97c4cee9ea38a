#include "planes/matrix/matrix.h"

#include <gtest/gtest.h>

#include "support/captured_report.h"

#include <limits>
#include <string>
#include <vector>

#include "planes/matrix/lu_inverse.h"

namespace roofplanes {
namespace {

// New matrix with the given rows (all of the same length).
Matrix matrix_of(const std::vector<std::vector<double>>& rows) {
  const int n = static_cast<int>(rows.size());
  const int m = n == 0 ? 0 : static_cast<int>(rows[0].size());
  Matrix result = mat_alloc(n, m, kMatFillNone);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < m; ++j) result[i][j] = rows[i][j];
  return result;
}

std::vector<std::vector<double>> rows_of(Matrix m) {
  std::vector<std::vector<double>> rows(mat_rows(m));
  for (int i = 0; i < mat_rows(m); ++i) rows[i].assign(m[i], m[i] + mat_cols(m));
  return rows;
}

using Rows = std::vector<std::vector<double>>;

TEST(Matrix, AllocFillsByKind) {
  Matrix identity = mat_alloc(2, 3, kMatFillIdentity);
  ASSERT_NE(identity, nullptr);
  EXPECT_EQ(mat_rows(identity), 2);
  EXPECT_EQ(mat_cols(identity), 3);
  EXPECT_EQ(rows_of(identity), (Rows{{1, 0, 0}, {0, 1, 0}}));

  Matrix tall = mat_alloc(3, 2, kMatFillIdentity);
  EXPECT_EQ(rows_of(tall), (Rows{{1, 0}, {0, 1}, {0, 0}}));

  Matrix m = matrix_of({{5, 6}, {7, 8}});
  EXPECT_EQ(mat_init(m, kMatFillNone), m);
  EXPECT_EQ(rows_of(m), (Rows{{5, 6}, {7, 8}}));
  EXPECT_EQ(mat_init(m, kMatFillZero), m);
  EXPECT_EQ(rows_of(m), (Rows{{0, 0}, {0, 0}}));

  Matrix empty = mat_alloc(0, 3, kMatFillZero);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(mat_rows(empty), 0);
  EXPECT_EQ(mat_cols(empty), 3);

  EXPECT_EQ(mat_release(identity), 1);
  EXPECT_EQ(mat_release(tall), 1);
  EXPECT_EQ(mat_release(m), 1);
  EXPECT_EQ(mat_release(empty), 1);
  EXPECT_EQ(mat_release(nullptr), 0);
}

TEST(Matrix, ReportsAllocationFailureAsWarning) {
  // A size no allocation can meet fails with the malloc message and no matrix.
  testing::CapturedReport out;
  EXPECT_EQ(mat_alloc(-1, 2, kMatFillZero, &out.report), nullptr);
  EXPECT_EQ(mat_alloc_raw(2, -1, &out.report), nullptr);
  EXPECT_EQ(out.observer.warnings, "mat: malloc error\nmat: malloc error\n");
}

TEST(Matrix, CloneAndTransposeMakeNewMatrices) {
  Matrix m = matrix_of({{1, 2, 3}, {4, 5, 6}});
  Matrix c = mat_clone(m);
  Matrix t = mat_transpose(m);
  ASSERT_NE(c, nullptr);
  ASSERT_NE(t, nullptr);
  m[0][0] = 9;
  EXPECT_EQ(rows_of(c), (Rows{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(mat_rows(t), 3);
  EXPECT_EQ(mat_cols(t), 2);
  EXPECT_EQ(rows_of(t), (Rows{{1, 4}, {2, 5}, {3, 6}}));
  mat_release(m);
  mat_release(c);
  mat_release(t);
}

TEST(Matrix, ProductSkipsZeroFactors) {
  Matrix p = matrix_of({{1, 2}, {3, 4}, {0, -1}});
  Matrix q = matrix_of({{5, 0, 1}, {6, 7, 0}});
  Matrix r = mat_product(p, q);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(rows_of(r), (Rows{{17, 14, 1}, {39, 28, 3}, {-6, -7, 0}}));

  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Matrix zero = matrix_of({{0}});
  Matrix infinite = matrix_of({{inf}});
  Matrix not_a_number = matrix_of({{nan}});
  Matrix zero_times_inf = mat_product(zero, infinite);
  Matrix inf_times_zero = mat_product(infinite, zero);
  Matrix nan_times_zero = mat_product(not_a_number, zero);
  EXPECT_EQ(rows_of(zero_times_inf), (Rows{{0}}));
  EXPECT_EQ(rows_of(inf_times_zero), (Rows{{0}}));
  EXPECT_EQ(rows_of(nan_times_zero), (Rows{{0}}));

  // An empty inner dimension gives zeros.
  Matrix wide = mat_alloc(2, 0, kMatFillZero);
  Matrix flat = mat_alloc(0, 3, kMatFillZero);
  Matrix zeros = mat_product(wide, flat);
  EXPECT_EQ(rows_of(zeros), (Rows{{0, 0, 0}, {0, 0, 0}}));

  for (Matrix m : {p, q, r, zero, infinite, not_a_number, zero_times_inf, inf_times_zero, nan_times_zero, wide,
                   flat, zeros})
    mat_release(m);
}

TEST(MatLuFactor, PivotsOnLargestMagnitudeAndKeepsEarlierRowOnTie) {
  Matrix perm = mat_alloc(3, 1, kMatFillNone);

  // Column 0 picks row 1: one interchange.
  Matrix swap = matrix_of({{0, 1}, {1, 0}});
  EXPECT_EQ(mat_lu_factor(swap, perm), 1);
  EXPECT_EQ(perm[0][0], 1.0);
  EXPECT_EQ(perm[1][0], 0.0);

  // |1| and |−1| tie in column 0: the earlier row stays the pivot.
  Matrix tie = matrix_of({{1, 2}, {-1, 3}});
  EXPECT_EQ(mat_lu_factor(tie, perm), 0);
  EXPECT_EQ(perm[0][0], 0.0);
  EXPECT_EQ(perm[1][0], 1.0);
  EXPECT_EQ(rows_of(tie), (Rows{{1, 2}, {-1, 5}}));  // multiplier −1 stored in place, U = ((1, 2), (0, 5))

  // After the first interchange rows 0 and 2 tie in column 1; row 0 comes
  // first in the permutation order and stays.
  Matrix later_tie = matrix_of({{0, 1, 0}, {1, 0, 0}, {0, 1, 1}});
  EXPECT_EQ(mat_lu_factor(later_tie, perm), 1);
  EXPECT_EQ(perm[0][0], 1.0);
  EXPECT_EQ(perm[1][0], 0.0);
  EXPECT_EQ(perm[2][0], 2.0);

  // A zero pivot after the search ends the factorisation.
  Matrix singular = matrix_of({{1, 2}, {2, 4}});
  EXPECT_EQ(mat_lu_factor(singular, perm), -1);

  for (Matrix m : {perm, swap, tie, later_tie, singular}) mat_release(m);
}

TEST(MatInverse, InvertsRegularMatrices) {
  Matrix four = matrix_of({{4}});
  Matrix quarter = mat_inverse(four);
  ASSERT_NE(quarter, nullptr);
  EXPECT_EQ(rows_of(quarter), (Rows{{0.25}}));
  EXPECT_EQ(rows_of(four), (Rows{{4}}));

  Matrix swap = matrix_of({{0, 1}, {1, 0}});
  Matrix swap_inverse = mat_inverse(swap);
  ASSERT_NE(swap_inverse, nullptr);
  EXPECT_EQ(rows_of(swap_inverse), (Rows{{0, 1}, {1, 0}}));

  Matrix permuted = matrix_of({{0, 1, 0}, {1, 0, 0}, {0, 1, 1}});
  Matrix permuted_inverse = mat_inverse(permuted);
  ASSERT_NE(permuted_inverse, nullptr);
  EXPECT_EQ(rows_of(permuted_inverse), (Rows{{0, 1, 0}, {1, 0, 0}, {-1, 0, 1}}));
  EXPECT_EQ(rows_of(permuted), (Rows{{0, 1, 0}, {1, 0, 0}, {0, 1, 1}}));

  // A normal matrix like the plane fit's.
  Matrix normal = matrix_of({{2, 1, 1}, {1, 3, 2}, {1, 2, 4}});
  Matrix normal_inverse = mat_inverse(normal);
  ASSERT_NE(normal_inverse, nullptr);
  Matrix identity = mat_product(normal, normal_inverse);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(identity[i][j], i == j ? 1.0 : 0.0, 1e-12);

  for (Matrix m : {four, quarter, swap, swap_inverse, permuted, permuted_inverse, normal, normal_inverse, identity})
    mat_release(m);
}

TEST(MatInverse, SingularMatrixGivesNoMatrixSilently) {
  Matrix zero_column = matrix_of({{1, 0}, {2, 0}});
  Matrix equal_rows = matrix_of({{1, 2, 3}, {4, 5, 6}, {1, 2, 3}});
  Matrix zero = matrix_of({{0}});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(mat_inverse(zero_column), nullptr);
  EXPECT_EQ(mat_inverse(equal_rows), nullptr);
  EXPECT_EQ(mat_inverse(zero), nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(rows_of(equal_rows), (Rows{{1, 2, 3}, {4, 5, 6}, {1, 2, 3}}));
  for (Matrix m : {zero_column, equal_rows, zero}) mat_release(m);
}

}  // namespace
}  // namespace roofplanes
