#pragma once
#include "operations/blas.hpp"
#include "operations/overlap.hpp"

namespace Quor {

// y <- alpha * x + y over the first x.numel() elements of y
template <typename T, typename S>
    requires SameSample<T, S>
S& axpy(typename T::SampleType alpha, const T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "axpy");
    const int n = blas::toInt(x.numel(), "axpy", "element count");
    const E a = alpha;
    overlap::elementwise<E>(x.get(), y.get(), x.numel(), [&](const E* in) {
        blas::Routines<E>::axpy(n, blas::arg(a), in, 1, y.get(), 1);
    });
    return y;
}

}  // namespace Quor
