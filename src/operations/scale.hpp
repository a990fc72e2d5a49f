#pragma once
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>

#include "operations/blas.hpp"

namespace Quor {

namespace detail {
// x <- alpha * x over n contiguous elements, in BLAS calls of at most `chunk`
// elements each, so that no count handed to BLAS passes its integer range.
template <typename E>
void scaleElements(E alpha, E* x, size_t n, size_t chunk = INT_MAX)
{
    if constexpr (isComplex<E>) {
        // For a zero factor the library's complex routines turn NaN and
        // infinity into 0, or spread a NaN over finite elements; some NaN
        // factors are lost the same way. Those products are formed here,
        // part by part as the reference BLAS forms them.
        const auto re = alpha.real(), im = alpha.imag();
        if (alpha == E(0) || std::isnan(re) || std::isnan(im)) {
            for (size_t i = 0; i < n; ++i)
                x[i] = E(re * x[i].real() - im * x[i].imag(), re * x[i].imag() + im * x[i].real());
            return;
        }
    }
    for (size_t done = 0; done < n; done += chunk) {
        const int count = static_cast<int>(std::min(chunk, n - done));
        blas::Routines<E>::scal(count, blas::arg(alpha), x + done, 1);
    }
}
}  // namespace detail

// x <- alpha * x
template <typename T>
    requires Container<T>
T& scale(typename T::SampleType alpha, T& x)
{
    blas::toInt(x.numel(), "scale", "element count");
    detail::scaleElements<typename T::SampleType>(alpha, x.get(), x.numel());
    return x;
}

}  // namespace Quor
