"""Shape mismatches, operands too small for the call, empty shapes, sizes
beyond the BLAS integer range and overlapping operands."""

import ctypes

import numpy as np
import pytest

import quorlibcore as q
from operations_support import COMPLEX_LETTERS, KINDS, LETTERS, assert_close, cls, read, write

INT_MAX = 2**31 - 1
NAN, INF = float("nan"), float("inf")


def numbered(kind, letter, n, start=1):
    """A container of n elements start, start + 1, ...; a matrix is n x 1."""
    c = cls("mat", letter)(n, 1) if kind == "mat" else cls("vec", letter)(n)
    write(c, [start + i for i in range(n)])
    return c


def nans(c):
    write(c, [float("nan")] * c.numel())
    return c


def printed(capfd):
    """What reached stdout and stderr, C-level buffers included (BLAS reports
    bad arguments with printf)."""
    ctypes.CDLL(None).fflush(None)
    return capfd.readouterr()


def ones(letter, rows, cols):
    m = cls("mat", letter)(rows, cols)
    write(m, [1] * (rows * cols))
    return m


# ---------------------------------------------------------------------------
# shape checks of the products

GEMV_X = "In gemv expression y = aAx + by, matrix A dimension 1: 3, doesn't match vector x dimension 0: {}"
GEMV_Y = "In gemv expression y = aAx + by, matrix A dimension 0: 2, doesn't match vector y dimension 0: {}"


@pytest.mark.parametrize("op", ["gemv", "matvec"])
@pytest.mark.parametrize(
    "x_len, y_len, message",
    [
        (2, 2, GEMV_X.format(2)),
        (3, 3, GEMV_Y.format(3)),
        (4, 5, GEMV_X.format(4)),  # both wrong: x is reported
    ],
)
@pytest.mark.parametrize("kind", KINDS)
def test_gemv_shape_mismatch(op, x_len, y_len, message, kind):
    A = ones("d", 2, 3)
    x, y = numbered(kind, "d", x_len), numbered(kind, "d", y_len, start=10)
    before = read(y)
    with pytest.raises(RuntimeError) as info:
        if op == "gemv":
            q.gemv(1.0, 0.0, A, x, y)
        else:
            q.matvec(A, x, y)
    assert str(info.value) == message
    np.testing.assert_array_equal(read(y), before)


GEMM_ROWS = "In gemm expression Y = aAX + bY, matrix A dimension 0: 2, doesn't match matrix Y dimension 0: 3"
GEMM_COLS = "In gemv expression Y = aAX + bY, matrix X dimension 1: 4, doesn't match matrix Y dimension 1: 5"
GEMM_INNER = "In gemv expression Y = aAX + bY, matrix A dimension 1: 3, doesn't match matrix X dimension 0: 4"


@pytest.mark.parametrize("op", ["gemm", "matmul"])
@pytest.mark.parametrize(
    "x_shape, y_shape, message",
    [
        ((3, 4), (3, 4), GEMM_ROWS),
        ((3, 4), (2, 5), GEMM_COLS),
        ((4, 5), (2, 5), GEMM_INNER),
        ((4, 4), (3, 4), GEMM_ROWS),  # rows and inner dimension wrong
        ((4, 4), (2, 5), GEMM_COLS),  # columns and inner dimension wrong
    ],
)
def test_gemm_shape_mismatch(op, x_shape, y_shape, message):
    A, X, Y = ones("z", 2, 3), ones("z", *x_shape), ones("z", *y_shape)
    write(Y, [1j] * Y.numel())
    with pytest.raises(RuntimeError) as info:
        if op == "gemm":
            q.gemm(1.0, 0.0, A, X, Y)
        else:
            q.matmul(A, X, Y)
    assert str(info.value) == message
    assert list(read(Y)) == [1j] * Y.numel()


# ---------------------------------------------------------------------------
# level-1 operations with a second container shorter than the first

LEVEL1 = {
    "axpy": lambda x, y: q.axpy(2.0, x, y),
    "sum": q.sum,
    "swap": q.swap,
    "copy": q.copy,
    "dot": q.dot,
    "hdot": q.hdot,
}


