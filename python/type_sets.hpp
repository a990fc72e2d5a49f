#pragma once
// Compile-time lists that drive registration: every sample type with its
// BLAS type letter, and the container kinds of one sample type.
#include <complex>

#include <boost/hana.hpp>

#include "initialised_caster.hpp"
#include "types/Matrix.hpp"
#include "types/Vector.hpp"
#include "types/VectorView.hpp"

namespace quorlib_pybind {

namespace hana = boost::hana;

inline constexpr auto typeSet = hana::make_tuple(
    hana::make_pair(hana::type_c<float>, hana::string_c<'s'>),
    hana::make_pair(hana::type_c<double>, hana::string_c<'d'>),
    hana::make_pair(hana::type_c<std::complex<float>>, hana::string_c<'c'>),
    hana::make_pair(hana::type_c<std::complex<double>>, hana::string_c<'z'>));

inline constexpr auto operationsSet = hana::transform(typeSet, hana::first);

template <typename T>
inline constexpr auto containerSet =
    hana::make_tuple(hana::type_c<Quor::Vector<T>>, hana::type_c<Quor::VectorView<T>>,
                     hana::type_c<Quor::Matrix<T>>);

}  // namespace quorlib_pybind
