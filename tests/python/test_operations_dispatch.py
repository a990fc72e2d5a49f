"""The Python face of the operations: the overload table and its order,
docstrings, argument conversion, results handed back, and the calls that no
overload accepts."""

import re

import numpy as np
import pytest

import quorlibcore as q
from container_support import Index, outcome, read_flat
from operations_support import COMPLEX_LETTERS, KINDS, LETTERS, cls, read, write

DOCSTRINGS = {
    "scale": "scale an object",
    "sum": "add objects",
    "dot": "dot product",
    "copy": "copy an object into another",
    "swap": "swap objects into another",
    "axpy": "axpy objects",
    "hdot": "hermetian dot product",
    "ls": "ls",
    "matvec": "matvec",
    "gemv": "gemv",
    "gemm": "gemm",
    "matmul": "matmul",
}
COUNTS = {
    "scale": 12,
    "sum": 36,
    "dot": 36,
    "copy": 36,
    "swap": 36,
    "axpy": 36,
    "hdot": 18,
    "ls": 12,
    "matvec": 36,
    "gemv": 36,
    "gemm": 4,
    "matmul": 4,
}


def expected_overloads(name):
    """(parameter types, result type) of each overload, in registration order."""
    out = []
    for letter in LETTERS:
        scalar = "complex" if letter in COMPLEX_LETTERS else "float"
        c = {kind: f"quorlibcore.{kind}{letter}" for kind in KINDS}
        mat = c["mat"]
        pairs = [(c[k0], c[k1]) for k0 in KINDS for k1 in KINDS]
        if name == "scale":
            out += [((scalar, c[k]), c[k]) for k in KINDS]
        elif name in ("sum", "copy", "axpy"):
            lead = (scalar,) if name == "axpy" else ()
            out += [(lead + p, p[1]) for p in pairs]
        elif name == "swap":
            out += [(p, "None") for p in pairs]
        elif name == "dot":
            out += [(p, scalar) for p in pairs]
        elif name == "hdot" and letter in COMPLEX_LETTERS:
            out += [(p, "complex") for p in pairs]
        elif name == "ls":
            out += [((mat, c[k]), "None") for k in KINDS]
        elif name in ("matvec", "gemv"):
            lead = (scalar, scalar) if name == "gemv" else ()
            out += [(lead + (mat,) + p, p[1]) for p in pairs]
        elif name in ("gemm", "matmul"):
            lead = (scalar, scalar) if name == "gemm" else ()
            out += [(lead + (mat, mat, mat), mat)]
    return out


SIGNATURE = re.compile(r"^(\d+)\. (\w+)\((.*)\) -> (\S+)\n\n(.*)$", re.MULTILINE)


def listed_overloads(name):
    """(number, parameter types, result, docstring) from the function's docstring."""
    listed = []
    for number, fname, params, result, doc in SIGNATURE.findall(getattr(q, name).__doc__):
        assert fname == name
        types = tuple(re.findall(r"arg\d+: ([\w.]+)", params))
        listed.append((int(number), types, result, doc))
    return listed


@pytest.mark.parametrize("name", list(DOCSTRINGS))
def test_overload_table_order_and_docstrings(name):
    listed = listed_overloads(name)
    assert [number for number, *_ in listed] == list(range(1, COUNTS[name] + 1))
    assert [(types, result) for _, types, result, _ in listed] == expected_overloads(name)
    assert {doc for *_, doc in listed} == {DOCSTRINGS[name]}


def test_the_module_has_302_overloads():
    assert sum(len(listed_overloads(name)) for name in DOCSTRINGS) == 302
    assert sum(len(expected_overloads(name)) for name in DOCSTRINGS) == 302


# ---------------------------------------------------------------------------
# results


def filled(kind, letter, n=2, start=1.0):
    if kind == "mat":
        c = cls("mat", letter)(n, 1)
    elif kind == "view":
        c = cls("vec", letter)(n + 3)[1 : n + 1]
    else:
        c = cls("vec", letter)(n)
    write(c, [start + i for i in range(n)])
    return c


RETURNING = {
    "scale": (lambda x, y, A, X, Y: q.scale(2.0, x), "x"),
    "sum": (lambda x, y, A, X, Y: q.sum(x, y), "y"),
    "copy": (lambda x, y, A, X, Y: q.copy(x, y), "y"),
    "axpy": (lambda x, y, A, X, Y: q.axpy(2.0, x, y), "y"),
    "matvec": (lambda x, y, A, X, Y: q.matvec(A, x, y), "y"),
    "gemv": (lambda x, y, A, X, Y: q.gemv(1.0, 1.0, A, x, y), "y"),
    "gemm": (lambda x, y, A, X, Y: q.gemm(1.0, 1.0, A, X, Y), "Y"),
    "matmul": (lambda x, y, A, X, Y: q.matmul(A, X, Y), "Y"),
}


