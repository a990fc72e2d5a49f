#pragma once
// A model's tensors after it is open: inputs and outputs by name, new
// shapes and bound memory (never shared between an input and an output),
// and the memory and description of each tensor for callers. Members of
// Model, included by Model.hpp.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "types/Model.hpp"

namespace Quor::Onnx {

inline void Model::setInputShape(size_t inputIdx, std::span<const int64_t> shape)
{
    const TensorSlot& slot = tensorSlot(true, inputIdx);
    checkNotRead();
    const size_t bytes = checkShape(true, inputIdx, shape);
    placeInput(inputIdx, ownTensor(slot.type, shape, bytes), shape, false, TensorOrigin::Own);
}

inline void Model::bindInput(size_t inputIdx, void* data, ONNXTensorElementDataType type,
                             std::span<const int64_t> shape, std::shared_ptr<void> keep, bool readonly)
{
    checkNotRead();
    HeldTensor tensor = lentTensor(true, inputIdx, data, type, shape, std::move(keep));
    placeInput(inputIdx, std::move(tensor), shape, readonly, TensorOrigin::Lent);
}

inline void Model::bindOutput(size_t outputIdx, void* data, ONNXTensorElementDataType type,
                              std::span<const int64_t> shape, std::shared_ptr<void> keep)
{
    HeldTensor tensor = lentTensor(false, outputIdx, data, type, shape, std::move(keep));
    const std::shared_ptr<void> previous =
        replaceTensor(false, outputIdx, std::move(tensor), {shape.begin(), shape.end()}, TensorOrigin::Lent);
    m_outputSlots[outputIdx].varying = false;
}

// An input that lost its memory refuses to run until it is bound or
// shaped again; an output's next value comes from the runtime.
inline void Model::releaseExternalOwners()
{
    for (bool inputs : {true, false}) {
        std::vector<TensorSlot>& slots = inputs ? m_inputSlots : m_outputSlots;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (externalOwner(slots[i].keep()) == nullptr)
                continue;
            std::shared_ptr<void> lent = replaceTensor(inputs, i, HeldTensor{}, {}, TensorOrigin::None);
            if (inputs) {
                slots[i].released = true;
                m_inputValues[i] = nullptr;
                m_inputsChanged = true;
            }
            lent.reset();  // the slot is consistent: letting go may run Python code
        }
    }
}

inline Model::TensorMemory Model::memory(bool input, size_t idx)
{
    const TensorSlot& slot = tensorSlot(input, idx);
    Ort::Value& tensor = (input ? m_inputArray : m_outputArray)[idx];
    if (static_cast<OrtValue*>(tensor) == nullptr)
        throw noTensor(input, idx);
    void* data = plainElementSize(slot.type) ? tensor.GetTensorMutableData<void>() : nullptr;
    return {data, slot.type, slot.shape, slot.keep(), slot.readonly};
}

inline Model::TensorDescription Model::description(bool input, size_t idx) const
{
    const std::vector<TensorSlot>& slots = input ? m_inputSlots : m_outputSlots;
    checkIndex(slots.size(), idx, input ? "input" : "output");
    const TensorSlot& slot = slots[idx];
    std::optional<std::vector<int64_t>> shape;
    if (slot.hasTensor() && slot.isTensor())
        shape = slot.shape;
    return {(input ? m_inputNames : m_outputNames)[idx], slot.kind, slot.type, shape, slot.declared};
}

inline size_t Model::index(bool input, const TensorKey& key) const
{
    const size_t count = input ? m_inputCount : m_outputCount;
    if (const size_t* idx = std::get_if<size_t>(&key)) {
        checkIndex(count, *idx, input ? "input" : "output");
        return *idx;
    }
    const std::string& name = std::get<std::string>(key);
    if (const std::optional<size_t> idx = named(input, name))
        return *idx;
    throw std::invalid_argument("'" + detail::escapeInvalidUtf8(name) + "' is not " + (input ? "an input" : "an output")
                                + " of the model; " + nameList(input));
}

// The input (output) of that name, if there is one.
inline std::optional<size_t> Model::named(bool input, const std::string& name) const
{
    const std::vector<const char*>& names = input ? m_inputNames : m_outputNames;
    for (size_t i = 0; i < names.size(); ++i)
        if (name == names[i])
            return i;
    return std::nullopt;
}

// "its inputs are 'x', 'y'"
inline std::string Model::nameList(bool input) const
{
    const size_t count = input ? m_inputCount : m_outputCount;
    if (count == 0)
        return std::string("it has no ") + (input ? "inputs" : "outputs");
    std::string text = std::string("its ") + (input ? "inputs" : "outputs") + " are";
    for (size_t i = 0; i < count; ++i)
        text += (i ? ", '" : " '") + nameOf(input, i) + "'";
    return text;
}

