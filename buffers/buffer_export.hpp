#pragma once
// One buffer export taken from another object (a numpy array, a memoryview),
// held by a small garbage-collected object of this module: the storage of the
// quorlibcore containers and model tensors made over the export holds a
// reference to it (ExternalStorage.hpp), and so does nothing else. The
// collector follows the containers to it and from it to the exporter, so a
// reference cycle through the exporter is collected as one through a
// memoryview is. The export is given back when the last reference goes.
//
// Some exporters give their memory back when the collector clears them,
// whatever exports they have made: a memoryview's managed buffer, a
// PickleBuffer, and the wrapper of a class that exports through __buffer__
// (which holds a memoryview). Were a cycle through such an exporter
// collected, the memory would go while a container or model still shows it,
// and code run before those are cleared could reach it. Their exports keep
// them alive instead: the holder does not report them, so the cycles they
// close are never collected.
#include <Python.h>

#include <memory>
#include <string_view>
#include <utility>

#include <pybind11/pybind11.h>

#include "types/ExternalStorage.hpp"

namespace quorlib_buffers {

struct BufferExport {
    PyObject_HEAD
    Py_buffer view;
    bool held;      // `view` holds an export
    bool reported;  // the collector is told of the exporter
};

namespace detail {

inline int traverseExport(PyObject* self, visitproc visit, void* arg)
{
    auto* held = reinterpret_cast<BufferExport*>(self);
    if (held->held && held->reported)
        Py_VISIT(held->view.obj);
    Py_VISIT(Py_TYPE(self));
    return 0;
}

// No tp_clear: the export must stay while anything points into its memory,
// and every cycle through it passes a container or model whose clear drops
// the reference. Chains of exports of exports are freed through the
// interpreter's trashcan, so that a deep one does not exhaust the C stack.
inline void deallocExport(PyObject* self)
{
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    Py_TRASHCAN_BEGIN(self, deallocExport)
    auto* held = reinterpret_cast<BufferExport*>(self);
    if (std::exchange(held->held, false))
        PyBuffer_Release(&held->view);
    PyObject_GC_Del(self);
    Py_DECREF(type);
    Py_TRASHCAN_END
}

// Whether the collector may clear `exporter`'s memory away under an export.
inline bool releasesWhenCleared(PyObject* exporter)
{
    if (exporter == nullptr || PyMemoryView_Check(exporter))
        return true;
    const std::string_view name = Py_TYPE(exporter)->tp_name;
    return name == "pickle.PickleBuffer" || name == "_buffer_wrapper";
}

inline PyTypeObject*& bufferExportType()
{
    static PyTypeObject* type = nullptr;
    return type;
}

inline void acquireExport(void* object)
{
    Py_INCREF(static_cast<PyObject*>(object));
}

// From any thread, and after the interpreter has gone (which took the
// exporter with it).
inline void releaseExport(void* object)
{
    if (!Py_IsInitialized())
        return;
    const PyGILState_STATE state = PyGILState_Ensure();
    Py_DECREF(static_cast<PyObject*>(object));
    PyGILState_Release(state);
}

}  // namespace detail

inline void registerBufferExport()
{
    if (detail::bufferExportType() != nullptr)
        return;
    static PyType_Slot slots[] = {
        {Py_tp_traverse, reinterpret_cast<void*>(&detail::traverseExport)},
        {Py_tp_dealloc, reinterpret_cast<void*>(&detail::deallocExport)},
        {0, nullptr},
    };
    static PyType_Spec definition = {"quorlibcore_buffers.buffer_export", sizeof(BufferExport), 0,
                                     Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_DISALLOW_INSTANTIATION,
                                     slots};
    detail::bufferExportType() = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&definition));
    if (detail::bufferExportType() == nullptr)
        throw pybind11::error_already_set();
}

// An export of `source` for `flags`, held; the exporter's error propagates.
inline pybind11::object takeExport(PyObject* source, int flags)
{
    PyTypeObject* type = detail::bufferExportType();
    auto* held = PyObject_GC_New(BufferExport, type);
    if (held == nullptr)
        throw pybind11::error_already_set();
    held->held = false;
    auto object = pybind11::reinterpret_steal<pybind11::object>(reinterpret_cast<PyObject*>(held));
    PyObject_GC_Track(held);
    if (PyObject_GetBuffer(source, &held->view, flags) != 0)
        throw pybind11::error_already_set();
    held->held = true;
    held->reported = !detail::releasesWhenCleared(held->view.obj);
    return object;
}

inline Py_buffer& exportView(const pybind11::object& held)
{
    return reinterpret_cast<BufferExport*>(held.ptr())->view;
}

// Storage of S (`E[]` for containers, `void` for tensors) over the memory of
// the export at `data`, holding a new reference to it.
template <typename S>
std::shared_ptr<S> storageOfExport(const pybind11::object& held, typename std::shared_ptr<S>::element_type* data)
{
    const Quor::ExternalOwner owner{held.inc_ref().ptr(), &detail::acquireExport, &detail::releaseExport};
    return Quor::externalStorage<S>(data, owner);
}

}  // namespace quorlib_buffers
