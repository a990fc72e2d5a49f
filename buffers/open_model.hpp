#pragma once
// open_model(path_or_bytes, /, *, dims, shapes, optimization, threads, trace): a
// quorlibcore.model opened with options, from a file or from its bytes, for
// models whose inputs have open dimensions. The object is the class
// quorlibcore registered, so its own methods and this module's functions
// work on it as on any model. The interpreter lock is let go while the
// runtime reads and plans the model.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include <pybind11/pybind11.h>

#include "model_arguments.hpp"
#include "types/Model.hpp"

namespace quorlib_buffers {

inline GraphOptimizationLevel optimizationLevel(const std::string& name)
{
    static constexpr std::pair<const char*, GraphOptimizationLevel> levels[] = {
        {"disable", ORT_DISABLE_ALL}, {"basic", ORT_ENABLE_BASIC}, {"extended", ORT_ENABLE_EXTENDED},
        {"all", ORT_ENABLE_ALL}};
    for (const auto& [level, value] : levels)
        if (name == level)
            return value;
    throw py::value_error("optimization is '" + name + "'; it is one of 'disable', 'basic', 'extended', 'all'");
}

inline std::unique_ptr<Quor::Onnx::Model> openModel(const ModelArgument& model, DimsArgument dims, ShapesArgument shapes,
                                                    const std::string& optimization, const py::int_& threads,
                                                    bool trace)
{
    Quor::Onnx::ModelOptions options;
    options.dims = std::move(dims.sizes);
    options.shapes = std::move(shapes.shapes);
    options.optimization = optimizationLevel(optimization);
    int overflow = 0;
    const long long count = PyLong_AsLongLongAndOverflow(threads.ptr(), &overflow);
    if (overflow || count < 0 || static_cast<unsigned long long>(count) > Quor::Onnx::maxThreads)
        throw py::value_error("threads is " + std::string(py::repr(threads)) + "; it is 0 (the runtime's default) to "
                              + std::to_string(Quor::Onnx::maxThreads));
    options.threads = static_cast<size_t>(count);
    options.trace = trace;
    // The arguments are plain C++ from here on; the model's bytes stay
    // exported by the argument until the call returns.
    py::gil_scoped_release unlocked;
    return std::make_unique<Quor::Onnx::Model>(model.source, options);
}

inline void registerOpenModel(py::module_& m)
{
    m.def("open_model", &openModel, py::arg("path_or_bytes"), py::pos_only(), py::kw_only(), py::arg("dims") = py::none(),
          py::arg("shapes") = py::none(), py::arg("optimization") = "all", py::arg("threads") = 0,
          py::arg("trace") = false,
          "Open an ONNX model, from its path or its bytes, with sizes for its open dimensions if wanted, at a graph "
          "optimisation level, silently unless trace is set.");
}

}  // namespace quorlib_buffers
