#pragma once
// Compile-time questions about container kinds and sample types.
#include <complex>
#include <type_traits>

#include "types/Matrix.hpp"
#include "types/Vector.hpp"
#include "types/VectorView.hpp"

namespace Quor {

template <typename T> struct IsMatrix : std::false_type {};
template <typename E> struct IsMatrix<Matrix<E>> : std::true_type {};

template <typename T> struct IsVectorLike : std::false_type {};
template <typename E> struct IsVectorLike<Vector<E>> : std::true_type {};
template <typename E> struct IsVectorLike<VectorView<E>> : std::true_type {};

template <typename T> concept MatrixContainer = IsMatrix<T>::value;
template <typename T> concept VectorContainer = IsVectorLike<T>::value;
template <typename T> concept Container = MatrixContainer<T> || VectorContainer<T>;

template <typename E> struct IsComplex : std::false_type {};
template <typename R> struct IsComplex<std::complex<R>> : std::true_type {};
template <typename E> inline constexpr bool isComplex = IsComplex<E>::value;

// Containers of one call share one sample type.
template <typename... Cs>
concept SameSample = Container<std::tuple_element_t<0, std::tuple<Cs...>>>
    && (std::is_same_v<typename std::tuple_element_t<0, std::tuple<Cs...>>::SampleType,
                       typename Cs::SampleType> && ...);

}  // namespace Quor
