#pragma once
// Element access and the small methods are called in loops, where pybind11's
// dispatcher and the bound method object it needs cost several times the work
// itself. Each class keeps its pybind11 methods (docstrings, signatures and
// errors are theirs), and gets in front of them:
// - for `v[i]`, `v[a:b]`, `m[i, j]` and their assignments, mapping slots that
//   serve exact ints, tuples and slices and leave anything else to the slots
//   pybind11's methods installed;
// - for `numel`, `dim` and the model's `set` and `get`, a class attribute that
//   behaves as pybind11's method attribute (reading it gives the same function
//   or bound method) but that the interpreter may call without binding first.
#include <cstddef>
#include <memory>
#include <string>

#include <Python.h>
#include <structmember.h>
#include <pybind11/pybind11.h>

#include "container_methods.hpp"
#include "fast_call.hpp"

namespace quorlib_pybind::fast {

// ---------------------------------------------------------------------------
// Mapping slots

template <typename C>
inline binaryfunc pybind11GetItem = nullptr;
template <typename C>
inline objobjargproc pybind11SetItem = nullptr;

template <typename C, auto... getters>
PyObject* getItem(PyObject* self, PyObject* key)
{
    PyObject* const args[] = {self, key};
    PyObject* result = notDecided;
    ((result = result == notDecided ? FastCall<getters>::call(args) : result), ...);
    return result != notDecided ? result : pybind11GetItem<C>(self, key);
}

template <typename C, auto setter>
int setItem(PyObject* self, PyObject* key, PyObject* value)
{
    if (value != nullptr) {  // deletion is pybind11's to refuse
        PyObject* const args[] = {self, key, value};
        if (PyObject* result = FastCall<setter>::call(args); result != notDecided) {
            Py_XDECREF(result);
            return result == nullptr ? -1 : 0;
        }
    }
    return pybind11SetItem<C>(self, key, value);
}

template <typename C, auto setter, auto... getters>
void installSubscript()
{
    PyMappingMethods* mapping = boundClass<C>->tp_as_mapping;
    pybind11GetItem<C> = mapping->mp_subscript;
    pybind11SetItem<C> = mapping->mp_ass_subscript;
    mapping->mp_subscript = &getItem<C, getters...>;
    mapping->mp_ass_subscript = &setItem<C, setter>;
}

// ---------------------------------------------------------------------------
// Deallocation of the views the fast slice makes: such an instance has a
// constructed holder and nothing pybind11 keeps about it (no registration, no
// weak reference, no patient), so its holder goes and so does the object.
// Every other instance goes through pybind11's own deallocation.

template <typename C>
inline destructor pybind11Dealloc = nullptr;

template <typename C>
void deallocate(PyObject* self)
{
    auto* instance = reinterpret_cast<py::detail::instance*>(self);
    PyTypeObject* type = Py_TYPE(self);
    if (type != boundClass<C> || !instance->simple_layout || !instance->simple_holder_constructed
        || instance->simple_instance_registered || instance->weakrefs != nullptr || instance->has_patients) {
        pybind11Dealloc<C>(self);
        return;
    }
    reinterpret_cast<std::unique_ptr<C>*>(&instance->simple_value_holder[1])->~unique_ptr();
    type->tp_free(self);
    Py_DECREF(type);
}

template <typename C>
void installDealloc()
{
    if (PyType_HasFeature(boundClass<C>, Py_TPFLAGS_HAVE_GC))
        return;
    pybind11Dealloc<C> = boundClass<C>->tp_dealloc;
    boundClass<C>->tp_dealloc = &deallocate<C>;
}

// ---------------------------------------------------------------------------
// Method attributes

struct Method {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* function;   // pybind11's function, called for whatever the fast call leaves
    PyObject* attribute;  // pybind11's class attribute (an instancemethod) that this one stands in for
};

template <auto body>
PyObject* callMethod(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames)
{
    if (kwnames == nullptr && static_cast<size_t>(PyVectorcall_NARGS(nargsf)) == FastCall<body>::arity) {
        PyObject* result = FastCall<body>::call(args);
        if (result != notDecided)
            return result;
    }
    return PyObject_Vectorcall(reinterpret_cast<Method*>(callable)->function, args, nargsf, kwnames);
}

// Reading the attribute gives what reading pybind11's attribute gave: the
// instancemethod itself from the class (pybind11's metaclass hands it out
// as it is), a bound method of the function from an instance.
inline PyObject* bindMethod(PyObject* self, PyObject* instance, PyObject*)
{
    auto* method = reinterpret_cast<Method*>(self);
    return instance == nullptr ? Py_NewRef(method->attribute) : PyMethod_New(method->function, instance);
}

inline PyObject* methodAttribute(PyObject* self, PyObject* name)
{
    if (PyObject* found = PyObject_GenericGetAttr(self, name))
        return found;
    if (!PyErr_ExceptionMatches(PyExc_AttributeError))
        return nullptr;
    PyErr_Clear();
    return PyObject_GetAttr(reinterpret_cast<Method*>(self)->function, name);
}

inline PyObject* methodDoc(PyObject* self, void*)
{
    return PyObject_GetAttrString(reinterpret_cast<Method*>(self)->function, "__doc__");
}

inline PyObject* methodRepr(PyObject* self)
{
    PyObject* name = PyObject_GetAttrString(reinterpret_cast<Method*>(self)->function, "__name__");
    if (name == nullptr)
        return nullptr;
    PyObject* text = PyUnicode_FromFormat("<instancemethod %U at %p>", name, self);
    Py_DECREF(name);
    return text;
}

inline void deallocMethod(PyObject* self)
{
    PyTypeObject* type = Py_TYPE(self);
    Py_XDECREF(reinterpret_cast<Method*>(self)->function);
    Py_XDECREF(reinterpret_cast<Method*>(self)->attribute);
    type->tp_free(self);
    Py_DECREF(type);
}

inline PyTypeObject* methodType()
{
    static PyMemberDef members[] = {
        {"__vectorcalloffset__", T_PYSSIZET, offsetof(Method, vectorcall), READONLY, nullptr},
        {"__func__", T_OBJECT, offsetof(Method, function), READONLY, nullptr},
        {nullptr, 0, 0, 0, nullptr}};
    static PyGetSetDef getset[] = {{"__doc__", &methodDoc, nullptr, nullptr, nullptr},
                                   {nullptr, nullptr, nullptr, nullptr, nullptr}};
    static PyType_Slot slots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(&deallocMethod)},
                                  {Py_tp_call, reinterpret_cast<void*>(&PyVectorcall_Call)},
                                  {Py_tp_descr_get, reinterpret_cast<void*>(&bindMethod)},
                                  {Py_tp_getattro, reinterpret_cast<void*>(&methodAttribute)},
                                  {Py_tp_repr, reinterpret_cast<void*>(&methodRepr)},
                                  {Py_tp_members, members},
                                  {Py_tp_getset, getset},
                                  {0, nullptr}};
    static PyType_Spec definition = {"quorlibcore.fast_instancemethod", sizeof(Method), 0,
                                     Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR
                                         | Py_TPFLAGS_DISALLOW_INSTANTIATION | Py_TPFLAGS_IMMUTABLETYPE,
                                     slots};
    static PyTypeObject* type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&definition));
    if (type == nullptr)
        throw pybind11::error_already_set();
    return type;
}

