#pragma once
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "operations/blas.hpp"

namespace Quor {

// x <- alpha * x
template <typename T>
    requires Container<T>
T& scale(typename T::SampleType alpha, T& x)
{
    using E = typename T::SampleType;
    const int n = blas::toInt(x.numel(), "scale", "element count");
    const E a = alpha;
    // The single-precision routine of the installed BLAS zeroes the data for
    // a NaN factor; every product with NaN is NaN.
    if constexpr (std::is_same_v<E, float>) {
        if (std::isnan(a)) {
            std::fill_n(x.get(), x.numel(), a);
            return x;
        }
    }
    blas::Routines<E>::scal(n, blas::arg(a), x.get(), 1);
    return x;
}

}  // namespace Quor
