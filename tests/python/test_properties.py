"""Randomised checks: every operation against numpy, element access and
slicing against plain Python lists, and the text form against a formatter
written from the printing rules."""

import functools
import random
import re
import struct

import numpy as np
import pytest
from hypothesis import HealthCheck, example, given, note, settings
from hypothesis import strategies as st
from hypothesis.stateful import RuleBasedStateMachine, initialize, invariant, rule

import quorlibcore as q
from container_support import (
    COMPLEX_LETTERS,
    KINDS,
    LETTERS,
    cls,
    expected_matrix_text,
    expected_vector_text,
    filler,
    is_complex,
    read_flat,
    snapshot,
    write_flat,
)
from operations_support import DTYPE, WIDE, assert_within, error_bound, least_squares_bounds

# The number of examples comes from the profile that conftest loads.
PROPERTY = settings(deadline=None, suppress_health_check=[HealthCheck.too_slow])

# Largest scalar magnitude drawn: big enough to exercise the exponent range,
# small enough that products with elements of magnitude <= 100 stay finite.
HUGE = {"s": 1e30, "c": 1e30, "d": 1e290, "z": 1e290}


def rounded(letter, value):
    """value as the container stores it, widened back to Python precision."""
    with np.errstate(all="ignore"):
        stored = DTYPE[letter](value)
    return complex(stored) if is_complex(letter) else float(stored)


# ---------------------------------------------------------------------------
# Strategies


@functools.cache  # building a float strategy is costly; reuse them
def reals(letter, bound=100.0):
    width = 32 if letter in ("s", "c") else 64
    return st.floats(-bound, bound, allow_nan=False, allow_infinity=False, width=width)


def _to_complex(parts):
    return complex(*parts)


def complexes(parts):
    # tuples().map() rather than builds(): builds re-validates on every draw
    return st.tuples(parts, parts).map(_to_complex)


@functools.cache
def elements(letter, bound=100.0):
    r = reals(letter, bound)
    return complexes(r) if is_complex(letter) else r


@functools.cache
def scalars(letter):
    huge = HUGE[letter]
    real = st.one_of(
        st.sampled_from([0.0, -0.0, 1.0, -1.0, 2.0, -0.5, huge, -huge]),
        st.floats(-1e3, 1e3, allow_nan=False),
        st.floats(-huge, huge, allow_nan=False),
    )
    ints = st.integers(-1000, 1000)  # accepted through the converting pass
    if is_complex(letter):
        return st.one_of(complexes(real), real, ints)
    return st.one_of(real, ints)


def _uniform(rng, letter, bound):
    value = rng.uniform(-bound, bound)
    if letter in ("s", "c"):
        value = struct.unpack("<f", struct.pack("<f", value))[0]
    return value


@st.composite
def value_lists(draw, letter, n, values=None, bound=100.0):
    """n element values. Long lists draw eight values and fill the rest from a
    seeded generator, mixing repeats of those eight with uniform values:
    drawing every float through hypothesis costs too much time."""
    if values is not None or n <= 8:
        strategy = elements(letter, bound) if values is None else values
        return draw(st.lists(strategy, min_size=n, max_size=n))
    head = draw(st.lists(elements(letter, bound), min_size=8, max_size=8))
    rng = random.Random(draw(st.integers(0, 2**32 - 1), label="seed"))
    out = list(head)
    for _ in range(n - 8):
        if rng.random() < 0.3:
            out.append(rng.choice(head))
        elif is_complex(letter):
            out.append(complex(_uniform(rng, letter, bound), _uniform(rng, letter, bound)))
        else:
            out.append(_uniform(rng, letter, bound))
    rng.shuffle(out)
    return out


