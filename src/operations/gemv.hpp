#pragma once
#include <algorithm>
#include <stdexcept>
#include <string>

#include "operations/blas.hpp"
#include "operations/overlap.hpp"
#include "operations/scale.hpp"

namespace Quor {

template <typename T, typename S, typename R>
    requires MatrixContainer<T> && SameSample<T, S, R>
void validate_gemv(const T& A, const S& x, R& y)
{
    if (A.template dim<1>() != x.template dim<0>())
        throw std::runtime_error("In gemv expression y = aAx + by, matrix A dimension 1: "
                                 + std::to_string(A.template dim<1>())
                                 + ", doesn't match vector x dimension 0: "
                                 + std::to_string(x.template dim<0>()));
    if (A.template dim<0>() != y.template dim<0>())
        throw std::runtime_error("In gemv expression y = aAx + by, matrix A dimension 0: "
                                 + std::to_string(A.template dim<0>())
                                 + ", doesn't match vector y dimension 0: "
                                 + std::to_string(y.template dim<0>()));
}

namespace detail {
// A matrix standing in for x or y is read or written in its first column;
// one without columns has no storage for it.
template <typename C>
void requireColumn(const C& v, size_t needed, const char* name)
{
    if (v.numel() < needed)
        throw std::runtime_error(std::string("gemv: ") + name + " holds " + std::to_string(v.numel())
                                 + " elements, fewer than the " + std::to_string(needed)
                                 + " the product needs");
}

// y <- beta * y over n contiguous elements; beta 0 replaces y whatever it held.
template <typename E>
void scaleOutput(E beta, E* y, size_t n)
{
    if (beta == E(0)) {
        std::fill_n(y, n, E(0));
        return;
    }
    scaleElements(beta, y, n);
}
}  // namespace detail

// y <- alpha * A * x + beta * y
template <typename T, typename S, typename R>
    requires MatrixContainer<T> && SameSample<T, S, R>
R& gemv(typename T::SampleType alpha, typename T::SampleType beta, const T& A, const S& x, R& y)
{
    using E = typename T::SampleType;
    validate_gemv(A, x, y);
    const size_t rows = A.template dim<0>();
    const size_t cols = A.template dim<1>();
    detail::requireColumn(x, cols, "vector x");
    detail::requireColumn(y, rows, "vector y");
    const int m = blas::toInt(rows, "gemv", "row count");
    const int n = blas::toInt(cols, "gemv", "column count");
    const int lda = blas::leadingDimension(rows, "gemv");
    if (n == 0) {
        // BLAS returns before applying beta when A has no columns.
        detail::scaleOutput<E>(beta, y.get(), rows);
        return y;
    }
    // y is written while all of A and x are read, so any overlap with y,
    // the same range included, is read from a copy.
    overlap::Input<E> inA(A.get(), A.numel()), inX(x.get(), cols);
    inA.separateFrom(y.get(), rows);
    inX.separateFrom(y.get(), rows, inA);
    const E a = alpha;
    const E b = beta;
    blas::Routines<E>::gemv(CblasColMajor, CblasNoTrans, m, n, blas::arg(a), inA.get(), lda, inX.get(), 1,
                            blas::arg(b), y.get(), 1);
    return y;
}

}  // namespace Quor
