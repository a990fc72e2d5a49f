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
#include "types/Model.hpp"

namespace quorlib_buffers {

// The list's type for the signature.
struct TensorInfoList {
    py::list items;
};

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
    TensorInfoList result;
    const size_t count = inputs ? model.inputCount() : model.outputCount();
    for (size_t i = 0; i < count; ++i)
        result.items.append(tensorInfo(inputs ? model.describeInput(i) : model.describeOutput(i)));
    return result;
}

inline void registerModelInfo(py::module_& m)
{
    const py::object typing = py::module_::import("typing");
    const py::object sizes = py::eval("tuple[int, ...] | None");
    const py::object dims = py::eval("tuple[int | str | None, ...] | None");
    py::list fields;
    fields.append(py::make_tuple("name", py::type::of(py::str())));
    fields.append(py::make_tuple("dtype", py::type::of(py::str())));
    fields.append(py::make_tuple("shape", sizes));
    fields.append(py::make_tuple("declared", dims));
    tensorInfoType() = typing.attr("NamedTuple")("TensorInfo", fields);
    tensorInfoType().attr("__module__") = m.attr("__name__");
    tensorInfoType().attr("__doc__") = "An input or output of a model: numpy's name of its element type, its "
                                       "current shape and the shape the file declares.";
    m.attr("TensorInfo") = tensorInfoType();
    m.def("inputs", [](const Bound<Quor::Onnx::Model>& model) { return describeGroup(model, true); }, py::arg("m"),
          "The model's inputs, in order.");
    m.def("outputs", [](const Bound<Quor::Onnx::Model>& model) { return describeGroup(model, false); },
          py::arg("m"), "The model's outputs, in order.");
}

}  // namespace quorlib_buffers

namespace pybind11::detail {

template <>
struct type_caster<quorlib_buffers::TensorInfoList> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::TensorInfoList, const_name("list[TensorInfo]"));

    static handle cast(const quorlib_buffers::TensorInfoList& src, return_value_policy, handle)
    {
        return src.items.inc_ref();
    }
};

}  // namespace pybind11::detail
