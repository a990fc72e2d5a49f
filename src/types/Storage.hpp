#pragma once
// Shared element storage of the containers: one zero-filled, reference-counted
// array, and the range message every container uses.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace Quor::detail {

// The array form of std::make_shared computes the byte size of the control
// block plus `count` elements; for absurd counts that product wraps and the
// library has been seen to crash instead of throwing. Refuse such counts
// before asking the allocator.
template <typename T>
std::shared_ptr<T[]> makeZeroedStorage(size_t count)
{
    constexpr size_t headroom = 4096;  // control block and alignment padding
    constexpr size_t maxCount =
        (static_cast<size_t>(std::numeric_limits<std::ptrdiff_t>::max()) - headroom) / sizeof(T);
    if (count > maxCount)
        throw std::bad_array_new_length();
    return std::make_shared<T[]>(count);
}

inline std::runtime_error indexError(size_t idx, size_t limit)
{
    return std::runtime_error("index " + std::to_string(idx) + " exceeds max number of elements "
                              + std::to_string(limit));
}

// A range whose start lies beyond its end denotes no elements; it is pinned to
// its end so that the element count never wraps.
inline size_t clampedStart(size_t first, size_t second) { return first > second ? second : first; }

}  // namespace Quor::detail
