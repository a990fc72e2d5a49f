#pragma once
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
    blas::Routines<E>::scal(n, blas::arg(a), x.get(), 1);
    return x;
}

}  // namespace Quor
