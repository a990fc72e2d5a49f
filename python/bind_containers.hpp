#pragma once
// The twelve container classes: vec*, view*, mat* for each type letter.
#include <cstddef>

#include <boost/hana.hpp>
#include <pybind11/complex.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "container_methods.hpp"
#include "fast_functions.hpp"
#include "fast_methods.hpp"
#include "type_sets.hpp"

namespace quorlib_pybind {

namespace py = pybind11;

// Methods shared by vectors and views, in their registration order:
// numel, dim, __getitem__(int), __getitem__(slice), __setitem__, __repr__.
// Each is bound from a free function taking `self` by reference: bound from a
// member function, pybind11 would accept None as a null `self`.
template <typename C, typename PyClass>
void defineVectorMethods(PyClass& cls)
{
    cls.def("numel", &methods::numel<C>)
        .def("dim", &methods::vectorDim<C>)
        .def("__getitem__", &methods::item<C, size_t>)
        .def("__getitem__", &methods::slice<C>)
        .def("__setitem__", &methods::setItem<C, size_t>)
        .def("__repr__", &methods::render<C>);
}

template <typename DataType, typename Postfix>
void registerContainerClasses(py::module_& m, Postfix postfix)
{
    using namespace Quor;
    constexpr auto vecname = BOOST_HANA_STRING("vec") + Postfix{};
    constexpr auto vecviewname = BOOST_HANA_STRING("view") + Postfix{};
    constexpr auto matname = BOOST_HANA_STRING("mat") + Postfix{};
    (void)postfix;

    // Both classes exist before their methods are defined, so that the slice
    // signature of the vector class can name the view class.
    py::class_<Vector<DataType>> vec(m, vecname.c_str());
    py::class_<VectorView<DataType>> view(m, vecviewname.c_str());
    fast::rememberContainerClass<Vector<DataType>>();
    fast::rememberContainerClass<VectorView<DataType>>();
    vec.def(py::init<size_t>());
    defineVectorMethods<Vector<DataType>>(vec);
    defineVectorMethods<VectorView<DataType>>(view);

    using M = Matrix<DataType>;
    py::class_<M>(m, matname.c_str())
        .def(py::init<size_t, size_t>())
        .def("dim", &methods::matrixDim<M>)
        .def("numel", &methods::numel<M>)
        .def("__getitem__", &methods::item<M, methods::Position>)
        .def("__setitem__", &methods::setItem<M, methods::Position>)
        .def("__repr__", &methods::render<M>);
    fast::rememberContainerClass<M>();
}

inline void registerContainers(py::module_& m)
{
    hana::for_each(typeSet, [&](auto entry) {
        using DataType = typename decltype(+hana::first(entry))::type;
        registerContainerClasses<DataType>(m, hana::second(entry));
    });
    fast::indexContainerClasses();
}

// Once every class and function exists: the fast paths of the containers.
inline void installContainerFastPaths()
{
    hana::for_each(operationsSet, [&](auto hanaType) {
        using DataType = typename decltype(hanaType)::type;
        fast::installVectorFastPaths<Quor::Vector<DataType>>();
        fast::installVectorFastPaths<Quor::VectorView<DataType>>();
        fast::installMatrixFastPaths<Quor::Matrix<DataType>>();
    });
}

}  // namespace quorlib_pybind
