#pragma once
// as_matrix(buffer): a quorlibcore matrix over memory that another object
// exports, as as_view makes a view. A matrix stores its columns one after the
// other, so the buffer must be two-dimensional and Fortran-contiguous (numpy:
// `np.asfortranarray(a)`, `np.zeros((m, n), order="F")`, or `a.T` of a
// C-ordered `a`, which is its transpose); a C-ordered buffer is refused
// rather than read as its transpose.
#include <cstddef>
#include <string>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "buffer_elements.hpp"
#include "buffer_export.hpp"
#include "types/Matrix.hpp"

namespace quorlib_buffers {

struct MatrixClasses {
    static constexpr auto name =
        pybind11::detail::const_name("quorlibcore.mats | quorlibcore.matd | quorlibcore.matc | quorlibcore.matz");
};
using AnyMatrix = MadeObject<MatrixClasses>;

inline void requireColumnMajor(const Py_buffer& view)
{
    if (view.ndim != 2)
        throw pybind11::value_error("as_matrix: a matrix is two-dimensional; the buffer has "
                                    + std::to_string(view.ndim) + " dimensions");
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

inline AnyMatrix asMatrix(const pybind11::buffer& source)
{
    const pybind11::object held = takeExport(source.ptr(), PyBUF_WRITABLE | PyBUF_FORMAT | PyBUF_STRIDES);
    const Py_buffer& view = exportView(held);
    return {forSampleType(view, "as_matrix", [&](auto sample) {
        using E = typename decltype(sample)::type;
        requireColumnMajor(view);
        E* elements = alignedElements<E>(view, "as_matrix");
        const auto rows = static_cast<size_t>(view.shape[0]);
        const auto columns = static_cast<size_t>(view.shape[1]);
        return pybind11::cast(Quor::Matrix<E>(rows, columns, storageOfExport<E[]>(held, elements)));
    })};
}

inline void registerBufferMatrix(pybind11::module_& m)
{
    m.def("as_matrix", &asMatrix,
          "A quorlibcore matrix sharing the memory of a writable, Fortran-contiguous, two-dimensional buffer of f, "
          "d, Zf or Zd elements.",
          pybind11::arg("buffer"), pybind11::pos_only());
}

}  // namespace quorlib_buffers
