#pragma once
// Views, matrices and models can hold memory that another object lends them
// (ExternalStorage.hpp), and with it a reference to an object that holds the
// lender. Their classes therefore take part in garbage collection: an
// instance reports that reference while it alone holds it, so that a cycle
// through the lender (an array that keeps a view of itself) is collected,
// and clearing an instance lets go of the lent memory. Vectors own their
// elements and stay outside the collector.
//
// The classes become collected types when they are registered, before any
// instance or subclass of them exists.
#include <new>
#include <type_traits>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "fast_call.hpp"
#include "initialised_caster.hpp"
#include "type_sets.hpp"
#include "types/ExternalStorage.hpp"
#include "types/Matrix.hpp"
#include "types/Model.hpp"
#include "types/VectorView.hpp"

namespace quorlib_pybind::collected {

template <typename C>
int visitOwners(const C& c, visitproc visit, void* arg)
{
    if constexpr (std::is_same_v<C, Quor::Onnx::Model>) {
        return c.visitExternalOwners([&](void* object) { return visit(static_cast<PyObject*>(object), arg); });
    } else {
        if (const Quor::ExternalOwner* owner = Quor::reportedOwner(c.storage()))
            Py_VISIT(static_cast<PyObject*>(owner->object));
        return 0;
    }
}

// Lets go of lent memory: a container becomes empty (every access then fails
// with its range error, every operation sees no elements), a model drops what
// it was lent.
template <typename C>
void releaseOwners(C& c) noexcept
{
    if constexpr (std::is_same_v<C, Quor::Onnx::Model>) {
        c.releaseExternalOwners();
    } else if (Quor::externalOwner(c.storage()) != nullptr) {
        c.~C();
        if constexpr (Quor::MatrixContainer<C>)
            new (&c) C(0, 0, {});
        else
            new (&c) C({0, 0}, {});
    }
}

template <typename C>
int traverse(PyObject* self, visitproc visit, void* arg)
{
    Py_VISIT(Py_TYPE(self));
    if (const C* c = heldObject<C>(self))
        return visitOwners(*c, visit, arg);
    return 0;
}

template <typename C>
int clear(PyObject* self)
{
    if (C* c = heldObject<C>(self))
        releaseOwners(*c);
    return 0;
}

template <typename C>
void collect()
{
    PyTypeObject* type = fast::boundClass<C>;
    if (PyType_HasFeature(type, Py_TPFLAGS_HAVE_GC))
        return;
    type->tp_flags |= Py_TPFLAGS_HAVE_GC;
    type->tp_traverse = &traverse<C>;
    type->tp_clear = &clear<C>;
    type->tp_free = PyObject_GC_Del;
}

// Every view and matrix class and the model class, once all are registered.
inline void installCollection()
{
    fast::rememberBoundClass<Quor::Onnx::Model>();
    collect<Quor::Onnx::Model>();
    hana::for_each(operationsSet, [](auto hanaType) {
        using E = typename decltype(hanaType)::type;
        collect<Quor::VectorView<E>>();
        collect<Quor::Matrix<E>>();
    });
}

}  // namespace quorlib_pybind::collected
