#pragma once
// Arguments that are instances of quorlibcore's classes, found through
// pybind11's global type registry. `cls.__new__(cls)` makes an instance whose
// native object was never constructed; such an instance is refused with a
// TypeError instead of being read as if it held a value.
#include <string>
#include <typeinfo>

#include <pybind11/pybind11.h>

namespace quorlib_buffers {

// The native object of an initialised instance of the class bound for T,
// together with the Python object that owns it.
template <typename T>
struct Bound {
    T* value = nullptr;
    pybind11::handle object;
};

}  // namespace quorlib_buffers

namespace pybind11::detail {

template <typename T>
struct type_caster<quorlib_buffers::Bound<T>> {
    // The signature names the class as quorlibcore registered it.
    PYBIND11_TYPE_CASTER(quorlib_buffers::Bound<T>, make_caster<T>::name);

    bool load(handle src, bool)
    {
        const type_info* bound = get_type_info(typeid(T));
        if (!src || bound == nullptr || !PyObject_TypeCheck(src.ptr(), bound->type))
            return false;
        auto* inst = reinterpret_cast<instance*>(src.ptr());
        const value_and_holder held = inst->get_value_and_holder(bound, false);
        if (held.inst == nullptr || !held.holder_constructed())
            throw type_error(std::string(Py_TYPE(src.ptr())->tp_name)
                             + " object is not initialised: it was created by __new__ without __init__");
        value.value = held.template value_ptr<T>();
        value.object = src;
        return true;
    }
};

}  // namespace pybind11::detail
