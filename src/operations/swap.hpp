#pragma once
#include <stdexcept>

#include "operations/blas.hpp"
#include "operations/overlap.hpp"

namespace Quor {

// exchanges x and the first x.numel() elements of y
template <typename T, typename S>
    requires SameSample<T, S>
void swap(T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "swap");
    const int n = blas::toInt(x.numel(), "swap", "element count");
    // Exchanging a range with itself changes nothing; ranges that partly
    // overlap have no exchanged state to give.
    if (x.get() == y.get())
        return;
    if (overlap::intersect<E>(x.get(), x.numel(), y.get(), x.numel())) [[unlikely]]
        throw std::runtime_error("swap: x and y overlap in storage without being the same elements, so they "
                                 "cannot be exchanged; x and y are unchanged");
    blas::Routines<E>::swap(n, x.get(), 1, y.get(), 1);
}

}  // namespace Quor
