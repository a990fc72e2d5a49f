#pragma once
#include <stdexcept>
#include <string>

#include "operations/blas.hpp"
#include "operations/gemv.hpp"
#include "operations/overlap.hpp"

namespace Quor {

template <typename T, typename S, typename R>
    requires MatrixContainer<T> && MatrixContainer<S> && MatrixContainer<R> && SameSample<T, S, R>
void validate_gemm(const T& A, const S& X, R& Y)
{
    if (A.template dim<0>() != Y.template dim<0>())
        throw std::runtime_error("In gemm expression Y = aAX + bY, matrix A dimension 0: "
                                 + std::to_string(A.template dim<0>())
                                 + ", doesn't match matrix Y dimension 0: "
                                 + std::to_string(Y.template dim<0>()));
    if (X.template dim<1>() != Y.template dim<1>())
        throw std::runtime_error("In gemv expression Y = aAX + bY, matrix X dimension 1: "
                                 + std::to_string(X.template dim<1>())
                                 + ", doesn't match matrix Y dimension 1: "
                                 + std::to_string(Y.template dim<1>()));
    if (A.template dim<1>() != X.template dim<0>())
        throw std::runtime_error("In gemv expression Y = aAX + bY, matrix A dimension 1: "
                                 + std::to_string(A.template dim<1>())
                                 + ", doesn't match matrix X dimension 0: "
                                 + std::to_string(X.template dim<0>()));
}

// Y <- alpha * A * X + beta * Y
template <typename T, typename S, typename R>
    requires MatrixContainer<T> && MatrixContainer<S> && MatrixContainer<R> && SameSample<T, S, R>
R& gemm(typename T::SampleType alpha, typename T::SampleType beta, const T& A, const S& X, R& Y)
{
    using E = typename T::SampleType;
    validate_gemm(A, X, Y);
    const int m = blas::toInt(A.template dim<0>(), "gemm", "row count");
    const int n = blas::toInt(X.template dim<1>(), "gemm", "column count");
    const int k = blas::toInt(A.template dim<1>(), "gemm", "inner dimension");
    const int lda = blas::leadingDimension(A.template dim<0>(), "gemm");
    const int ldx = blas::leadingDimension(X.template dim<0>(), "gemm");
    const int ldy = blas::leadingDimension(Y.template dim<0>(), "gemm");
    if (m == 0 || n == 0)
        return Y;
    if (k == 0) {
        // An empty inner dimension leaves Y <- beta * Y, whose element
        // count may pass the BLAS integer range when its dimensions do not.
        detail::scaleOutput<E>(beta, Y.get(), Y.numel());
        return Y;
    }
    // Y is written while all of A and X are read; one matrix passed as both
    // A and X needs one copy.
    overlap::Input<E> inA(A.get(), A.numel()), inX(X.get(), X.numel());
    inA.separateFrom(Y.get(), Y.numel());
    inX.separateFrom(Y.get(), Y.numel(), inA);
    const E a = alpha;
    const E b = beta;
    blas::Routines<E>::gemm(CblasColMajor, CblasNoTrans, CblasNoTrans, m, n, k, blas::arg(a), inA.get(),
                            lda, inX.get(), ldx, blas::arg(b), Y.get(), ldy);
    return Y;
}

}  // namespace Quor
