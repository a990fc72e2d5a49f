#pragma once
// The module functions: one overload per admissible combination of container
// kinds and sample type, each bound from a plain pointer to its operation and
// filed for the fast path under the same pointer.
#include <type_traits>

#include <boost/hana.hpp>
#include <pybind11/complex.h>
#include <pybind11/pybind11.h>

#include "fast_functions.hpp"
#include "operations/all.hpp"
#include "type_sets.hpp"

namespace quorlib_pybind {

namespace py = pybind11;
using fast::defineOperation;

template <typename E>
void registerOperationsOf(py::module_& m)
{
    hana::for_each(containerSet<E>, [&](auto hanaContainer0) {
        using C0 = typename decltype(hanaContainer0)::type;
        constexpr bool isMatrix0 = Quor::MatrixContainer<C0>;

        defineOperation<&Quor::scale<C0>>(m, BOOST_HANA_STRING("scale"), "scale an object");

        hana::for_each(containerSet<E>, [&](auto hanaContainer1) {
            using C1 = typename decltype(hanaContainer1)::type;

            defineOperation<&Quor::sum<C0, C1>>(m, BOOST_HANA_STRING("sum"), "add objects");
            defineOperation<&Quor::dot<C0, C1>>(m, BOOST_HANA_STRING("dot"), "dot product");
            defineOperation<&Quor::copy<C0, C1>>(m, BOOST_HANA_STRING("copy"), "copy an object into another");
            defineOperation<&Quor::swap<C0, C1>>(m, BOOST_HANA_STRING("swap"), "swap objects into another");
            defineOperation<&Quor::axpy<C0, C1>>(m, BOOST_HANA_STRING("axpy"), "axpy objects");
            if constexpr (Quor::isComplex<E>)
                defineOperation<&Quor::hdot<C0, C1>>(m, BOOST_HANA_STRING("hdot"), "hermetian dot product");
            if constexpr (isMatrix0)
                defineOperation<&Quor::ls<C0, C1>>(m, BOOST_HANA_STRING("ls"), "ls");

            hana::for_each(containerSet<E>, [&](auto hanaContainer2) {
                using C2 = typename decltype(hanaContainer2)::type;
                constexpr bool mat_mat_mat =
                    isMatrix0 && Quor::MatrixContainer<C1> && Quor::MatrixContainer<C2>;
                if constexpr (mat_mat_mat) {
                    defineOperation<&Quor::gemm<C0, C1, C2>>(m, BOOST_HANA_STRING("gemm"), "gemm");
                    defineOperation<&Quor::matmul<C0, C1, C2>>(m, BOOST_HANA_STRING("matmul"), "matmul");
                }
                if constexpr (isMatrix0) {
                    defineOperation<&Quor::matvec<C0, C1, C2>>(m, BOOST_HANA_STRING("matvec"), "matvec");
                    defineOperation<&Quor::gemv<C0, C1, C2>>(m, BOOST_HANA_STRING("gemv"), "gemv");
                }
            });
        });
    });
}

// Each sample type's overloads are compiled in a translation unit of their
// own (operations_<letter>.cpp), so that a build can use several cores.
extern template void registerOperationsOf<float>(py::module_&);
extern template void registerOperationsOf<double>(py::module_&);
extern template void registerOperationsOf<std::complex<float>>(py::module_&);
extern template void registerOperationsOf<std::complex<double>>(py::module_&);

inline void registerOperations(py::module_& m)
{
    hana::for_each(operationsSet, [&](auto hanaType) {
        registerOperationsOf<typename decltype(hanaType)::type>(m);
    });
}

}  // namespace quorlib_pybind
