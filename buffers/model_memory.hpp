#pragma once
// model_input(m, key) and model_output(m, key): a model's own tensor memory
// in the runtime's C order, shaped as the tensor is, for an input or output
// by name or position. Inputs are writable, unless
// bound to read-only memory; outputs are read-only, since every run
// overwrites them. The view keeps the tensor's memory, and the Python model,
// alive: it stays valid when the model gives the tensor up for another (a
// new shape, a bound buffer, a run's new value), but then no longer shows
// what the model reads or writes.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "element_format.hpp"
#include "exporter.hpp"
#include "model_arguments.hpp"
#include "types/ElementTypes.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

using Quor::Onnx::Model;

inline py::memoryview tensorMemory(const Bound<Model>& m, const TensorKeyArgument& key, bool input)
{
    const char* group = input ? "input" : "output";
    const size_t idx = input ? m.value->inputIndex(key.key) : m.value->outputIndex(key.key);
    Model::TensorMemory tensor = input ? m.value->inputMemory(idx) : m.value->outputMemory(idx);
    const ElementFormat* element = formatOf(tensor.type);
    if (tensor.type == ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING)
        throw std::runtime_error(std::string(group) + " " + std::to_string(idx)
                                 + " is a tensor of strings, which have no buffer format: pass and receive it "
                                   "through run(m, feeds), as numpy arrays of str");
    if (element == nullptr)
        throw std::runtime_error(std::string(group) + " " + std::to_string(idx) + " has element type '"
                                 + Quor::Onnx::enumeratorName(tensor.type) + "', which has no buffer format");
    if (tensor.shape.size() > PyBUF_MAX_NDIM)
        throw std::runtime_error(std::string(group) + " " + std::to_string(idx) + " has "
                                 + std::to_string(tensor.shape.size()) + " dimensions; a memoryview has at most "
                                 + std::to_string(PyBUF_MAX_NDIM));
    Layout layout;
    layout.data = tensor.data;
    layout.itemsize = element->itemsize;
    layout.format = element->format;
    layout.readonly = !input || tensor.readonly;
    layout.shape.assign(tensor.shape.begin(), tensor.shape.end());
    layout.strides = Layout::rowMajorStrides(layout.shape, element->itemsize);
    // Lent memory gets a reference of the view's own to its lender, which
    // the view reports to the collector.
    return exportMemory(std::move(layout), Quor::separateStorage(tensor.keep, tensor.keep.get()),
                        py::reinterpret_borrow<py::object>(m.object));
}

inline void registerModelMemory(py::module_& m)
{
    m.def("model_input",
          [](const Bound<Model>& model, const TensorKeyArgument& key) { return tensorMemory(model, key, true); },
          py::arg("model"), py::arg("key"), py::pos_only(),
          "Writable view of an input tensor of the model, by name or position, in C order.");
    m.def("model_output",
          [](const Bound<Model>& model, const TensorKeyArgument& key) { return tensorMemory(model, key, false); },
          py::arg("model"), py::arg("key"), py::pos_only(),
          "Read-only view of an output tensor of the model, by name or position, in C order; every run of m.run() "
          "overwrites it.");
}

}  // namespace quorlib_buffers
