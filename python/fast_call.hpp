#pragma once
// Calling a bound C++ function without pybind11's dispatcher, for the
// arguments that decide one overload at a glance: instances of the module's
// own classes (exact class, constructed), Python floats, complex numbers and
// ints where pybind11 would accept them, and nothing else. A call that any of
// this does not cover is "not decided" and goes to the pybind11 function, so
// every error keeps pybind11's exact text. A decided call converts its
// arguments exactly as pybind11's casters would, runs the same C++ function,
// converts its result as pybind11 would and translates exceptions through the
// same translators.
#include <array>
#include <complex>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <tuple>
#include <type_traits>
#include <span>
#include <utility>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "types/Model.hpp"
#include "types/Traits.hpp"
#include "view_cache.hpp"

namespace quorlib_pybind::fast {

namespace py = pybind11;

// Returned by a fast call that leaves the decision to pybind11.
inline char notDecidedMarker;
inline PyObject* const notDecided = reinterpret_cast<PyObject*>(&notDecidedMarker);

using Call = PyObject* (*)(PyObject* const* args);

// The Python class bound to C, known once the class is registered.
template <typename C>
inline PyTypeObject* boundClass = nullptr;

template <typename C>
void rememberBoundClass()
{
    boundClass<C> = py::detail::get_type_info(typeid(C), true)->type;
}

// The native object of an instance of exactly C's class, or nullptr for
// anything else, including an instance whose value was never constructed.
// Instances of subclasses are left to pybind11.
template <typename C>
C* nativeObject(PyObject* object)
{
    if (Py_TYPE(object) != boundClass<C>)
        return nullptr;
    auto* inst = reinterpret_cast<py::detail::instance*>(object);
    if (!inst->simple_layout || !inst->simple_holder_constructed)
        return nullptr;
    return static_cast<C*>(inst->simple_value_holder[0]);
}

// ---------------------------------------------------------------------------
// Arguments: load() returns false where pybind11 must decide.

// An exact int small enough for one machine word, read without a call.
inline bool compactInt(PyObject* o, Py_ssize_t& value)
{
    if (!PyLong_CheckExact(o) || !PyUnstable_Long_IsCompact(reinterpret_cast<PyLongObject*>(o)))
        return false;
    value = PyUnstable_Long_CompactValue(reinterpret_cast<PyLongObject*>(o));
    return true;
}

template <typename T>
struct Argument;

// Instances of the module's own classes.
template <typename C>
    requires Quor::Container<C> || std::is_same_v<C, Quor::Onnx::Model>
struct Argument<C> {
    C* object = nullptr;
    bool load(PyObject* o) { return (object = nativeObject<C>(o)) != nullptr; }
    C& get() { return *object; }
};

// A real scalar: any float in pybind11's first pass, an int in its second.
template <std::floating_point R>
struct Argument<R> {
    R value{};
    bool load(PyObject* o)
    {
        if (PyFloat_Check(o)) {
            value = static_cast<R>(PyFloat_AS_DOUBLE(o));
            return true;
        }
        if (Py_ssize_t small = 0; compactInt(o, small)) {
            value = static_cast<R>(static_cast<double>(small));
            return true;
        }
        if (!PyLong_CheckExact(o))
            return false;
        const double d = PyLong_AsDouble(o);
        if (d == -1.0 && PyErr_Occurred()) {
            PyErr_Clear();
            return false;
        }
        value = static_cast<R>(d);
        return true;
    }
    R get() const { return value; }
};

// A complex scalar: any complex in the first pass, a float or an int (imaginary
// part 0) in the second.
template <typename R>
struct Argument<std::complex<R>> {
    std::complex<R> value{};
    bool load(PyObject* o)
    {
        if (PyComplex_Check(o)) {
            const Py_complex c = reinterpret_cast<PyComplexObject*>(o)->cval;
            value = {static_cast<R>(c.real), static_cast<R>(c.imag)};
            return true;
        }
        Argument<double> real;
        if (!(PyFloat_CheckExact(o) || PyLong_CheckExact(o)) || !real.load(o))
            return false;
        value = {static_cast<R>(real.get()), R(0)};
        return true;
    }
    std::complex<R> get() const { return value; }
};

inline bool loadIndex(PyObject* o, size_t& value)
{
    if (Py_ssize_t small = 0; compactInt(o, small)) {
        value = static_cast<size_t>(small);
        return small >= 0;  // pybind11 refuses a negative index
    }
    if (!PyLong_CheckExact(o))
        return false;
    value = PyLong_AsSize_t(o);
    if (value == static_cast<size_t>(-1) && PyErr_Occurred()) {
        PyErr_Clear();  // negative or too large: pybind11 reports the mismatch
        return false;
    }
    return true;
}

template <>
struct Argument<size_t> {
    size_t value = 0;
    bool load(PyObject* o) { return loadIndex(o, value); }
    size_t get() const { return value; }
};

// A matrix position: a tuple of two ints, as `m[i, j]` passes it.
template <>
struct Argument<std::pair<size_t, size_t>> {
    std::pair<size_t, size_t> value;
    bool load(PyObject* o)
    {
        return PyTuple_CheckExact(o) && PyTuple_GET_SIZE(o) == 2 && loadIndex(PyTuple_GET_ITEM(o, 0), value.first)
            && loadIndex(PyTuple_GET_ITEM(o, 1), value.second);
    }
    std::pair<size_t, size_t> get() const { return value; }
};

// A slice whose bounds are ints or None: resolving it runs no Python code.
template <>
struct Argument<py::slice> {
    PyObject* object = nullptr;
    static bool plainBound(PyObject* b) { return b == Py_None || PyLong_CheckExact(b); }
    bool load(PyObject* o)
    {
        if (!PySlice_Check(o))
            return false;
        auto* s = reinterpret_cast<PySliceObject*>(o);
        if (!plainBound(s->start) || !plainBound(s->stop) || !plainBound(s->step))
            return false;
        object = o;
        return true;
    }
    py::slice get() const { return py::reinterpret_borrow<py::slice>(object); }
};

// A tensor position: a list or tuple of ints, held without allocating (a
// position of more dimensions than that is left to pybind11).
template <>
struct Argument<std::span<const int64_t>> {
    std::array<int64_t, 8> value{};
    size_t size = 0;
    bool load(PyObject* o)
    {
        if (!PyList_CheckExact(o) && !PyTuple_CheckExact(o))
            return false;
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(o);
        if (n > static_cast<Py_ssize_t>(value.size()))
            return false;
        PyObject** items = PySequence_Fast_ITEMS(o);
        for (Py_ssize_t i = 0; i < n; ++i) {
            if (Py_ssize_t small = 0; compactInt(items[i], small)) {
                value[static_cast<size_t>(i)] = small;
                continue;
            }
            if (!PyLong_CheckExact(items[i]))
                return false;
            const long long v = PyLong_AsLongLong(items[i]);
            if (v == -1 && PyErr_Occurred()) {
                PyErr_Clear();
                return false;
            }
            value[static_cast<size_t>(i)] = v;
        }
        size = static_cast<size_t>(n);
        return true;
    }
    std::span<const int64_t> get() const { return {value.data(), size}; }
};

// ---------------------------------------------------------------------------
// Results, converted as pybind11 converts them.

inline PyObject* toPython(size_t value) { return PyLong_FromSize_t(value); }
inline PyObject* toPython(float value) { return PyFloat_FromDouble(static_cast<double>(value)); }
inline PyObject* toPython(double value) { return PyFloat_FromDouble(value); }
template <typename R>
PyObject* toPython(const std::complex<R>& value)
{
    return PyComplex_FromDoubles(static_cast<double>(value.real()), static_cast<double>(value.imag()));
}

// A container returned by value (a slice's view) becomes a new instance that
// owns it, built as pybind11 builds one for a returned value (simple layout,
// unique holder; the memory of both recycled, view_cache.hpp), minus the lookups of the class by C++ type and of an
// existing instance (a fresh value has none). pybind11 also files every
// instance by its native pointer, but looks that up only to hand back the
// Python object of a container an operation returns by reference; the module
// functions file their arguments before they call pybind11
// (fast_functions.hpp), so a view is filed only if it ever gets there.
template <typename C>
    requires Quor::Container<C>
PyObject* toPython(C&& value)
{
    static const py::detail::type_info* bound = py::detail::get_type_info(typeid(C), true);
    static const bool simpleLayout = py::detail::all_type_info(bound->type).size() == 1
        && bound->holder_size_in_ptrs <= py::detail::instance_simple_holder_in_ptrs();
    if (!simpleLayout)
        return py::detail::make_caster<C>::cast(std::move(value), py::return_value_policy::move, {}).ptr();

    ViewCache<C>& cache = viewCache<C>;
    auto object = py::reinterpret_steal<py::object>(cache.takeObject(bound->type));
    if (!object)
        throw py::error_already_set();
    auto* instance = reinterpret_cast<py::detail::instance*>(object.ptr());
    instance->simple_layout = true;
    instance->owned = true;
    // The simple layout: the value pointer, then the holder.
    C* native = new (cache.takeNative()) C(std::move(value));
    instance->simple_value_holder[0] = native;
    new (&instance->simple_value_holder[1]) std::unique_ptr<C>(native);
    instance->simple_holder_constructed = true;
    return object.release().ptr();
}

// Whatever the pybind11 dispatcher would have raised for the exception in
// flight: pybind11's own errors restored, everything else through the
// registered translators, module-local ones first.
inline PyObject* raiseActiveException()
{
    try {
        throw;
    } catch (py::error_already_set& e) {
        e.restore();
#ifdef __GLIBCXX__
    } catch (abi::__forced_unwind&) {
        throw;
#endif
    } catch (...) {
        if (py::detail::apply_exception_translators(py::detail::get_local_internals().registered_exception_translators))
            return nullptr;
        if (py::detail::apply_exception_translators(py::detail::get_internals().registered_exception_translators))
            return nullptr;
        PyErr_SetString(PyExc_SystemError, "Exception escaped from default exception translator!");
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// The fast call of one bound function.

template <auto function, typename = decltype(function)>
struct FastCall;

template <auto function, typename Result, typename... Params>
struct FastCall<function, Result (*)(Params...)> {
    static constexpr size_t arity = sizeof...(Params);

    static PyObject* call(PyObject* const* args) { return call(args, std::index_sequence_for<Params...>{}); }

private:
    using Arguments = std::tuple<Argument<std::remove_cvref_t<Params>>...>;

    template <size_t... I>
    static PyObject* call(PyObject* const* args, std::index_sequence<I...>)
    {
        Arguments arguments;
        if (!(std::get<I>(arguments).load(args[I]) && ...))
            return notDecided;
        try {
            if constexpr (std::is_void_v<Result>) {
                function(std::get<I>(arguments).get()...);
                Py_RETURN_NONE;
            } else if constexpr (std::is_lvalue_reference_v<Result>) {
                return sameObject(function(std::get<I>(arguments).get()...), args, arguments,
                                  std::index_sequence<I...>{});
            } else {
                return toPython(function(std::get<I>(arguments).get()...));
            }
        } catch (...) {
            return raiseActiveException();
        }
    }

    // An operation returns one of its containers by reference; pybind11 hands
    // back the Python object that already holds it, and so does this.
    template <typename C, size_t... I>
    static PyObject* sameObject(C& result, PyObject* const* args, Arguments& arguments, std::index_sequence<I...>)
    {
        PyObject* found = nullptr;
        auto match = [&](PyObject* arg, auto& argument) {
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(argument.get())>, std::remove_cv_t<C>>)
                if (found == nullptr && &argument.get() == &result)
                    found = arg;
        };
        (match(args[I], std::get<I>(arguments)), ...);
        if (found != nullptr)
            return Py_NewRef(found);
        return py::cast(result, py::return_value_policy::automatic).release().ptr();
    }
};

}  // namespace quorlib_pybind::fast
