#pragma once
#include "operations/blas.hpp"

namespace Quor {

// sum of x_i * y_i (no conjugation)
template <typename T, typename S>
    requires SameSample<T, S>
typename T::SampleType dot(const T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "dot");
    const int n = blas::toInt(x.numel(), "dot", "element count");
    return blas::Routines<E>::dot(n, x.get(), y.get());
}

// sum of conj(x_i) * y_i; complex sample types only
template <typename T, typename S>
    requires SameSample<T, S> && isComplex<typename T::SampleType>
typename T::SampleType hdot(const T& x, S& y)
{
    using E = typename T::SampleType;
    blas::requireCapacity(x, y, "hdot");
    const int n = blas::toInt(x.numel(), "hdot", "element count");
    return blas::Routines<E>::hdot(n, x.get(), y.get());
}

}  // namespace Quor
