#pragma once
#include <cstddef>
#include <memory>
#include <utility>

#include "types/Storage.hpp"
#include "types/VectorView.hpp"

namespace Quor {

// Owning dense vector. Copies share the elements.
template <typename T>
class Vector {
public:
    using SampleType = T;

    Vector(size_t size) : m_numel(size), m_data(detail::makeZeroedStorage<T>(size)) {}

    T* get() const { return m_data.get(); }

    T& operator[](size_t idx)
    {
        if (idx >= m_numel)
            throw detail::indexError(idx, m_numel);
        return m_data[idx];
    }

    T operator[](size_t idx) const
    {
        if (idx >= m_numel)
            throw detail::indexError(idx, m_numel);
        return m_data[idx];
    }

    VectorView<T> operator[](const std::pair<size_t, size_t>& range)
    {
        if (range.second > m_numel)
            throw detail::indexError(range.second, m_numel);
        return VectorView<T>({detail::clampedStart(range.first, range.second), range.second}, m_data);
    }

    size_t numel() const { return m_numel; }

    // The storage handle the vector shares with its views.
    const std::shared_ptr<T[]>& storage() const { return m_data; }

    template <size_t idx>
    size_t dim() const
    {
        static_assert(idx == 0, "a vector has one dimension");
        return m_numel;
    }

private:
    const size_t m_numel;
    alignas(sizeof(T)) alignas(std::shared_ptr<T[]>) std::shared_ptr<T[]> m_data;
};

}  // namespace Quor
