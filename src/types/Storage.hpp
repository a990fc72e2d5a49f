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
#include <type_traits>

#include <sys/mman.h>

namespace Quor::detail {

// Arrays of 4 MiB and more get pages of their own, aligned to and advised onto
// transparent huge pages, as numpy advises its own large arrays: a copy or a
// BLAS pass over them then misses the TLB as rarely as it does on numpy's
// side. A fresh anonymous mapping reads as zeros, so it needs no filling, and
// its pages arrive when first written.
inline constexpr size_t mappedStorageBytes = size_t{1} << 22;
inline constexpr size_t hugePageBytes = size_t{1} << 21;

inline void* mapHugePageAligned(size_t bytes)
{
    const size_t padded = bytes + hugePageBytes;  // room to slide the start onto a huge page
    void* mapped = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto first = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t start = (first + hugePageBytes - 1) & ~(hugePageBytes - 1);
    const uintptr_t end = (start + bytes + 4095) & ~uintptr_t{4095};
    if (start > first)
        munmap(mapped, start - first);
    if (first + padded > end)
        munmap(reinterpret_cast<void*>(end), first + padded - end);
    void* pages = reinterpret_cast<void*>(start);
    madvise(pages, bytes, MADV_HUGEPAGE);  // advice only: a kernel without huge pages ignores it
    return pages;
}

template <typename T>
std::shared_ptr<T[]> makeMappedStorage(size_t count)
{
    static_assert(std::is_trivially_copyable_v<T>, "zero pages must read as zero elements");
    const size_t bytes = count * sizeof(T);
    // Should the handle not be made, its deleter unmaps the pages.
    return std::shared_ptr<T[]>(static_cast<T*>(mapHugePageAligned(bytes)),
                                [bytes](T* elements) { munmap(elements, bytes); });
}

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
    if (count >= mappedStorageBytes / sizeof(T))
        return makeMappedStorage<T>(count);
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
