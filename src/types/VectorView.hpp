#pragma once
#include <cstddef>
#include <memory>
#include <utility>

#include "types/Storage.hpp"

namespace Quor {

// A contiguous window onto a vector's storage. Holds a reference to the
// storage, never to the vector, so it outlives the vector it came from.
template <typename T>
class VectorView {
public:
    using SampleType = T;

    VectorView(const std::pair<size_t, size_t>& range, const std::shared_ptr<T[]>& data)
        : m_numel(range.second - range.first), m_offset(range.first), m_data(data)
    {
    }

    T* get() const { return m_data.get() + m_offset; }

    T& operator[](size_t idx)
    {
        if (idx >= m_numel)
            throw detail::indexError(idx, m_numel);
        return m_data[m_offset + idx];
    }

    T operator[](size_t idx) const
    {
        if (idx >= m_numel)
            throw detail::indexError(idx, m_numel);
        return m_data[m_offset + idx];
    }

    // Positions count from the view's start; offsets compose.
    VectorView<T> operator[](const std::pair<size_t, size_t>& range)
    {
        if (range.second > m_numel)
            throw detail::indexError(range.second, m_numel);
        const size_t first = detail::clampedStart(range.first, range.second);
        return VectorView<T>({m_offset + first, m_offset + range.second}, m_data);
    }

    size_t numel() const { return m_numel; }

    // The storage handle the view shares (its elements start at get()).
    const std::shared_ptr<T[]>& storage() const { return m_data; }

    template <size_t idx>
    size_t dim() const
    {
        static_assert(idx == 0, "a view has one dimension");
        return m_numel;
    }

private:
    const size_t m_numel;
    const size_t m_offset;
    alignas(sizeof(T)) alignas(std::shared_ptr<T[]>) std::shared_ptr<T[]> m_data;
};

}  // namespace Quor
