"""Operation results against numpy, for every sample type and every
admissible combination of container kinds."""

import itertools
import zlib

import numpy as np
import pytest

import quorlibcore as q
from operations_support import (
    COMPLEX_LETTERS,
    DTYPE,
    KINDS,
    LETTERS,
    as_array,
    assert_close,
    cls,
    column,
    flat,
    is_complex,
    matrix,
    random_values,
    read,
    scalar,
)

PAIRS = list(itertools.product(LETTERS, KINDS, KINDS))
COMPLEX_PAIRS = list(itertools.product(COMPLEX_LETTERS, KINDS, KINDS))
# x holds fewer elements than y, so the untouched tail of y is checked too.
NX, NY = 6, 8


def pair_id(case):
    letter, kx, ky = case
    return f"{kx}{letter}-{ky}{letter}"


@pytest.fixture
def rng(request):
    return np.random.default_rng(zlib.crc32(request.node.name.encode()))


def alpha_of(letter):
    return scalar(letter, 1.5, -0.75)


def wide(letter, values):
    """Values widened so that numpy computes the reference in double precision."""
    return np.asarray(values, dtype=np.complex128 if is_complex(letter) else np.float64)


# ---------------------------------------------------------------------------
# level 1


@pytest.mark.parametrize("letter", LETTERS)
@pytest.mark.parametrize("kind", KINDS)
def test_scale(letter, kind, rng):
    values = random_values(rng, letter, NX)
    x = flat(kind, letter, values)
    before = x.storage()
    alpha = scalar(letter, -0.5, 2.0)
    assert q.scale(alpha, x.obj) is x.obj
    assert_close(letter, x.storage(), x.expected_storage(before, alpha * wide(letter, values)))


@pytest.mark.parametrize("op", ["axpy", "sum", "copy"])
@pytest.mark.parametrize("case", PAIRS, ids=pair_id)
def test_writes_leading_elements_of_y(op, case, rng):
    letter, kx, ky = case
    xv, yv = random_values(rng, letter, NX), random_values(rng, letter, NY)
    x, y = flat(kx, letter, xv), flat(ky, letter, yv)
    x_before, y_before = x.storage(), y.storage()

    if op == "axpy":
        alpha = alpha_of(letter)
        result = q.axpy(alpha, x.obj, y.obj)
        expected = alpha * wide(letter, xv) + yv[:NX]
    elif op == "sum":
        result = q.sum(x.obj, y.obj)
        expected = wide(letter, xv) + yv[:NX]
    else:
        result = q.copy(x.obj, y.obj)
        expected = xv

    assert result is y.obj
    assert_close(letter, y.storage(), y.expected_storage(y_before, expected))
    np.testing.assert_array_equal(x.storage(), x_before)


@pytest.mark.parametrize("case", PAIRS, ids=pair_id)
def test_swap_exchanges_leading_elements(case, rng):
    letter, kx, ky = case
    xv, yv = random_values(rng, letter, NX), random_values(rng, letter, NY)
    x, y = flat(kx, letter, xv), flat(ky, letter, yv)
    x_before, y_before = x.storage(), y.storage()
    assert q.swap(x.obj, y.obj) is None
    np.testing.assert_array_equal(x.storage(), x.expected_storage(x_before, yv[:NX]))
    np.testing.assert_array_equal(y.storage(), y.expected_storage(y_before, xv))


@pytest.mark.parametrize("case", PAIRS, ids=pair_id)
def test_dot(case, rng):
    letter, kx, ky = case
    xv, yv = random_values(rng, letter, NX), random_values(rng, letter, NY)
    x, y = flat(kx, letter, xv), flat(ky, letter, yv)
    y_before = y.storage()
    result = q.dot(x.obj, y.obj)
    assert type(result) is (complex if is_complex(letter) else float)
    assert_close(letter, result, np.sum(wide(letter, xv) * yv[:NX]))
    np.testing.assert_array_equal(y.storage(), y_before)


@pytest.mark.parametrize("case", COMPLEX_PAIRS, ids=pair_id)
def test_hdot_conjugates_the_first_argument(case, rng):
    letter, kx, ky = case
    xv, yv = random_values(rng, letter, NX), random_values(rng, letter, NY)
    x, y = flat(kx, letter, xv), flat(ky, letter, yv)
    result = q.hdot(x.obj, y.obj)
    assert type(result) is complex
    assert_close(letter, result, np.vdot(wide(letter, xv), yv[:NX]))


