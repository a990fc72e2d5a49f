#pragma once
// memory(c): a writable view of exactly the elements a container addresses.
// Vectors and views are 1-D; matrices are 2-D (rows, columns) with
// column-major strides. The view holds a copy of the container, which shares
// its storage, or the holder of the export whose memory the container shows,
// so the elements outlive the Python object they came from.
#include <complex>
#include <memory>
#include <utility>

#include <boost/hana.hpp>
#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "exporter.hpp"
#include "types/ExternalStorage.hpp"
#include "types/Matrix.hpp"
#include "types/Traits.hpp"
#include "types/Vector.hpp"
#include "types/VectorView.hpp"

namespace quorlib_buffers {

namespace hana = boost::hana;

inline constexpr auto sampleTypes =
    hana::tuple_t<float, double, std::complex<float>, std::complex<double>>;

// The struct format of each sample type, as numpy reads it.
template <typename E> inline constexpr const char* format = nullptr;
template <> inline constexpr const char* format<float> = "f";
template <> inline constexpr const char* format<double> = "d";
template <> inline constexpr const char* format<std::complex<float>> = "Zf";
template <> inline constexpr const char* format<std::complex<double>> = "Zd";

template <typename C>
Layout containerLayout(const C& c)
{
    using E = typename C::SampleType;
    constexpr auto size = static_cast<Py_ssize_t>(sizeof(E));
    Layout layout;
    layout.data = c.get();
    layout.itemsize = size;
    layout.format = format<E>;
    if constexpr (Quor::MatrixContainer<C>) {
        layout.shape = {static_cast<Py_ssize_t>(c.template dim<0>()), static_cast<Py_ssize_t>(c.template dim<1>())};
        layout.strides = Layout::naturalStrides(layout.shape, size, false);
    } else {
        layout.shape = {static_cast<Py_ssize_t>(c.numel())};
        layout.strides = {size};
    }
    return layout;
}

template <typename C>
py::memoryview containerMemory(const Bound<C>& c)
{
    // Memory another object lends is kept by the holder of its export, which
    // the memoryview's exporter then holds and reports to the collector.
    if (const Quor::ExternalOwner* owner = Quor::externalOwner(c.value->storage()))
        return exportMemory(containerLayout(*c.value), nullptr,
                            py::reinterpret_borrow<py::object>(static_cast<PyObject*>(owner->object)));
    return exportMemory(containerLayout(*c.value), std::make_shared<const C>(*c.value), py::object());
}

inline void registerContainerMemory(py::module_& m)
{
    bool first = true;
    hana::for_each(sampleTypes, [&](auto sample) {
        using E = typename decltype(sample)::type;
        hana::for_each(hana::tuple_t<Quor::Vector<E>, Quor::VectorView<E>, Quor::Matrix<E>>, [&](auto kind) {
            using C = typename decltype(kind)::type;
            // One docstring for the whole overload set.
            if (std::exchange(first, false))
                m.def("memory", &containerMemory<C>,
                      "Writable view of the elements of a container; a matrix in column-major order.",
                      py::arg("container"), py::pos_only());
            else
                m.def("memory", &containerMemory<C>, py::arg("container"), py::pos_only());
        });
    });
}

}  // namespace quorlib_buffers
