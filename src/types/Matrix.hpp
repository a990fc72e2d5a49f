#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "types/Storage.hpp"

namespace Quor {

// Owning dense matrix, column-major: (r, c) lives at r + c * rows.
template <typename T>
class Matrix {
public:
    using SampleType = T;

    Matrix(size_t numRows, size_t numCols)
        : m_dim{numRows, numCols},
          m_numel(checkedProduct(numRows, numCols)),
          m_data(detail::makeZeroedStorage<T>(m_numel))
    {
    }

    // A matrix over storage that exists already, such as memory another
    // object lends (ExternalStorage.hpp); it must hold rows x columns elements.
    Matrix(size_t numRows, size_t numCols, std::shared_ptr<T[]> data)
        : m_dim{numRows, numCols}, m_numel(checkedProduct(numRows, numCols)), m_data(std::move(data))
    {
    }

    T* get() const { return m_data.get(); }

    // The storage handle the matrix shares.
    const std::shared_ptr<T[]>& storage() const { return m_data; }

    T& operator[](std::pair<size_t, size_t> idx) { return m_data[checkedLocation(idx)]; }

    const T operator[](std::pair<size_t, size_t> idx) const { return m_data[checkedLocation(idx)]; }

    size_t numel() const { return m_numel; }

    template <size_t idx, typename _T = SampleType>
    size_t dim() const
    {
        static_assert(idx < 2, "a matrix has two dimensions");
        return m_dim[idx];
    }

private:
    // A shape whose element count does not fit in 64 bits has no storage.
    static size_t checkedProduct(size_t rows, size_t cols)
    {
        size_t product = 0;
        if (__builtin_mul_overflow(rows, cols, &product))
            throw std::bad_array_new_length();
        return product;
    }

    size_t checkedLocation(const std::pair<size_t, size_t>& idx) const
    {
        const size_t loc = idx.first + idx.second * m_dim[0];
        if (loc >= m_numel)
            throw std::runtime_error("requested array index " + std::to_string(loc)
                                     + "exceeds max number of elements " + std::to_string(m_numel));
        if (idx.first >= m_dim[0])
            throw std::runtime_error("index for dimension 0" + std::to_string(idx.first)
                                     + "exceeds max number of elements for that dimension "
                                     + std::to_string(m_dim[0]));
        if (idx.second >= m_dim[1])
            throw std::runtime_error("index for dimension 1" + std::to_string(idx.second)
                                     + "exceeds max number of elements for that dimension "
                                     + std::to_string(m_dim[1]));
        return loc;
    }

    const std::array<size_t, 2> m_dim;
    const size_t m_numel;
    alignas(sizeof(T)) alignas(std::shared_ptr<T[]>) std::shared_ptr<T[]> m_data;
};

}  // namespace Quor
