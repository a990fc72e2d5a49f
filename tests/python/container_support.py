"""Helpers for working with containers, shared by the tests.

Pure Python on purpose: the bad-input sweep imports this module in child
interpreters, which should start fast and touch nothing but the extension.
"""

import math
import struct

import quorlibcore

LETTERS = ("s", "d", "c", "z")
COMPLEX_LETTERS = ("c", "z")
KINDS = ("vec", "view", "mat")


class Index:
    """An integer-like object that is not an int."""

    def __init__(self, n):
        self.n = n

    def __index__(self):
        return self.n

    def __repr__(self):
        return f"Index({self.n})"


def cls(kind, letter):
    return getattr(quorlibcore, kind + letter)


def kind_of(container):
    """('vec' | 'view' | 'mat', letter) of a container object."""
    name = type(container).__name__
    return name[:-1], name[-1]


def is_complex(letter):
    return letter in COMPLEX_LETTERS


def flat_positions(container):
    """The element keys of a container in storage order (column-major for a matrix)."""
    kind, _ = kind_of(container)
    if kind == "mat":
        rows, cols = container.dim(0), container.dim(1)
        return [(i, j) for j in range(cols) for i in range(rows)]
    return list(range(container.numel()))


def read_flat(container):
    return [container[k] for k in flat_positions(container)]


def write_flat(container, values):
    for key, value in zip(flat_positions(container), values):
        container[key] = value


def _bits(value):
    if isinstance(value, complex):
        return struct.pack("<dd", value.real, value.imag)
    return struct.pack("<d", value)


def snapshot(container):
    """Everything observable about a container, bit-exact (NaN payloads and signed zeros included)."""
    kind, _ = kind_of(container)
    shape = (container.dim(0), container.dim(1)) if kind == "mat" else (container.numel(),)
    return (type(container).__name__, shape, tuple(_bits(v) for v in read_flat(container)))


def filler(letter, k, scale=1.0):
    """A distinct, exactly representable element value for position k."""
    re = scale * ((k % 13) - 6 + 0.25 * (k % 3) + 1) / 4.0
    if is_complex(letter):
        return complex(re, 0.5 * ((k % 7) - 3))
    return re


def make_vec(letter, n, start=0):
    v = cls("vec", letter)(n)
    write_flat(v, [filler(letter, start + k) for k in range(n)])
    return v


def make_mat(letter, rows, cols, start=0):
    m = cls("mat", letter)(rows, cols)
    write_flat(m, [filler(letter, start + k) for k in range(rows * cols)])
    return m


def make_view(letter, n, before=1, after=2, start=0):
    """A view of n elements inside a filled parent; returns (view, parent)."""
    parent = make_vec(letter, before + n + after, start)
    return parent[before : before + n], parent


# ---------------------------------------------------------------------------
# Text form, written out from the rules of the container printing.

def format_real(value):
    if math.isnan(value):
        text = "-nan" if math.copysign(1.0, value) < 0 else "nan"
    elif math.isinf(value):
        text = "inf" if value > 0 else "-inf"
    else:
        text = f"{value:.14e}"
    return text


def format_element(value):
    if isinstance(value, complex):
        text = "(" + format_real(value.real) + "," + format_real(value.imag) + ")"
    else:
        text = format_real(value)
    return text.rjust(14)


def expected_vector_text(values):
    lines = [f"Column vector of size: {len(values)}"]
    lines += ["[" + format_element(v) + "]" for v in values]
    return "\n".join(lines) + "\n"


def expected_matrix_text(rows, cols, element):
    """element(i, j) gives the value at row i, column j."""
    lines = [f"Matrix of size: ({rows}, {cols})"]
    for i in range(rows):
        if cols == 0:
            lines.append("[]")
            continue
        shown = [format_element(element(i, j)) + ", " for j in range(min(cols - 1, 3))]
        marker = "..., " if cols > 4 else ""
        lines.append("[" + "".join(shown) + marker + format_element(element(i, cols - 1)) + "]")
    return "\n".join(lines) + "\n"


def outcome(call):
    """What a call gives: the class and value of its result (a view by its
    elements), or the class and text of the exception it raises."""
    try:
        result = call()
    except Exception as error:  # every exception is an outcome to compare
        return type(error), str(error)
    if type(result).__name__.startswith("view"):
        return type(result), read_flat(result)
    return type(result), result
