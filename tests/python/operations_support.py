"""Builders and readers for the operation tests.

An operand is built from the values it should present to an operation and
remembers the storage it lives in (the parent vector of a view, the whole
matrix of a matrix), so a test can check both the result and that nothing
outside the operand changed.
"""

import numpy as np

from container_support import COMPLEX_LETTERS, KINDS, LETTERS, cls, is_complex, kind_of, read_flat, write_flat  # noqa: F401

DTYPE = {"s": np.float32, "d": np.float64, "c": np.complex64, "z": np.complex128}
# Where expected values are computed: double precision for every letter.
WIDE = {"s": np.float64, "d": np.float64, "c": np.complex128, "z": np.complex128}
# Single precision: a few ulps of sums of ten terms of magnitude ~1.
RTOL = {"s": 1e-5, "c": 1e-5, "d": 1e-12, "z": 1e-12}
ATOL = {"s": 1e-5, "c": 1e-5, "d": 1e-12, "z": 1e-12}

VIEW_OFFSET = 2
VIEW_PADDING = 3


def to_python(letter, value):
    return complex(value) if is_complex(letter) else float(value)


def scalar(letter, re, im=0.0):
    """A scalar for an operation of `letter`: complex for c and z, real otherwise."""
    return complex(re, im) if is_complex(letter) else float(re)


def random_values(rng, letter, n):
    """n values of the sample type of `letter`, genuinely complex for c and z."""
    values = rng.uniform(-2.0, 2.0, n)
    if is_complex(letter):
        values = values + 1j * rng.uniform(-2.0, 2.0, n)
    return values.astype(DTYPE[letter])


def read(container):
    """The elements of a container in storage order (column-major for a matrix)."""
    _, letter = kind_of(container)
    return np.array(read_flat(container), dtype=DTYPE[letter])


def write(container, values):
    _, letter = kind_of(container)
    write_flat(container, [to_python(letter, v) for v in values])


class Operand:
    """A container, the storage it lives in and where it starts there."""

    def __init__(self, obj, backing, start):
        self.obj = obj
        self.backing = backing
        self.start = start

    def storage(self):
        return read(self.backing)

    def expected_storage(self, before, new_values):
        """`before` (a storage snapshot) with the operand's leading elements replaced."""
        expected = before.copy()
        expected[self.start : self.start + len(new_values)] = new_values
        return expected


def _sentinels(letter, n):
    values = np.arange(100, 100 + n, dtype=np.float64)
    if is_complex(letter):
        values = values - 1j * values
    return values.astype(DTYPE[letter])


def _view_of(letter, values):
    n = len(values)
    parent = cls("vec", letter)(VIEW_OFFSET + n + VIEW_PADDING)
    write(parent, _sentinels(letter, parent.numel()))
    view = parent[VIEW_OFFSET : VIEW_OFFSET + n]
    write(view, values)
    return Operand(view, parent, VIEW_OFFSET)


def flat(kind, letter, values):
    """An operand whose whole storage is `values`; a matrix of an even count
    gets two rows, so its column-major order matters."""
    n = len(values)
    if kind == "vec":
        v = cls("vec", letter)(n)
        write(v, values)
        return Operand(v, v, 0)
    if kind == "view":
        return _view_of(letter, values)
    rows = 2 if n % 2 == 0 and n > 0 else n
    m = cls("mat", letter)(rows, n // rows if rows else 0)
    write(m, values)
    return Operand(m, m, 0)


def column(kind, letter, values, extra_cols=2):
    """An operand that presents `values` as one column: a matrix gets them in
    its first column and sentinels in `extra_cols` more."""
    if kind != "mat":
        return flat(kind, letter, values)
    n = len(values)
    m = cls("mat", letter)(n, 1 + extra_cols)
    write(m, np.concatenate([values, _sentinels(letter, n * extra_cols)]))
    return Operand(m, m, 0)


def matrix(letter, a):
    """A matrix holding the 2-D numpy array `a`."""
    rows, cols = a.shape
    m = cls("mat", letter)(rows, cols)
    write(m, np.asarray(a).flatten(order="F"))
    return m


def as_array(m):
    """A matrix as a 2-D numpy array."""
    return read(m).reshape((m.dim(0), m.dim(1)), order="F")


def assert_close(letter, actual, expected):
    np.testing.assert_allclose(actual, expected, rtol=RTOL[letter], atol=ATOL[letter])


# Error bounds that hold for any correct BLAS or LAPACK, whatever its order of
# operations, blocking or use of fused multiply-add. Each of N products of p
# factors passes through at most p - 1 multiplications and N - 1 additions, so
# (the standard forward bound; Higham, Accuracy and Stability of Numerical
# Algorithms, 3.1) |computed - exact| <= gamma(N + p - 2) * sum |products|,
# gamma(k) = k u / (1 - k u), u the unit roundoff. Underflow adds up to half
# the smallest subnormal to each multiplication (the bound takes a whole one),
# magnified by the later factors of that product (alpha, beta or an element,
# in whatever order the library applies them). Complex arithmetic counts in
# real operations: a product of p complex factors is 2^(p-1) real products in
# each part, whose moduli add up to at most 2^(p/2-1) times the product of the
# complex moduli, and a complex error is at most sqrt(2) times its larger part.
# The expected value, computed in WIDE, brings its own error; two more
# roundings cover evaluating the bound and the difference it is compared with.


def gamma(k, u):
    return k * u / (1 - k * u)


def error_bound(letter, scale, terms, factors):
    """Largest |computed - expected| of results that are each a sum of `terms`
    products of one element or scalar from each of `factors`, where `scale`
    (elementwise) is the sum of the moduli of those products."""
    p = len(factors)
    largest = max(float(np.max(np.abs(f), initial=0.0)) for f in factors)
    products, spread, parts = (terms * 2 ** (p - 1), 2 ** (p / 2 - 1), 2**0.5) if is_complex(letter) else (terms, 1, 1)
    bound = 0.0
    for info in (np.finfo(DTYPE[letter]), np.finfo(WIDE[letter])):
        g = gamma(products + p, float(info.eps) / 2)
        underflow = products * float(info.smallest_subnormal) * sum(largest**i for i in range(p - 1))
        bound = bound + parts * (g * spread * np.asarray(scale, dtype=np.float64) + (1 + g) * underflow)
    return bound


def assert_within(got, expected, allowed):
    """Elementwise |got - expected| <= allowed, reporting the first offender."""
    got, expected = np.asarray(got), np.asarray(expected)
    assert got.shape == expected.shape
    allowed = np.broadcast_to(allowed, got.shape)
    bad = np.abs(got - expected) > allowed
    if np.any(bad):
        k = int(np.argmax(bad))
        raise AssertionError(f"element {k}: got {got[k]!r}, expected {expected[k]!r} (allowed {allowed[k]!r})")


def least_squares_bounds(letter, m, n, norm_a):
    """(relative, absolute) backward error of a Householder QR (m >= n) or LQ
    (m < n) solver: its x solves a problem whose A and b are off by gamma(c m n)
    times their norms (Higham, 19-21, c a small constant; LAPACK's own tests
    allow 30 max(m, n) eps), and underflow adds c m n eta (1 + |A|) to b and to
    A x. Complex operations count as four real ones."""
    k = 30 * max(m, 1) * max(n, 1) * (4 if is_complex(letter) else 1)
    info = np.finfo(DTYPE[letter])
    return gamma(k, float(info.eps) / 2), k * float(info.smallest_subnormal) * (1 + norm_a)
