#pragma once
// Guards for object protocols that reach the classes around their methods.
// - `__class__` and `__bases__` assignment: CPython allows them between
//   classes of the same layout, which all of pybind11's classes share, so a
//   matrix could become a vector and its methods would read past the
//   storage. Each class gets a deallocator of its own, which frees the memory
//   as before, and an instance one pointer larger than pybind11's: no two of
//   the classes then share a layout, and CPython refuses every assignment
//   that would change which native object an instance holds, on Python
//   subclasses too, as well as a class derived from two of them (whose
//   layouts conflict).
// - pybind11's common base class: creating an instance of it directly, or of
//   a class no pybind11 class derives from (as pickle protocols 0 and 1 do),
//   makes pybind11 throw through the interpreter, which aborts the process.
//   It becomes a TypeError. The module's own classes took their constructor
//   slot from the base when they were created and do not pass through it.
#include <Python.h>
#include <pybind11/pybind11.h>

#include "fast_call.hpp"
#include "type_sets.hpp"
#include "types/Model.hpp"

namespace quorlib_pybind::guards {

template <typename C>
inline freefunc inheritedFree = nullptr;

template <typename C>
void freeInstance(void* self)
{
    inheritedFree<C>(self);
}

template <typename C>
void ownDeallocator()
{
    PyTypeObject* type = fast::boundClass<C>;
    if (type->tp_free == &freeInstance<C>)
        return;
    inheritedFree<C> = type->tp_free;
    type->tp_free = &freeInstance<C>;
}

template <typename C>
void ownLayout()
{
    PyTypeObject* type = fast::boundClass<C>;
    const auto* base = reinterpret_cast<PyTypeObject*>(pybind11::detail::get_internals().instance_base);
    if (type->tp_basicsize == base->tp_basicsize)
        type->tp_basicsize += static_cast<Py_ssize_t>(sizeof(void*));
}

template <typename C>
void guardClass()
{
    ownDeallocator<C>();
    ownLayout<C>();
}

inline newfunc baseNew = nullptr;

inline PyObject* guardedBaseNew(PyTypeObject* type, PyObject* args, PyObject* kwargs)
{
    if (pybind11::detail::all_type_info(type).empty()) {
        PyErr_Format(PyExc_TypeError, "cannot create '%s' instances", type->tp_name);
        return nullptr;
    }
    return baseNew(type, args, kwargs);
}

// The base's `__new__`, which every pybind11 class without one of its own
// inherits, as `cls.__new__(cls, ...)` reaches it. CPython's own would refuse
// every class created before its base's constructor slot was guarded, since
// that slot no longer matches theirs; all of them allocate alike.
inline PyObject* baseNewMethod(PyObject* base, PyObject* args, PyObject* kwargs)
{
    if (PyTuple_GET_SIZE(args) < 1 || !PyType_Check(PyTuple_GET_ITEM(args, 0))) {
        PyErr_Format(PyExc_TypeError, "%s.__new__(X): X is not a type object", reinterpret_cast<PyTypeObject*>(base)->tp_name);
        return nullptr;
    }
    auto* type = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(args, 0));
    if (!PyType_IsSubtype(type, reinterpret_cast<PyTypeObject*>(base))) {
        PyErr_Format(PyExc_TypeError, "%s.__new__(%s): %s is not a subtype of %s",
                     reinterpret_cast<PyTypeObject*>(base)->tp_name, type->tp_name, type->tp_name,
                     reinterpret_cast<PyTypeObject*>(base)->tp_name);
        return nullptr;
    }
    const auto rest = pybind11::reinterpret_steal<pybind11::object>(PyTuple_GetSlice(args, 1, PyTuple_GET_SIZE(args)));
    if (!rest)
        return nullptr;
    return guardedBaseNew(type, rest.ptr(), kwargs);
}

// After the module's classes exist, so that they keep pybind11's own slot.
inline void guardBaseConstructor()
{
    auto* base = reinterpret_cast<PyTypeObject*>(pybind11::detail::get_internals().instance_base);
    if (base->tp_new == &guardedBaseNew)
        return;
    static PyMethodDef definition = {"__new__", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&baseNewMethod)),
                                     METH_VARARGS | METH_KEYWORDS,
                                     "Create and return a new object.  See help(type) for accurate signature."};
    const auto method = pybind11::reinterpret_steal<pybind11::object>(
        PyCFunction_NewEx(&definition, reinterpret_cast<PyObject*>(base), nullptr));
    // Into the dictionary itself: setting the attribute would replace the slot.
    if (!method || PyDict_SetItemString(base->tp_dict, "__new__", method.ptr()) != 0)
        throw pybind11::error_already_set();
    baseNew = base->tp_new;
    base->tp_new = &guardedBaseNew;
    PyType_Modified(base);
}

inline void installClassGuards()
{
    hana::for_each(operationsSet, [](auto hanaType) {
        using E = typename decltype(hanaType)::type;
        hana::for_each(containerSet<E>, [](auto hanaContainer) {
            guardClass<typename decltype(hanaContainer)::type>();
        });
    });
    guardClass<Quor::Onnx::Model>();
    guardBaseConstructor();
}

}  // namespace quorlib_pybind::guards