@pytest.mark.parametrize("letter", COMPLEX_LETTERS)
def test_complex_dot_and_hdot_values(letter):
    vec = cls("vec", letter)

    def of(*values):
        v = vec(len(values))
        for i, value in enumerate(values):
            v[i] = value
        return v

    x, y = of(1 + 1j), of(1 + 1j)
    assert q.dot(x, y) == 2j
    assert q.hdot(x, y) == 2 + 0j
    i, one = of(1j), of(1 + 0j)
    assert q.hdot(i, one) == -1j
    assert q.hdot(one, i) == 1j
    z = of(3 + 4j, -1j)
    assert q.hdot(z, z) == 26 + 0j


@pytest.mark.parametrize("letter", LETTERS)
def test_matrix_takes_part_in_column_major_order(letter):
    m = cls("mat", letter)(2, 2)
    m[0, 0], m[0, 1], m[1, 0], m[1, 1] = 1, 3, 2, 4
    v = cls("vec", letter)(4)
    q.copy(m, v)
    assert [v[i] for i in range(4)] == [1, 2, 3, 4]
    ones = cls("vec", letter)(4)
    for i in range(4):
        ones[i] = 1
    assert q.dot(m, ones) == 10


def test_single_precision_results_are_widened_exactly():
    x, y = q.vecs(1), q.vecs(1)
    x[0], y[0] = 0.1, 1.0
    assert q.dot(x, y) == float(np.float32(0.1))
    c, w = q.vecc(1), q.vecc(1)
    c[0], w[0] = 0.1 + 0.2j, 1.0
    assert q.dot(c, w) == complex(np.complex64(0.1 + 0.2j))


# ---------------------------------------------------------------------------
# matrix-vector product

M, N = 3, 4


@pytest.mark.parametrize("op", ["gemv", "matvec"])
@pytest.mark.parametrize("case", PAIRS, ids=pair_id)
def test_matrix_vector_product(op, case, rng):
    letter, kx, ky = case
    a = random_values(rng, letter, M * N).reshape(M, N)
    xv, yv = random_values(rng, letter, N), random_values(rng, letter, M)
    A = matrix(letter, a)
    x, y = column(kx, letter, xv), column(ky, letter, yv)
    x_before, y_before = x.storage(), y.storage()

    if op == "gemv":
        alpha, beta = alpha_of(letter), scalar(letter, -2.0, 0.5)
        result = q.gemv(alpha, beta, A, x.obj, y.obj)
    else:
        alpha, beta = 1.0, 1.0
        result = q.matvec(A, x.obj, y.obj)

    assert result is y.obj
    expected = alpha * (wide(letter, a) @ xv) + beta * wide(letter, yv)
    assert_close(letter, y.storage(), y.expected_storage(y_before, expected))
    np.testing.assert_array_equal(x.storage(), x_before)
    np.testing.assert_array_equal(as_array(A), a)


@pytest.mark.parametrize("letter", LETTERS)
def test_gemv_with_beta_zero_replaces_y(letter, rng):
    a = random_values(rng, letter, M * N).reshape(M, N)
    xv = random_values(rng, letter, N)
    y = cls("vec", letter)(M)
    for i in range(M):
        y[i] = float("nan")
    q.gemv(scalar(letter, 2.0), scalar(letter, 0.0), matrix(letter, a), flat("vec", letter, xv).obj, y)
    assert_close(letter, read(y), 2 * (wide(letter, a) @ xv))


@pytest.mark.parametrize("letter", LETTERS)
def test_matvec_accumulates(letter, rng):
    a = random_values(rng, letter, M * N).reshape(M, N)
    xv, yv = random_values(rng, letter, N), random_values(rng, letter, M)
    A, x, y = matrix(letter, a), flat("vec", letter, xv).obj, flat("vec", letter, yv).obj
    q.matvec(A, x, y)
    q.matvec(A, x, y)
    assert_close(letter, read(y), 2 * (wide(letter, a) @ xv) + yv)


# ---------------------------------------------------------------------------
# matrix-matrix product


