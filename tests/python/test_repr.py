"""Text form of the containers, compared byte for byte."""

import math

import pytest

import quorlibcore
from conftest import COMPLEX_LETTERS


def text(letter, x):
    """Expected text of one finite element: 14 digits, scientific."""
    if letter in COMPLEX_LETTERS:
        return f"({x.real:.14e},{x.imag:.14e})"
    return f"{x:.14e}"


def test_worked_vector_examples():
    v = quorlibcore.vecd(2)
    v[0] = 1.0
    v[1] = -2.5
    assert repr(v) == "Column vector of size: 2\n[1.00000000000000e+00]\n[-2.50000000000000e+00]\n"

    c = quorlibcore.vecc(1)
    c[0] = 1 + 2j
    assert repr(c) == "Column vector of size: 1\n[(1.00000000000000e+00,2.00000000000000e+00)]\n"


@pytest.mark.parametrize(
    "cols, rows",
    [
        (
            6,
            [
                "[0.00000000000000e+00, 1.00000000000000e+00, 2.00000000000000e+00, ..., 5.00000000000000e+00]",
                "[1.00000000000000e+01, 1.10000000000000e+01, 1.20000000000000e+01, ..., 1.50000000000000e+01]",
            ],
        ),
        (
            4,
            [
                "[0.00000000000000e+00, 1.00000000000000e+00, 2.00000000000000e+00, 3.00000000000000e+00]",
                "[1.00000000000000e+01, 1.10000000000000e+01, 1.20000000000000e+01, 1.30000000000000e+01]",
            ],
        ),
    ],
)
def test_worked_matrix_examples(cols, rows):
    m = quorlibcore.matd(2, cols)
    for i in range(2):
        for j in range(cols):
            m[i, j] = 10.0 * i + j
    assert repr(m) == f"Matrix of size: (2, {cols})\n" + "".join(row + "\n" for row in rows)


def test_vector_and_view_lines(numbered, value, letter):
    v = numbered(6)
    lines = [f"[{text(letter, value(i, -i))}]\n" for i in range(6)]
    assert repr(v) == "Column vector of size: 6\n" + "".join(lines)
    # A view shows its own length and the elements from its start on.
    assert repr(v[2:5]) == "Column vector of size: 3\n" + "".join(lines[2:5])
    assert repr(v[1:6][3:]) == "Column vector of size: 2\n" + "".join(lines[4:6])


def test_empty_vectors_show_only_the_header(vec):
    v = vec(3)
    for empty in (vec(0), v[1:1], v[10:20], v[2:1]):
        assert repr(empty) == "Column vector of size: 0\n"


@pytest.mark.parametrize(
    "shape, expected",
    [
        ((0, 3), "Matrix of size: (0, 3)\n"),
        ((0, 0), "Matrix of size: (0, 0)\n"),
        ((2, 0), "Matrix of size: (2, 0)\n[]\n[]\n"),
    ],
)
def test_matrices_without_elements(mat, shape, expected):
    assert repr(mat(*shape)) == expected


@pytest.mark.parametrize(
    "cols, shown",
    [(1, [0]), (2, [0, 1]), (3, [0, 1, 2]), (4, [0, 1, 2, 3]), (5, [0, 1, 2, None, 4]), (7, [0, 1, 2, None, 6])],
)
def test_rows_show_at_most_four_numbers(mat, value, letter, cols, shown):
    m = mat(3, cols)
    for i in range(3):
        for j in range(cols):
            m[i, j] = value(i + 0.5 * j, -j)

    def row(i):
        parts = ["..." if j is None else text(letter, value(i + 0.5 * j, -j)) for j in shown]
        return "[" + ", ".join(parts) + "]\n"

    assert repr(m) == f"Matrix of size: (3, {cols})\n" + row(0) + row(1) + row(2)


@pytest.mark.parametrize(
    "letter, stored, shown",
    [
        ("s", 0.1, "1.00000001490116e-01"),
        ("d", 0.1, "1.00000000000000e-01"),
        ("c", 0.1 + 0.1j, "(1.00000001490116e-01,1.00000001490116e-01)"),
        ("d", 1e-300, "1.00000000000000e-300"),
        ("z", complex(0.0, -1.5e200), "(0.00000000000000e+00,-1.50000000000000e+200)"),
    ],
)
def test_number_formatting(vec, mat, stored, shown):
    v = vec(1)
    v[0] = stored
    assert repr(v) == f"Column vector of size: 1\n[{shown}]\n"
    m = mat(1, 1)
    m[0, 0] = stored
    assert repr(m) == f"Matrix of size: (1, 1)\n[{shown}]\n"


@pytest.mark.parametrize(
    "letter, stored, shown",
    [
        ("d", math.inf, "           inf"),
        ("s", -math.inf, "          -inf"),
        ("d", math.nan, "           nan"),
        ("s", -math.nan, "          -nan"),
        ("z", complex(math.nan, math.nan), "     (nan,nan)"),
        ("c", complex(math.inf, -math.inf), "    (inf,-inf)"),
        ("z", complex(math.inf, 1.0), "(inf,1.00000000000000e+00)"),
    ],
)
def test_non_finite_values_are_right_aligned(vec, mat, stored, shown):
    v = vec(1)
    v[0] = stored
    assert repr(v) == f"Column vector of size: 1\n[{shown}]\n"
    m = mat(1, 5)
    m[0, 4] = stored
    zero = text("z" if isinstance(stored, complex) else "d", 0j if isinstance(stored, complex) else 0.0)
    assert repr(m) == f"Matrix of size: (1, 5)\n[{zero}, {zero}, {zero}, ..., {shown}]\n"
