#pragma once
// Text form of the containers: a header line, then one line per vector
// element or matrix row; numbers in scientific notation with 14 digits.
#include <algorithm>
#include <complex>
#include <cstddef>
#include <ios>
#include <iomanip>
#include <ostream>

#include "types/Traits.hpp"

namespace Quor {

namespace detail {
inline constexpr size_t width = 14;
inline constexpr size_t numColumns = 3;

// Settings for the next element, which then goes in through the standard
// insertion: a float is written as the double it widens to, a complex number
// as "(re,im)" with the field width applied to the whole text.
template <typename StreamType>
void applyElementSettings(StreamType& stream)
{
    stream << std::setw(width);
    stream.setf(std::ios_base::scientific, std::ios_base::floatfield);
    stream << std::setprecision(width);
}

// A lower bound of the length of the text form, without the header line:
// every line holds at least its brackets and newline, every element its field
// width. Saturates, so that a text too long to exist is recognised as such.
inline size_t saturatingTextLength(size_t lines, size_t elementsPerLine)
{
    size_t perLine = 0, total = 0;
    if (__builtin_mul_overflow(elementsPerLine, width, &perLine) || __builtin_add_overflow(perLine, 3, &perLine)
        || __builtin_mul_overflow(lines, perLine, &total))
        return static_cast<size_t>(-1);
    return total;
}

template <typename T>
    requires VectorContainer<T>
size_t minimumTextLength(const T& x)
{
    return saturatingTextLength(x.numel(), 1);
}

template <typename T>
    requires MatrixContainer<T>
size_t minimumTextLength(const T& x)
{
    const size_t cols = x.template dim<1>();
    return saturatingTextLength(x.template dim<0>(), std::min(cols, numColumns + 1));
}
}  // namespace detail

template <typename T, typename StreamType>
    requires VectorContainer<T>
void show(const T& x, StreamType& stream)
{
    stream << "Column vector of size: " << x.numel() << std::endl;
    for (size_t i = 0; i < x.numel(); ++i) {
        stream << "[";
        detail::applyElementSettings(stream);
        stream << x[i];
        stream << "]" << std::endl;
    }
}

template <typename T, typename StreamType>
    requires MatrixContainer<T>
void show(const T& x, StreamType& stream)
{
    const size_t rows = x.template dim<0>();
    const size_t cols = x.template dim<1>();
    stream << "Matrix of size: (" << rows << ", " << cols << ")" << std::endl;
    for (size_t i = 0; i < rows; ++i) {
        stream << "[";
        // A row without columns has nothing to show; (cols - 1) would wrap.
        if (cols > 0) {
            const size_t k = std::min(cols - 1, detail::numColumns);
            for (size_t j = 0; j < k; ++j) {
                detail::applyElementSettings(stream);
                stream << x[{i, j}];
                stream << ", ";
            }
            if (cols > detail::numColumns + 1)
                stream << "..., ";
            detail::applyElementSettings(stream);
            stream << x[{i, cols - 1}];
        }
        stream << "]" << std::endl;
    }
}

}  // namespace Quor
