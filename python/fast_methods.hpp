#pragma once
// Element access and the small methods are called in loops, where pybind11's
// dispatcher and the bound method object it needs cost several times the work
// itself. Each class keeps its pybind11 functions (docstrings, signatures and
// errors are theirs), and puts in front of them:
// - for `v[i]`, `v[a:b]`, `m[i, j]` and their assignments, mapping slots that
//   serve exact ints, tuples and slices;
// - for every method in the class's dict, an attribute that reads and behaves
//   as pybind11's method attribute, and that serves the arguments its fast
//   bodies decide (`numel`, `dim`, item access, the model's `run`, `set` and
//   `get`) however it is reached: called on an instance, kept as a bound
//   method, read from the class or called by a slot.
// Whatever the fast bodies leave goes to the pybind11 function.
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <Python.h>
#include <structmember.h>
#include <pybind11/pybind11.h>

#include "container_methods.hpp"
#include "fallback.hpp"
#include "fast_call.hpp"

namespace quorlib_pybind::fast {

// ---------------------------------------------------------------------------
// Mapping slots

// pybind11's functions behind the slots (strong references), and its slot for
// deletion.
template <typename C>
inline PyObject* getItemFunction = nullptr;
template <typename C>
inline PyObject* setItemFunction = nullptr;
template <typename C>
inline objobjargproc pybind11SetItem = nullptr;

template <typename C, auto... getters>
PyObject* getItem(PyObject* self, PyObject* key)
{
    PyObject* const args[] = {self, key};
    PyObject* result = notDecided;
    ((result = result == notDecided ? FastCall<getters>::call(args) : result), ...);
    return result != notDecided ? result : callPybind11(getItemFunction<C>, args, 2, nullptr);
}

template <typename C, auto setter>
int setItem(PyObject* self, PyObject* key, PyObject* value)
{
    if (value == nullptr)  // deletion is pybind11's to refuse
        return pybind11SetItem<C>(self, key, value);
    PyObject* const args[] = {self, key, value};
    PyObject* result = FastCall<setter>::call(args);
    if (result == notDecided)
        result = callPybind11(setItemFunction<C>, args, 3, nullptr);
    Py_XDECREF(result);
    return result == nullptr ? -1 : 0;
}

inline PyObject* methodFunction(PyTypeObject* cls, const char* name);

// After the method attributes: setting those re-derives the class's slots.
template <typename C, auto setter, auto... getters>
void installSubscript()
{
    PyMappingMethods* mapping = boundClass<C>->tp_as_mapping;
    // Kept for the life of the process: a key's conversion can replace the
    // class's method, and with it the last other reference to the function,
    // while the function runs.
    getItemFunction<C> = Py_NewRef(methodFunction(boundClass<C>, "__getitem__"));
    setItemFunction<C> = Py_NewRef(methodFunction(boundClass<C>, "__setitem__"));
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
    if (PyType_HasFeature(type, Py_TPFLAGS_HAVE_GC))
        PyObject_GC_UnTrack(self);
    auto& holder = *reinterpret_cast<std::unique_ptr<C>*>(&instance->simple_value_holder[1]);
    ViewCache<C>& cache = viewCache<C>;
    cache.giveNative(holder.release());
    holder.~unique_ptr();
    cache.giveObject(self, type);
    Py_DECREF(type);
}

template <typename C>
void installDealloc()
{
    if (boundClass<C>->tp_dealloc == &deallocate<C>)
        return;
    pybind11Dealloc<C> = boundClass<C>->tp_dealloc;
    boundClass<C>->tp_dealloc = &deallocate<C>;
}

// ---------------------------------------------------------------------------
// Method attributes

struct Method {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* function;  // pybind11's function, called for whatever the fast bodies leave
};

// Tries the bodies in the order of pybind11's overloads, then pybind11's function.
template <auto... bodies>
PyObject* callMethod(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames)
{
    if constexpr (sizeof...(bodies) > 0) {
        if (kwnames == nullptr) {
            const size_t nargs = static_cast<size_t>(PyVectorcall_NARGS(nargsf));
            PyObject* result = notDecided;
            ((result = result == notDecided && nargs == FastCall<bodies>::arity ? FastCall<bodies>::call(args)
                                                                                 : result),
             ...);
            if (result != notDecided)
                return result;
        }
    }
    return callPybind11(reinterpret_cast<Method*>(callable)->function, args, nargsf, kwnames);
}

// `__repr__`: the full text form, but for an argument of a fallback call.
template <typename C>
PyObject* callRepr(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames)
{
    if (kwnames == nullptr && PyVectorcall_NARGS(nargsf) == 1)
        if (PyObject* brief = briefRepr<C>(args[0]); brief != notDecided)
            return brief;
    return callPybind11(reinterpret_cast<Method*>(callable)->function, args, nargsf, kwnames);
}

// `__init__` on an instance that holds its native object already: pybind11
// would return without doing anything, and the caller would believe the
// object rebuilt.
template <typename C>
PyObject* callInit(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames)
{
    if (PyVectorcall_NARGS(nargsf) >= 1 && heldObject<C>(args[0]) != nullptr) {
        PyErr_Format(PyExc_TypeError, "%s object is already initialised: __init__ cannot be called again",
                     Py_TYPE(args[0])->tp_name);
        return nullptr;
    }
    return callPybind11(reinterpret_cast<Method*>(callable)->function, args, nargsf, kwnames);
}

// Read from the class the attribute is itself (pybind11's metaclass handed
// out its method attribute as it is); read from an instance, a bound method
// of it, whose call the interpreter passes on with the instance in front.
inline PyObject* bindMethod(PyObject* self, PyObject* instance, PyObject*)
{
    return instance == nullptr ? Py_NewRef(self) : PyMethod_New(self, instance);
}

// Everything the method type does not define reads as pybind11's function's.
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

struct FastMethod {
    std::string_view name;
    vectorcallfunc call;
};

// Puts a method attribute in front of each pybind11 method of the class: with
// the given fast call where one is named, else one that only files the
// arguments of what pybind11 does with them.
template <typename C>
void installMethods(std::initializer_list<FastMethod> fast)
{
    PyTypeObject* cls = boundClass<C>;
    std::vector<std::pair<pybind11::object, pybind11::object>> found;  // name, pybind11's function
    PyObject *key = nullptr, *value = nullptr;
    for (Py_ssize_t pos = 0; PyDict_Next(cls->tp_dict, &pos, &key, &value);)
        if (PyInstanceMethod_Check(value))
            found.emplace_back(pybind11::reinterpret_borrow<pybind11::object>(key),
                                 pybind11::reinterpret_borrow<pybind11::object>(PyInstanceMethod_GET_FUNCTION(value)));
    size_t named = 0;
    PyTypeObject* type = methodType();
    for (const auto& [name, function] : found) {
        const bool init = PyUnicode_CompareWithASCIIString(name.ptr(), "__init__") == 0;
        vectorcallfunc call = init ? &callInit<C> : &callMethod<>;
        for (const FastMethod& f : fast)
            if (f.name == PyUnicode_AsUTF8(name.ptr())) {
                call = f.call;
                ++named;
            }
        auto* method = reinterpret_cast<Method*>(type->tp_alloc(type, 0));
        if (method == nullptr)
            throw pybind11::error_already_set();
        method->vectorcall = call;
        method->function = Py_NewRef(function.ptr());
        const auto attribute = pybind11::reinterpret_steal<pybind11::object>(reinterpret_cast<PyObject*>(method));
        if (PyObject_SetAttr(reinterpret_cast<PyObject*>(cls), name.ptr(), attribute.ptr()) != 0)
            throw pybind11::error_already_set();
    }
    if (named != fast.size())
        throw std::logic_error(std::string(cls->tp_name) + ": a fast method has no pybind11 method");
}

inline PyObject* methodFunction(PyTypeObject* cls, const char* name)
{
    PyObject* attribute = PyDict_GetItemString(cls->tp_dict, name);
    if (attribute == nullptr || Py_TYPE(attribute) != methodType())
        throw std::logic_error(std::string(cls->tp_name) + "." + name + " is not a method attribute");
    return reinterpret_cast<Method*>(attribute)->function;
}

// ---------------------------------------------------------------------------

template <typename C>
void installVectorFastPaths()
{
    using methods::item, methods::setItem, methods::slice;
    installMethods<C>({{"numel", &callMethod<&methods::numel<C>>},
                       {"dim", &callMethod<&methods::vectorDim<C>>},
                       {"__getitem__", &callMethod<&item<C, size_t>, &slice<C>>},
                       {"__setitem__", &callMethod<&setItem<C, size_t>>},
                       {"__repr__", &callRepr<C>}});
    installSubscript<C, &setItem<C, size_t>, &item<C, size_t>, &slice<C>>();
    installDealloc<C>();
}

template <typename M>
void installMatrixFastPaths()
{
    using methods::item, methods::setItem, methods::Position;
    installMethods<M>({{"numel", &callMethod<&methods::numel<M>>},
                       {"dim", &callMethod<&methods::matrixDim<M>>},
                       {"__getitem__", &callMethod<&item<M, Position>>},
                       {"__setitem__", &callMethod<&setItem<M, Position>>},
                       {"__repr__", &callRepr<M>}});
    installSubscript<M, &setItem<M, Position>, &item<M, Position>>();
}

inline void installModelFastPaths()
{
    using Quor::Onnx::Model;
    rememberBoundClass<Model>();
    installMethods<Model>({{"run", &callMethod<&methods::modelRun>},
                           {"set", &callMethod<&methods::modelSet>},
                           {"get", &callMethod<&methods::modelGet>}});
}

}  // namespace quorlib_pybind::fast
