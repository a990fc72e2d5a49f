#pragma once
#include "operations/blas.hpp"

namespace Quor {

// exchanges x and the first x.numel() elements of y
template <typename T, typename S>
    requires SameSample<T, S>
void swap(T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "swap");
    const int n = blas::toInt(x.numel(), "swap", "element count");
    blas::Routines<E>::swap(n, x.get(), 1, y.get(), 1);
}

}  // namespace Quor
