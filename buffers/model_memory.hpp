#pragma once
// model_input(m, i) and model_output(m, i): a model's own tensor memory in
// the runtime's C order, shaped as the model declares it. Inputs are
// writable; outputs are read-only, since every run overwrites them. The view
// holds a reference to the Python model, whose tensors never move.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "exporter.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

using Quor::Onnx::Model;

struct ElementFormat {
    const char* format;  // null: no struct format
    Py_ssize_t itemsize;
    const char* name;
};

inline ElementFormat elementFormat(ONNXTensorElementDataType type)
{
#define QUORLIB_ELEMENT(T, F, N) \
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_##T: return {F, N, #T}
    switch (type) {
        QUORLIB_ELEMENT(FLOAT, "f", 4);
        QUORLIB_ELEMENT(DOUBLE, "d", 8);
        QUORLIB_ELEMENT(INT8, "b", 1);
        QUORLIB_ELEMENT(UINT8, "B", 1);
        QUORLIB_ELEMENT(INT16, "h", 2);
        QUORLIB_ELEMENT(UINT16, "H", 2);
        QUORLIB_ELEMENT(INT32, "i", 4);
        QUORLIB_ELEMENT(UINT32, "I", 4);
        QUORLIB_ELEMENT(INT64, "q", 8);
        QUORLIB_ELEMENT(UINT64, "Q", 8);
        QUORLIB_ELEMENT(BOOL, "?", 1);
        QUORLIB_ELEMENT(COMPLEX64, "Zf", 8);
        QUORLIB_ELEMENT(COMPLEX128, "Zd", 16);
        QUORLIB_ELEMENT(STRING, nullptr, 0);
        QUORLIB_ELEMENT(FLOAT16, nullptr, 0);
        QUORLIB_ELEMENT(BFLOAT16, nullptr, 0);
        QUORLIB_ELEMENT(FLOAT8E4M3FN, nullptr, 0);
        QUORLIB_ELEMENT(FLOAT8E4M3FNUZ, nullptr, 0);
        QUORLIB_ELEMENT(FLOAT8E5M2, nullptr, 0);
        QUORLIB_ELEMENT(FLOAT8E5M2FNUZ, nullptr, 0);
    default: return {nullptr, 0, "UNDEFINED"};
    }
#undef QUORLIB_ELEMENT
}

inline py::memoryview tensorMemory(const Bound<Model>& m, size_t idx, bool input)
{
    const char* group = input ? "input" : "output";
    const Model::TensorMemory tensor = input ? m.value->inputMemory(idx) : m.value->outputMemory(idx);
    const ElementFormat element = elementFormat(tensor.type);
    if (element.format == nullptr)
        throw std::runtime_error(std::string(group) + " " + std::to_string(idx)
                                 + " has element type 'ONNX_TENSOR_ELEMENT_DATA_TYPE_" + element.name
                                 + "', which has no buffer format");
    if (tensor.shape.size() > PyBUF_MAX_NDIM)
        throw std::runtime_error(std::string(group) + " " + std::to_string(idx) + " has "
                                 + std::to_string(tensor.shape.size()) + " dimensions; a memoryview has at most "
                                 + std::to_string(PyBUF_MAX_NDIM));
    Layout layout;
    layout.data = tensor.data;
    layout.itemsize = element.itemsize;
    layout.format = element.format;
    layout.readonly = !input;
    layout.shape.assign(tensor.shape.begin(), tensor.shape.end());
    layout.strides = Layout::rowMajorStrides(layout.shape, element.itemsize);
    return exportMemory(std::move(layout), nullptr, py::reinterpret_borrow<py::object>(m.object));
}

inline void registerModelMemory(py::module_& m)
{
    m.def("model_input", [](const Bound<Model>& model, size_t idx) { return tensorMemory(model, idx, true); },
          "Writable view of an input tensor of the model, by position, in C order.");
    m.def("model_output", [](const Bound<Model>& model, size_t idx) { return tensorMemory(model, idx, false); },
          "Read-only view of an output tensor of the model, by position, in C order; every run overwrites it.");
}

}  // namespace quorlib_buffers
