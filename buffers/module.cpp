// Entry point of quorlibcore_buffers: zero-copy memoryviews of quorlibcore's
// containers and model tensors, quorlibcore views and matrices over other
// buffers, and models opened with options, reshaped and bound to buffers. It
// shares nothing with quorlibcore but pybind11's global type registry,
// through which it receives and makes their objects.
#include <pybind11/pybind11.h>

#include <cstring>
#include <exception>

#include "buffer_containers.hpp"
#include "buffer_export.hpp"
#include "container_memory.hpp"
#include "exporter.hpp"
#include "model_binding.hpp"
#include "model_info.hpp"
#include "model_memory.hpp"
#include "model_metadata.hpp"
#include "open_model.hpp"
#include "run_model.hpp"

namespace {

namespace py = pybind11;

void init(py::module_& m)
{
    // The classes must be registered before the signatures name them, and
    // whatever the order in which a program imports the two modules.
    py::module_::import("quorlibcore");
    quorlib_buffers::registerExporter();
    quorlib_buffers::registerBufferExport();
    quorlib_buffers::registerContainerMemory(m);
    quorlib_buffers::registerModelMemory(m);
    quorlib_buffers::registerBufferContainers(m);
    quorlib_buffers::registerModelInfo(m);
    quorlib_buffers::registerModelMetadata(m);
    quorlib_buffers::registerOpenModel(m);
    quorlib_buffers::registerModelBinding(m);
    quorlib_buffers::registerRunModel(m);
}

py::module_::module_def moduleDef;
PyObject* mainModule = nullptr;  // the module of the main interpreter, once imported

}  // namespace

// What PYBIND11_MODULE expands to, with a guard in front: pybind11 2.11
// keeps one registry per process, which a second interpreter would share
// with objects of the first. The module definition is marked
// re-initialisable once imported, so that an import in another interpreter
// comes back here instead of copying the main interpreter's module; the main
// interpreter gets its module again.
extern "C" PYBIND11_EXPORT PyObject* PyInit_quorlibcore_buffers()
{
    PYBIND11_CHECK_PYTHON_VERSION
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_SetString(PyExc_ImportError,
                        "quorlibcore_buffers cannot be imported in a subinterpreter: "
                        "pybind11 2.11 does not support subinterpreters");
        return nullptr;
    }
    if (mainModule != nullptr)
        return Py_NewRef(mainModule);
    PYBIND11_ENSURE_INTERNALS_READY
    auto m = py::module_::create_extension_module(
        "quorlibcore_buffers",
        "Zero-copy memoryviews of quorlibcore's containers and model tensors, quorlibcore views and matrices over "
        "other buffers, and models opened with options, reshaped and bound to buffers.",
        &moduleDef);
    try {
        init(m);
        moduleDef.m_size = 0;
        mainModule = Py_NewRef(m.ptr());
        return m.ptr();
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
}
