#pragma once
// as_view(buffer) and as_matrix(buffer): a quorlibcore view or matrix over
// memory that another object exports (a numpy array, an array.array, a
// memoryview), so that quorlibcore's operations read and write it in place,
// without a copy either way. The elements must be of format f, d, Zf or Zd
// and aligned to their size, as the containers' own storage is, and the
// buffer writable. A view takes a one-dimensional contiguous buffer. A matrix
// stores its columns one after the other, so it takes a two-dimensional
// Fortran-contiguous one (numpy: `np.asfortranarray(a)`, `np.zeros((m, n),
// order="F")`, or `a.T` of a C-ordered `a`, which is its transpose); a
// C-ordered buffer is refused rather than read as its transpose. The
// container holds the export, and through it the exporter, until it and
// everything made from it are gone (buffer_export.hpp).
#include <cstddef>
#include <string>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "buffer_elements.hpp"
#include "buffer_export.hpp"
#include "types/Matrix.hpp"
#include "types/VectorView.hpp"

namespace quorlib_buffers {

struct ViewClasses {
    static constexpr auto name =
        pybind11::detail::const_name("quorlibcore.views | quorlibcore.viewd | quorlibcore.viewc | quorlibcore.viewz");
};
struct MatrixClasses {
    static constexpr auto name =
        pybind11::detail::const_name("quorlibcore.mats | quorlibcore.matd | quorlibcore.matc | quorlibcore.matz");
};

inline void requireDimensions(const Py_buffer& view, int ndim, const char* function, const char* what)
{
    if (view.ndim != ndim)
        throw pybind11::value_error(std::string(function) + ": " + what + "; the buffer has "
                                    + std::to_string(view.ndim) + " dimensions");
}

inline void requireColumnMajor(const Py_buffer& view)
{
    requireDimensions(view, 2, "as_matrix", "a matrix is two-dimensional");
    if (PyBuffer_IsContiguous(&view, 'F'))
        return;
    if (PyBuffer_IsContiguous(&view, 'C'))
        throw pybind11::value_error(
            "as_matrix: the buffer is in C order (row after row), but a matrix stores its columns one after the "
            "other; pass a.T, the transpose, which is in Fortran order and shares the memory, or "
            "np.asfortranarray(a), a Fortran-ordered copy");
    throw pybind11::value_error("as_matrix: the buffer is not contiguous; pass np.asfortranarray(a), a "
                                "Fortran-ordered copy");
}

// The container that `make(storage, view)` builds over the export of
// `source` for `flags`, with the storage of the elements' sample type.
template <typename Classes, typename Make>
MadeObject<Classes> overExport(const pybind11::buffer& source, int flags, const char* function, Make&& make)
{
    const pybind11::object held = takeExport(source.ptr(), flags);
    const Py_buffer& view = exportView(held);
    return {forSampleType(view, function, [&](auto sample) {
        using E = typename decltype(sample)::type;
        return pybind11::cast(make(sample, view, [&] {
            return storageOfExport<E[]>(held, alignedElements<E>(view, function));
        }));
    })};
}

inline MadeObject<ViewClasses> asView(const pybind11::buffer& source)
{
    return overExport<ViewClasses>(
        source, PyBUF_WRITABLE | PyBUF_FORMAT | PyBUF_C_CONTIGUOUS, "as_view",
        [](auto sample, const Py_buffer& view, auto storage) {
            requireDimensions(view, 1, "as_view", "a view is one-dimensional");
            using E = typename decltype(sample)::type;
            return Quor::VectorView<E>({0, static_cast<size_t>(view.shape[0])}, storage());
        });
}

inline MadeObject<MatrixClasses> asMatrix(const pybind11::buffer& source)
{
    return overExport<MatrixClasses>(
        source, PyBUF_WRITABLE | PyBUF_FORMAT | PyBUF_STRIDES, "as_matrix",
        [](auto sample, const Py_buffer& view, auto storage) {
            requireColumnMajor(view);
            using E = typename decltype(sample)::type;
            return Quor::Matrix<E>(static_cast<size_t>(view.shape[0]), static_cast<size_t>(view.shape[1]),
                                   storage());
        });
}

inline void registerBufferContainers(pybind11::module_& m)
{
    m.def("as_view", &asView,
          "A quorlibcore view sharing the memory of a writable, contiguous, one-dimensional buffer of f, d, Zf or "
          "Zd elements.",
          pybind11::arg("buffer"), pybind11::pos_only());
    m.def("as_matrix", &asMatrix,
          "A quorlibcore matrix sharing the memory of a writable, Fortran-contiguous, two-dimensional buffer of f, "
          "d, Zf or Zd elements.",
          pybind11::arg("buffer"), pybind11::pos_only());
}

}  // namespace quorlib_buffers