@pytest.mark.parametrize(
    "name, letter",
    [(name, letter) for name in LEVEL1 for letter in LETTERS if name != "hdot" or letter in COMPLEX_LETTERS],
)
def test_level1_refuses_a_short_second_container(name, letter):
    x = numbered("mat", letter, 3)
    parent = numbered("vec", letter, 6, start=20)
    y = parent[1:3]
    x_before, parent_before = read(x), read(parent)
    with pytest.raises(RuntimeError) as info:
        LEVEL1[name](x, y)
    assert str(info.value) == f"{name}: the second container holds 2 elements, fewer than the 3 of the first"
    np.testing.assert_array_equal(read(x), x_before)
    np.testing.assert_array_equal(read(parent), parent_before)


@pytest.mark.parametrize("letter", LETTERS)
def test_empty_first_container_changes_nothing(letter):
    empty, y = cls("vec", letter)(0), numbered("vec", letter, 3)
    for name, op in LEVEL1.items():
        if name == "hdot" and letter not in COMPLEX_LETTERS:
            continue
        result = op(empty, y)
        if name in ("dot", "hdot"):
            assert result == 0
    q.scale(5.0, empty)
    assert list(read(y)) == [1, 2, 3]


# ---------------------------------------------------------------------------
# empty shapes of the products: y <- beta * y, or nothing at all


@pytest.mark.parametrize("letter", LETTERS)
def test_gemv_without_columns_scales_y(letter, capfd):
    A, x = cls("mat", letter)(2, 0), cls("vec", letter)(0)
    y = numbered("vec", letter, 2, start=3)
    assert q.gemv(7.0, -2.0, A, x, y) is y
    assert list(read(y)) == [-6, -8]
    poisoned = nans(cls("vec", letter)(2))
    q.gemv(1.0, 0.0, A, x, poisoned)
    assert list(read(poisoned)) == [0, 0]
    assert printed(capfd) == ("", "")


@pytest.mark.parametrize("letter", LETTERS)
def test_gemm_with_empty_inner_dimension_scales_y(letter, capfd):
    A, X = cls("mat", letter)(2, 0), cls("mat", letter)(0, 3)
    Y = ones(letter, 2, 3)
    assert q.gemm(5.0, 3.0, A, X, Y) is Y
    assert list(read(Y)) == [3] * 6
    poisoned = nans(cls("mat", letter)(2, 3))
    q.matmul(A, X, poisoned)
    assert np.isnan(read(poisoned)).all()  # matmul's beta is 1
    q.gemm(1.0, 0.0, A, X, poisoned)
    assert list(read(poisoned)) == [0] * 6
    assert printed(capfd) == ("", "")


@pytest.mark.parametrize("letter", LETTERS)
def test_products_without_rows_are_quiet_no_ops(letter, capfd):
    mat, vec = cls("mat", letter), cls("vec", letter)
    x = numbered("vec", letter, 3)
    X = ones(letter, 3, 2)
    q.gemv(1.0, 0.0, mat(0, 3), x, vec(0))
    q.matvec(mat(0, 3), x, mat(0, 4))
    q.gemm(1.0, 0.0, mat(0, 3), X, mat(0, 2))
    q.matmul(ones(letter, 2, 3), mat(3, 0), mat(2, 0))
    assert list(read(x)) == [1, 2, 3]
    assert list(read(X)) == [1] * 6
    assert printed(capfd) == ("", "")


@pytest.mark.parametrize("position", ["x", "y"])
def test_gemv_matrix_without_columns_has_no_storage_for_a_vector(position):
    A = ones("d", 2, 3)
    x = q.matd(3, 0) if position == "x" else numbered("vec", "d", 3)
    y = q.matd(2, 0) if position == "y" else numbered("vec", "d", 2, start=8)
    needed = 3 if position == "x" else 2
    with pytest.raises(RuntimeError) as info:
        q.gemv(1.0, 1.0, A, x, y)
    assert str(info.value) == f"gemv: vector {position} holds 0 elements, fewer than the {needed} the product needs"
    assert list(read(A)) == [1] * 6
    if position == "x":
        assert list(read(y)) == [8, 9]


# ---------------------------------------------------------------------------
# sizes beyond the BLAS integer range (shapes that hold no elements)


@pytest.mark.parametrize(
    "shapes, what",
    [
        (((2**31, 0), (0, 0), (2**31, 0)), "row count"),
        (((0, 0), (0, 2**31), (0, 2**31)), "column count"),
        (((0, 2**31), (2**31, 0), (0, 0)), "inner dimension"),
    ],
)
def test_gemm_refuses_dimensions_beyond_int(shapes, what):
    A, X, Y = (q.matd(*shape) for shape in shapes)
    with pytest.raises(RuntimeError) as info:
        q.gemm(1.0, 0.0, A, X, Y)
    assert str(info.value) == f"gemm: {what} 2147483648 exceeds the largest BLAS integer {INT_MAX}"


