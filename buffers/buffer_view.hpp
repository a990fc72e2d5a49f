#pragma once
// as_view(buffer): a quorlibcore view onto memory that another object exports
// (a numpy array, an array.array, a memoryview), so that quorlibcore's
// operations read and write it in place, without a copy either way. The
// buffer must be writable, one-dimensional and contiguous, its elements of
// format f, d, Zf or Zd and aligned to their size, as the containers' own
// storage is. The view's storage holds the export, and through it the
// exporter, until the last view onto it (a slice of it, too) is gone.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <Python.h>
#include <boost/hana.hpp>
#include <pybind11/pybind11.h>

#include "container_memory.hpp"
#include "element_format.hpp"
#include "types/VectorView.hpp"

namespace quorlib_buffers {

// Gives the export back, under the interpreter lock, when the last view onto
// its memory goes.
struct ExportRelease {
    Py_buffer* held;

    void operator()(const void*) const
    {
        if (Py_IsInitialized()) {  // else the exporter went with the interpreter
            const PyGILState_STATE state = PyGILState_Ensure();
            PyBuffer_Release(held);
            PyGILState_Release(state);
        }
        delete held;
    }
};

// The return type's name in the signature: the view class of each format.
struct AnyView {
    pybind11::object view;
};

// Gives the export back and raises `Error` with `message`.
template <typename Error>
[[noreturn]] void refuse(Py_buffer* held, const std::string& message)
{
    PyBuffer_Release(held);
    throw Error("as_view: " + message);
}

// The view onto an export of E elements, which it takes over.
template <typename E>
pybind11::object viewOfExport(std::unique_ptr<Py_buffer> held)
{
    if (held->ndim != 1)
        refuse<pybind11::value_error>(held.get(), "a view is one-dimensional; the buffer has "
                                                      + std::to_string(held->ndim) + " dimensions");
    if (reinterpret_cast<std::uintptr_t>(held->buf) % sizeof(E) != 0)
        refuse<pybind11::value_error>(held.get(), "the buffer's elements are not aligned to their size of "
                                                      + std::to_string(sizeof(E)) + " bytes");
    const auto count = static_cast<size_t>(held->shape[0]);
    auto* elements = static_cast<E*>(held->buf);
    // The storage owns the export from here; should making it fail, it is
    // released on the way out.
    const std::shared_ptr<E[]> storage(elements, ExportRelease{held.release()});
    return pybind11::cast(Quor::VectorView<E>({0, count}, storage));
}

inline AnyView asView(const pybind11::buffer& source)
{
    auto held = std::make_unique<Py_buffer>();
    if (PyObject_GetBuffer(source.ptr(), held.get(), PyBUF_WRITABLE | PyBUF_FORMAT | PyBUF_C_CONTIGUOUS) != 0)
        throw pybind11::error_already_set();
    const std::string_view format = nativeFormat(held->format);
    AnyView result;
    hana::for_each(sampleTypes, [&](auto sample) {
        using E = typename decltype(sample)::type;
        if (held && format == quorlib_buffers::format<E> && held->itemsize == sizeof(E))
            result.view = viewOfExport<E>(std::move(held));
    });
    if (held)
        refuse<pybind11::type_error>(held.get(), "no quorlibcore view holds elements of format '"
                                                     + std::string(format) + "'; formats f, d, Zf and Zd have one");
    return result;
}

inline void registerBufferView(pybind11::module_& m)
{
    m.def("as_view", &asView,
          "A quorlibcore view sharing the memory of a writable, contiguous, one-dimensional buffer of f, d, Zf or "
          "Zd elements.");
}

}  // namespace quorlib_buffers

namespace pybind11::detail {

template <>
struct type_caster<quorlib_buffers::AnyView> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::AnyView,
                         const_name("quorlibcore.views | quorlibcore.viewd | quorlibcore.viewc | quorlibcore.viewz"));

    static handle cast(const quorlib_buffers::AnyView& src, return_value_policy, handle)
    {
        return src.view.inc_ref();
    }
};

}  // namespace pybind11::detail
