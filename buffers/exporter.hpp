#pragma once
// The object behind every memoryview this module hands out: it describes one
// block of native memory (format, shape, strides, writability), keeps what
// owns that memory alive, and answers buffer requests with the rules of
// CPython's own memoryview, so a consumer asking for C order never receives
// column-major data unannounced.
#include <Python.h>

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "types/ExternalStorage.hpp"

namespace quorlib_buffers {

namespace py = pybind11;

// What a view shows; strides in bytes.
struct Layout {
    void* data = nullptr;
    Py_ssize_t itemsize = 0;
    const char* format = nullptr;
    bool readonly = false;
    std::vector<Py_ssize_t> shape;
    std::vector<Py_ssize_t> strides;

    // An empty block is counted as such before any product is formed: the
    // other sizes of an empty block may be anything.
    Py_ssize_t count() const
    {
        Py_ssize_t n = 1;
        for (Py_ssize_t d : shape)
            if (d == 0)
                return 0;
        for (Py_ssize_t d : shape)
            n *= d;
        return n;
    }

    // As PyBuffer_IsContiguous judges it: dimensions of length 1 have no
    // stride that matters, and an empty block is contiguous in every order.
    bool contiguous(bool rowMajor) const
    {
        if (count() == 0)
            return true;
        Py_ssize_t expected = itemsize;
        const size_t n = shape.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t d = rowMajor ? n - 1 - k : k;
            if (shape[d] > 1 && strides[d] != expected)
                return false;
            expected *= shape[d];
        }
        return true;
    }

    // Strides of a block of `shape` in C order (`rowMajor`) or Fortran order.
    // Those of an empty block would overflow where its other sizes are huge;
    // any strides describe an empty block, so they stop growing there.
    static std::vector<Py_ssize_t> naturalStrides(const std::vector<Py_ssize_t>& shape, Py_ssize_t itemsize,
                                                  bool rowMajor)
    {
        std::vector<Py_ssize_t> strides(shape.size());
        Py_ssize_t step = itemsize;
        const size_t n = shape.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t d = rowMajor ? n - 1 - k : k;
            strides[d] = step;
            Py_ssize_t next = 0;
            if (shape[d] > 0 && !__builtin_mul_overflow(step, shape[d], &next))
                step = next;
        }
        return strides;
    }

    static std::vector<Py_ssize_t> rowMajorStrides(const std::vector<Py_ssize_t>& shape, Py_ssize_t itemsize)
    {
        return naturalStrides(shape, itemsize, true);
    }
};

struct Exporter {
    PyObject_HEAD
    Layout* layout;
    // What keeps the memory: a native owner (a container's storage, a model
    // tensor's memory), a Python object (the model whose allocator the
    // memory may come from), or both.
    std::shared_ptr<const void>* storage;
    PyObject* owner;
};