class Handle:
    """A container under test, with the parent vector of a view when one is kept."""

    def __init__(self, obj, letter, written, parent=None, offset=0):
        self.obj = obj
        self.letter = letter
        self.written = written
        self.parent = parent
        self.offset = offset
        self.parent_before = read_flat(parent) if parent is not None else None
        self.before = snapshot(obj)

    @property
    def kind(self):
        return type(self.obj).__name__[:-1]

    def values(self):
        return np.array(read_flat(self.obj), dtype=WIDE[self.letter])

    def unchanged(self):
        return snapshot(self.obj) == self.before

    def check_parent(self):
        """Outside the window the parent is untouched; inside it reads what the view reads."""
        if self.parent is None:
            return
        now = read_flat(self.parent)
        n = self.obj.numel()
        assert now[self.offset : self.offset + n] == read_flat(self.obj)
        assert now[: self.offset] == self.parent_before[: self.offset]
        assert now[self.offset + n :] == self.parent_before[self.offset + n :]

    def __repr__(self):  # shown for each draw of a failing example
        return f"{self.describe()} holding {self.written}"

    def describe(self):
        if self.kind == "mat":
            return f"{type(self.obj).__name__}({self.obj.dim(0)}, {self.obj.dim(1)})"
        where = f" at offset {self.offset} of a kept parent" if self.parent is not None else ""
        return f"{type(self.obj).__name__} of {self.obj.numel()}{where}"


def _split(draw, total, parts):
    out = []
    for _ in range(parts - 1):
        k = draw(st.integers(0, total))
        out.append(k)
        total -= k
    return out + [total]


@st.composite
def containers(draw, letter, n, kinds=KINDS, values=None):
    """A container of `letter` holding n elements in storage order."""
    kind = draw(st.sampled_from(kinds))
    written = draw(value_lists(letter, n, values))
    if kind == "vec":
        return vector_handle(letter, written)
    if kind == "mat":
        if n == 0:
            rows, cols = draw(st.sampled_from([(0, 0), (0, 3), (3, 0), (0, 1), (1, 0)]))
        else:
            rows = draw(st.sampled_from([d for d in range(1, n + 1) if n % d == 0]))
            cols = n // rows
        return matrix_handle(letter, rows, cols, written)
    # A view, possibly a view of a view of a view, whose offsets compose.
    before, after = draw(st.integers(0, 4)), draw(st.integers(0, 4))
    depth = draw(st.integers(1, 3))
    fronts, backs = _split(draw, before, depth), _split(draw, after, depth)
    parent = cls("vec", letter)(before + n + after)
    write_flat(parent, [filler(letter, k, 7.0) for k in range(before + n + after)])
    obj = parent
    for front, back in zip(fronts, backs):
        length = obj.numel()
        if back == 0:
            stop = draw(st.sampled_from([None, length, length + 5]))
        else:
            stop = draw(st.sampled_from([length - back, -back]))
        if front == 0:
            start = draw(st.sampled_from([None, 0, -length - 3]))
        else:  # counted from either end
            start = draw(st.sampled_from([front, front - length])) if front < length else front
        obj = obj[start:stop]
    assert obj.numel() == n
    write_flat(obj, written)
    if draw(st.booleans()):
        return Handle(obj, letter, written, parent, before)
    del parent  # the view keeps the storage alive on its own
    return Handle(obj, letter, written)


def matrix_handle(letter, rows, cols, written):
    obj = cls("mat", letter)(rows, cols)
    write_flat(obj, written)
    return Handle(obj, letter, written)


def vector_handle(letter, written):
    obj = cls("vec", letter)(len(written))
    write_flat(obj, written)
    return Handle(obj, letter, written)


class Drawn:
    """st.data() for an @example: answers the draws in order, calling builders afresh."""

    def __init__(self, *answers):
        self.answers = list(answers)

    def draw(self, strategy, label=None):
        answer = self.answers.pop(0)
        return answer() if callable(answer) else answer


@st.composite
def matrices(draw, letter, rows, cols, values=None):
    written = draw(value_lists(letter, rows * cols, values))
    return matrix_handle(letter, rows, cols, written)


@st.composite
def operands(draw, letter, length, min_cols=1):
    """x or y of a matrix-vector product: `length` elements, or a matrix of `length` rows."""
    if draw(st.booleans()):
        return draw(containers(letter, length, kinds=("vec", "view")))
    return draw(matrices(letter, length, draw(st.integers(min_cols, 3))))


