#pragma once
// A model's tensors after it is open: new shapes and bound memory, the
// handles the runtime takes at each run and the values it hands back, and
// the memory and description of each tensor for callers. Members of Model,
// included by Model.hpp.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "types/Model.hpp"

namespace Quor::Onnx {

inline void Model::setInputShape(size_t inputIdx, std::span<const int64_t> shape)
{
    const TensorSlot& slot = tensorSlot(true, inputIdx);
    const size_t bytes = checkShape(true, inputIdx, shape);
    placeInput(inputIdx, ownTensor(slot.type, shape, bytes), shape, false, false);
}

inline void Model::bindInput(size_t inputIdx, void* data, ONNXTensorElementDataType type,
                             std::span<const int64_t> shape, std::shared_ptr<void> keep, bool readonly)
{
    HeldTensor tensor = lentTensor(true, inputIdx, data, type, shape, std::move(keep));
    placeInput(inputIdx, std::move(tensor), shape, readonly, true);
}

inline void Model::bindOutput(size_t outputIdx, void* data, ONNXTensorElementDataType type,
                              std::span<const int64_t> shape, std::shared_ptr<void> keep)
{
    HeldTensor tensor = lentTensor(false, outputIdx, data, type, shape, std::move(keep));
    const std::shared_ptr<void> previous =
        replaceTensor(false, outputIdx, std::move(tensor), {shape.begin(), shape.end()});
    TensorSlot& slot = m_outputSlots[outputIdx];
    slot.bound = true;
    slot.fromRun = false;
    slot.released = false;
    refreshOutputHandle(outputIdx);
}

// An input that lost its memory refuses to run until it is bound or
// shaped again; an output's next value comes from the runtime.
inline void Model::releaseExternalOwners()
{
    for (bool inputs : {true, false}) {
        std::vector<TensorSlot>& slots = inputs ? m_inputSlots : m_outputSlots;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (externalOwner(slots[i].keep) == nullptr)
                continue;
            const std::shared_ptr<void> lent = replaceTensor(inputs, i, HeldTensor{}, {});
            slots[i].bound = slots[i].readonly = false;
            slots[i].released = inputs;
            slots[i].fromRun = !inputs;
            if (inputs)
                m_inputValues[i] = nullptr;
            else
                refreshOutputHandle(i);
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
    return {data, slot.type, slot.shape, slot.keep, slot.readonly};
}

inline Model::TensorDescription Model::description(bool input, size_t idx) const
{
    const std::vector<TensorSlot>& slots = input ? m_inputSlots : m_outputSlots;
    checkIndex(slots.size(), idx, input ? "input" : "output");
    const TensorSlot& slot = slots[idx];
    const bool present = static_cast<OrtValue*>((input ? m_inputArray : m_outputArray)[idx]) != nullptr;
    std::optional<std::vector<int64_t>> shape;
    if (present && slot.kind == ONNX_TYPE_TENSOR)
        shape = slot.shape;
    return {(input ? m_inputNames : m_outputNames)[idx], slot.kind, slot.type, shape, slot.declared};
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
    return tensorOver(m_cpuMemory, std::move(keep), data, bytes, type, shape);
}

// Gives input (output) `idx` its new tensor and the shape it shows. The
// memory shown before is handed back, for the caller to let go of once the
// slot is consistent: letting go may run Python code, which may use the model.
inline std::shared_ptr<void> Model::replaceTensor(bool input, size_t idx, HeldTensor held, std::vector<int64_t> shape)
{
    TensorSlot& slot = (input ? m_inputSlots : m_outputSlots)[idx];
    (input ? m_inputArray : m_outputArray)[idx] = std::move(held.tensor);
    slot.shape = std::move(shape);
    return std::exchange(slot.keep, std::move(held.keep));
}

inline void Model::placeInput(size_t idx, HeldTensor tensor, std::span<const int64_t> shape, bool readonly, bool bound)
{
    const std::shared_ptr<void> previous = replaceTensor(true, idx, std::move(tensor), {shape.begin(), shape.end()});
    TensorSlot& slot = m_inputSlots[idx];
    slot.readonly = readonly;
    slot.bound = bound;
    slot.released = false;
    m_inputValues[idx] = m_inputArray[idx];
}

// Whether the runtime writes output `idx` into the tensor given for it.
inline bool Model::writesInPlace(size_t idx) const
{
    const TensorSlot& slot = m_outputSlots[idx];
    return slot.listedOnce && !slot.fromRun && static_cast<OrtValue*>(m_outputArray[idx]) != nullptr;
}

inline void Model::refreshOutputHandle(size_t idx)
{
    m_outputValues[idx] = writesInPlace(idx) ? static_cast<OrtValue*>(m_outputArray[idx]) : nullptr;
}

// The runtime writes an output into the tensor given for it only when
// the output is computed inside the graph under a name listed once. An
// output that is also an input, or whose name is listed twice, gets a
// null handle instead, so that the runtime supplies the value.
inline void Model::makeRuntimeArrays()
{
    std::unordered_map<std::string_view, size_t> uses;
    for (const char* name : m_inputNames)
        ++uses[name];
    for (const char* name : m_outputNames)
        ++uses[name];
    m_inputValues.assign(m_inputArray.begin(), m_inputArray.end());
    m_outputValues.assign(m_outputCount, nullptr);
    for (size_t i = 0; i < m_outputCount; ++i) {
        m_outputSlots[i].listedOnce = uses[m_outputNames[i]] == 1;
        refreshOutputHandle(i);
    }
}

inline void Model::runWith(const Ort::RunOptions& runOptions)
{
    try {
        m_session.Run(runOptions, m_inputNames.data(), m_inputValues.data(), m_inputCount, m_outputNames.data(),
                      m_outputValues.data(), m_outputCount);
    } catch (...) {
        // Nothing the failed run may have left is kept.
        for (size_t i = 0; i < m_outputCount; ++i)
            if (!writesInPlace(i))
                const Ort::Value dropped(std::exchange(m_outputValues[i], nullptr));
        throw;
    }
    takeSuppliedOutputs();
}

// Each value the runtime supplied becomes the output's tensor (an output
// the runtime allocates) or is copied into the output's tensor and
// released, leaving the handle null again for the next run.
inline void Model::takeSuppliedOutputs()
{
    std::vector<std::pair<size_t, Ort::Value>> supplied;
    for (size_t i = 0; i < m_outputCount; ++i)
        if (!writesInPlace(i))
            supplied.emplace_back(i, Ort::Value(std::exchange(m_outputValues[i], nullptr)));
    for (auto& [i, value] : supplied) {
        auto fail = [&](const char* reason) {
            return std::runtime_error("output '" + nameOf(false, i) + "' " + reason);
        };
        if (static_cast<OrtValue*>(value) == nullptr)
            throw fail("received no value from the run");
        TensorSlot& slot = m_outputSlots[i];
        if (slot.fromRun || static_cast<OrtValue*>(m_outputArray[i]) == nullptr) {
            keepRunValue(i, std::move(value));
            continue;
        }
        const ONNXTensorElementDataType type = slot.type;
        const Ort::TensorTypeAndShapeInfo got = value.GetTensorTypeAndShapeInfo();
        if (got.GetElementType() != type || got.GetShape() != slot.shape)
            throw fail("received a value whose element type or shape differs from the declared one");
        // Strings are left alone: they have no view to be read through.
        if (const size_t bytes = plainBytes(type, slot.shape))
            std::memcpy(m_outputArray[i].GetTensorMutableData<void>(), value.GetTensorMutableData<void>(),
                        bytes);
    }
}

// A value the runtime allocated becomes output `idx`'s tensor. A value
// that shows an input's memory, as an output that is also an input
// does, is copied first: the input's memory may go before the output.
inline void Model::keepRunValue(size_t idx, Ort::Value value)
{
    const TensorSlot& slot = m_outputSlots[idx];
    HeldTensor held = adoptValue(m_cpuMemory, std::move(value));
    std::vector<int64_t> shape;
    if (held.keep) {
        const Ort::TensorTypeAndShapeInfo info = held.tensor.GetTensorTypeAndShapeInfo();
        shape = info.GetShape();
        const size_t bytes = plainBytes(info.GetElementType(), shape);
        if (!slot.listedOnce || showsInputMemory(held.keep.get(), bytes)) {
            std::shared_ptr<void> copy = zeroedBlock(bytes);
            if (bytes)
                std::memcpy(copy.get(), held.keep.get(), bytes);
            void* data = copy.get();
            held = tensorOver(m_cpuMemory, std::move(copy), data, bytes, info.GetElementType(), shape);
        }
    } else if (held.tensor.IsTensor())
        shape = held.tensor.GetTensorTypeAndShapeInfo().GetShape();
    const std::shared_ptr<void> previous = replaceTensor(false, idx, std::move(held), std::move(shape));
}

inline bool Model::showsInputMemory(const void* data, size_t bytes) const
{
    const auto* first = static_cast<const std::byte*>(data);
    for (size_t i = 0; i < m_inputCount; ++i) {
        const TensorSlot& slot = m_inputSlots[i];
        const auto* start = static_cast<const std::byte*>(slot.keep.get());
        if (start == nullptr || slot.kind != ONNX_TYPE_TENSOR)
            continue;
        const size_t size = plainBytes(slot.type, slot.shape);
        if (std::less<>()(first, start + size) && std::less<>()(start, first + std::max<size_t>(bytes, 1)))
            return true;
    }
    return false;
}

}  // namespace Quor::Onnx
