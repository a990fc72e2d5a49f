#pragma once
// gels with a workspace kept between calls. LAPACKE's driver asks gels for
// its optimal workspace, allocates it and scans A and b for NaN on every call
// (ls refuses non-finite input itself), which on a small system costs more
// than the solution. Here the size gels asks for is kept for the last shape,
// and the buffer is kept too, per thread and sample type. gels always gets
// exactly the size it asked for: its blocking depends on that size, so its
// results are those of the driver.
#include <algorithm>
#include <complex>
#include <cstddef>
#include <vector>

#include "operations/blas.hpp"

namespace Quor::blas {

// What gels does for a system it does not scale (A's largest modulus within
// [safe minimum / precision, its inverse], and b's zero or within it too):
// factor A, apply the factor's orthogonal part and solve with its triangle.
// gels measures both largest moduli with a norm routine that tests each
// element for NaN through a function call, which on a tall system costs more
// than the factorization; ls knows them from its own pass. The calls, their
// order and their workspaces are those gels makes, so are the results.
template <typename E>
lapack_int factorAndSolve(int m, int n, E* a, int lda, E* b, int ldb, E* work, lapack_int lwork)
{
    using R = Routines<E>;
    constexpr char adjoint = isComplex<E> ? 'C' : 'T';
    const int mn = std::min(m, n);
    E* tau = work;
    E* rest = work + mn;
    const lapack_int restSize = lwork - mn;
    lapack_int info = 0;
    if (m >= n) {
        if ((info = R::geqrfWork(LAPACK_COL_MAJOR, m, n, a, lda, tau, rest, restSize)) != 0
            || (info = R::applyQrWork(LAPACK_COL_MAJOR, 'L', adjoint, m, 1, n, a, lda, tau, b, ldb, rest,
                                      restSize)) != 0)
            return info;
        return R::trtrsWork(LAPACK_COL_MAJOR, 'U', 'N', 'N', n, 1, a, lda, b, ldb);
    }
    if ((info = R::gelqfWork(LAPACK_COL_MAJOR, m, n, a, lda, tau, rest, restSize)) != 0
        || (info = R::trtrsWork(LAPACK_COL_MAJOR, 'L', 'N', 'N', m, 1, a, lda, b, ldb)) != 0)
        return info;
    std::fill(b + m, b + n, E{});
    return R::applyLqWork(LAPACK_COL_MAJOR, 'L', adjoint, n, 1, m, a, lda, tau, b, ldb, rest, restSize);
}

// `unscaled`: the caller found that gels would not scale A or b.
template <typename E>
lapack_int gels(int m, int n, E* a, int lda, E* b, int ldb, bool unscaled = false)
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
    if (unscaled && m > 0 && n > 0)
        return factorAndSolve(m, n, a, lda, b, ldb, workspace.buffer.data(), workspace.size);
    return Routines<E>::gelsWork(LAPACK_COL_MAJOR, 'N', m, n, 1, a, lda, b, ldb, workspace.buffer.data(),
                                 workspace.size);
}

}  // namespace Quor::blas
