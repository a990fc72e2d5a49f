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
#include "typed_object.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

struct ModelMetadataName {
    static constexpr auto text = py::detail::const_name("ModelMetadata");
};
using ModelMetadataTuple = Typed<ModelMetadataName>;

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
    const py::object text = py::type::of(py::str());
    modelMetadataType() = namedTuple(
        m, "ModelMetadata",
        {{"producer_name", text}, {"graph_name", text}, {"graph_description", text}, {"domain", text},
         {"description", text}, {"version", py::type::of(py::int_())},
         {"custom_metadata_map", py::module_::import("builtins").attr("dict")[py::make_tuple(text, text)]}},
        "What a model file says of itself: its producer, graph, domain, description, version and custom key-value "
        "pairs.");
    m.def("metadata", &modelMetadata, py::arg("m"), "What the model's file says of itself.");
}

}  // namespace quorlib_buffers
