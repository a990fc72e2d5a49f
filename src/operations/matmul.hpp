#pragma once
#include "operations/gemm.hpp"

namespace Quor {

// Y <- A * X + Y (accumulates)
template <typename T, typename S, typename R>
    requires MatrixContainer<T> && MatrixContainer<S> && MatrixContainer<R> && SameSample<T, S, R>
R& matmul(const T& A, const S& X, R& Y)
{
    using E = typename T::SampleType;
    return gemm(E(1), E(1), A, X, Y);
}

}  // namespace Quor