# ---------------------------------------------------------------------------
# least squares


@pytest.mark.parametrize("kind", KINDS)
def test_ls_refuses_a_short_right_hand_side(kind):
    A = ones("d", 3, 2)
    A[1, 1] = 2.0
    b = numbered(kind, "d", 2)
    A_before, b_before = read(A), read(b)
    with pytest.raises(RuntimeError) as info:
        q.ls(A, b)
    assert str(info.value) == "ls: b holds 2 elements, fewer than the 3 a 3x2 matrix needs"
    np.testing.assert_array_equal(read(A), A_before)
    np.testing.assert_array_equal(read(b), b_before)


@pytest.mark.parametrize("letter", LETTERS)
def test_ls_without_unknowns_leaves_b(letter, capfd):
    b = numbered("vec", letter, 3)
    assert q.ls(cls("mat", letter)(3, 0), b) is None
    assert list(read(b)) == [1, 2, 3]
    assert printed(capfd) == ("", "")


@pytest.mark.parametrize("letter", LETTERS)
def test_ls_without_equations_gives_zero(letter, capfd):
    b = numbered("vec", letter, 2)
    q.ls(cls("mat", letter)(0, 2), b)
    assert list(read(b)) == [0, 0]
    assert printed(capfd) == ("", "")


@pytest.mark.parametrize("letter", LETTERS)
def test_ls_reports_an_exactly_singular_factor(letter):
    A = cls("mat", letter)(3, 2)
    write(A, [1, 2, 3, 0, 0, 0])  # second column zero
    with pytest.raises(RuntimeError, match="not of full rank") as info:
        q.ls(A, numbered("vec", letter, 3))
    assert "intermediate values" in str(info.value)


@pytest.mark.parametrize("where", ["A", "b", "b past max(m, n)"])
@pytest.mark.parametrize("letter, value", [(letter, v) for letter in LETTERS for v in (NAN, INF, -INF)]
                         + [(letter, v) for letter in COMPLEX_LETTERS for v in (complex(1, INF), complex(0, NAN))])
def test_ls_refuses_non_finite_elements_it_would_read(letter, value, where):
    A = ones(letter, 2, 2)
    A[1, 1] = 3.0
    b = numbered("vec", letter, 3)
    if where == "A":
        A[1, 1] = value
    else:
        b[1 if where == "b" else 2] = value
    A_before, b_before = read(A), read(b)
    if where == "b past max(m, n)":  # never read, so it does not matter
        q.ls(A, b)
        np.testing.assert_allclose(read(b)[:2], [0.5, 0.5], rtol=1e-6)
        return
    with pytest.raises(RuntimeError) as info:
        q.ls(A, b)
    assert str(info.value) == (f"ls: {where} holds a non-finite value (NaN or infinity), so no solution was "
                               "computed; A and b are unchanged")
    np.testing.assert_array_equal(read(A), A_before)
    np.testing.assert_array_equal(read(b), b_before)


# A complex element can have finite parts and a modulus beyond the largest
# real (the modulus of 0.9 max (1 + i)); the scale gels takes from moduli
# must not turn it into NaN. A x = b is solved for A = P a and b = r s.
@pytest.mark.parametrize("letter", COMPLEX_LETTERS)
@pytest.mark.parametrize("shape, where", [((3, 2), "b"), ((3, 2), "A"), ((2, 2), "b"), ((2, 2), "A"), ((2, 3), "b")])
def test_ls_solves_near_the_complex_overflow_edge(letter, shape, where):
    big = 0.9 * float(np.finfo(np.float32 if letter == "c" else np.float64).max)
    a, s = (big * (1 + 1j), big / 4) if where == "A" else (1, big * (1 + 1j))
    rows, cols = shape
    P = np.array([[1, 0, 0.5], [0, 1, 1], [1, 1, 0]], dtype=complex)[:rows, :cols]
    r = np.array([1, 2, 3] if where == "A" else [1, 1 / 3, 0], dtype=complex)[:rows]
    A, b = cls("mat", letter)(rows, cols), cls("vec", letter)(max(shape))
    write(A, [p * a for p in P.T.ravel().tolist()])
    write(b, [x * s for x in r.tolist()])
    q.ls(A, b)
    # x = x' s / a, computed in an order that does not overflow.
    x = [complex(v) * 4 * (1 + 1j) if where == "A" else complex(v) / big / (1 + 1j) for v in read(b)[:cols]]
    np.testing.assert_allclose(x, np.linalg.lstsq(P, r, rcond=None)[0], rtol=1e-5 if letter == "c" else 1e-12)


