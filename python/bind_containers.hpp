#pragma once
// The twelve container classes: vec*, view*, mat* for each type letter.
#include <cstddef>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include <boost/hana.hpp>
#include <pybind11/complex.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "operations/show.hpp"
#include "type_sets.hpp"

namespace quorlib_pybind {

namespace py = pybind11;

template <typename C>
std::string render(const C& container)
{
    std::stringstream output;
    Quor::show(container, output);
    return output.str();
}

inline std::runtime_error invalidDimension(size_t idx, const char* kind)
{
    return std::runtime_error("dimension " + std::to_string(idx) + " invalid for " + kind);
}

// Methods shared by vectors and views, in their registration order:
// numel, dim, __getitem__(int), __getitem__(slice), __setitem__, __repr__.
template <typename C, typename PyClass>
void defineVectorMethods(PyClass& cls)
{
    using T = typename C::SampleType;
    // Methods take `self` by reference: bound straight from a member function,
    // pybind11 would accept None as a null `self`.
    cls.def("numel", [](const C& v) { return v.numel(); })
        .def("dim",
             [](const C& v, size_t idx) {
                 if (idx != 0)
                     throw invalidDimension(idx, "vector");
                 return v.numel();
             })
        .def("__getitem__", [](C& v, size_t idx) { return T(v[idx]); })
        .def("__getitem__",
             [](C& v, const py::slice& slice) {
                 size_t start = 0, stop = 0, step = 0, sliceLength = 0;
                 if (!slice.compute(v.numel(), &start, &stop, &step, &sliceLength))
                     throw py::error_already_set();
                 // Negative steps arrive here as huge unsigned values.
                 if (step > 1)
                     throw std::runtime_error("stepsizes larger than 1 invalid for vector");
                 return v[std::pair<size_t, size_t>{start, stop}];
             })
        .def("__setitem__", [](C& v, size_t idx, T value) { v[idx] = value; })
        .def("__repr__", &render<C>);
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
    vec.def(py::init<size_t>());
    defineVectorMethods<Vector<DataType>>(vec);
    defineVectorMethods<VectorView<DataType>>(view);

    using M = Matrix<DataType>;
    py::class_<M>(m, matname.c_str())
        .def(py::init<size_t, size_t>())
        .def("dim",
             [](const M& x, size_t idx) {
                 if (idx == 0)
                     return x.template dim<0>();
                 if (idx == 1)
                     return x.template dim<1>();
                 throw invalidDimension(idx, "matrix");
             })
        .def("numel", [](const M& x) { return x.numel(); })
        .def("__getitem__", [](M& x, std::pair<size_t, size_t> idx) { return DataType(x[idx]); })
        .def("__setitem__", [](M& x, std::pair<size_t, size_t> idx, DataType value) { x[idx] = value; })
        .def("__repr__", &render<M>);
}

inline void registerContainers(py::module_& m)
{
    hana::for_each(typeSet, [&](auto entry) {
        using DataType = typename decltype(+hana::first(entry))::type;
        registerContainerClasses<DataType>(m, hana::second(entry));
    });
}

}  // namespace quorlib_pybind