// Puts the fast attribute in front of the class's pybind11 method `name`.
template <typename C, auto body>
void installMethod(const char* name)
{
    auto* cls = reinterpret_cast<PyObject*>(boundClass<C>);
    const auto pybind11Attribute =
        pybind11::reinterpret_borrow<pybind11::object>(PyDict_GetItemString(boundClass<C>->tp_dict, name));
    if (!pybind11Attribute || !PyInstanceMethod_Check(pybind11Attribute.ptr()))
        throw std::logic_error(std::string(name) + " is not a pybind11 method");
    PyTypeObject* type = methodType();
    auto* method = reinterpret_cast<Method*>(type->tp_alloc(type, 0));
    if (method == nullptr)
        throw pybind11::error_already_set();
    method->vectorcall = &callMethod<body>;
    method->function = Py_NewRef(PyInstanceMethod_GET_FUNCTION(pybind11Attribute.ptr()));
    method->attribute = pybind11Attribute.inc_ref().ptr();
    const auto attribute = pybind11::reinterpret_steal<pybind11::object>(reinterpret_cast<PyObject*>(method));
    if (PyObject_SetAttrString(cls, name, attribute.ptr()) != 0)
        throw pybind11::error_already_set();
}

// ---------------------------------------------------------------------------

template <typename C>
void installVectorFastPaths()
{
    installSubscript<C, &methods::setItem<C, size_t>, &methods::item<C, size_t>, &methods::slice<C>>();
    installDealloc<C>();
    installMethod<C, &methods::numel<C>>("numel");
    installMethod<C, &methods::vectorDim<C>>("dim");
}

template <typename M>
void installMatrixFastPaths()
{
    installSubscript<M, &methods::setItem<M, methods::Position>, &methods::item<M, methods::Position>>();
    installMethod<M, &methods::numel<M>>("numel");
    installMethod<M, &methods::matrixDim<M>>("dim");
}

inline void installModelFastPaths()
{
    using Quor::Onnx::Model;
    rememberBoundClass<Model>();
    installMethod<Model, &methods::modelSet>("set");
    installMethod<Model, &methods::modelGet>("get");
}

}  // namespace quorlib_pybind::fast
