#pragma once
// What every operation needs from BLAS and LAPACKE: the routine of each family
// for a sample type, the way a scalar crosses the C interface (real scalars by
// value, complex ones by address), and the checks that keep a call inside the
// containers' storage and inside BLAS's integer range.
#include <algorithm>
#include <climits>
#include <complex>
#include <cstddef>
#include <stdexcept>
#include <string>

#include <cblas.h>
// LAPACKE takes complex arrays as std::complex when told so before inclusion.
#define lapack_complex_float std::complex<float>
#define lapack_complex_double std::complex<double>
#include <lapacke.h>

#include "types/Traits.hpp"

namespace Quor::blas {

// The library's symbols carry the prefix scipy_, so that it can share a
// process with other BLAS builds; this table is the only place naming them.
template <typename E> struct Routines;

// Dot products: real routines return the result, complex ones write it
// through the address of a local.
template <typename E, auto dotRoutine>
struct RealProducts {
    static E dot(int n, const E* x, const E* y) { return dotRoutine(n, x, 1, y, 1); }
};

template <typename E, auto dotuRoutine, auto dotcRoutine>
struct ComplexProducts {
    static E dot(int n, const E* x, const E* y) { return product<dotuRoutine>(n, x, y); }
    static E hdot(int n, const E* x, const E* y) { return product<dotcRoutine>(n, x, y); }

private:
    template <auto routine>
    static E product(int n, const E* x, const E* y)
    {
        E result{};
        routine(n, x, 1, y, 1, &result);
        return result;
    }
};

template <> struct Routines<float> : RealProducts<float, scipy_cblas_sdot> {
    static constexpr auto scal = scipy_cblas_sscal;
    static constexpr auto axpy = scipy_cblas_saxpy;
    static constexpr auto swap = scipy_cblas_sswap;
    static constexpr auto copy = scipy_cblas_scopy;
    static constexpr auto gemv = scipy_cblas_sgemv;
    static constexpr auto gemm = scipy_cblas_sgemm;
    static constexpr auto gelsWork = scipy_LAPACKE_sgels_work;
    static constexpr auto geqrfWork = scipy_LAPACKE_sgeqrf_work;
    static constexpr auto gelqfWork = scipy_LAPACKE_sgelqf_work;
    static constexpr auto applyQrWork = scipy_LAPACKE_sormqr_work;
    static constexpr auto applyLqWork = scipy_LAPACKE_sormlq_work;
    static constexpr auto trtrsWork = scipy_LAPACKE_strtrs_work;
};

template <> struct Routines<double> : RealProducts<double, scipy_cblas_ddot> {
    static constexpr auto scal = scipy_cblas_dscal;
    static constexpr auto axpy = scipy_cblas_daxpy;
    static constexpr auto swap = scipy_cblas_dswap;
    static constexpr auto copy = scipy_cblas_dcopy;
    static constexpr auto gemv = scipy_cblas_dgemv;
    static constexpr auto gemm = scipy_cblas_dgemm;
    static constexpr auto gelsWork = scipy_LAPACKE_dgels_work;
    static constexpr auto geqrfWork = scipy_LAPACKE_dgeqrf_work;
    static constexpr auto gelqfWork = scipy_LAPACKE_dgelqf_work;
    static constexpr auto applyQrWork = scipy_LAPACKE_dormqr_work;
    static constexpr auto applyLqWork = scipy_LAPACKE_dormlq_work;
    static constexpr auto trtrsWork = scipy_LAPACKE_dtrtrs_work;
};

template <>
struct Routines<std::complex<float>>
    : ComplexProducts<std::complex<float>, scipy_cblas_cdotu_sub, scipy_cblas_cdotc_sub> {
    static constexpr auto scal = scipy_cblas_cscal;
    static constexpr auto axpy = scipy_cblas_caxpy;
    static constexpr auto swap = scipy_cblas_cswap;
    static constexpr auto copy = scipy_cblas_ccopy;
    static constexpr auto gemv = scipy_cblas_cgemv;
    static constexpr auto gemm = scipy_cblas_cgemm;
    static constexpr auto gelsWork = scipy_LAPACKE_cgels_work;
    static constexpr auto geqrfWork = scipy_LAPACKE_cgeqrf_work;
    static constexpr auto gelqfWork = scipy_LAPACKE_cgelqf_work;
    static constexpr auto applyQrWork = scipy_LAPACKE_cunmqr_work;
    static constexpr auto applyLqWork = scipy_LAPACKE_cunmlq_work;
    static constexpr auto trtrsWork = scipy_LAPACKE_ctrtrs_work;
};

template <>
struct Routines<std::complex<double>>
    : ComplexProducts<std::complex<double>, scipy_cblas_zdotu_sub, scipy_cblas_zdotc_sub> {
    static constexpr auto scal = scipy_cblas_zscal;
    static constexpr auto axpy = scipy_cblas_zaxpy;
    static constexpr auto swap = scipy_cblas_zswap;
    static constexpr auto copy = scipy_cblas_zcopy;
    static constexpr auto gemv = scipy_cblas_zgemv;
    static constexpr auto gemm = scipy_cblas_zgemm;
    static constexpr auto gelsWork = scipy_LAPACKE_zgels_work;
    static constexpr auto geqrfWork = scipy_LAPACKE_zgeqrf_work;
    static constexpr auto gelqfWork = scipy_LAPACKE_zgelqf_work;
    static constexpr auto applyQrWork = scipy_LAPACKE_zunmqr_work;
    static constexpr auto applyLqWork = scipy_LAPACKE_zunmlq_work;
    static constexpr auto trtrsWork = scipy_LAPACKE_ztrtrs_work;
};

// Real scalars go by value; complex ones by the address of a local copy,
// which must outlive the call: callers keep the local and pass `arg(local)`.
template <typename E> auto arg(const E& value)
{
    if constexpr (isComplex<E>)
        return static_cast<const void*>(&value);
    else
        return value;
}

// Sizes cross the C interface as int; larger ones are refused, never truncated.
inline int toInt(size_t value, const char* operation, const char* what)
{
    if (value > static_cast<size_t>(INT_MAX))
        throw std::runtime_error(std::string(operation) + ": " + what + " " + std::to_string(value)
                                 + " exceeds the largest BLAS integer " + std::to_string(INT_MAX));
    return static_cast<int>(value);
}

// BLAS requires a leading dimension of at least 1, also for an empty matrix.
inline int leadingDimension(size_t rows, const char* operation)
{
    return toInt(std::max<size_t>(1, rows), operation, "leading dimension");
}

// Level-1 routines read or write as many elements of the second container as
// the first one holds.
template <typename T, typename S>
void requireCapacity(const T& x, const S& y, const char* operation)
{
    if (y.numel() < x.numel())
        throw std::runtime_error(std::string(operation) + ": the second container holds "
                                 + std::to_string(y.numel()) + " elements, fewer than the "
                                 + std::to_string(x.numel()) + " of the first");
}

}  // namespace Quor::blas
