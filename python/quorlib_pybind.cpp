// Entry point of the quorlibcore extension: the model class, then the twelve
// container classes, then the operation functions, in that order.
#include <cstring>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "bind_containers.hpp"
#include "bind_model.hpp"
#include "bind_operations.hpp"
#include "class_attributes.hpp"
#include "class_guards.hpp"
#include "collected_classes.hpp"

namespace {

pybind11::module_::module_def moduleDefinition;
PyObject* mainModule = nullptr;  // the module of the main interpreter, once imported

void pybind11_init_quorlibcore(pybind11::module_& m)
{
    quorlib_pybind::registerModel(m);
    quorlib_pybind::registerContainers(m);
    quorlib_pybind::registerOperations(m);
    quorlib_pybind::collected::installCollection();
    // What users call in loops skips pybind11's dispatcher where the arguments
    // decide the call at a glance.
    quorlib_pybind::installContainerFastPaths();
    quorlib_pybind::fast::installModelFastPaths();
    quorlib_pybind::fast::installFunctions(m);
    quorlib_pybind::fast::installClassAttributes();
    quorlib_pybind::guards::installClassGuards();
}

}  // namespace

// pybind11's module entry point, preceded by a test of the interpreter. The
// classes live in pybind11's registry, which is one per process: a second
// interpreter that registered its own would replace the main interpreter's
// classes there, so any interpreter but the main one is refused before the
// registry is touched. The module definition is marked re-initialisable, so
// that a later import in another interpreter comes back here instead of
// copying the main interpreter's module, and an import of the main
// interpreter after its module was dropped from sys.modules gets that same
// module again.
extern "C" PYBIND11_EXPORT PyObject* PyInit_quorlibcore()
{
    PYBIND11_CHECK_PYTHON_VERSION
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_SetString(PyExc_ImportError,
                        "quorlibcore can only be imported in the main interpreter: pybind11 2.11, which it is "
                        "built with, does not support subinterpreters");
        return nullptr;
    }
    if (mainModule != nullptr)
        return Py_NewRef(mainModule);
    PYBIND11_ENSURE_INTERNALS_READY
    auto m = pybind11::module_::create_extension_module("quorlibcore", nullptr, &moduleDefinition);
    try {
        pybind11_init_quorlibcore(m);
        moduleDefinition.m_size = 0;
        mainModule = Py_NewRef(m.ptr());
        return m.ptr();
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
}
