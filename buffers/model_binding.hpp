#pragma once
// set_input_shape(m, key, shape), bind_input(m, key, buffer) and
// bind_output(m, key, buffer), for an input or output by name or position:
// an input gets a new zero-filled tensor of a shape that fits its declared
// one; an input or output becomes a tensor over a buffer's memory, without a
// copy, holding the buffer's export until the next bind, set_input_shape or
// the model's end. Everything is checked before the model changes.
#include <Python.h>

#include <cstdint>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "buffer_export.hpp"
#include "element_format.hpp"
#include "model_arguments.hpp"
#include "types/ElementTypes.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

inline std::string formatName(const char* format) { return format ? format : "B"; }

inline void bindBuffer(const Bound<Quor::Onnx::Model>& m, const TensorKeyArgument& key, py::handle buffer, bool input)
{
    using namespace Quor::Onnx;
    const std::string call = input ? "bind_input: " : "bind_output: ";
    // Taking the export may run the exporter's code: the model is looked at
    // only afterwards.
    const py::object held = takeExport(buffer.ptr(), PyBUF_FULL_RO);
    const Py_buffer& view = exportView(held);
    const size_t idx = input ? m.value->inputIndex(key.key) : m.value->outputIndex(key.key);
    const Model::TensorDescription tensor = input ? m.value->describeInput(idx) : m.value->describeOutput(idx);
    const std::string label = std::string(input ? "input " : "output ") + std::to_string(idx) + " '"
                              + Quor::detail::escapeInvalidUtf8(tensor.name) + "'";
    if (tensor.kind != ONNX_TYPE_TENSOR)
        throw py::type_error(call + label + " is a " + valueKindName(tensor.kind) + ", not a tensor");
    const ElementFormat* element = formatOf(tensor.type);
    if (element == nullptr)
        throw py::type_error(call + label + " has element type '" + enumeratorName(tensor.type)
                             + "', which has no buffer format");
    if (typeOfFormat(view.format, view.itemsize) != tensor.type)
        throw py::type_error(call + label + " holds " + elementType(tensor.type).numpy + " elements (format '"
                             + element->format + "'); the buffer's format is '" + formatName(view.format)
                             + "' with items of " + std::to_string(view.itemsize) + " bytes");
    if (view.suboffsets != nullptr || !PyBuffer_IsContiguous(&view, 'C'))
        throw py::value_error(call + "the buffer is not C-contiguous");
    if (!input && view.readonly)
        throw py::value_error(call + "the buffer is read-only; an output needs writable memory");
    // Complex numbers are aligned as their parts are.
    const auto alignment = static_cast<std::uintptr_t>(element->format[0] == 'Z' ? view.itemsize / 2 : view.itemsize);
    if (reinterpret_cast<std::uintptr_t>(view.buf) % alignment != 0)
        throw py::value_error(call + "the buffer's elements are not aligned to " + std::to_string(alignment)
                              + " bytes");
    const std::vector<int64_t> shape(view.shape, view.shape + view.ndim);
    std::shared_ptr<void> keep = storageOfExport<void>(held, view.buf);
    if (input)
        m.value->bindInput(idx, view.buf, tensor.type, shape, std::move(keep), view.readonly);
    else
        m.value->bindOutput(idx, view.buf, tensor.type, shape, std::move(keep));
}

inline void registerModelBinding(py::module_& m)
{
    using Quor::Onnx::Model;
    m.def("set_input_shape",
          [](const Bound<Model>& model, const TensorKeyArgument& key, const ShapeArgument& shape) {
              model.value->setInputShape(model.value->inputIndex(key.key), shape.sizes);
          },
          py::arg("m"), py::arg("key"), py::arg("shape"),
          "Give an input a new zero-filled tensor of a shape that fits its declared one; take views afterwards.");
    m.def("bind_input",
          [](const Bound<Model>& model, const TensorKeyArgument& key, const py::buffer& buffer) {
              bindBuffer(model, key, buffer, true);
          },
          py::arg("m"), py::arg("key"), py::arg("buffer"),
          "Make an input a tensor over a C-contiguous buffer of its element type, without a copy.");
    m.def("bind_output",
          [](const Bound<Model>& model, const TensorKeyArgument& key, const py::buffer& buffer) {
              bindBuffer(model, key, buffer, false);
          },
          py::arg("m"), py::arg("key"), py::arg("buffer"),
          "Make an output a tensor over a writable C-contiguous buffer of its element type, without a copy.");
}

}  // namespace quorlib_buffers