@pytest.mark.parametrize("letter", LETTERS)
def test_gemm(letter, rng):
    a = random_values(rng, letter, 2 * 3).reshape(2, 3)
    x = random_values(rng, letter, 3 * 4).reshape(3, 4)
    y = random_values(rng, letter, 2 * 4).reshape(2, 4)
    A, X, Y = matrix(letter, a), matrix(letter, x), matrix(letter, y)
    alpha, beta = alpha_of(letter), scalar(letter, 0.25, 1.0)
    assert q.gemm(alpha, beta, A, X, Y) is Y
    assert_close(letter, as_array(Y), alpha * (wide(letter, a) @ x) + beta * wide(letter, y))
    np.testing.assert_array_equal(as_array(A), a)
    np.testing.assert_array_equal(as_array(X), x)


@pytest.mark.parametrize("letter", LETTERS)
def test_matmul_accumulates_and_gemm_beta_zero_replaces(letter, rng):
    a = random_values(rng, letter, 3 * 2).reshape(3, 2)
    x = random_values(rng, letter, 2 * 5).reshape(2, 5)
    y = random_values(rng, letter, 3 * 5).reshape(3, 5)
    A, X, Y = matrix(letter, a), matrix(letter, x), matrix(letter, y)
    assert q.matmul(A, X, Y) is Y
    q.matmul(A, X, Y)
    assert_close(letter, as_array(Y), 2 * (wide(letter, a) @ x) + y)

    q.gemm(scalar(letter, -1.0), scalar(letter, 0.0), A, X, Y)
    assert_close(letter, as_array(Y), -(wide(letter, a) @ x))


# ---------------------------------------------------------------------------
# least squares


def lstsq(letter, a, b):
    return np.linalg.lstsq(wide(letter, a), wide(letter, b), rcond=None)[0]


@pytest.mark.parametrize("letter", LETTERS)
@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("power", [0, -1, 1])  # b beyond the range the solver scales into
def test_ls_overdetermined(letter, kind, power, rng):
    m, n = 5, 3
    a = random_values(rng, letter, m * n).reshape(m, n) + 3 * np.eye(m, n, dtype=DTYPE[letter])
    bv = random_values(rng, letter, m)
    scale = 2.0 ** (power * (110 if letter in "sc" else 1000))
    A, b = matrix(letter, a), column(kind, letter, bv * DTYPE[letter](scale))
    before = b.storage()
    assert q.ls(A, b.obj) is None

    solution = lstsq(letter, a, bv)
    got = b.storage() / scale
    tol = dict(rtol=1e-4, atol=1e-4) if letter in "sc" else dict(rtol=1e-10, atol=1e-10)
    np.testing.assert_allclose(got[b.start : b.start + n], solution, **tol)
    residual = wide(letter, bv) - wide(letter, a) @ solution
    tail = got[b.start + n : b.start + m]
    np.testing.assert_allclose(np.sum(np.abs(tail) ** 2), np.sum(np.abs(residual) ** 2), **tol)
    # nothing outside the first max(m, n) elements of b moved
    outside = np.ones(len(before), dtype=bool)
    outside[b.start : b.start + m] = False
    np.testing.assert_array_equal(b.storage()[outside], before[outside])
    # A keeps its shape and holds the factorization
    assert (A.dim(0), A.dim(1)) == (m, n)
    assert not np.array_equal(as_array(A), a)


@pytest.mark.parametrize("letter", LETTERS)
def test_ls_underdetermined_gives_the_minimum_norm_solution(letter, rng):
    m, n = 2, 4
    a = random_values(rng, letter, m * n).reshape(m, n) + 3 * np.eye(m, n, dtype=DTYPE[letter])
    rhs = random_values(rng, letter, m)
    b = cls("vec", letter)(n)
    for i in range(m):
        b[i] = complex(rhs[i]) if is_complex(letter) else float(rhs[i])
    q.ls(matrix(letter, a), b)
    tol = dict(rtol=1e-4, atol=1e-4) if letter in "sc" else dict(rtol=1e-10, atol=1e-10)
    np.testing.assert_allclose(read(b), lstsq(letter, a, rhs), **tol)


@pytest.mark.parametrize("letter", LETTERS)
def test_ls_square_system_is_solved_exactly(letter):
    A = cls("mat", letter)(2, 2)
    A[0, 0], A[0, 1], A[1, 0], A[1, 1] = 2, 1, 1, 3
    b = cls("vec", letter)(2)
    b[0], b[1] = 3, 5
    q.ls(A, b)
    assert_close(letter, read(b), [0.8, 1.4])