# ---------------------------------------------------------------------------
# operands sharing storage


def test_overlapping_view_and_parent_stay_inside_the_storage():
    v = numbered("vec", "z", 8)
    head, tail = v[0:6], v[2:8]
    q.copy(head, tail)
    q.sum(tail, head)
    q.axpy(2.0, v, v)
    pytest.raises(RuntimeError, q.swap, head, tail)
    q.dot(head, v)
    q.hdot(tail, head)
    q.scale(0.5, head)
    A = q.matz(2, 2)
    A[0, 0], A[1, 1] = 2, 3
    q.gemv(1.0, 1.0, A, v[0:2], v[1:3])
    pytest.raises(RuntimeError, q.ls, A, A)
    assert v.numel() == 8



# Operands in a vector v of 8 (a pair is a fresh view v[a:b], "w" one view v[0:4] passed twice) and 4 x 4 M, N.
SHIFTS = {"shifted forward": ((0, 4), (1, 5)), "shifted back": ((3, 7), (1, 5)), "disjoint views": ((0, 4), (4, 8))}
PARTIAL = ("view and parent", "shifted forward", "shifted back")
OV_LEVEL1 = {"same object": ("v", "v"), "view and parent": ((2, 6), "v"), **SHIFTS, "matrix twice": ("M", "M")}
OV_GEMV = {"same object": ("w", "w"), **SHIFTS, "matrix as A and y": ("w", "M"), "matrix thrice": ("M", "M")}
OV_GEMM = {"matrix as A and Y": ("M", "N", "M"), "matrix as X and Y": ("N", "M", "M"), "matrix thrice": ("M", "M", "M")}
OVERLAPS = [(op, name, ("M",) * (cases is OV_GEMV) + ops) for cases, ops_named in ((OV_LEVEL1, "copy axpy sum swap"),
            (OV_GEMV, "gemv matvec"), (OV_GEMM, "gemm matmul"), ({"same object": ("M", "M")}, "ls"))
            for op in ops_named.split() for name, ops in cases.items()]


def overlap_operands(letter, operands):
    v, M, N = numbered("vec", letter, 8), cls("mat", letter)(4, 4), cls("mat", letter)(4, 4)
    write(M, [(-1) ** i * (i + 1) / 4 for i in range(16)])
    write(N, [i % 5 - 2 for i in range(16)])
    store = {"v": v, "M": M, "N": N, "w": v[0:4]}
    return store, [store[o] if isinstance(o, str) else v[o[0] : o[1]] for o in operands]


@pytest.mark.parametrize("letter", LETTERS)
@pytest.mark.parametrize("op, name, operands", OVERLAPS, ids=[f"{o}-{n}" for o, n, _ in OVERLAPS])
def test_overlapping_operands_act_as_if_the_inputs_were_copied(letter, op, name, operands):
    store, args = overlap_operands(letter, operands)
    expected = {k: read(store[k]) for k in "vMN"}
    scalars = {"axpy": (1.5,), "gemv": (1.5, 0.0), "gemm": (-2.0, 1.0)}.get(op, ())
    if op == "ls" or op == "swap" and name in PARTIAL:  # refused, nothing changes
        with pytest.raises(RuntimeError, match=" overlap in storage without being the same elements| share storage"):
            getattr(q, op)(*args)
    else:
        fresh = [overlap_operands(letter, [o])[1][0] for o in operands]  # each in storage of its own
        getattr(q, op)(*scalars, *fresh)
        assert getattr(q, op)(*scalars, *args) is (None if op == "swap" else args[-1])
        for o, f in list(zip(operands, fresh))[-2 if op == "swap" else -1 :]:
            backing, start = ("v", o[0]) if isinstance(o, tuple) else ("v" if o == "w" else o, 0)
            expected[backing][start : start + f.numel()] = read(f)
    for k in expected:
        assert_close(letter, read(store[k]), expected[k])
