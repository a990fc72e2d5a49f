"""Builders and readers for the operation tests.

An operand is built from the values it should present to an operation and
remembers the storage it lives in (the parent vector of a view, the whole
matrix of a matrix), so a test can check both the result and that nothing
outside the operand changed.
"""

import numpy as np

from container_support import COMPLEX_LETTERS, KINDS, LETTERS, cls, is_complex, kind_of, read_flat, write_flat  # noqa: F401

DTYPE = {"s": np.float32, "d": np.float64, "c": np.complex64, "z": np.complex128}
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
