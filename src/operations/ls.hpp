#pragma once
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "operations/blas.hpp"
#include "operations/gels.hpp"
#include "operations/overlap.hpp"

namespace Quor {

namespace detail {
// The bit pattern of the largest magnitude among `count` reals. IEEE
// magnitudes order as their bit patterns do, so an integer maximum finds it,
// and one pass of it vectorises where a floating-point maximum or an
// early-exit test would not; a pattern at or above infinity's is a NaN or an
// infinity.
template <typename R>
auto largestMagnitudeBits(const R* data, size_t count)
{
    using Bits = std::conditional_t<sizeof(R) == 4, std::uint32_t, std::uint64_t>;
    static_assert(sizeof(Bits) == sizeof(R) && std::numeric_limits<R>::is_iec559);
    constexpr Bits magnitude = ~Bits{0} >> 1;
    Bits largest = 0;
    for (size_t i = 0; i < count; ++i) {
        Bits bits;
        std::memcpy(&bits, data + i, sizeof bits);
        largest = std::max<Bits>(largest, bits & magnitude);
    }
    return largest;
}

// The largest magnitude among the elements' real and imaginary parts.
template <typename E>
auto largestPart(const E* data, size_t count)
{
    using R = decltype(std::abs(E{}));
    // A complex array is an array of its parts, real part first.
    const auto bits = largestMagnitudeBits(reinterpret_cast<const R*>(data), isComplex<E> ? 2 * count : count);
    return std::bit_cast<R>(bits);
}

// gels turns an infinity into NaN results or a false rank report, depending
// on the precision, so non-finite input is refused before it runs; `part` is
// the largest part of the operand's elements, NaN or infinity if one is.
template <typename R>
void requireFinite(R part, const char* operand)
{
    if (!std::isfinite(part))
        throw std::runtime_error(std::string("ls: ") + operand
                                 + " holds a non-finite value (NaN or infinity), so no solution was computed; A "
                                   "and b are unchanged");
}

// Whether an operand whose largest part is `part` is one gels leaves
// unscaled: largest modulus in [small, 1/small] (small = safe minimum /
// precision), or zero where `zeroInRange`. A complex modulus lies in
// [part, sqrt(2) part].
template <typename E, typename R>
bool inGelsRange(R part, bool zeroInRange)
{
    const R small = std::numeric_limits<R>::min() / std::numeric_limits<R>::epsilon();
    const R spread = isComplex<E> ? std::numbers::sqrt2_v<R> : R{1};
    return (zeroInRange && part == 0) || (part >= small && part * spread <= 1 / small);
}

// gels brings a right-hand side whose largest modulus lies outside
// [small, 1/small] (small = safe minimum / precision) into that range and
// scales back only the solution rows, so the residual rows of an
// overdetermined system would come back scaled. Scaling b by a power of two
// first (exact, but for elements that fall below the normal range) keeps gels
// from scaling it; this returns the exponent e that brings b to [1/2, 1) when
// divided by 2^e, or 0 when b is in range already. b is finite, and `part`
// is its largest part.
template <typename E, typename R>
int rhsExponent(const E* b, size_t length, R part)
{
    if (inGelsRange<E>(part, true))
        return 0;
    R largest = part;
    if constexpr (isComplex<E>) {
        largest = 0;
        for (size_t i = 0; i < length; ++i)
            largest = std::max(largest, std::abs(b[i]));
        if (inGelsRange<R>(largest, true))
            return 0;
        // A modulus beyond the largest real: the largest part sets the scale
        // (no modulus exceeds sqrt(2) times it).
        if (!std::isfinite(largest))
            largest = part;
    }
    int exponent = 0;
    std::frexp(largest, &exponent);
    return exponent;
}

// The parts of a complex element can be finite while its modulus exceeds the
// largest real (3e38 + 3e38i in single precision); gels measures moduli, and
// would scale by the infinite one into NaN. Such an operand is divided by 2^e
// first, with e the exponent that brings its largest part `part` to
// [1/2, 1); this returns e, or 0 where every modulus is finite.
template <typename E, typename R>
int overflowExponent(const E* data, size_t count, R part)
{
    if constexpr (isComplex<E>) {
        if (part > std::numeric_limits<R>::max() / std::numbers::sqrt2_v<R>) {
            for (size_t i = 0; i < count; ++i) {
                if (!std::isfinite(std::abs(data[i]))) {
                    int exponent = 0;
                    std::frexp(part, &exponent);
                    return exponent;
                }
            }
        }
    }
    return 0;
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
    // The largest parts tell how gels would scale A and b (it measures b's
    // first `rows` elements); the rest of b's first max(m, n) is read too.
    const auto aPart = detail::largestPart(A.get(), rows * cols);
    detail::requireFinite(aPart, "A");
    const auto bPart = detail::largestPart(b.get(), rows);
    detail::requireFinite(bPart, "b");
    detail::requireFinite(detail::largestPart(b.get() + rows, rhsLength - rows), "b");
    const int aExponent = detail::overflowExponent(A.get(), rows * cols, aPart);
    detail::scaleByPowerOfTwo(A.get(), rows * cols, -aExponent);
    const int exponent = rows > cols ? detail::rhsExponent(b.get(), rows, bPart)
                                     : detail::overflowExponent(b.get(), rows, bPart);
    detail::scaleByPowerOfTwo(b.get(), rows, -exponent);
    const bool unscaled = detail::inGelsRange<E>(std::ldexp(aPart, -aExponent), false)
        && (exponent != 0 || detail::inGelsRange<E>(bPart, true));
    const lapack_int info = blas::gels(m, n, A.get(), lda, b.get(), ldb, unscaled);
    // The solution of (A / 2^a) x' = b / 2^e is x' = x 2^(a - e); residual
    // rows carry b's scale only.
    detail::scaleByPowerOfTwo(b.get(), cols, exponent - aExponent);
    if (rows > cols)
        detail::scaleByPowerOfTwo(b.get() + cols, rows - cols, exponent);
    if (info > 0)
        throw std::runtime_error("ls: diagonal element " + std::to_string(info)
                                 + " of the triangular factor of A is zero, so A is not of full rank and no "
                                   "solution was computed; A and b hold intermediate values");
    if (info < 0)
        throw std::runtime_error("ls: argument " + std::to_string(-info)
                                 + " of gels is invalid (A or b may hold NaN); A and b may hold "
                                   "intermediate values");
    // Finite input can still have a solution beyond the precision's range.
    if (!std::isfinite(detail::largestPart(b.get(), cols)))
        throw std::runtime_error("ls: the solution does not fit in the precision of A and b (an element is NaN "
                                 "or infinite); A and b hold intermediate values");
}

}  // namespace Quor
