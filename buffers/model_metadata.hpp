#pragma once
// metadata(m): what a model file says of itself, as the named tuple
// ModelMetadata(producer_name, graph_name, graph_description, domain,
// description, version, custom_metadata_map), with onnxruntime's field names
// and meanings.
#include <Python.h>

#include <string>

#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "model_info.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

// The tuple's type for the signature.
struct ModelMetadataTuple {
    py::object tuple;
};

// Created at import, kept for the life of the process.
inline py::object& modelMetadataType()
{
    static py::object* type = new py::object();
    return *type;
}

inline ModelMetadataTuple modelMetadata(const Bound<Quor::Onnx::Model>& m)
{
    const Quor::Onnx::Model::Metadata metadata = m.value->metadata();
    py::dict custom;
    for (const auto& [key, value] : metadata.custom)
        custom[decodedName(key)] = decodedName(value);
    return {modelMetadataType()(decodedName(metadata.producerName), decodedName(metadata.graphName),
                                decodedName(metadata.graphDescription), decodedName(metadata.domain),
                                decodedName(metadata.description), py::int_(metadata.version), custom)};
}

inline void registerModelMetadata(py::module_& m)
{
    const py::object typing = py::module_::import("typing");
    const py::object text = py::type::of(py::str());
    py::list fields;
    for (const char* name : {"producer_name", "graph_name", "graph_description", "domain", "description"})
        fields.append(py::make_tuple(name, text));
    fields.append(py::make_tuple("version", py::type::of(py::int_())));
    fields.append(py::make_tuple("custom_metadata_map", py::module_::import("builtins").attr("dict")[py::make_tuple(text, text)]));
    modelMetadataType() = typing.attr("NamedTuple")("ModelMetadata", fields);
    modelMetadataType().attr("__module__") = m.attr("__name__");
    modelMetadataType().attr("__doc__") = "What a model file says of itself: its producer, graph, domain, "
                                          "description, version and custom key-value pairs.";
    m.attr("ModelMetadata") = modelMetadataType();
    m.def("metadata", &modelMetadata, py::arg("m"), "What the model's file says of itself.");
}

}  // namespace quorlib_buffers

namespace pybind11::detail {

template <>
struct type_caster<quorlib_buffers::ModelMetadataTuple> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::ModelMetadataTuple, const_name("ModelMetadata"));

    static handle cast(const quorlib_buffers::ModelMetadataTuple& src, return_value_policy, handle)
    {
        return src.tuple.inc_ref();
    }
};

}  // namespace pybind11::detail
