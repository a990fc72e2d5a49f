#pragma once
// Finding a session's inputs and outputs: for a model opened by path alone,
// with a tensor of the declared shape for each and the trace printed on the
// way; for a model opened with options, what each is, its tensors to come.
// Members of Model, included by Model.hpp.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "types/Model.hpp"

namespace Quor::Onnx {

// The inputs (or the outputs) of a model opened by path alone, with their
// tensors and the trace.
inline void Model::makeGroup(bool inputs, size_t count, size_t& groupCount, std::vector<const char*>& names,
                             std::vector<Ort::Value>& tensors, std::vector<TensorViewVariant>& views)
{
    const char* group = inputs ? "input" : "output";
    std::vector<TensorSlot>& slots = inputs ? m_inputSlots : m_outputSlots;
    groupCount = count;
    names.reserve(count);
    views.reserve(count);
    tensors.reserve(count);  // views keep the address of their tensor
    slots.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const char* nameCopy = copyName(inputs, i, names);

        std::cout << "Quor::Onnx::Model:: " << group << " name " << i << " '" << nameCopy << "'" << std::endl;

        const Ort::TypeInfo info = inputs ? m_session.GetInputTypeInfo(i) : m_session.GetOutputTypeInfo(i);
        const Ort::ConstTensorTypeAndShapeInfo tensorInfo = info.GetTensorTypeAndShapeInfo();
        const std::vector<int64_t> shape = tensorInfo.GetShape();

        std::cout << "Quor::Onnx::Model:: " << group << " shape " << i << " '{";
        for (size_t d = 0; d < shape.size(); ++d)
            std::cout << (d ? ", " : "") << shape[d];
        std::cout << "}'\n";

        const ONNXTensorElementDataType type = tensorInfo.GetElementType();
        Ort::Value created = Ort::Value::CreateTensor(m_allocator, shape.data(), shape.size(), type);
        zeroFill(created, type, shape);
        // The tensor is shown through a handle of its own, so that a view
        // of its memory can outlive the model's use of it.
        HeldTensor held = adoptValue(m_cpuMemory, std::move(created));
        tensors.emplace_back();
        TensorSlot& slot = slots.emplace_back();
        slot.type = type;
        slot.fixed = shape;
        slot.open = slot.declared = declaredShape(shape, {});
        slot.replace(tensors[i], std::move(held), shape, TensorOrigin::Own);

        TensorViewVariant tensor;
        MakeTensor(tensor, &tensors[i], type, shape, std::string(nameCopy));
        views.push_back(tensor);
    }
}

// A copy of the runtime's name of input (output) `idx`, appended to `names`.
inline const char* Model::copyName(bool inputs, size_t idx, std::vector<const char*>& names)
{
    const Ort::AllocatedStringPtr runtimeName = inputs ? m_session.GetInputNameAllocated(idx, m_allocator)
                                                       : m_session.GetOutputNameAllocated(idx, m_allocator);
    const size_t length = std::strlen(runtimeName.get());
    char* nameCopy = new char[length + 1];
    std::memcpy(nameCopy, runtimeName.get(), length + 1);
    names.push_back(nameCopy);
    return nameCopy;
}

// The inputs (outputs) of a session opened with options: what each is,
// without tensors yet; float tensors get their views.
inline void Model::discover(bool inputs)
{
    const size_t count = inputs ? m_session.GetInputCount() : m_session.GetOutputCount();
    (inputs ? m_inputCount : m_outputCount) = count;
    std::vector<const char*>& names = inputs ? m_inputNames : m_outputNames;
    std::vector<Ort::Value>& tensors = inputs ? m_inputArray : m_outputArray;
    std::vector<TensorViewVariant>& views = inputs ? m_inputs : m_outputs;
    std::vector<TensorSlot>& slots = inputs ? m_inputSlots : m_outputSlots;
    names.reserve(count);
    tensors.reserve(count);  // views keep the address of their tensor
    views.reserve(count);
    slots.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const char* name = copyName(inputs, i, names);
        const Ort::TypeInfo info = inputs ? m_session.GetInputTypeInfo(i) : m_session.GetOutputTypeInfo(i);
        TensorSlot& slot = slots.emplace_back();
        slot.kind = info.GetONNXType();
        if (slot.kind == ONNX_TYPE_TENSOR) {
            const Ort::ConstTensorTypeAndShapeInfo tensorInfo = info.GetTensorTypeAndShapeInfo();
            slot.type = tensorInfo.GetElementType();
            slot.fixed = tensorInfo.GetShape();
            slot.open = slot.declared = declaredShape(slot.fixed, tensorInfo.GetSymbolicDimensions());
        }
        tensors.emplace_back();
        TensorViewVariant& view = views.emplace_back();
        if (slot.isTensor() && slot.type == ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT)
            view = std::make_shared<TensorView<float>>(&tensors[i], slot.type, slot.fixed, std::string(name));
    }
}

// The load trace of a model opened with options: the shape each tensor
// was given, -1 where an output's size comes with each run.
inline void Model::printTrace() const
{
    for (bool inputs : {true, false}) {
        const char* group = inputs ? "input" : "output";
        const std::vector<TensorSlot>& slots = inputs ? m_inputSlots : m_outputSlots;
        for (size_t i = 0; i < slots.size(); ++i) {
            std::cout << "Quor::Onnx::Model:: " << group << " name " << i << " '"
                      << (inputs ? m_inputNames : m_outputNames)[i] << "'" << std::endl;
            const std::vector<int64_t>& shape = slots[i].hasTensor() ? slots[i].shape : slots[i].fixed;
            std::cout << "Quor::Onnx::Model:: " << group << " shape " << i << " '{";
            for (size_t d = 0; d < shape.size(); ++d)
                std::cout << (d ? ", " : "") << shape[d];
            std::cout << "}'\n";
            if (slots[i].isTensor() && slots[i].type == ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT)
                std::cout << "Quor::Onnx::MakeTensor:: making tensor of type 'float'" << std::endl;
        }
    }
}

}  // namespace Quor::Onnx