@pytest.mark.parametrize(
    "name, kind",
    [(name, kind) for name in RETURNING for kind in KINDS if name not in ("gemm", "matmul") or kind == "mat"],
)
def test_container_results_are_the_argument_objects(name, kind):
    call, returned = RETURNING[name]
    args = {
        "x": filled(kind, "d"),
        "y": filled(kind, "d"),
        "A": q.matd(2, 2),
        "X": q.matd(2, 3),
        "Y": q.matd(2, 3),
    }
    assert call(**args) is args[returned]


@pytest.mark.parametrize("letter", LETTERS)
def test_swap_and_ls_return_none(letter):
    x, y = filled("vec", letter), filled("vec", letter, start=5.0)
    assert q.swap(x, y) is None
    A = cls("mat", letter)(2, 2)
    A[0, 0], A[1, 1] = 1, 1
    assert q.ls(A, y) is None


@pytest.mark.parametrize(
    "letter, result_type", [("s", float), ("d", float), ("c", complex), ("z", complex)]
)
def test_dot_result_type(letter, result_type):
    x, y = filled("vec", letter), filled("mat", letter)
    assert type(q.dot(x, y)) is result_type
    assert q.dot(x, y) == 5


# ---------------------------------------------------------------------------
# scalar conversion


def test_real_scalars_accept_integers():
    x, y = filled("vec", "d"), filled("vec", "d")
    assert q.axpy(2, x, y) is y
    assert list(read(y)) == [3.0, 6.0]
    q.gemv(True, 0, filled("mat", "d", 1), filled("vec", "d", 1), y[0:1])
    assert list(read(y)) == [1.0, 6.0]


def test_complex_operation_accepts_a_real_scalar():
    z = filled("vec", "z")
    q.scale(2.0, z)
    q.scale(3, z)
    assert list(read(z)) == [6, 12]
    q.scale(1j, z)
    assert list(read(z)) == [6j, 12j]


@pytest.mark.parametrize(
    "letter, alpha, expected",
    [
        ("s", 0.1, float(np.float32(0.1))),
        ("c", 0.1 - 0.3j, complex(np.complex64(0.1 - 0.3j))),
        ("d", 0.1, 0.1),
        ("z", 0.1 - 0.3j, 0.1 - 0.3j),
    ],
)
def test_scalars_take_the_precision_of_the_sample_type(letter, alpha, expected):
    x = cls("vec", letter)(1)
    x[0] = 1
    q.scale(alpha, x)
    assert x[0] == expected


# ---------------------------------------------------------------------------
# calls that no overload accepts


def bad_calls():
    vd, vd2, vs = filled("vec", "d"), filled("vec", "d"), filled("vec", "s")
    viewd, md, ms = filled("view", "d"), q.matd(2, 2), q.mats(2, 2)
    vz = filled("vec", "z")
    return {
        "gemv with a vector as A": lambda: q.gemv(1.0, 0.0, vd, vd, vd2),
        "gemv with a view as A": lambda: q.gemv(1.0, 0.0, viewd, vd, vd2),
        "matvec with a vector as A": lambda: q.matvec(vd, vd, vd2),
        "ls with a vector as A": lambda: q.ls(vd, vd2),
        "gemm with a vector as X": lambda: q.gemm(1.0, 0.0, md, vd, md),
        "matmul with a vector as Y": lambda: q.matmul(md, md, vd2),
        "sum of vecs and vecd": lambda: q.sum(vs, vd2),
        "matmul of mats and matd": lambda: q.matmul(ms, md, md),
        "gemv of matd with vecs": lambda: q.gemv(1.0, 0.0, md, vs, vd2),
        "hdot on vecd": lambda: q.hdot(vd, vd2),
        "hdot on vecs": lambda: q.hdot(vs, vs),
        "keywords": lambda: q.axpy(alpha=1.0, x=vd, y=vd2),
        "one keyword": lambda: q.copy(vd, y=vd2),
        "None as x": lambda: q.copy(None, vd2),
        "None as y": lambda: q.sum(vd, None),
        "complex scalar into scale of vecd": lambda: q.scale(2j, vd2),
        "complex scalar into axpy of vecs": lambda: q.axpy(1j, vs, vs),
        "complex beta into gemv of matd": lambda: q.gemv(1.0, 1j, md, vd, vd2),
        "string scalar": lambda: q.scale("2", vz),
        "too few arguments": lambda: q.dot(vd),
        "too many arguments": lambda: q.copy(vd, vd2, vd2),
        "numpy array": lambda: q.copy(np.zeros(2), vd2),
    }, vd2