def scalar_value(letter, alpha):
    return WIDE[letter](rounded(letter, alpha))


LETTER = st.sampled_from(LETTERS)
COMPLEX_LETTER = st.sampled_from(COMPLEX_LETTERS)
LENGTH = st.integers(0, 40)


# ---------------------------------------------------------------------------
# Level-1 operations


@PROPERTY
@given(data=st.data(), letter=LETTER, n=LENGTH)
def test_scale_multiplies_every_element(data, letter, n):
    x = data.draw(containers(letter, n), label="x")
    alpha = data.draw(scalars(letter), label="alpha")
    note(x.describe())
    before = x.values()
    a = scalar_value(letter, alpha)
    assert q.scale(alpha, x.obj) is x.obj
    assert_within(x.values(), a * before, error_bound(letter, abs(a) * np.abs(before), 1, (a, before)))
    x.check_parent()


@PROPERTY
@given(data=st.data(), letter=LETTER, n=LENGTH, extra=st.integers(0, 4), op=st.sampled_from(["axpy", "sum"]))
def test_axpy_and_sum_update_the_leading_elements_of_y(data, letter, n, extra, op):
    x = data.draw(containers(letter, n), label="x")
    y = data.draw(containers(letter, n + extra), label="y")
    note(f"x: {x.describe()}, y: {y.describe()}")
    xv, yv = x.values(), y.values()
    if op == "axpy":
        alpha = data.draw(scalars(letter), label="alpha")
        a = scalar_value(letter, alpha)
        assert q.axpy(alpha, x.obj, y.obj) is y.obj
        expected = yv.copy()
        expected[:n] = a * xv + yv[:n]
        bound = np.abs(yv)
        bound[:n] += abs(a) * np.abs(xv)
        assert_within(y.values(), expected, error_bound(letter, bound, 2, (a, xv)))
    else:
        assert q.sum(x.obj, y.obj) is y.obj
        expected = yv.copy()
        # adding with the constant one rounds exactly as a plain sum does
        expected[:n] = (xv.astype(DTYPE[letter]) + yv[:n].astype(DTYPE[letter])).astype(WIDE[letter])
        np.testing.assert_array_equal(y.values(), expected)
    np.testing.assert_array_equal(y.values()[n:], yv[n:])
    assert x.unchanged()
    x.check_parent()
    y.check_parent()


@PROPERTY
@given(data=st.data(), letter=LETTER, n=LENGTH, extra=st.integers(0, 4), op=st.sampled_from(["copy", "swap"]))
def test_copy_and_swap_move_exact_values(data, letter, n, extra, op):
    x = data.draw(containers(letter, n), label="x")
    y = data.draw(containers(letter, n + extra), label="y")
    note(f"x: {x.describe()}, y: {y.describe()}")
    xs, ys = read_flat(x.obj), read_flat(y.obj)
    if op == "copy":
        assert q.copy(x.obj, y.obj) is y.obj
        assert read_flat(x.obj) == xs
    else:
        assert q.swap(x.obj, y.obj) is None
        assert read_flat(x.obj) == ys[:n]
    assert read_flat(y.obj) == xs + ys[n:]
    x.check_parent()
    y.check_parent()


@PROPERTY
@given(data=st.data(), n=LENGTH, extra=st.integers(0, 4), op=st.sampled_from(["dot", "hdot"]))
def test_dot_products(data, n, extra, op):
    letter = data.draw(COMPLEX_LETTER if op == "hdot" else LETTER, label="letter")
    x = data.draw(containers(letter, n), label="x")
    y = data.draw(containers(letter, n + extra), label="y")
    note(f"x: {x.describe()}, y: {y.describe()}")
    xv, yv = x.values(), y.values()[:n]
    result = getattr(q, op)(x.obj, y.obj)
    assert type(result) is (complex if is_complex(letter) else float)
    expected = np.sum((np.conj(xv) if op == "hdot" else xv) * yv)
    bound = np.sum(np.abs(xv) * np.abs(yv))
    assert_within([result], [expected], error_bound(letter, [bound], n, (xv, yv)))
    assert x.unchanged() and y.unchanged()


