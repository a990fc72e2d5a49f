#pragma once
// as_view(buffer): a quorlibcore view onto memory that another object exports
// (a numpy array, an array.array, a memoryview), so that quorlibcore's
// operations read and write it in place, without a copy either way. The
// buffer must be writable, one-dimensional and contiguous, its elements of
// format f, d, Zf or Zd and aligned to their size, as the containers' own
// storage is. The view holds the export, and through it the exporter, until
// it and every view sliced from it are gone (buffer_export.hpp).
#include <cstddef>
#include <string>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "buffer_elements.hpp"
#include "buffer_export.hpp"
#include "types/VectorView.hpp"

namespace quorlib_buffers {

struct ViewClasses {
    static constexpr auto name =
        pybind11::detail::const_name("quorlibcore.views | quorlibcore.viewd | quorlibcore.viewc | quorlibcore.viewz");
};
using AnyView = MadeObject<ViewClasses>;

inline AnyView asView(const pybind11::buffer& source)
{
    const pybind11::object held =
        takeExport(source.ptr(), PyBUF_WRITABLE | PyBUF_FORMAT | PyBUF_C_CONTIGUOUS);
    const Py_buffer& view = exportView(held);
    return {forSampleType(view, "as_view", [&](auto sample) {
        using E = typename decltype(sample)::type;
        if (view.ndim != 1)
            throw pybind11::value_error("as_view: a view is one-dimensional; the buffer has "
                                        + std::to_string(view.ndim) + " dimensions");
        E* elements = alignedElements<E>(view, "as_view");
        const auto count = static_cast<size_t>(view.shape[0]);
        return pybind11::cast(Quor::VectorView<E>({0, count}, storageOfExport<E[]>(held, elements)));
    })};
}

inline void registerBufferView(pybind11::module_& m)
{
    m.def("as_view", &asView,
          "A quorlibcore view sharing the memory of a writable, contiguous, one-dimensional buffer of f, d, Zf or "
          "Zd elements.",
          pybind11::arg("buffer"), pybind11::pos_only());
}

}  // namespace quorlib_buffers
