#pragma once
// Opening a model with options (ModelOptions.hpp): the session as the
// options ask for it (SessionOpening.hpp), what the file declares of each
// input and output, the sizes the options give to open dimensions, the
// inputs' first tensors and the outputs whose shapes the session knows.
// Members of Model, included by Model.hpp.
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
#include "types/SessionOpening.hpp"

namespace Quor::Onnx {

inline Model::Model(const ModelSource& source, const ModelOptions& options)
    : m_onnxEnvironment(ORT_LOGGING_LEVEL_WARNING, source.label().c_str()),
      m_options(),
      m_cpuMemory(Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeDefault))
{
    checkOptions(options);
    // Once the runtime has given the named dimensions their sizes, the
    // session no longer shows their names: a first session without them
    // tells what the file declares. Without graph optimisation the runtime
    // gives no sizes, and the model gives them to its inputs.
    std::vector<DeclaredShape> declaredShapes;
    std::vector<std::byte> asVersion9;
    if (!options.dims.empty() && options.optimization != ORT_DISABLE_ALL)
        declaredShapes = fileShapes(openModelSession(m_onnxEnvironment, source, options, false, asVersion9));
    m_session = openModelSession(m_onnxEnvironment, source, options, true, asVersion9);
    m_allocator = sessionAllocator(m_session);
    m_runOptions.emplace();
    if (!options.trace)
        m_runOptions->SetRunLogSeverityLevel(ORT_LOGGING_LEVEL_FATAL);
    try {
        discover(true);
        discover(false);
        for (size_t i = 0; i < declaredShapes.size() && i < m_inputCount + m_outputCount; ++i)
            (i < m_inputCount ? m_inputSlots[i] : m_outputSlots[i - m_inputCount]).declared = declaredShapes[i];
        checkDimNames(options);
        giveDimSizes(options);
        giveInputShapes(options);
        makeOutputTensors();
        makeRuntimeArrays();
        if (options.trace)
            printTrace();
    } catch (...) {
        releaseNames();
        throw;
    }
}

inline void Model::checkOptions(const ModelOptions& options)
{
    if (options.threads > maxThreads)
        throw std::invalid_argument("threads is " + std::to_string(options.threads) + "; at most "
                                    + std::to_string(maxThreads) + " intra-op threads can be asked for");
    for (const auto& [name, size] : options.dims)
        if (size < 1)
            throw std::invalid_argument("dims gives '" + detail::escapeInvalidUtf8(name) + "' the size "
                                        + std::to_string(size)
                                        + "; a named dimension's size is at least 1 (an empty input takes "
                                          "its whole shape in shapes)");
}

// The shapes of the inputs, then of the outputs, as the file declares them.
inline std::vector<DeclaredShape> Model::fileShapes(const Ort::Session& probe)
{
    const size_t inputs = probe.GetInputCount(), outputs = probe.GetOutputCount();
    std::vector<DeclaredShape> shapes(inputs + outputs);
    for (size_t i = 0; i < shapes.size(); ++i) {
        const Ort::TypeInfo info = i < inputs ? probe.GetInputTypeInfo(i) : probe.GetOutputTypeInfo(i - inputs);
        if (info.GetONNXType() == ONNX_TYPE_TENSOR) {
            const Ort::ConstTensorTypeAndShapeInfo tensor = info.GetTensorTypeAndShapeInfo();
            shapes[i] = declaredShape(tensor.GetShape(), tensor.GetSymbolicDimensions());
        }
    }
    return shapes;
}

// The sizes of named dimensions that the session left open become fixed
// sizes of the inputs.
inline void Model::giveDimSizes(const ModelOptions& options)
{
    for (TensorSlot& slot : m_inputSlots)
        for (size_t d = 0; d < slot.fixed.size(); ++d)
            for (const auto& [name, size] : options.dims)
                if (slot.fixed[d] < 0 && slot.open[d].name == name) {
                    slot.fixed[d] = size;
                    slot.open[d] = Dimension{size, ""};
                }
}

inline void Model::checkDimNames(const ModelOptions& options) const
{
    for (const auto& [name, size] : options.dims) {
        const auto named = [&](const TensorSlot& slot) {
            return std::any_of(slot.declared.begin(), slot.declared.end(),
                               [&](const Dimension& d) { return d.name == name; });
        };
        if (std::none_of(m_inputSlots.begin(), m_inputSlots.end(), named))
            throw std::invalid_argument("dims names '" + detail::escapeInvalidUtf8(name)
                                        + "', a dimension that no input has; " + inputList(true));
    }
}

// The inputs with their shapes, as the file declares them or as the
// session has them.
inline std::string Model::inputList(bool declared) const
{
    std::string text = "the model's inputs are";
    for (size_t i = 0; i < m_inputCount; ++i)
        text += (i ? ", " : " ") + label(true, i) + " "
                + describe(declared ? m_inputSlots[i].declared : m_inputSlots[i].open);
    return m_inputCount ? text : "the model has no inputs";
}

// Every tensor input gets its tensor, of the shape `options` give it or
// else of the session's, where that has a size for every dimension; an
// input still open waits for a shape. All are checked before any is made.
inline void Model::giveInputShapes(const ModelOptions& options)
{
    std::vector<std::optional<std::vector<int64_t>>> given(m_inputCount);
    for (const auto& [key, shape] : options.shapes) {
        const size_t idx = shapesIndex(key);
        if (given[idx])
            throw std::invalid_argument("shapes gives " + label(true, idx) + " twice");
        if (!m_inputSlots[idx].isTensor())
            throw std::invalid_argument("shapes gives " + label(true, idx) + ", which is a "
                                        + valueKindName(m_inputSlots[idx].kind) + ", not a tensor");
        given[idx] = shape;
    }
    for (size_t i = 0; i < m_inputCount; ++i)
        if (!given[i] && m_inputSlots[i].isTensor() && concrete(m_inputSlots[i].fixed))
            given[i] = m_inputSlots[i].fixed;
    std::vector<size_t> bytes(m_inputCount);
    for (size_t i = 0; i < m_inputCount; ++i)
        if (given[i])
            bytes[i] = checkShape(true, i, *given[i]);
    m_inputValues.assign(m_inputCount, nullptr);
    for (size_t i = 0; i < m_inputCount; ++i)
        if (given[i])
            placeInput(i, ownTensor(m_inputSlots[i].type, *given[i], bytes[i]), *given[i], false, TensorOrigin::Own);
}

// The input `shapes` names by position or name, or an error naming the inputs.
inline size_t Model::shapesIndex(const TensorKey& key) const
{
    if (const size_t* idx = std::get_if<size_t>(&key)) {
        if (*idx < m_inputCount)
            return *idx;
        throw std::invalid_argument("shapes gives input " + std::to_string(*idx) + "; " + inputList());
    }
    const std::string& name = std::get<std::string>(key);
    if (const std::optional<size_t> idx = named(true, name))
        return *idx;
    throw std::invalid_argument("shapes names '" + detail::escapeInvalidUtf8(name)
                                + "', which is not an input; " + inputList());
}

// Outputs whose shape the session knows get a tensor of their own; the
// others take their first run's value.
inline void Model::makeOutputTensors()
{
    for (size_t i = 0; i < m_outputCount; ++i) {
        const TensorSlot& slot = m_outputSlots[i];
        if (!slot.isTensor() || !concrete(slot.fixed))
            continue;
        const size_t bytes = checkShape(false, i, slot.fixed);
        replaceTensor(false, i, ownTensor(slot.type, slot.fixed, bytes), slot.fixed, TensorOrigin::Own);
    }
}

}  // namespace Quor::Onnx
