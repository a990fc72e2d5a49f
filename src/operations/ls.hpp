#pragma once
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "operations/blas.hpp"
#include "operations/gels.hpp"
#include "operations/overlap.hpp"

namespace Quor {

namespace detail {
// gels turns an infinity into NaN results or a false rank report, depending
// on the precision, so non-finite input is refused before it runs.
template <typename E>
void requireFinite(const E* data, size_t count, const char* operand)
{
    const auto finite = [](const E& x) {
        if constexpr (isComplex<E>)
            return std::isfinite(x.real()) && std::isfinite(x.imag());
        else
            return std::isfinite(x);
    };
    if (!std::all_of(data, data + count, finite))
        throw std::runtime_error(std::string("ls: ") + operand
                                 + " holds a non-finite value (NaN or infinity), so no solution was computed; A "
                                   "and b are unchanged");
}

// gels brings a right-hand side whose largest modulus lies outside
// [small, 1/small] (small = safe minimum / precision) into that range and
// scales back only the solution rows, so the residual rows of an
// overdetermined system would come back scaled. Scaling b by a power of two
// first (exact, but for elements that fall below the normal range) keeps gels
// from scaling it; this returns the exponent e that brings b to [1/2, 1) when
// divided by 2^e, or 0 when b is in range already.
template <typename E>
int rhsExponent(const E* b, size_t length)
{
    using R = decltype(std::abs(E{}));
    R largest = 0;
    for (size_t i = 0; i < length; ++i)
        largest = std::max(largest, std::abs(b[i]));
    const R small = std::numeric_limits<R>::min() / std::numeric_limits<R>::epsilon();
    if (!(largest > 0) || !std::isfinite(largest) || (largest >= small && largest <= 1 / small))
        return 0;
    int exponent = 0;
    std::frexp(largest, &exponent);
    return exponent;
}

template <typename E>
void scaleByPowerOfTwo(E* b, size_t length, int exponent)
{
    for (size_t i = 0; i < length && exponent != 0; ++i) {
        if constexpr (isComplex<E>)
            b[i] = E(std::ldexp(b[i].real(), exponent), std::ldexp(b[i].imag(), exponent));
        else
            b[i] = std::ldexp(b[i], exponent);
    }
}
}  // namespace detail

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
    // gels overwrites A and b while reading both: no answer exists when they share storage.
    if (overlap::intersect<E>(A.get(), A.numel(), b.get(), rhsLength)) [[unlikely]]
        throw std::runtime_error("ls: A and b share storage, so no solution was computed; A and b are unchanged");
    const int m = blas::toInt(rows, "ls", "row count");
    const int n = blas::toInt(cols, "ls", "column count");
    const int lda = blas::leadingDimension(rows, "ls");
    const int ldb = blas::leadingDimension(rhsLength, "ls");
    // LAPACK addresses A's elements with its integer type too.
    blas::toInt(rows * cols, "ls", "element count of A");
    // Without unknowns there is nothing to solve for; b is its own residual.
    if (n == 0)
        return;
    detail::requireFinite(A.get(), rows * cols, "A");
    detail::requireFinite(b.get(), rhsLength, "b");
    const int exponent = rows > cols ? detail::rhsExponent(b.get(), rows) : 0;
    detail::scaleByPowerOfTwo(b.get(), rows, -exponent);
    const lapack_int info = blas::gels(m, n, A.get(), lda, b.get(), ldb);
    detail::scaleByPowerOfTwo(b.get(), rows, exponent);
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
