#pragma once
// What as_view and as_matrix ask of a buffer's elements: a struct format of
// one of the four sample types (f, d, Zf, Zd, in native byte order) and an
// address aligned to the element's size, as the containers' own storage is.
#include <cstdint>
#include <string>
#include <string_view>

#include <Python.h>
#include <boost/hana.hpp>
#include <pybind11/pybind11.h>

#include "container_memory.hpp"
#include "element_format.hpp"

namespace quorlib_buffers {

// Calls make(hana::type_c<E>) for the sample type E of the buffer's elements
// and returns its result; TypeError naming `function` for any other format.
template <typename Make>
pybind11::object forSampleType(const Py_buffer& view, const char* function, Make&& make)
{
    const std::string_view format = nativeFormat(view.format);
    pybind11::object result;
    hana::for_each(sampleTypes, [&](auto sample) {
        using E = typename decltype(sample)::type;
        if (!result && format == quorlib_buffers::format<E> && view.itemsize == sizeof(E))
            result = make(sample);
    });
    if (!result)
        throw pybind11::type_error(std::string(function) + ": no quorlibcore container holds elements of format '"
                                   + std::string(format) + "'; formats f, d, Zf and Zd have one");
    return result;
}

template <typename E>
E* alignedElements(const Py_buffer& view, const char* function)
{
    if (reinterpret_cast<std::uintptr_t>(view.buf) % sizeof(E) != 0)
        throw pybind11::value_error(std::string(function) + ": the buffer's elements are not aligned to their size of "
                                    + std::to_string(sizeof(E)) + " bytes");
    return static_cast<E*>(view.buf);
}

// The name of a function's result in its signature, and the object itself.
template <typename Descr>
struct MadeObject {
    pybind11::object object;
};

}  // namespace quorlib_buffers

namespace pybind11::detail {

template <typename Descr>
struct type_caster<quorlib_buffers::MadeObject<Descr>> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::MadeObject<Descr>, Descr::name);

    static handle cast(const quorlib_buffers::MadeObject<Descr>& src, return_value_policy, handle)
    {
        return src.object.inc_ref();
    }
};

}  // namespace pybind11::detail
