#pragma once
// Tensor shapes as the model wrapper checks and writes them. A declared
// dimension is a size or a symbol, with a name or without; a concrete shape
// has a size for every dimension.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include "types/ElementTypes.hpp"
#include "types/Utf8.hpp"

namespace Quor::Onnx {

struct Dimension {
    int64_t size = -1;  // negative: a symbol
    std::string name;   // the symbol's name; empty for a fixed size or an unnamed symbol
};
using DeclaredShape = std::vector<Dimension>;

inline DeclaredShape declaredShape(const std::vector<int64_t>& sizes, const std::vector<std::string>& names)
{
    DeclaredShape shape(sizes.size());
    for (size_t d = 0; d < sizes.size(); ++d) {
        shape[d].size = sizes[d];
        if (sizes[d] < 0 && d < names.size())
            shape[d].name = names[d];
    }
    return shape;
}

// "[batch, 3, ?]": names for named symbols, "?" for the others.
inline std::string describe(const DeclaredShape& shape)
{
    std::string text = "[";
    for (size_t d = 0; d < shape.size(); ++d) {
        text += d ? ", " : "";
        const Dimension& dim = shape[d];
        text += dim.size >= 0 ? std::to_string(dim.size) : dim.name.empty() ? "?" : detail::escapeInvalidUtf8(dim.name);
    }
    return text + "]";
}

inline std::string describe(std::span<const int64_t> shape)
{
    std::string text = "[";
    for (size_t d = 0; d < shape.size(); ++d)
        text += (d ? ", " : "") + std::to_string(shape[d]);
    return text + "]";
}

inline bool concrete(std::span<const int64_t> shape)
{
    for (int64_t d : shape)
        if (d < 0)
            return false;
    return true;
}

// Whether `shape` has the rank of `fixed` (-1 where a size is open), keeps
// each of its sizes and gives every open one a size.
inline bool fits(std::span<const int64_t> fixed, std::span<const int64_t> shape)
{
    if (fixed.size() != shape.size())
        return false;
    for (size_t d = 0; d < shape.size(); ++d)
        if (shape[d] < 0 || (fixed[d] >= 0 && fixed[d] != shape[d]))
            return false;
    return true;
}

// Bytes of this machine's memory: no tensor can be larger.
inline size_t physicalMemoryBytes()
{
    static const size_t bytes = static_cast<size_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return bytes;
}

// Whether the product of the non-zero sizes of a concrete shape fits the
// runtime's signed 64-bit element count, which it forms over every size
// (zeros included, in any order) before it sees that a tensor is empty.
inline bool countable(std::span<const int64_t> shape)
{
    uint64_t count = 1;
    for (int64_t d : shape) {
        if (d <= 0)
            continue;
        if (count > static_cast<uint64_t>(INT64_MAX) / static_cast<uint64_t>(d))
            return false;
        count *= static_cast<uint64_t>(d);
    }
    return true;
}

// Bytes that a tensor of a concrete shape occupies (a string tensor its
// string objects), or nothing when its element count overflows or the
// tensor would not fit into the machine's memory.
inline std::optional<size_t> storageBytes(ONNXTensorElementDataType type, std::span<const int64_t> shape)
{
    const size_t element = type == ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING ? sizeof(std::string) : plainElementSize(type);
    const size_t limit = physicalMemoryBytes();
    if (!concrete(shape) || !countable(shape))
        return std::nullopt;
    // An empty tensor is fine whatever its other dimensions.
    for (int64_t d : shape)
        if (d == 0)
            return 0;
    size_t bytes = element;
    for (int64_t d : shape) {
        const auto size = static_cast<size_t>(d);
        if (bytes > limit / size)
            return std::nullopt;
        bytes *= size;
    }
    return bytes;
}

}  // namespace Quor::Onnx
