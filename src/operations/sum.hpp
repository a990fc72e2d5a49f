#pragma once
#include "operations/blas.hpp"
#include "operations/overlap.hpp"

namespace Quor {

// y <- x + y: axpy with the constant one
template <typename T, typename S>
    requires SameSample<T, S>
S& sum(const T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "sum");
    const int n = blas::toInt(x.numel(), "sum", "element count");
    const E one = E(1);
    overlap::elementwise<E>(x.get(), y.get(), x.numel(), [&](const E* in) {
        blas::Routines<E>::axpy(n, blas::arg(one), in, 1, y.get(), 1);
    });
    return y;
}

}  // namespace Quor
