#pragma once
// A slice makes a Python object and a native view, and both usually die a
// moment later: a few of each are kept when they die and handed to the next
// slice instead of going back to the allocators. Python objects are kept as
// raw memory of their class's size (the class reference dropped, as
// deallocation does), native views as raw memory of the native type's size,
// which pybind11's holder may still free with `delete`. Used under the
// interpreter lock only.
#include <array>
#include <cstddef>
#include <cstring>
#include <new>

#include <Python.h>

namespace quorlib_pybind::fast {

template <typename C>
class ViewCache {
public:
    static constexpr size_t capacity = 8;

    // A zeroed, initialised instance of `type` (exactly C's class), or
    // nullptr; tracked by the garbage collector if the class is collected,
    // as the class's allocation would have it.
    PyObject* takeObject(PyTypeObject* type)
    {
        if (objectCount == 0)
            return type->tp_alloc(type, 0);
        PyObject* object = objects[--objectCount];
        std::memset(static_cast<void*>(object), 0, static_cast<size_t>(type->tp_basicsize));
        PyObject_Init(object, type);
        if (PyType_HasFeature(type, Py_TPFLAGS_HAVE_GC))
            PyObject_GC_Track(object);
        return object;
    }

    // Takes the memory of a dead instance (untracked), or frees it.
    void giveObject(PyObject* object, PyTypeObject* type)
    {
        if (objectCount < capacity)
            objects[objectCount++] = object;
        else
            type->tp_free(object);
    }

    void* takeNative() { return nativeCount == 0 ? ::operator new(sizeof(C)) : natives[--nativeCount]; }

    // Destroys a native view and keeps or frees its memory.
    void giveNative(C* native)
    {
        native->~C();
        if (nativeCount < capacity)
            natives[nativeCount++] = native;
        else
            ::operator delete(static_cast<void*>(native), sizeof(C));
    }

private:
    std::array<PyObject*, capacity> objects{};
    std::array<void*, capacity> natives{};
    size_t objectCount = 0;
    size_t nativeCount = 0;
};

template <typename C>
inline ViewCache<C> viewCache;

}  // namespace quorlib_pybind::fast