@PROPERTY
@given(
    data=st.data(),
    n=st.integers(1, 40),
    op=st.sampled_from(["axpy", "sum", "copy", "swap", "dot", "hdot"]),
)
def test_level1_refuses_a_second_container_shorter_than_the_first(data, n, op):
    letter = data.draw(COMPLEX_LETTER if op == "hdot" else LETTER, label="letter")
    x = data.draw(containers(letter, n), label="x")
    y = data.draw(containers(letter, data.draw(st.integers(0, n - 1), label="len(y)")), label="y")
    note(f"x: {x.describe()}, y: {y.describe()}")
    args = ([1.5] if op == "axpy" else []) + [x.obj, y.obj]
    with pytest.raises(RuntimeError):
        getattr(q, op)(*args)
    assert x.unchanged() and y.unchanged()
    x.check_parent()
    y.check_parent()


@PROPERTY
@given(
    data=st.data(),
    letter=st.sampled_from(["s", "d"]),
    n=st.integers(0, 10),
    alpha=st.sampled_from([float("inf"), float("-inf"), float("nan"), 1e39, -1e39, 1e300, -1e300]),
    op=st.sampled_from(["scale", "axpy"]),
)
def test_overflowing_and_non_finite_scalars_follow_ieee_arithmetic(data, letter, n, alpha, op):
    small = st.sampled_from([0.0, -0.0, 1.0, -2.5, 3e-38, 1e38, 100.0])
    x = data.draw(containers(letter, n, values=small), label="x")
    xv = x.values().astype(DTYPE[letter])
    with np.errstate(all="ignore"):
        a = DTYPE[letter](alpha)
        if op == "scale":
            q.scale(alpha, x.obj)
            got, expected = x.values(), a * xv
        else:
            y = data.draw(containers(letter, n, values=small), label="y")
            yv = y.values().astype(DTYPE[letter])
            q.axpy(alpha, x.obj, y.obj)
            got, expected = y.values(), a * xv + yv
    expected = expected.astype(np.float64)
    # The kernel may fuse a multiply and an add, rounding once where numpy
    # rounds twice: finite sums agree to that rounding, the rest exactly.
    close = np.isfinite(expected) if op == "axpy" else np.zeros(n, bool)
    np.testing.assert_array_equal(got[~close], expected[~close])
    np.testing.assert_allclose(got[close], expected[close], rtol=2 * np.finfo(DTYPE[letter]).eps, atol=0)


NAN, INF = float("nan"), float("inf")
# Specials at the start, in the middle and at the end: vector kernels treat
# positions differently.
IEEE_VALUES = [NAN, 1.0, -2.5, INF, 0.0, 4.0, -INF, 1.5, -0.0, 2.0, 3.0, NAN, 1.0, -1.0, 5.0, 0.5, 2.5, INF]
IEEE_COMPLEX_VALUES = [complex(1.0, NAN), complex(-INF, 2.0), complex(0.0, -INF)]


