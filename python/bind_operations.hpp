#pragma once
// The module functions: one overload per admissible combination of container
// kinds and sample type, each bound from a plain pointer to its operation.
#include <type_traits>

#include <boost/hana.hpp>
#include <pybind11/complex.h>
#include <pybind11/pybind11.h>

#include "operations/all.hpp"
#include "type_sets.hpp"

namespace quorlib_pybind {

namespace py = pybind11;

template <typename E>
void registerOperationsOf(py::module_& m)
{
    hana::for_each(containerSet<E>, [&](auto hanaContainer0) {
        using C0 = typename decltype(hanaContainer0)::type;
        constexpr bool isMatrix0 = Quor::MatrixContainer<C0>;

        m.def("scale", &Quor::scale<C0>, "scale an object");

        hana::for_each(containerSet<E>, [&](auto hanaContainer1) {
            using C1 = typename decltype(hanaContainer1)::type;

            m.def("sum", &Quor::sum<C0, C1>, "add objects");
            m.def("dot", &Quor::dot<C0, C1>, "dot product");
            m.def("copy", &Quor::copy<C0, C1>, "copy an object into another");
            m.def("swap", &Quor::swap<C0, C1>, "swap objects into another");
            m.def("axpy", &Quor::axpy<C0, C1>, "axpy objects");
            if constexpr (Quor::isComplex<E>)
                m.def("hdot", &Quor::hdot<C0, C1>, "hermetian dot product");
            if constexpr (isMatrix0)
                m.def("ls", &Quor::ls<C0, C1>, "ls");

            hana::for_each(containerSet<E>, [&](auto hanaContainer2) {
                using C2 = typename decltype(hanaContainer2)::type;
                constexpr bool mat_mat_mat =
                    isMatrix0 && Quor::MatrixContainer<C1> && Quor::MatrixContainer<C2>;
                if constexpr (mat_mat_mat) {
                    m.def("gemm", &Quor::gemm<C0, C1, C2>, "gemm");
                    m.def("matmul", &Quor::matmul<C0, C1, C2>, "matmul");
                }
                if constexpr (isMatrix0) {
                    m.def("matvec", &Quor::matvec<C0, C1, C2>, "matvec");
                    m.def("gemv", &Quor::gemv<C0, C1, C2>, "gemv");
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
