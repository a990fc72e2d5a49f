#pragma once
// Operands that share storage. Distinct allocations never share addresses,
// so two operands overlap exactly when the address ranges a call touches
// intersect. An input that overlaps an output is read from a private copy of
// its touched range, so the result is that of the same call on fresh
// containers; calls without overlap keep reading the containers' own storage.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace Quor::overlap {

// [a, a + na) and [b, b + nb) share an element; empty ranges share none.
template <typename E>
bool intersect(const E* a, size_t na, const E* b, size_t nb)
{
    const auto pa = reinterpret_cast<std::uintptr_t>(a);
    const auto pb = reinterpret_cast<std::uintptr_t>(b);
    return na != 0 && nb != 0 && pa < pb + nb * sizeof(E) && pb < pa + na * sizeof(E);
}

// An input as a call reads it: the container's storage, or a copy of its
// touched range once that overlaps an output.
template <typename E>
class Input {
public:
    Input(const E* data, size_t count) : m_data(data), m_source(data), m_count(count) {}

    const E* get() const { return m_data; }

    // Reads from a copy if the input intersects [out, out + outCount).
    void separateFrom(const E* out, size_t outCount)
    {
        if (intersect(m_source, m_count, out, outCount)) [[unlikely]]
            detach();
    }

    // Reads from `other`'s copy when it has one holding this whole range, as
    // when one matrix is passed twice; from a copy of its own otherwise.
    void separateFrom(const E* out, size_t outCount, const Input& other)
    {
        if (!intersect(m_source, m_count, out, outCount)) [[likely]]
            return;
        const auto start = reinterpret_cast<std::uintptr_t>(m_source);
        const auto otherStart = reinterpret_cast<std::uintptr_t>(other.m_source);
        if (other.m_copy && start >= otherStart
            && start + m_count * sizeof(E) <= otherStart + other.m_count * sizeof(E))
            m_data = other.m_data + (m_source - other.m_source);
        else
            detach();
    }

private:
    void detach()
    {
        m_copy.reset(new E[m_count]);  // std::bad_alloc reaches Python as MemoryError
        std::copy_n(m_source, m_count, m_copy.get());
        m_data = m_copy.get();
    }

    std::unique_ptr<E[]> m_copy;
    const E* m_data;
    const E* m_source;
    size_t m_count;
};

// Runs call(input) for an elementwise operation that writes n elements at
// `out`: the same range read and written is exact as it is, other overlap
// reads a copy. The copy lives apart from the common path, which stays a
// comparison and the call.
template <typename E, typename Call>
void elementwise(const E* in, const E* out, size_t n, Call call)
{
    if (in == out || !intersect(in, n, out, n)) [[likely]] {
        call(in);
        return;
    }
    Input<E> input(in, n);
    input.separateFrom(out, n);
    call(input.get());
}

}  // namespace Quor::overlap