// A zero-filled tensor of the model's own; `bytes` as storageBytes gives.
inline HeldTensor Model::ownTensor(ONNXTensorElementDataType type, std::span<const int64_t> shape, size_t bytes)
{
    if (type == ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING)
        return {Ort::Value::CreateTensor(m_allocator, shape.data(), shape.size(), type), nullptr};
    std::shared_ptr<void> block = zeroedBlock(bytes);
    void* data = block.get();
    return tensorOver(m_cpuMemory, std::move(block), data, bytes, type, shape);
}

// The bytes of an input (output) of shape `shape`, or an error naming it.
inline size_t Model::checkShape(bool input, size_t idx, std::span<const int64_t> shape) const
{
    const TensorSlot& slot = (input ? m_inputSlots : m_outputSlots)[idx];
    if (!fits(slot.fixed, shape))
        throw std::invalid_argument(label(input, idx) + " has the shape " + describe(slot.open) + "; "
                                    + describe(shape)
                                    + " does not fit it: a shape has its rank and keeps its fixed sizes (those "
                                      "given by dims too), and no size is negative");
    if (!countable(shape))
        throw std::invalid_argument(label(input, idx) + " of shape " + describe(shape)
                                    + " has more elements than a tensor can count: the product of its sizes other "
                                      "than 0 is beyond 2**63 - 1");
    const std::optional<size_t> bytes = storageBytes(slot.type, shape);
    if (!bytes)
        throw std::invalid_argument(label(input, idx) + " of shape " + describe(shape)
                                    + " would take more than the machine's "
                                    + std::to_string(physicalMemoryBytes()) + " bytes of memory");
    return *bytes;
}

inline HeldTensor Model::lentTensor(bool input, size_t idx, void* data, ONNXTensorElementDataType type,
                                    std::span<const int64_t> shape, std::shared_ptr<void> keep)
{
    const TensorSlot& slot = tensorSlot(input, idx);
    if (type != slot.type || plainElementSize(type) == 0)
        throw std::invalid_argument(label(input, idx) + " holds elements of type '" + enumeratorName(slot.type)
                                    + "'; the memory holds '" + enumeratorName(type) + "'");
    const size_t bytes = checkShape(input, idx, shape);
    checkOverlap(input, idx, data, bytes);
    return tensorOver(m_cpuMemory, std::move(keep), data, bytes, type, shape);
}

// Inputs are read while outputs are written: memory lent to one of them
// must not overlap the other group's, nor another output's. Inputs may
// share memory, since they are only read.
inline void Model::checkOverlap(bool input, size_t idx, const void* data, size_t bytes) const
{
    for (size_t o = 0; o < m_outputCount; ++o) {
        if ((!input && o == idx) || !m_outputSlots[o].overlaps(data, bytes))
            continue;
        if (input)
            throw std::invalid_argument(
                "the memory bound to " + label(true, idx) + " overlaps the memory of " + label(false, o)
                + ", which a run writes while it reads the input; to feed an output back (a state), keep two "
                  "buffers and swap them between runs, or copy the output into the input's memory");
        throw std::invalid_argument("the memory bound to " + label(false, idx) + " overlaps the memory of "
                                    + label(false, o) + ": every output needs memory of its own");
    }
    if (input)
        return;
    for (size_t i = 0; i < m_inputCount; ++i)
        if (m_inputSlots[i].overlaps(data, bytes))
            throw std::invalid_argument("the memory bound to " + label(false, idx) + " overlaps the memory of "
                                        + label(true, i) + ", which a run reads while it writes the output");
}

// Gives input (output) `idx` its new tensor and the shape it shows. The
// memory shown before is handed back, for the caller to let go of once the
// slot is consistent: letting go may run Python code, which may use the model.
inline std::shared_ptr<void> Model::replaceTensor(bool input, size_t idx, HeldTensor held, std::vector<int64_t> shape,
                                                  TensorOrigin origin)
{
    TensorSlot& slot = (input ? m_inputSlots : m_outputSlots)[idx];
    return slot.replace((input ? m_inputArray : m_outputArray)[idx], std::move(held), std::move(shape), origin);
}

inline void Model::placeInput(size_t idx, HeldTensor tensor, std::span<const int64_t> shape, bool readonly,
                              TensorOrigin origin)
{
    TensorSlot& slot = m_inputSlots[idx];
    const bool sameShape = slot.hasTensor() && std::equal(shape.begin(), shape.end(), slot.shape.begin(), slot.shape.end());
    const std::shared_ptr<void> previous =
        replaceTensor(true, idx, std::move(tensor), {shape.begin(), shape.end()}, origin);
    slot.readonly = readonly;
    m_inputValues[idx] = m_inputArray[idx];
    m_inputsChanged = m_inputsChanged || !sameShape;
}

}  // namespace Quor::Onnx
