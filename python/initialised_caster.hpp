#pragma once
// `cls.__new__(cls)` makes an instance whose native object was never
// constructed; pybind11 would hand such an instance to a method as if it held
// a value, and the method would read and write uninitialised memory. The
// casters of the module's classes refuse it with a TypeError instead.
// Include this header before anything that binds these classes.
#include <string>

#include <pybind11/pybind11.h>

#include "types/Matrix.hpp"
#include "types/Model.hpp"
#include "types/Vector.hpp"
#include "types/VectorView.hpp"

namespace quorlib_pybind {

// The value and holder of `object` for the bound class, if `object` is an
// instance of it or of a subclass; otherwise one whose `inst` is null.
inline pybind11::detail::value_and_holder heldValue(PyObject* object, const pybind11::detail::type_info* bound)
{
    namespace detail = pybind11::detail;
    if (bound == nullptr || !PyObject_TypeCheck(object, bound->type))
        return {};
    return reinterpret_cast<detail::instance*>(object)->get_value_and_holder(bound, false);
}

// True when `object` is an instance of the bound class (or of a subclass)
// whose native value was never constructed.
inline bool isUninitialisedInstance(PyObject* object, const pybind11::detail::type_info* bound)
{
    const pybind11::detail::value_and_holder held = heldValue(object, bound);
    return held.inst != nullptr && !held.holder_constructed();
}

// The constructed native object of an instance of C's class or of a
// subclass; nullptr for anything else.
template <typename C>
C* heldObject(PyObject* object)
{
    static const pybind11::detail::type_info* bound = pybind11::detail::get_type_info(typeid(C), true);
    const pybind11::detail::value_and_holder held = heldValue(object, bound);
    return held.inst != nullptr && held.holder_constructed() ? held.template value_ptr<C>() : nullptr;
}

[[noreturn]] inline void refuseUninitialised(PyObject* object)
{
    throw pybind11::type_error(std::string(Py_TYPE(object)->tp_name)
                               + " object is not initialised: it was created by __new__ without __init__");
}

}  // namespace quorlib_pybind

namespace pybind11::detail {

template <typename T>
class initialised_caster : public type_caster_base<T> {
public:
    bool load(handle src, bool convert)
    {
        if (src && quorlib_pybind::isUninitialisedInstance(src.ptr(), this->typeinfo))
            quorlib_pybind::refuseUninitialised(src.ptr());
        return type_caster_base<T>::load(src, convert);
    }
};

template <typename E> class type_caster<Quor::Vector<E>> : public initialised_caster<Quor::Vector<E>> {};
template <typename E> class type_caster<Quor::VectorView<E>> : public initialised_caster<Quor::VectorView<E>> {};
template <typename E> class type_caster<Quor::Matrix<E>> : public initialised_caster<Quor::Matrix<E>> {};
template <> class type_caster<Quor::Onnx::Model> : public initialised_caster<Quor::Onnx::Model> {};

}  // namespace pybind11::detail