BAD_CALLS = list(bad_calls()[0])


@pytest.mark.parametrize("case", BAD_CALLS)
def test_unsupported_calls_raise_type_error_and_change_nothing(case):
    calls, target = bad_calls()
    before = read(target)
    with pytest.raises(TypeError, match="incompatible function arguments"):
        calls[case]()
    np.testing.assert_array_equal(read(target), before)


def test_wrong_call_with_a_large_vector_gives_a_short_message():
    big, m = q.vecd(10**6), q.matd(2, 3)
    for call in [lambda: q.axpy(1j, big, m), lambda: big.dim(1.5), lambda: q.vecd(big), lambda: big[m],
                 lambda: SubVec(10**6).__setitem__(0, m), lambda: q.model(big, m)]:
        with pytest.raises(TypeError) as error:
            call()
        assert len(str(error.value)) < 5000 and " of 1000000 elements" in str(error.value)
    assert "Invoked with: 1j, quorlibcore.vecd of 1000000 elements, quorlibcore.matd of 2 x 3 elements" in \
        outcome(lambda: q.axpy(1j, big, m))[1]
    # Python code that the call runs sees every argument's full text form.
    small, seen = q.vecd(2), []
    texts = lambda: seen.append((repr(small), str(small), f"{small!r}")) or 0
    assert small.dim(type("Key", (), {"__index__": lambda self: texts()})()) == 2
    q.axpy(type("Alpha", (), {"__float__": lambda self: float(texts())})(), small, small)
    assert set(seen) == {(repr(small),) * 3} and repr(small).startswith("Column vector of size: 2")


# ---------------------------------------------------------------------------
# the fast path and pybind11's overload resolution agree
#
# A call whose arguments are plain floats, complex numbers, ints and exact
# container objects is decided without pybind11's dispatcher; anything else
# goes through it. Both must give the same results, the same objects back
# and the same errors.


class Real:
    def __float__(self):
        return 2.0


class SubVec(q.vecd):
    pass


HUGE = 2**2000
SCALAR_FORMS = [2, True, np.float64(2), np.float32(2), np.int64(2), Index(2), Real(), 2 + 0j, HUGE]


@pytest.mark.parametrize("letter", LETTERS)
@pytest.mark.parametrize("alpha", SCALAR_FORMS, ids=repr)
def test_scalar_forms_give_what_plain_numbers_give(letter, alpha):
    """Each form against the plain float or complex of its value; the forms
    pybind11 refuses (complex for a real type, an int too large for a float)
    are refused with its listing."""
    def run(a):
        x, y = filled("vec", letter), filled("view", letter, start=5.0)
        return outcome(lambda: q.axpy(a, x, y) is y), list(read_flat(y))

    complex_type = letter in COMPLEX_LETTERS
    if alpha is HUGE or (isinstance(alpha, complex) and not complex_type):
        result = run(alpha)[0]
        assert result[0] is TypeError and result[1].startswith("axpy(): incompatible function arguments")
    else:
        value = 2.0 if isinstance(alpha, (Real, Index, complex)) else float(alpha)
        assert run(alpha) == run(complex(value) if complex_type else value)


def test_subclass_instances_and_errors_match_the_plain_call():
    x, y = SubVec(3), SubVec(3)
    x[0], x[1], x[2] = 1.0, 2.0, 3.0
    assert q.axpy(2.0, x, y) is y and read_flat(y) == [2.0, 4.0, 6.0]
    assert q.dot(x, y) == 2 * q.dot(filled("vec", "d", 3), filled("vec", "d", 3))
    A, short = q.matd(2, 3), q.vecd(2)
    failing = {
        "gemv": lambda a: q.gemv(a, a, A, short, short),
        "gemm": lambda a: q.gemm(a, a, A, A, A),
        "axpy": lambda a: q.axpy(a, y, short),
        "ls": lambda a: q.ls(A, short),
    }
    for name, call in failing.items():
        fast, slow = outcome(lambda: call(1.0)), outcome(lambda: call(Index(1)))
        assert fast == slow and fast[0] is RuntimeError, name
