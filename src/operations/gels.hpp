#pragma once
// gels with a workspace kept between calls. LAPACKE's driver asks gels for
// its optimal workspace, allocates it and scans A and b for NaN on every call
// (ls refuses non-finite input itself), which on a small system costs more
// than the solution. Here the size gels asks for is kept for the last shape,
// and the buffer is kept too, per thread and sample type. gels always gets
// exactly the size it asked for: its blocking depends on that size, so its
// results are those of the driver.
#include <complex>
#include <cstddef>
#include <vector>

#include "operations/blas.hpp"

namespace Quor::blas {

template <typename E>
lapack_int gels(int m, int n, E* a, int lda, E* b, int ldb)
{
    struct Workspace {
        int m = -1, n = -1;
        lapack_int size = 0;
        std::vector<E> buffer;
    };
    thread_local Workspace workspace;
    if (workspace.m != m || workspace.n != n) {
        E optimum{};
        const lapack_int info = Routines<E>::gelsWork(LAPACK_COL_MAJOR, 'N', m, n, 1, a, lda, b, ldb, &optimum, -1);
        if (info != 0)
            return info;
        const auto size = static_cast<lapack_int>(std::real(optimum));
        const auto needed = static_cast<size_t>(size > 0 ? size : 1);
        // A buffer far larger than this shape needs is given back.
        if (workspace.buffer.size() < needed || workspace.buffer.size() > 4 * needed + 4096)
            workspace.buffer = std::vector<E>(needed);
        workspace.m = m;
        workspace.n = n;
        workspace.size = size;
    }
    return Routines<E>::gelsWork(LAPACK_COL_MAJOR, 'N', m, n, 1, a, lda, b, ldb, workspace.buffer.data(),
                                 workspace.size);
}

}  // namespace Quor::blas