namespace detail {

// A zero-length block still needs an address that is not null.
inline char emptyBlock[1];

inline int refuse(const char* why)
{
    PyErr_SetString(PyExc_BufferError, why);
    return -1;
}

inline int getBuffer(PyObject* self, Py_buffer* view, int flags)
{
    const Layout& layout = *reinterpret_cast<Exporter*>(self)->layout;
    const bool cOrder = layout.contiguous(true);
    const bool fOrder = layout.contiguous(false);
    if ((flags & PyBUF_WRITABLE) && layout.readonly)
        return refuse("the memory is read-only");
    if ((flags & PyBUF_C_CONTIGUOUS) == PyBUF_C_CONTIGUOUS && !cOrder)
        return refuse("the memory is not C-contiguous");
    if ((flags & PyBUF_F_CONTIGUOUS) == PyBUF_F_CONTIGUOUS && !fOrder)
        return refuse("the memory is not Fortran contiguous");
    if ((flags & PyBUF_ANY_CONTIGUOUS) == PyBUF_ANY_CONTIGUOUS && !cOrder && !fOrder)
        return refuse("the memory is not contiguous");
    // Without strides the consumer assumes C order.
    const bool strides = (flags & PyBUF_STRIDES) == PyBUF_STRIDES;
    if (!strides && !cOrder)
        return refuse("the memory is not C-contiguous: request strides");
    const bool shape = (flags & PyBUF_ND) == PyBUF_ND;
    const bool format = flags & PyBUF_FORMAT;
    // A request for plain bytes has no use for a format.
    if (!shape && format)
        return refuse("a format cannot be given without the shape");

    view->buf = layout.data ? layout.data : detail::emptyBlock;
    view->obj = Py_NewRef(self);
    view->len = layout.count() * layout.itemsize;
    view->readonly = layout.readonly;
    view->itemsize = layout.itemsize;
    view->format = format ? const_cast<char*>(layout.format) : nullptr;
    view->ndim = shape ? static_cast<int>(layout.shape.size()) : 1;
    view->shape = shape ? const_cast<Py_ssize_t*>(layout.shape.data()) : nullptr;
    view->strides = strides ? const_cast<Py_ssize_t*>(layout.strides.data()) : nullptr;
    view->suboffsets = nullptr;
    view->internal = nullptr;
    return 0;
}

inline int traverse(PyObject* self, visitproc visit, void* arg)
{
    const auto* exporter = reinterpret_cast<Exporter*>(self);
    // Lent memory under a control block of its own reports its lender.
    if (exporter->storage != nullptr)
        if (const Quor::ExternalOwner* lender = Quor::reportedOwner(*exporter->storage))
            Py_VISIT(static_cast<PyObject*>(lender->object));
    Py_VISIT(exporter->owner);
    Py_VISIT(Py_TYPE(self));
    return 0;
}

// Through the interpreter's trashcan: views of views of ... nest, and a
// deep chain freed at once would exhaust the C stack.
inline void dealloc(PyObject* self)
{
    auto* exporter = reinterpret_cast<Exporter*>(self);
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    Py_TRASHCAN_BEGIN(self, dealloc)
    delete exporter->layout;
    delete exporter->storage;
    Py_XDECREF(exporter->owner);
    PyObject_GC_Del(self);
    Py_DECREF(type);
    Py_TRASHCAN_END
}

inline PyTypeObject* makeType()
{
    static PyType_Slot slots[] = {
        {Py_bf_getbuffer, reinterpret_cast<void*>(&getBuffer)},
        {Py_tp_traverse, reinterpret_cast<void*>(&traverse)},
        {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc)},
        {0, nullptr},
    };
    // Not instantiable from Python: only the module's functions make one.
    static PyType_Spec definition = {"quorlibcore_buffers.memory_owner", sizeof(Exporter), 0,
                               Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_DISALLOW_INSTANTIATION,
                               slots};
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&definition));
}

// Created at import, kept for the life of the process.
inline PyTypeObject*& exporterType()
{
    static PyTypeObject* type = nullptr;
    return type;
}

}  // namespace detail

inline void registerExporter()
{
    if (detail::exporterType() == nullptr) {
        detail::exporterType() = detail::makeType();
        if (detail::exporterType() == nullptr)
            throw py::error_already_set();
    }
}

// A memoryview of `layout`, kept valid by `storage` and `owner`.
inline py::memoryview exportMemory(Layout layout, std::shared_ptr<const void> storage, py::object owner)
{
    auto holdLayout = std::make_unique<Layout>(std::move(layout));
    auto holdStorage = storage ? std::make_unique<std::shared_ptr<const void>>(std::move(storage)) : nullptr;
    PyTypeObject* type = detail::exporterType();
    auto* exporter = PyObject_GC_New(Exporter, type);
    if (exporter == nullptr)
        throw py::error_already_set();
    exporter->layout = holdLayout.release();
    exporter->storage = holdStorage.release();
    exporter->owner = owner.release().ptr();
    PyObject_GC_Track(exporter);
    // The view takes its own reference to the exporter.
    PyObject* view = PyMemoryView_FromObject(reinterpret_cast<PyObject*>(exporter));
    Py_DECREF(exporter);
    if (view == nullptr)
        throw py::error_already_set();
    return py::reinterpret_steal<py::memoryview>(view);
}

}  // namespace quorlib_buffers
