#pragma once
// inputs(m) and outputs(m): what a program needs to know of a model's
// tensors, as lists of TensorInfo(name, dtype, shape, declared). `dtype` is
// numpy's name of the element type ("sequence", "map", ... for values that
// are not tensors), `shape` the tensor's current shape (None while there is
// no tensor), `declared` the file's shape with names for named open
// dimensions and None for unnamed ones.
#include <Python.h>

#include <string>

#include <pybind11/eval.h>
#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "types/ElementTypes.hpp"
#include "typed_object.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

struct TensorInfoListName {
    static constexpr auto text = py::detail::const_name("list[TensorInfo]");
};
using TensorInfoList = Typed<TensorInfoListName>;

// Created at import, kept for the life of the process.
inline py::object& tensorInfoType()
{
    static py::object* type = new py::object();
    return *type;
}

// Names may hold bytes that are not UTF-8; they come back as they went in.
inline py::str decodedName(const std::string& name)
{
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeUTF8(name.data(), static_cast<Py_ssize_t>(name.size()), "surrogateescape"));
}

inline py::object tensorInfo(const Quor::Onnx::Model::TensorDescription& tensor)
{
    using namespace Quor::Onnx;
    py::str name = decodedName(tensor.name);
    if (!name)
        throw py::error_already_set();
    const bool isTensor = tensor.kind == ONNX_TYPE_TENSOR;
    const py::str dtype(isTensor ? elementType(tensor.type).numpy : valueKindName(tensor.kind));
    py::object shape = py::none();
    if (tensor.shape) {
        py::tuple sizes(tensor.shape->size());
        for (size_t d = 0; d < tensor.shape->size(); ++d)
            sizes[d] = py::int_((*tensor.shape)[d]);
        shape = sizes;
    }
    py::object declared = py::none();
    if (isTensor) {
        py::tuple dims(tensor.declared.size());
        for (size_t d = 0; d < tensor.declared.size(); ++d) {
            const Dimension& dim = tensor.declared[d];
            dims[d] = dim.size >= 0 ? py::object(py::int_(dim.size))
                      : dim.name.empty() ? py::object(py::none())
                                          : py::object(decodedName(dim.name));
        }
        declared = dims;
    }
    return tensorInfoType()(name, dtype, shape, declared);
}

inline TensorInfoList describeGroup(const Bound<Quor::Onnx::Model>& m, bool inputs)
{
    const Quor::Onnx::Model& model = *m.value;
    py::list items;
    const size_t count = inputs ? model.inputCount() : model.outputCount();
    for (size_t i = 0; i < count; ++i)
        items.append(tensorInfo(inputs ? model.describeInput(i) : model.describeOutput(i)));
    return {std::move(items)};
}

inline void registerModelInfo(py::module_& m)
{
    tensorInfoType() = namedTuple(m, "TensorInfo",
                                  {{"name", py::type::of(py::str())},
                                   {"dtype", py::type::of(py::str())},
                                   {"shape", py::eval("tuple[int, ...] | None")},
                                   {"declared", py::eval("tuple[int | str | None, ...] | None")}},
                                  "An input or output of a model: numpy's name of its element type, its current "
                                  "shape and the shape the file declares.");
    m.def("inputs", [](const Bound<Quor::Onnx::Model>& model) { return describeGroup(model, true); }, py::arg("m"),
          "The model's inputs, in order.");
    m.def("outputs", [](const Bound<Quor::Onnx::Model>& model) { return describeGroup(model, false); },
          py::arg("m"), "The model's outputs, in order.");
}

}  // namespace quorlib_buffers
