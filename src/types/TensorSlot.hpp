#pragma once
// One input or output of a model: what the session declares of it, and the
// tensor the model holds for it, with the memory under that tensor and where
// the memory came from. The tensor itself (an Ort::Value) lives in the
// model's arrays, whose elements the runtime is handed at each run; the slot
// keeps what the model needs to decide about it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "operations/overlap.hpp"
#include "types/ElementTypes.hpp"
#include "types/Ort.hpp"
#include "types/TensorMemory.hpp"
#include "types/TensorShape.hpp"

namespace Quor::Onnx {

// Where a tensor's memory came from.
enum class TensorOrigin {
    None,  // no tensor: an input without sizes or whose lent memory went, an output before its first run
    Own,   // the model's own block, or its allocator's
    Lent,  // a caller's buffer, bound to the slot
    Run,   // outputs: a value the runtime allocated in a run
};

class TensorSlot {
public:
    // As the session declares it.
    ONNXType kind = ONNX_TYPE_TENSOR;
    ONNXTensorElementDataType type = ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED;
    std::vector<int64_t> fixed;  // the session's shape, -1 where a size is open
    DeclaredShape open;          // the same with the names of the open sizes
    DeclaredShape declared;      // as the file declares it

    // The tensor's, while there is one.
    std::vector<int64_t> shape;
    TensorOrigin origin = TensorOrigin::None;
    bool readonly = false;  // lent read-only memory
    bool released = false;  // inputs: lost its lent memory to releaseExternalOwners
    // Outputs: the runtime can write into a tensor given for this output
    // (the output is computed in the graph and its name is listed once).
    bool listedOnce = true;
    // Outputs: the shape changed between two runs whose inputs kept theirs,
    // so each run's value is taken as the runtime allocates it.
    bool varying = false;

    bool isTensor() const { return kind == ONNX_TYPE_TENSOR; }
    bool hasTensor() const { return origin != TensorOrigin::None; }
    // The tensor's first element, for tensors of plain elements.
    void* data() const { return m_data; }
    // What keeps the memory valid; null where the tensor owns it itself.
    const std::shared_ptr<void>& keep() const { return m_keep; }

    size_t bytes() const { return m_data ? plainBytes(type, shape) : 0; }

    // Whether the tensor's memory shares a byte with [start, start + length).
    bool overlaps(const void* start, size_t length) const
    {
        return overlap::intersect(static_cast<const std::byte*>(m_data), bytes(), static_cast<const std::byte*>(start),
                                  length);
    }

    bool overlaps(const TensorSlot& other) const { return overlaps(other.m_data, other.bytes()); }

    // The C-order offset of the element at `position`, or nothing when the
    // position does not address an element of the tensor.
    std::optional<size_t> offset(std::span<const int64_t> position) const
    {
        if (position.size() != shape.size())
            return std::nullopt;
        size_t at = 0;
        for (size_t d = 0; d < shape.size(); ++d) {
            if (position[d] < 0 || position[d] >= shape[d])
                return std::nullopt;
            at = at * static_cast<size_t>(shape[d]) + static_cast<size_t>(position[d]);
        }
        return at;
    }

    // `tensor`, stored by the caller where the runtime finds it, now shows
    // `held`'s memory with `newShape`. The memory shown before is handed
    // back, for the caller to let go of once the model is consistent: letting
    // go may run Python code, which may use the model.
    std::shared_ptr<void> replace(Ort::Value& tensor, HeldTensor held, std::vector<int64_t> newShape,
                                  TensorOrigin newOrigin)
    {
        const bool present = static_cast<OrtValue*>(held.tensor) != nullptr;
        // A tensor of no elements has no memory to write or share.
        void* data = present && isTensor() && plainBytes(type, newShape) ? held.tensor.GetTensorMutableData<void>()
                                                                           : nullptr;
        tensor = std::move(held.tensor);
        shape = std::move(newShape);
        origin = present ? newOrigin : TensorOrigin::None;
        m_data = data;
        readonly = false;
        released = false;
        return std::exchange(m_keep, std::move(held.keep));
    }

private:
    std::shared_ptr<void> m_keep;
    void* m_data = nullptr;
};

}  // namespace Quor::Onnx
