#pragma once
#include "operations/blas.hpp"
#include "operations/overlap.hpp"

namespace Quor {

// first x.numel() elements of y <- x
template <typename T, typename S>
    requires SameSample<T, S>
S& copy(const T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "copy");
    const int n = blas::toInt(x.numel(), "copy", "element count");
    overlap::elementwise<E>(x.get(), y.get(), x.numel(), [&](const E* in) {
        blas::Routines<E>::copy(n, in, 1, y.get(), 1);
    });
    return y;
}

}  // namespace Quor
