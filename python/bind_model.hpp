#pragma once
// The class `model`: open an ONNX file, set float input elements, run, read
// float output elements.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "container_methods.hpp"
#include "initialised_caster.hpp"
#include "types/Model.hpp"

namespace quorlib_pybind {

namespace py = pybind11;

inline void registerModel(py::module_& m)
{
    using Quor::Onnx::Model;
    py::class_<Model>(m, "model")
        .def(py::init([](const std::string& path) {
            // The runtime takes a C string: a NUL inside would silently open
            // the file named by the prefix.
            if (path.find('\0') != std::string::npos)
                throw py::value_error("embedded null byte");
            return std::make_unique<Model>(path);
        }))
        .def("run", [](Model& self) { self.run(); })
        .def("set",
             [](Model& self, size_t inputIdx, std::vector<int64_t> tensorIdx, float value) {
                 methods::modelSet(self, inputIdx, tensorIdx, value);
             })
        .def("get", [](Model& self, size_t outputIdx, std::vector<int64_t> tensorIdx) {
            return methods::modelGet(self, outputIdx, tensorIdx);
        });
}

}  // namespace quorlib_pybind
