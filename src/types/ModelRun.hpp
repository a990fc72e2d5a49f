#pragma once
// A model's runs. Its own run reads the input tensors and writes the output
// tensors: an output keeps its memory for as long as runs leave its shape
// unchanged, so that whatever looks at that memory sees every run's values;
// a run that changes the shape gives the output new memory. Runs over values
// given per call (SessionRun.hpp) read the model's inputs where the caller
// gives none and change nothing in the model. Members of Model, included by
// Model.hpp.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "types/Model.hpp"
#include "types/SessionRun.hpp"

namespace Quor::Onnx {

// Held while a run in another thread reads the model's own inputs.
class Model::InputReads {
public:
    explicit InputReads(Model& model) : m_model(&model) { ++m_model->m_inputReaders; }
    InputReads(const InputReads&) = delete;
    InputReads& operator=(const InputReads&) = delete;
    ~InputReads() { --m_model->m_inputReaders; }

private:
    Model* m_model;
};

inline std::pair<const OrtValue*, std::shared_ptr<void>> Model::ownInput(size_t inputIdx) const
{
    checkIndex(m_inputCount, inputIdx, "input");
    if (m_inputValues[inputIdx] == nullptr)
        throw missingInput(inputIdx);
    return {m_inputValues[inputIdx], m_inputSlots[inputIdx].keep()};
}

inline void Model::run()
{
    for (size_t i = 0; i < m_inputCount; ++i)
        if (m_inputValues[i] == nullptr)
            throw missingInput(i);
    if (m_runOptions)
        runWith(*m_runOptions);
    else {
        Ort::RunOptions runOptions;
        runOptions.SetRunLogVerbosityLevel(5);
        runWith(runOptions);
    }
}

// The runtime writes an output into the tensor given for it only when the
// output is computed inside the graph under a name listed once. An output
// that is also an input, or whose name is listed twice, never gets one.
inline void Model::makeRuntimeArrays()
{
    std::unordered_map<std::string_view, size_t> uses;
    for (const char* name : m_inputNames)
        ++uses[name];
    for (const char* name : m_outputNames)
        ++uses[name];
    m_inputValues.assign(m_inputCount, nullptr);
    for (size_t i = 0; i < m_inputCount; ++i)
        m_inputValues[i] = m_inputArray[i];
    m_outputValues.assign(m_outputCount, nullptr);
    for (size_t i = 0; i < m_outputCount; ++i)
        m_outputSlots[i].listedOnce = uses[m_outputNames[i]] == 1;
}

// Whether a run hands the runtime output `idx`'s tensor to write into. An
// output whose memory came from a run is not handed over in the run after
// its inputs changed shape: its new shape is yet to be seen.
inline bool Model::givesOutput(size_t idx) const
{
    const TensorSlot& slot = m_outputSlots[idx];
    if (!slot.listedOnce || !slot.isTensor() || slot.varying)
        return false;
    return slot.origin == TensorOrigin::Own || slot.origin == TensorOrigin::Lent
           || (slot.origin == TensorOrigin::Run && !m_inputsChanged);
}

// A run that fails with outputs handed over may have failed for their
// shapes (a file's declared shape that the run contradicts, an output whose
// shape changed): it is run again with every output left to the runtime.
inline void Model::runWith(const Ort::RunOptions& runOptions)
{
    bool handed = false;
    for (size_t i = 0; i < m_outputCount; ++i) {
        const bool gives = givesOutput(i);
        m_outputValues[i] = gives ? static_cast<OrtValue*>(m_outputArray[i]) : nullptr;
        handed = handed || gives;
    }
    // Whatever the runtime supplies is owned from here on.
    const auto supplied = [&](size_t i) { return !givesOutput(i) ? std::exchange(m_outputValues[i], nullptr) : nullptr; };
    try {
        m_session.Run(runOptions, m_inputNames.data(), m_inputValues.data(), m_inputCount, m_outputNames.data(),
                      m_outputValues.data(), m_outputCount);
    } catch (const Ort::Exception&) {
        for (size_t i = 0; i < m_outputCount; ++i)
            const Ort::Value dropped(supplied(i));
        if (!handed)
            throw;
        runAgain(runOptions);
        return;
    }
    std::vector<std::pair<size_t, Ort::Value>> values;
    for (size_t i = 0; i < m_outputCount; ++i)
        if (OrtValue* value = supplied(i))
            values.emplace_back(i, Ort::Value(value));
    for (auto& [i, value] : values)
        takeRunValue(i, std::move(value));
    m_inputsChanged = false;
}

// The run again with every output supplied by the runtime. A bound output
// whose shape the run changes makes it fail, and nothing changes; every
// other output takes the run's value.
inline void Model::runAgain(const Ort::RunOptions& runOptions)
{
    std::vector<Ort::Value> values = runOnce(m_session, runOptions, m_inputNames, m_inputValues, m_outputNames);
    for (size_t i = 0; i < m_outputCount; ++i) {
        const TensorSlot& slot = m_outputSlots[i];
        if (slot.origin != TensorOrigin::Lent)
            continue;
        if (static_cast<OrtValue*>(values[i]) == nullptr)
            continue;
        const std::vector<int64_t> shape = values[i].GetTensorTypeAndShapeInfo().GetShape();
        if (shape != slot.shape)
            throw std::runtime_error(label(false, i) + " is bound to memory of the shape " + describe(slot.shape)
                                     + ", and the run gives it the shape " + describe(shape)
                                     + ": bind memory of that shape, or leave the output to the model");
    }
    for (size_t i = 0; i < m_outputCount; ++i)
        takeRunValue(i, std::move(values[i]));
    m_inputsChanged = false;
}

// The value a run supplied for output `idx`. Into memory the output keeps
// where it fits, so that what looks at the memory sees the new values; as
// the output's new tensor otherwise. An output whose shape changed while
// the inputs kept theirs changes from run to run: from then on each run's
// value is taken as it comes.
inline void Model::takeRunValue(size_t idx, Ort::Value value)
{
    if (static_cast<OrtValue*>(value) == nullptr)
        throw std::runtime_error("output '" + nameOf(false, idx) + "' received no value from the run");
    TensorSlot& slot = m_outputSlots[idx];
    if (slot.isTensor() && slot.hasTensor() && !slot.varying && value.IsTensor()) {
        const Ort::TensorTypeAndShapeInfo info = value.GetTensorTypeAndShapeInfo();
        const std::vector<int64_t> shape = info.GetShape();
        if (info.GetElementType() == slot.type && shape == slot.shape) {
            if (const size_t bytes = slot.bytes()) {
                std::memcpy(slot.data(), value.GetTensorMutableData<void>(), bytes);
                return;
            }
            if (plainElementSize(slot.type) != 0)
                return;  // no elements
        } else if (!m_inputsChanged && slot.origin != TensorOrigin::Lent)
            slot.varying = true;
    }
    keepRunValue(idx, std::move(value));
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
    const std::shared_ptr<void> previous = replaceTensor(false, idx, std::move(held), std::move(shape), TensorOrigin::Run);
}

inline bool Model::showsInputMemory(const void* data, size_t bytes) const
{
    return std::any_of(m_inputSlots.begin(), m_inputSlots.end(),
                       [&](const TensorSlot& slot) { return slot.overlaps(data, std::max<size_t>(bytes, 1)); });
}

}  // namespace Quor::Onnx
