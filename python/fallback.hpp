#pragma once
// Every call that a fast path leaves undecided ends in pybind11's function,
// whose error for arguments that match no overload quotes the repr of each
// argument. A container's repr is its full text form, megabytes for a large
// one, so while pybind11 builds that message its container arguments render
// briefly (class and size). The fallback calls file their arguments here,
// nested calls restoring the outer call's, together with the Python frame
// that made the call: pybind11 quotes the arguments from C, in that same
// frame, while any Python code the call runs (an argument's `__index__` or
// `__float__`, a signal handler) runs in a frame of its own and gets the
// full repr, as every other repr does.
#include <cstddef>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "fast_call.hpp"
#include "initialised_caster.hpp"
#include "types/Traits.hpp"

namespace quorlib_pybind::fast {

struct FallbackArguments {
    PyObject* const* args = nullptr;
    Py_ssize_t count = 0;
    const void* frame = nullptr;  // the Python frame executing when the call was made
};

inline const void* executingFrame()
{
    return PyThreadState_Get()->cframe->current_frame;
}

inline thread_local FallbackArguments currentFallback;

// pybind11's function called as PyObject_Vectorcall would call it.
inline PyObject* callPybind11(PyObject* function, PyObject* const* args, size_t nargsf, PyObject* kwnames)
{
    const FallbackArguments outer = currentFallback;
    currentFallback = {args, PyVectorcall_NARGS(nargsf) + (kwnames != nullptr ? PyTuple_GET_SIZE(kwnames) : 0),
                       executingFrame()};
    PyObject* result = PyObject_Vectorcall(function, args, nargsf, kwnames);
    currentFallback = outer;
    return result;
}

inline bool isFallbackArgument(PyObject* object)
{
    const FallbackArguments& call = currentFallback;
    if (call.count == 0 || call.frame != executingFrame())
        return false;
    for (Py_ssize_t i = 0; i < call.count; ++i)
        if (call.args[i] == object)
            return true;
    return false;
}

// The brief text of a container argument of the fallback call in progress,
// or notDecided where the full repr applies.
template <typename C>
PyObject* briefRepr(PyObject* object)
{
    if (!isFallbackArgument(object))
        return notDecided;
    const C* container = heldObject<C>(object);
    if (container == nullptr)
        return notDecided;
    const char* name = Py_TYPE(object)->tp_name;
    if constexpr (Quor::MatrixContainer<C>)
        return PyUnicode_FromFormat("%s of %zu x %zu elements", name, container->template dim<0>(),
                                    container->template dim<1>());
    else
        return PyUnicode_FromFormat("%s of %zu elements", name, container->numel());
}

}  // namespace quorlib_pybind::fast
