#pragma once
#include "operations/gemv.hpp"

namespace Quor {

// y <- A * x + y (accumulates)
template <typename T, typename S, typename R>
    requires MatrixContainer<T> && SameSample<T, S, R>
R& matvec(const T& A, const S& x, R& y)
{
    using E = typename T::SampleType;
    return gemv(E(1), E(1), A, x, y);
}

}  // namespace Quor