@pytest.mark.parametrize(
    "letter, path, factor",
    [(letter, path, factor) for letter in LETTERS
     for path, factor in [("scale", 0.0), ("scale", -0.0), ("scale", NAN), ("gemv", NAN), ("gemm", NAN)]]
    + [(letter, path, complex(NAN, 1.0)) for letter in COMPLEX_LETTERS for path in ("scale", "gemm")],
)
def test_scaling_follows_ieee_arithmetic(letter, path, factor):
    """0 * NaN and 0 * inf are NaN, NaN * x is NaN, on every path that scales
    (beta of the products with an empty inner dimension included)."""
    values = IEEE_VALUES + (IEEE_COMPLEX_VALUES if is_complex(letter) else [])
    n = len(values)
    if path == "gemm":
        target = cls("mat", letter)(3, n // 3)
        write_flat(target, values)
        q.gemm(1.0, factor, cls("mat", letter)(3, 0), cls("mat", letter)(0, n // 3), target)
    else:
        target = cls("vec", letter)(n)
        write_flat(target, values)
        if path == "gemv":
            q.gemv(1.0, factor, cls("mat", letter)(n, 0), cls("vec", letter)(0), target)
        else:
            q.scale(factor, target)
    with np.errstate(all="ignore"):
        expected = DTYPE[letter](factor) * np.array(values, dtype=DTYPE[letter])
    np.testing.assert_array_equal(np.array(read_flat(target), dtype=DTYPE[letter]), expected)


# ---------------------------------------------------------------------------
# Matrix-vector and matrix-matrix products


def likely(value, low=0, high=6):
    """Mostly `value`, sometimes any size: the shapes fit in most examples."""
    return st.one_of(st.just(value), st.just(value), st.integers(low, high))


@PROPERTY
@given(data=st.data(), letter=LETTER, m=st.integers(0, 6), n=st.integers(0, 6), op=st.sampled_from(["gemv", "matvec"]))
# A x is subnormal and rounds differently before and after alpha scales it.
@example(  # draws: A, len(x), x, len(y), y, alpha, beta
    data=Drawn(lambda: matrix_handle("d", 5, 1, [1.0, -2.5, 0.5, -5.95884314084e-312, 3.0]), 1,
               lambda: vector_handle("d", [-93.28875075027061]), 5, lambda: vector_handle("d", [0.0] * 5),
               1.4238580581894554e20, 0.0),
    letter="d", m=5, n=1, op="gemv")
def test_matrix_vector_product(data, letter, m, n, op):
    A = data.draw(matrices(letter, m, n), label="A")
    x = data.draw(operands(letter, data.draw(likely(n), label="len(x)"), min_cols=0), label="x")
    y = data.draw(operands(letter, data.draw(likely(m), label="len(y)"), min_cols=0), label="y")
    if op == "gemv":
        alpha, beta = data.draw(scalars(letter), label="alpha"), data.draw(scalars(letter), label="beta")
        args = (alpha, beta, A.obj, x.obj, y.obj)
        a, b = scalar_value(letter, alpha), scalar_value(letter, beta)
    else:
        args = (A.obj, x.obj, y.obj)
        a = b = WIDE[letter](1)
    note(f"A: {A.describe()}, x: {x.describe()}, y: {y.describe()}")
    xlen, ylen = x.obj.dim(0), y.obj.dim(0)
    if xlen != n:
        message = f"In gemv expression y = aAx + by, matrix A dimension 1: {n}, doesn't match vector x dimension 0: {xlen}"
    elif ylen != m:
        message = f"In gemv expression y = aAx + by, matrix A dimension 0: {m}, doesn't match vector y dimension 0: {ylen}"
    else:
        message = None
    if message is not None or x.obj.numel() < n or y.obj.numel() < m:
        # A matrix x or y without a column has no room for the vector it stands for.
        with pytest.raises(RuntimeError) as info:
            getattr(q, op)(*args)
        if message is not None:
            assert str(info.value) == message
        assert A.unchanged() and x.unchanged() and y.unchanged()
        return
    Av = A.values().reshape((m, n), order="F")
    xv, yv = x.values()[:n], y.values()
    assert getattr(q, op)(*args) is y.obj
    expected = yv.copy()
    expected[:m] = a * (Av @ xv) + (b * yv[:m] if b != 0 else 0)
    bound = np.zeros(len(yv))
    bound[:m] += abs(a) * (np.abs(Av) @ np.abs(xv)) + abs(b) * np.abs(yv[:m])
    assert_within(y.values(), expected, error_bound(letter, bound, n + 1, (a, Av, xv)))
    np.testing.assert_array_equal(y.values()[m:], yv[m:])
    assert A.unchanged() and x.unchanged()
    y.check_parent()


@PROPERTY
@given(data=st.data(), letter=LETTER, m=st.integers(0, 5), k=st.integers(0, 5), n=st.integers(0, 5), op=st.sampled_from(["gemm", "matmul"]))
def test_matrix_matrix_product(data, letter, m, k, n, op):
    A = data.draw(matrices(letter, m, k), label="A")
    X = data.draw(matrices(letter, data.draw(likely(k, high=5)), data.draw(likely(n, high=5))), label="X")
    Y = data.draw(matrices(letter, data.draw(likely(m, high=5)), data.draw(likely(n, high=5))), label="Y")
    if op == "gemm":
        alpha, beta = data.draw(scalars(letter), label="alpha"), data.draw(scalars(letter), label="beta")
        args = (alpha, beta, A.obj, X.obj, Y.obj)
        a, b = scalar_value(letter, alpha), scalar_value(letter, beta)
    else:
        args = (A.obj, X.obj, Y.obj)
        a = b = WIDE[letter](1)
    note(f"A: {A.describe()}, X: {X.describe()}, Y: {Y.describe()}")
    (xr, xc), (yr, yc) = (X.obj.dim(0), X.obj.dim(1)), (Y.obj.dim(0), Y.obj.dim(1))
    message = None
    if m != yr:
        message = f"In gemm expression Y = aAX + bY, matrix A dimension 0: {m}, doesn't match matrix Y dimension 0: {yr}"
    elif xc != yc:
        message = f"In gemv expression Y = aAX + bY, matrix X dimension 1: {xc}, doesn't match matrix Y dimension 1: {yc}"
    elif k != xr:
        message = f"In gemv expression Y = aAX + bY, matrix A dimension 1: {k}, doesn't match matrix X dimension 0: {xr}"
    if message is not None:
        with pytest.raises(RuntimeError, match="^" + re.escape(message) + "$"):
            getattr(q, op)(*args)
        assert A.unchanged() and X.unchanged() and Y.unchanged()
        return
    n = yc  # the column counts agree, whatever was drawn
    Av = A.values().reshape((m, k), order="F")
    Xv = X.values().reshape((k, n), order="F")
    Yv = Y.values().reshape((m, n), order="F")
    assert getattr(q, op)(*args) is Y.obj
    expected = a * (Av @ Xv) + (b * Yv if b != 0 else 0)
    bound = abs(a) * (np.abs(Av) @ np.abs(Xv)) + abs(b) * np.abs(Yv)
    allowed = error_bound(letter, bound.reshape(-1, order="F"), k + 1, (a, Av, Xv))
    assert_within(Y.values(), expected.reshape(-1, order="F"), allowed)
    assert A.unchanged() and X.unchanged()


# ---------------------------------------------------------------------------
# Least squares


@PROPERTY
@given(data=st.data(), letter=LETTER, m=st.integers(0, 6), n=st.integers(0, 6), extra=st.integers(-2, 3))
# b so small that x or the residual underflows
@example(Drawn(lambda: matrix_handle("s", 1, 1, [0.0]), lambda: vector_handle("s", [1e-45])), "s", 1, 1, 0)
@example(Drawn(lambda: matrix_handle("s", 2, 1, [0.0, 0.0]), lambda: vector_handle("s", [0.0, 1e-45])), "s", 2, 1, 0)
def test_least_squares_on_well_conditioned_full_rank_matrices(data, letter, m, n, extra):
    # Off-diagonal entries of magnitude <= 1 and a dominant leading diagonal
    # give full rank min(m, n) and a small condition number.
    A = data.draw(matrices(letter, m, n, values=elements(letter, 1.0)), label="A")
    for i in range(min(m, n)):
        A.obj[i, i] = A.obj[i, i] + 2 * (m + n)
    A.before = snapshot(A.obj)
    length = max(m, n)
    b = data.draw(containers(letter, max(0, length + extra), values=elements(letter, 10.0)), label="b")
    note(f"A: {A.describe()}, b: {b.describe()}")
    Av = A.values().reshape((m, n), order="F")
    bv = b.values()
    if b.obj.numel() < length:
        with pytest.raises(RuntimeError):
            q.ls(A.obj, b.obj)
        assert A.unchanged() and b.unchanged()
        return
    assert q.ls(A.obj, b.obj) is None
    assert (A.obj.dim(0), A.obj.dim(1)) == (m, n)
    got = b.values()
    np.testing.assert_array_equal(got[length:], bv[length:])
    b.check_parent()
    if n == 0:
        assert b.unchanged()
        return
    # What a backward stable solver guarantees, not one solver's digits: x
    # meets the normal equations, lies in the row space of A (so it is the
    # minimum-norm solution when m < n), and for m > n the elements after x
    # carry the norm of its residual.
    x, rhs = got[:n], bv[:m]
    r = rhs - Av @ x
    norm_a, norm_x = np.linalg.norm(Av), np.linalg.norm(x)
    tol, floor = least_squares_bounds(letter, m, n, norm_a)
    allowed = tol * (norm_a * norm_x + np.linalg.norm(rhs)) + floor
    assert np.linalg.norm(Av.conj().T @ r) <= norm_a * allowed
    sv, vh = np.linalg.svd(Av)[1:]
    sigma = sv[-1] if sv.size else 1.0
    assert np.linalg.norm(vh[m:] @ x) <= tol * (1 + norm_a / sigma) * norm_x + floor / sigma
    if m > n:
        assert abs(np.linalg.norm(got[n:m]) - np.linalg.norm(r)) <= allowed


# ---------------------------------------------------------------------------
# Element access, rounding and the text form


@functools.cache
def any_value(letter):
    width = 32 if letter in ("s", "c") else 64
    r = st.one_of(st.floats(width=width), st.floats(width=64), st.integers(-(2**70), 2**70))
    return st.one_of(complexes(r), r) if is_complex(letter) else r


def same_bits(a, b):
    return snapshot_value(a) == snapshot_value(b)


def snapshot_value(v):
    v = complex(v)
    parts = (v.real, v.imag)
    return tuple(("nan", np.signbit(p)) if p != p else (p, np.signbit(p)) for p in parts)


@PROPERTY
@given(data=st.data(), letter=LETTER, kind=st.sampled_from(KINDS))
def test_written_values_read_back_rounded_to_the_sample_type(data, letter, kind):
    c = data.draw(containers(letter, data.draw(st.integers(1, 6)), kinds=(kind,)), label="container")
    keys = [(i, j) for j in range(c.obj.dim(1)) for i in range(c.obj.dim(0))] if kind == "mat" else list(range(c.obj.numel()))
    key = data.draw(st.sampled_from(keys), label="position")
    value = data.draw(any_value(letter), label="value")
    c.obj[key] = value
    got = c.obj[key]
    assert type(got) is (complex if is_complex(letter) else float)
    assert same_bits(got, rounded(letter, value))


def _matrix_error(rows, cols, i, j):
    numel = rows * cols
    loc = (i + j * rows) % 2**64
    if loc >= numel:
        return f"requested array index {loc}exceeds max number of elements {numel}"
    if i >= rows:
        return f"index for dimension 0{i}exceeds max number of elements for that dimension {rows}"
    if j >= cols:
        return f"index for dimension 1{j}exceeds max number of elements for that dimension {cols}"
    return None


INDEX = st.one_of(
    st.integers(0, 8),
    st.sampled_from([2**62, 2**63, 2**64 - 1, 2**32, 2**63 + 1]),
    st.integers(0, 2**64 - 1),
)


@PROPERTY
@given(letter=LETTER, rows=st.integers(0, 5), cols=st.integers(0, 5), i=INDEX, j=INDEX)
def test_matrix_positions_are_checked_in_order(letter, rows, cols, i, j):
    m = cls("mat", letter)(rows, cols)
    value = 3.5
    message = _matrix_error(rows, cols, i, j)
    if message is None:
        m[i, j] = value
        assert m[i, j] == value
        storage = cls("vec", letter)(rows * cols)
        q.copy(m, storage)
        flat = read_flat(storage)
        assert flat[i + j * rows] == value
        assert flat.count(0) == rows * cols - 1
        return
    before = snapshot(m)
    for access in (lambda: m[i, j], lambda: m.__setitem__((i, j), value)):
        with pytest.raises(RuntimeError) as info:
            access()
        assert str(info.value) == message
    assert snapshot(m) == before


@PROPERTY
@given(data=st.data(), letter=LETTER, kind=st.sampled_from(KINDS), n=st.integers(0, 24))
def test_text_form_follows_the_printing_rules(data, letter, kind, n):
    width = 32 if letter in ("s", "c") else 64
    r = st.one_of(st.floats(width=width), st.sampled_from([0.0, -0.0, 1e-300, 1e300, 9.999999999999999e99]))
    values = complexes(r) if is_complex(letter) else r
    c = data.draw(containers(letter, n, kinds=(kind,), values=values), label="container")
    stored = [rounded(letter, v) for v in c.written]
    note(c.describe())
    if kind == "mat":
        rows, cols = c.obj.dim(0), c.obj.dim(1)
        expected = expected_matrix_text(rows, cols, lambda i, j: stored[i + j * rows])
    else:
        expected = expected_vector_text(stored)
    assert repr(c.obj) == expected
    assert c.unchanged()


# ---------------------------------------------------------------------------
# Slicing against a list model


class SliceModel(RuleBasedStateMachine):
    """Vectors and views of views, written and dropped in random order; every
    live container must read what a plain list model says, whichever of its
    ancestors have been collected."""

    def __init__(self):
        super().__init__()
        self.storages = []
        self.live = []  # [container, storage index, offset, length]

    @initialize(letter=LETTER)
    def choose_letter(self, letter):
        self.letter = letter

    @rule(data=st.data(), n=st.integers(0, 20))
    def new_vector(self, data, n):
        values = data.draw(value_lists(self.letter, n, bound=1e6))
        v = cls("vec", self.letter)(n)
        write_flat(v, values)
        self.storages.append([rounded(self.letter, x) for x in values])
        self.live.append([v, len(self.storages) - 1, 0, n])

    def _pick(self, data):
        return data.draw(st.sampled_from(self.live), label="container")

    @rule(data=st.data())
    def take_slice(self, data):
        if not self.live:
            return
        c, storage, offset, length = self._pick(data)
        bound = st.one_of(st.none(), st.integers(-length - 3, length + 3), st.sampled_from([2**70, -(2**70)]))
        start, stop = data.draw(bound, label="start"), data.draw(bound, label="stop")
        step = data.draw(st.sampled_from([None, 1, None, 1, 2, -1, 0, 3]), label="step")
        key = slice(start, stop, step)
        if step == 0:
            with pytest.raises(ValueError):
                c[key]
            return
        first, last, stride = key.indices(length)
        if stride != 1:
            with pytest.raises(RuntimeError, match="^stepsizes larger than 1 invalid for vector$"):
                c[key]
            return
        view = c[key]
        assert type(view) is cls("view", self.letter)
        count = max(0, last - first)
        assert view.numel() == count
        self.live.append([view, storage, offset + first, count])

    @rule(data=st.data())
    def write(self, data):
        if not self.live:
            return
        c, storage, offset, length = self._pick(data)
        if length == 0:
            return
        i = data.draw(st.integers(0, length - 1), label="index")
        value = data.draw(elements(self.letter, 1e6), label="value")
        c[i] = value
        self.storages[storage][offset + i] = rounded(self.letter, value)

    @rule(data=st.data())
    def bad_positions(self, data):
        if not self.live:
            return
        c, storage, offset, length = self._pick(data)
        i = length + data.draw(st.integers(0, 3))
        before = read_flat(c)
        with pytest.raises(RuntimeError, match=f"^index {i} exceeds max number of elements {length}$"):
            c[i]
        with pytest.raises(RuntimeError, match=f"^index {i} exceeds max number of elements {length}$"):
            c[i] = 1.0
        with pytest.raises(TypeError):
            c[-1]
        assert read_flat(c) == before

    @rule(data=st.data())
    def drop(self, data):
        if not self.live:
            return
        index = data.draw(st.integers(0, len(self.live) - 1), label="dropped")
        del self.live[index]

    @invariant()
    def every_container_reads_its_model(self):
        for c, storage, offset, length in self.live:
            assert c.numel() == length
            assert c.dim(0) == length
            assert read_flat(c) == self.storages[storage][offset : offset + length]


SliceModel.TestCase.settings = settings(PROPERTY, stateful_step_count=20)
test_slices_and_views_follow_a_list_model = SliceModel.TestCase
