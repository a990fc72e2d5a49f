#pragma once
#include <algorithm>
#include <stdexcept>
#include <string>

#include "operations/blas.hpp"

namespace Quor {

// Least squares (m >= n) or minimum-norm (m < n) solution of A x = b, in place:
// the solution replaces the leading elements of b, A holds its factorization.
template <typename T, typename S>
    requires MatrixContainer<T> && SameSample<T, S>
void ls(const T& A, S& b)
{
    using E = typename T::SampleType;
    const size_t rows = A.template dim<0>();
    const size_t cols = A.template dim<1>();
    const size_t rhsLength = std::max(rows, cols);
    if (b.numel() < rhsLength)
        throw std::runtime_error("ls: b holds " + std::to_string(b.numel()) + " elements, fewer than the "
                                 + std::to_string(rhsLength) + " a " + std::to_string(rows) + "x"
                                 + std::to_string(cols) + " matrix needs");
    const int m = blas::toInt(rows, "ls", "row count");
    const int n = blas::toInt(cols, "ls", "column count");
    const int lda = blas::leadingDimension(rows, "ls");
    const int ldb = blas::leadingDimension(rhsLength, "ls");
    // Without unknowns there is nothing to solve for; b is its own residual.
    if (n == 0)
        return;
    const lapack_int info = blas::Routines<E>::gels(LAPACK_COL_MAJOR, 'N', m, n, 1, A.get(), lda, b.get(), ldb);
    if (info > 0)
        throw std::runtime_error("ls: diagonal element " + std::to_string(info)
                                 + " of the triangular factor of A is zero, so A is not of full rank and no "
                                   "solution was computed; A and b hold intermediate values");
    if (info < 0)
        throw std::runtime_error("ls: argument " + std::to_string(-info)
                                 + " of gels is invalid (A or b may hold NaN); A and b may hold "
                                   "intermediate values");
}

}  // namespace Quor
