"""Bad-input sweep over every module function, container method and the
model class.

Each case calls one function or method with one argument replaced by
something it must refuse (or must survive, for non-finite scalars), then
checks the exception type and that no container changed, nor the input
tensor of a model (read back through a model whose output is its input).
test_bad_input.py runs the groups of cases in child interpreters so that a crash ends only its
child and is reported with its signal and the case that caused it.

    python tests/python/hardening_sweep.py [GROUP ...]   # all groups by default
"""

import os
import pathlib
import struct
import sys
import tempfile

import quorlibcore as q
from quiet_output import quiet_stdout
from container_support import (
    COMPLEX_LETTERS,
    KINDS,
    LETTERS,
    cls,
    filler,
    make_mat,
    make_vec,
    make_view,
    snapshot,
)

NAN = float("nan")
INF = float("inf")
SANITIZED = bool(os.environ.get("QUORLIB_SANITIZED"))

# Outcomes a case may expect.
OK = "ok"  # returns normally
TYPE = "TypeError"
RUNTIME = "RuntimeError"
VALUE = "ValueError"
MEMORY = "MemoryError"
OK_OR_RUNTIME = "ok or RuntimeError"


class Floaty:
    """Converts to float only through __float__ (the converting pass)."""

    def __float__(self):
        return 2.0

    def __repr__(self):
        return "Floaty()"


class Indexy:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value

    def __repr__(self):
        return f"Indexy({self.value})"


class Broken:
    """Every numeric conversion raises."""

    def __float__(self):
        raise ArithmeticError("no float")

    def __complex__(self):
        raise ArithmeticError("no complex")

    def __index__(self):
        raise ArithmeticError("no index")

    def __repr__(self):
        return "Broken()"


# ---------------------------------------------------------------------------
# Building fresh containers for every call


class Arg:
    """A value to pass, its text for reports, and the containers it involves."""

    def __init__(self, make, text):
        self.make = make
        self.text = text


def plain(value, text=None):
    return Arg(lambda: (value, []), text or repr(value))


def container(letter, kind, length=4, shape=(2, 2), start=0, nan=False):
    def make():
        if kind == "vec":
            c = make_vec(letter, length, start)
            return c, [c]
        if kind == "view":
            v, parent = make_view(letter, length, start=start)
            return v, [v, parent]
        m = make_mat(letter, *shape, start=start)
        if nan:
            m[0, 0] = NAN
        return m, [m]

    if kind == "mat":
        text = f"mat{letter}({shape[0]}, {shape[1]}){' with a NaN' if nan else ''}"
    elif kind == "view":
        text = f"vec{letter}({length + 3})[1:{length + 1}]"
    else:
        text = f"vec{letter}({length})"
    return Arg(make, text)


class Case:
    def __init__(self, target, args, expect, kwargs=None, unchanged=True):
        self.target = target  # (callable, text)
        self.args = args
        self.kwargs = kwargs or {}
        self.expect = expect
        self.unchanged = unchanged

    def describe(self):
        parts = [a.text for a in self.args] + [f"{k}={a.text}" for k, a in self.kwargs.items()]
        return f"{self.target[1]}({', '.join(parts)}) -> expect {self.expect}"

    def run(self):
        """None when the outcome is the expected one, else a complaint."""
        watched = []
        args = []
        for a in self.args:
            value, involved = a.make()
            args.append(value)
            watched += involved
        kwargs = {}
        for k, a in self.kwargs.items():
            value, involved = a.make()
            kwargs[k] = value
            watched += involved
        before = [observe(c) for c in watched]
        try:
            self.target[0](*args, **kwargs)
        except Exception as error:  # noqa: BLE001 - the type is what is checked
            outcome = type(error).__name__
            detail = f"{outcome}: {str(error)[:160]}"
        else:
            outcome, detail = OK, "returned normally"
        allowed = {OK_OR_RUNTIME: (OK, RUNTIME)}.get(self.expect, (self.expect,))
        if outcome not in allowed:
            return f"got {detail}"
        if outcome != OK and self.unchanged and [observe(c) for c in watched] != before:
            return f"raised {outcome} but changed a container or a model input"
        return None


# ---------------------------------------------------------------------------
# Module functions


# Role of each argument: ("scalar",), ("any", length, matrix shape), ("mat", shape).
def level1(length=4):
    return ("any", length, (2, length // 2))


FUNCTIONS = {
    "scale": [("scalar",), level1()],
    "sum": [level1(), level1()],
    "dot": [level1(), level1()],
    "copy": [level1(), level1()],
    "swap": [level1(), level1()],
    "axpy": [("scalar",), level1(), level1()],
    "hdot": [level1(), level1()],
    "ls": [("mat", (3, 2)), ("any", 3, (3, 2))],
    "matvec": [("mat", (2, 3)), ("any", 3, (3, 2)), ("any", 2, (2, 2))],
    "gemv": [("scalar",), ("scalar",), ("mat", (2, 3)), ("any", 3, (3, 2)), ("any", 2, (2, 2))],
    "gemm": [("scalar",), ("scalar",), ("mat", (2, 3)), ("mat", (3, 4)), ("mat", (2, 4))],
    "matmul": [("mat", (2, 3)), ("mat", (3, 4)), ("mat", (2, 4))],
}


def role_arg(role, letter, kind, start):
    if role[0] == "mat":
        return container(letter, "mat", shape=role[1], start=start)
    return container(letter, kind, length=role[1], shape=role[2], start=start)


def scalar_valid(letter):
    return plain(complex(1.5, -0.5) if letter in COMPLEX_LETTERS else 1.5)


def bad_non_containers():
    return [None, "abc", [1.0, 2.0], 1, -1, 2**64, 1.5, NAN, INF, 1j, (0, 1), Floaty(), Indexy(1), Broken()]


def scalar_substitutes(letter):
    """(value, expected outcome) for a scalar position."""
    complex_letter = letter in COMPLEX_LETTERS
    subs = [
        (None, TYPE), ("abc", TYPE), ("1.5", TYPE), ([1.0], TYPE), ((1.0,), TYPE), ({}, TYPE),
        (10**400, TYPE), (-(10**400), TYPE), (Broken(), TYPE),
        (0, OK), (-1, OK), (2**64, OK), (-(2**70), OK), (True, OK), (1.5, OK), (-0.0, OK),
        (1e300, OK), (-1e300, OK), (5e-324, OK), (NAN, OK), (INF, OK), (-INF, OK),
        (Floaty(), OK), (Indexy(3), OK), (Indexy(-3), OK),
    ]
    if complex_letter:
        subs += [(1j, OK), (complex(NAN, INF), OK), (complex(-INF, NAN), OK), (complex(1e300, -1e300), OK)]
    else:
        subs += [(1j, TYPE), (complex(1.0, 0.0), TYPE), (complex(NAN, 0.0), TYPE)]
    return subs


def function_cases(name):
    roles = FUNCTIONS[name]
    letters = COMPLEX_LETTERS if name == "hdot" else LETTERS
    func = (getattr(q, name), f"q.{name}")
    cases = []
    for letter in letters:
        for combo in _kind_combos(roles):
            base = []
            for position, role in enumerate(roles):
                if role[0] == "scalar":
                    base.append(scalar_valid(letter))
                else:
                    base.append(role_arg(role, letter, combo[position], start=7 * position))
            cases.append(Case(func, base, OK))
            cases += _substitutions(func, roles, letter, combo, base)
            cases += _arity_and_keywords(func, base)
    if name == "hdot":
        for letter in ("s", "d"):
            for kx in KINDS:
                for ky in KINDS:
                    cases.append(Case(func, [container(letter, kx), container(letter, ky)], TYPE))
    if name == "ls":
        cases += _ls_special_values()
    return cases


def _kind_combos(roles):
    combos = [[]]
    for role in roles:
        options = KINDS if role[0] == "any" else (role[0],)
        combos = [c + [k] for c in combos for k in options]
    return combos


def _substitutions(func, roles, letter, combo, base):
    cases = []
    for position, role in enumerate(roles):
        def with_arg(arg, expect):
            args = list(base)
            args[position] = arg
            return Case(func, args, expect)

        if role[0] == "scalar":
            for value, expect in scalar_substitutes(letter):
                cases.append(with_arg(plain(value), expect))
            for kind in KINDS:
                cases.append(with_arg(container(letter, kind), TYPE))
            continue
        for value in bad_non_containers():
            cases.append(with_arg(plain(value), TYPE))
        kind = combo[position]
        containers = sum(r[0] != "scalar" for r in roles)
        for other in LETTERS:
            if other == letter:
                continue
            # A lone container of another type letter picks that letter's
            # overload, which takes the scalar if it converts.
            expect = TYPE
            if containers == 1 and (other in COMPLEX_LETTERS or letter not in COMPLEX_LETTERS):
                expect = OK
            cases.append(with_arg(role_arg(role, other, kind, start=3), expect))
        if role[0] == "mat":
            for wrong in ("vec", "view"):
                cases.append(with_arg(container(letter, wrong, length=role[1][0] * role[1][1]), TYPE))
        # an admissible container of another size: refused with a runtime error or accepted
        small = container(letter, "mat", shape=(1, 1)) if role[0] == "mat" else container(letter, "vec", length=1)
        cases.append(with_arg(small, OK_OR_RUNTIME))
        cases.append(with_arg(container(letter, "mat", shape=(0, 5)), OK_OR_RUNTIME))
    return cases


def _arity_and_keywords(func, base):
    extra = plain(None)
    return [
        Case(func, [], TYPE),
        Case(func, base[:-1], TYPE),
        Case(func, base + [base[-1]], TYPE),
        Case(func, base + [extra], TYPE),
        Case(func, base[:-1], TYPE, kwargs={"y": base[-1]}),
        Case(func, base[:-1], TYPE, kwargs={f"arg{len(base) - 1}": base[-1]}),
        Case(func, base, TYPE, kwargs={"out": base[-1]}),
    ]


def _ls_special_values():
    """NaN or an infinity anywhere in A or b is refused before the solver runs."""
    cases = []
    func = (q.ls, "q.ls")

    def with_value(letter, where, value, text):
        def make():
            A = make_mat(letter, 3, 2)
            b = make_vec(letter, 3, 7)
            if where == "A":
                A[1, 1] = value
            else:
                b[2] = value
            return A, b

        holder = {}

        def make_a():
            holder["A"], holder["b"] = make()
            return holder["A"], [holder["A"]]

        def make_b():
            return holder["b"], [holder["b"]]

        return [Arg(make_a, f"mat{letter}(3, 2){text if where == 'A' else ''}"),
                Arg(make_b, f"vec{letter}(3){text if where == 'b' else ''}")]

    for letter in LETTERS:
        specials = [(NAN, " with a NaN"), (INF, " with an inf")]
        if letter in COMPLEX_LETTERS:
            specials.append((complex(0.0, NAN), " with a NaN imaginary part"))
        for value, text in specials:
            for where in ("A", "b"):
                cases.append(Case(func, with_value(letter, where, value, text), RUNTIME, unchanged=True))
    return cases


# ---------------------------------------------------------------------------
# Container classes


def index_substitutes(limit):
    """(value, outcome) for an element index of a vector or view of `limit` elements."""
    return [
        (0, OK), (limit - 1, OK), (Indexy(1), OK), (True, OK),
        (limit, RUNTIME), (2**63, RUNTIME), (2**64 - 1, RUNTIME),
        (-1, TYPE), (-(2**64), TYPE), (2**64, TYPE), (10**30, TYPE), (1.5, TYPE), (1.0, TYPE),
        (NAN, TYPE), (INF, TYPE), (1j, TYPE), (None, TYPE), ("0", TYPE), ([0], TYPE), ((0,), TYPE),
        (Indexy(-1), TYPE), (Broken(), TYPE), (Ellipsis, TYPE),
    ]


def slice_substitutes():
    return [
        (slice(None), OK), (slice(1, 3), OK), (slice(3, 1), OK), (slice(2**100, None), OK),
        (slice(-(2**100), 2**100), OK), (slice(None, None, 1), OK), (slice(Indexy(1), Indexy(2)), OK),
        (slice(None, None, 2), RUNTIME), (slice(None, None, -1), RUNTIME),
        (slice(None, None, 2**100), RUNTIME), (slice(None, None, -(2**100)), RUNTIME),
        (slice(0, 2, 0), VALUE),
        (slice("a", 2), TYPE), (slice(1.5, 2), TYPE), (slice(None, NAN), TYPE), (slice(None, None, 1.0), TYPE),
        (slice(Broken(), 2), "ArithmeticError"),  # the bound's own error comes through
    ]


def matrix_position_substitutes(rows, cols):
    return [
        ((0, 0), OK), ((rows - 1, cols - 1), OK), ([0, 1], OK), ((Indexy(1), 0), OK),
        ((rows, 0), RUNTIME), ((0, cols), RUNTIME), ((2**64 - 1, 0), RUNTIME), ((0, 2**64 - 1), RUNTIME),
        ((2**63, 2**63), RUNTIME),
        ((-1, 0), TYPE), ((0, -1), TYPE), ((2**64, 0), TYPE), ((0, 2**64), TYPE), ((1.5, 0), TYPE),
        ((0, NAN), TYPE), ((None, 0), TYPE), (("0", 0), TYPE), ((0,), TYPE), ((0, 0, 0), TYPE), ((), TYPE),
        (0, TYPE), (None, TYPE), ("ab", TYPE), ([0, 1, 2], TYPE), ({0, 1}, TYPE), (slice(0, 1), TYPE),
        ((1j, 0), TYPE), ((Broken(), 0), TYPE),
    ]


def class_cases(stem, letter):
    c = cls(stem, letter)
    name = f"q.{stem}{letter}"
    cases = []
    length = 4

    def instance():
        if stem == "vec":
            return container(letter, "vec", length=length)
        if stem == "view":
            return container(letter, "view", length=length)
        return container(letter, "mat", shape=(2, 3))

    def method(attr):
        return (getattr(c, attr), f"{name}.{attr}")

    def case(attr, args, expect, **kw):
        return Case(method(attr), [instance()] + args, expect, **kw)

    # construction
    if stem == "view":
        cases += [Case((c, name), [], TYPE), Case((c, name), [plain(3)], TYPE)]
    elif stem == "vec":
        sizes = [(0, OK), (3, OK), (Indexy(2), OK), (-1, TYPE), (2**64, TYPE), (1.5, TYPE), (NAN, TYPE),
                 (None, TYPE), ("3", TYPE), ([3], TYPE), (1j, TYPE), (Broken(), TYPE),
                 (2**64 - 1, MEMORY), (2**63, MEMORY), (2**61, MEMORY)]
        if not SANITIZED:  # passes the size check; only the allocator can refuse it
            sizes.append((2**58, MEMORY))
        cases += [Case((c, name), [plain(v)], e) for v, e in sizes]
        cases += [Case((c, name), [], TYPE), Case((c, name), [plain(2), plain(2)], TYPE),
                  Case((c, name), [], TYPE, kwargs={"size": plain(2)}), Case((c, name), [], TYPE, kwargs={"arg0": plain(2)})]
    else:
        shapes = [((2, 3), OK), ((0, 0), OK), ((0, 2**64 - 1), OK), ((2**64 - 1, 0), OK), ((Indexy(2), 1), OK),
                  ((-1, 2), TYPE), ((2, -1), TYPE), ((2**64, 1), TYPE), ((1, 2**64), TYPE), ((1.5, 2), TYPE),
                  ((2, NAN), TYPE), ((None, 2), TYPE), (("2", 2), TYPE), ((1j, 2), TYPE),
                  ((2**32, 2**32), MEMORY), ((2**64 - 1, 2), MEMORY), ((1, 2**64 - 1), MEMORY), ((2**31, 2**31), MEMORY)]
        if not SANITIZED:
            shapes.append(((2**29, 2**29), MEMORY))
        cases += [Case((c, name), [plain(a), plain(b)], e) for (a, b), e in shapes]
        cases += [Case((c, name), [plain(2)], TYPE), Case((c, name), [plain(2), plain(2), plain(2)], TYPE),
                  Case((c, name), [plain((2, 3))], TYPE), Case((c, name), [plain(2)], TYPE, kwargs={"numCols": plain(3)})]

    # wrong self for every method
    methods = ["numel", "dim", "__getitem__", "__setitem__", "__repr__"]
    valid_rest = {
        "numel": [], "dim": [plain(0)], "__repr__": [],
        "__getitem__": [plain((0, 0) if stem == "mat" else 0)],
        "__setitem__": [plain((0, 0) if stem == "mat" else 0), scalar_valid(letter)],
    }
    for attr in methods:
        cases.append(case(attr, valid_rest[attr], OK))
        for other_letter in LETTERS:
            for other_stem in KINDS:
                if (other_letter, other_stem) != (letter, stem):
                    other = container(other_letter, other_stem, shape=(2, 3))
                    cases.append(Case(method(attr), [other] + valid_rest[attr], TYPE))
        for bad in (None, 1, "x"):
            cases.append(Case(method(attr), [plain(bad)] + valid_rest[attr], TYPE))
        cases.append(Case(method(attr), [], TYPE))
        cases.append(case(attr, valid_rest[attr] + [plain(0)], TYPE))
        if valid_rest[attr]:
            cases.append(case(attr, valid_rest[attr][:-1], TYPE))
            cases.append(case(attr, valid_rest[attr][:-1], TYPE, kwargs={"arg0": valid_rest[attr][-1]}))

    # dim
    limit_dims = 1 if stem != "mat" else 2
    for value, expect in [(0, OK), (limit_dims - 1, OK), (limit_dims, RUNTIME), (2**64 - 1, RUNTIME),
                          (-1, TYPE), (2**64, TYPE), (1.5, TYPE), (None, TYPE), ("0", TYPE), (NAN, TYPE)]:
        cases.append(case("dim", [plain(value)], expect))

    # element access
    if stem == "mat":
        positions = matrix_position_substitutes(2, 3)
    else:
        positions = index_substitutes(length) + slice_substitutes()
    for value, expect in positions:
        cases.append(case("__getitem__", [plain(value)], expect))
        setting = TYPE if isinstance(value, slice) else expect
        cases.append(case("__setitem__", [plain(value), scalar_valid(letter)], setting))
    key = plain((0, 1) if stem == "mat" else 1)
    for value, expect in scalar_substitutes(letter):
        cases.append(case("__setitem__", [key, plain(value)], expect))
    for other_letter in LETTERS:
        for other_stem in KINDS:
            cases.append(case("__setitem__", [key, container(other_letter, other_stem)], TYPE))
    return cases


# ---------------------------------------------------------------------------
# The model class

# The float input and outputs of the identity and gather models.
MODEL_SHAPE = (2, 3)
MODEL_POSITIONS = [[i, j] for i in range(MODEL_SHAPE[0]) for j in range(MODEL_SHAPE[1])]

_model_folder = None


def model_folder():
    """A scratch folder for the model files, removed when the interpreter exits."""
    global _model_folder
    if _model_folder is None:
        _model_folder = tempfile.TemporaryDirectory(prefix="sweep-models-")
    return _model_folder.name


def load_model(*args, **kwargs):
    with quiet_stdout():
        return q.model(*args, **kwargs)


class ModelInput:
    """Input 0 of a model whose output 0 is that input unchanged: observed by
    running the model and reading every element of output 0, bit-exact."""

    def __init__(self, m):
        self.model = m

    def snapshot(self):
        try:
            self.model.run()
            return tuple(struct.pack("<d", self.model.get(0, p)) for p in MODEL_POSITIONS)
        except Exception as error:  # noqa: BLE001 - a model that stopped working differs from one that works
            return f"unusable: {type(error).__name__}: {error}"


def observe(watched):
    if isinstance(watched, ModelInput):
        return watched.snapshot()
    return snapshot(watched)


def model_instance(path, text, poke=None):
    """A freshly loaded model with every input element set to a distinct
    value; `poke` (position, value) overwrites one of them afterwards."""

    def make():
        m = load_model(path)
        for k, position in enumerate(MODEL_POSITIONS):
            m.set(0, position, filler("s", k))
        if poke is not None:
            m.set(0, *poke)
        return m, [ModelInput(m)]

    return Arg(make, text)


def model_files(folder):
    """(identity, gather, failing run, int64 input, scalar, no inputs) paths."""
    import model_support as ms  # onnx and numpy: imported by this group's child only
    import numpy as np
    from onnx import TensorProto, helper, numpy_helper

    def at(name):
        return os.path.join(folder, name)

    identity = ms.identity(at("identity.onnx"), MODEL_SHAPE)
    # y = x, and z looks up a table of four with x cast to integers (towards
    # zero): a run fails once such an integer lies outside [-4, 3], which
    # never happens with the sweep's start values.
    gather = ms.save(
        [helper.make_node("Identity", ["x"], ["y"]),
         helper.make_node("Cast", ["x"], ["k"], to=TensorProto.INT64),
         helper.make_node("Gather", ["table", "k"], ["z"], axis=0)],
        [ms.tensor("x", MODEL_SHAPE)], [ms.tensor("y", MODEL_SHAPE), ms.tensor("z", MODEL_SHAPE)],
        at("gather.onnx"), [ms.const([10.0, 20.0, 30.0, 40.0], "table")])
    # Three elements cannot take the shape (2,): every run fails.
    failing = ms.save([helper.make_node("Reshape", ["x", "shape"], ["y"])], [ms.tensor("x", (3,))],
                      [ms.tensor("y", (2,))], at("failing.onnx"),
                      [numpy_helper.from_array(np.array([2], np.int64), "shape")], check=False)
    integer = ms.identity(at("int64.onnx"), (2,), TensorProto.INT64)
    scalar = ms.identity(at("scalar.onnx"), ())
    value = helper.make_tensor("v", TensorProto.FLOAT, [2], [1.5, -2.0])
    constant = ms.save([helper.make_node("Constant", [], ["y"], value=value)], [],
                       [ms.tensor("y", (2,))], at("constant.onnx"))
    return identity, gather, failing, integer, scalar, constant


def model_index_substitutes():
    """(tensor index, expected outcome) for a model with one input and one output."""
    return [
        (0, OK), (False, OK), (Indexy(0), OK),
        (1, RUNTIME), (True, RUNTIME), (2**63, RUNTIME), (2**64 - 1, RUNTIME),
        (-1, TYPE), (-(2**64), TYPE), (2**64, TYPE), (10**30, TYPE), (0.0, TYPE), (1.5, TYPE),
        (NAN, TYPE), (INF, TYPE), (1j, TYPE), (None, TYPE), ("0", TYPE), ([0], TYPE), ((0,), TYPE),
        (Indexy(-1), TYPE), (Broken(), TYPE),
    ]


def model_position_substitutes():
    """(position, expected outcome) for a 2 x 3 tensor. The entries are signed
    64-bit integers: negative ones reach the runtime's range check."""
    rows, cols = MODEL_SHAPE
    return [
        ([0, 0], OK), ([rows - 1, cols - 1], OK), ((1, 2), OK), (range(2), OK), ([Indexy(1), 0], OK),
        ([True, False], OK),
        ([rows, 0], RUNTIME), ([0, cols], RUNTIME), ([-1, 0], RUNTIME), ([0, -1], RUNTIME),
        ([2**63 - 1, 0], RUNTIME), ([0, -(2**63)], RUNTIME), ([0], RUNTIME), ([], RUNTIME), ([0, 0, 0], RUNTIME),
        ([2**63, 0], TYPE), ([0, 2**64], TYPE), ([-(2**63) - 1, 0], TYPE), ([1.5, 0], TYPE), ([0, 1.0], TYPE),
        ([0, NAN], TYPE), ([0, INF], TYPE), ([None, 0], TYPE), (["0", 0], TYPE), ([[0], 0], TYPE),
        ([Broken(), 0], TYPE), ([Indexy(-(2**64)), 0], TYPE),
        (0, TYPE), (-1, TYPE), (2**64, TYPE), (1.5, TYPE), (None, TYPE), ("01", TYPE), ("", TYPE),
        (b"\x00\x01", TYPE), ({0, 1}, TYPE), ({0: 0, 1: 1}, TYPE), (iter([0, 1]), TYPE), (slice(0, 2), TYPE),
    ]


def model_cases():
    folder = model_folder()
    identity, gather, failing, integer, scalar, constant = model_files(folder)
    missing = os.path.join(folder, "missing.onnx")
    not_a_model = os.path.join(folder, "notes.txt")
    with open(not_a_model, "w") as f:
        f.write("not a model\n")
    new = (load_model, "q.model")
    cases = []

    # construction: a path as str, bytes or bytearray; everything else is refused
    paths = [
        (identity, OK), (identity.encode(), OK), (bytearray(identity.encode()), OK),
        (missing, RUNTIME), (missing.encode() + b"\xff", RUNTIME), ("", RUNTIME), (folder, RUNTIME),
        (not_a_model, RUNTIME), (failing, OK),
        (identity + "\0", VALUE), ("\0" + identity, VALUE), (identity.encode() + b"\0.onnx", VALUE),
        (None, TYPE), (0, TYPE), (-1, TYPE), (2**64, TYPE), (1.5, TYPE), (NAN, TYPE), ([identity], TYPE),
        ((identity,), TYPE), (pathlib.Path(identity), TYPE), (identity[:-5] + "\udcff.onnx", TYPE),
        (Broken(), TYPE), (q.model, TYPE),
    ]
    cases += [Case(new, [plain(v)], e) for v, e in paths]
    cases += [Case(new, [container(letter, kind)], TYPE) for letter in LETTERS for kind in KINDS]
    cases += [Case(new, [], TYPE), Case(new, [plain(identity), plain(identity)], TYPE),
              Case(new, [], TYPE, kwargs={"path": plain(identity)}),
              Case(new, [], TYPE, kwargs={"arg0": plain(identity)})]

    def instance():
        return model_instance(identity, "model(identity 2x3)")

    def method(attr):
        return (getattr(q.model, attr), f"q.model.{attr}")

    def case(attr, args, expect, **kw):
        return Case(method(attr), [instance()] + args, expect, **kw)

    # the wrong self, arity and keywords for every method
    valid_rest = {"run": [], "set": [plain(0), plain([1, 2]), plain(-7.5)], "get": [plain(0), plain([1, 2])]}
    for attr, rest in valid_rest.items():
        cases.append(case(attr, rest, OK))
        for bad in (None, 1, "x", [0]):
            cases.append(Case(method(attr), [plain(bad)] + rest, TYPE))
        for letter in LETTERS:
            for kind in KINDS:
                cases.append(Case(method(attr), [container(letter, kind)] + rest, TYPE))
        cases.append(Case(method(attr), [], TYPE))
        cases.append(case(attr, rest + [plain(0)], TYPE))
        cases.append(case(attr, rest + [plain(None)], TYPE))
        cases.append(case(attr, [], TYPE, kwargs={"now": plain(True)}))
        if rest:
            cases.append(case(attr, rest[:-1], TYPE))
            cases.append(case(attr, rest[:-1], TYPE, kwargs={f"arg{len(rest) - 1}": rest[-1]}))
            cases.append(case(attr, rest[:-1], TYPE, kwargs={"value" if attr == "set" else "tensorIdx": rest[-1]}))
            cases.append(case(attr, [], TYPE, kwargs={f"arg{k}": a for k, a in enumerate(rest)}))

    # each argument of set and get in turn
    value = plain(3.25)
    for attr in ("set", "get"):
        tail = [value] if attr == "set" else []
        for index, expect in model_index_substitutes():
            cases.append(case(attr, [plain(index), plain([0, 1])] + tail, expect))
        for position, expect in model_position_substitutes():
            cases.append(case(attr, [plain(0), plain(position)] + tail, expect))
        for letter in LETTERS:
            for kind in KINDS:
                cases.append(case(attr, [container(letter, kind), plain([0, 1])] + tail, TYPE))
                cases.append(case(attr, [plain(0), container(letter, kind, length=2, shape=(1, 2))] + tail, TYPE))
    for number, expect in scalar_substitutes("s"):
        cases.append(case("set", [plain(0), plain([1, 0]), plain(number)], expect))
    for letter in LETTERS:
        for kind in KINDS:
            cases.append(case("set", [plain(0), plain([1, 0]), container(letter, kind)], TYPE))

    # other models: a failing run, tensors without a view, a scalar, no inputs
    run = method("run")
    cases += [
        Case(run, [model_instance(gather, "model(gather) with x[0, 0] = 2")], OK),
        Case(run, [model_instance(gather, "model(gather) with x[0, 0] = -4", ([0, 0], -4.0))], OK),
        Case(run, [model_instance(gather, "model(gather) with x[1, 2] = 4", ([1, 2], 4.0))], RUNTIME),
        Case(run, [model_instance(gather, "model(gather) with x[0, 0] = -5", ([0, 0], -5.0))], RUNTIME),
        Case(run, [model_instance(gather, "model(gather) with x[0, 1] = 1e30", ([0, 1], 1e30))], RUNTIME),
        Case(method("get"), [model_instance(gather, "model(gather)"), plain(1), plain([1, 2])], OK),
        Case(method("get"), [model_instance(gather, "model(gather)"), plain(2), plain([1, 2])], RUNTIME),
    ]
    others = [
        (failing, "model(failing run)", [("run", [], RUNTIME), ("set", [plain(0), plain([1]), value], OK),
                                         ("get", [plain(0), plain([1])], OK), ("get", [plain(0), plain([])], RUNTIME)]),
        (integer, "model(int64 identity)", [("run", [], OK), ("set", [plain(0), plain([0]), value], RUNTIME),
                                            ("get", [plain(0), plain([0])], RUNTIME)]),
        (scalar, "model(scalar identity)", [("set", [plain(0), plain([]), value], OK),
                                            ("set", [plain(0), plain([0]), value], RUNTIME),
                                            ("get", [plain(0), plain(())], OK), ("get", [plain(0), plain([0])], RUNTIME)]),
        (constant, "model(no inputs)", [("run", [], OK), ("set", [plain(0), plain([0]), value], RUNTIME),
                                        ("get", [plain(0), plain([1])], OK), ("get", [plain(1), plain([1])], RUNTIME)]),
    ]
    for path, text, calls in others:
        # Not the identity model: its input cannot be read back, so only the outcome counts.
        def bare(path=path, text=text):
            return Arg(lambda: (load_model(path), []), text)

        for attr, rest, expect in calls:
            cases.append(Case(method(attr), [bare()] + rest, expect, unchanged=False))
    return cases


# ---------------------------------------------------------------------------
# Groups and the child's entry point


GROUPS = {f"function:{name}": (function_cases, (name,)) for name in FUNCTIONS}
GROUPS.update({f"class:{stem}{letter}": (class_cases, (stem, letter)) for letter in LETTERS for stem in KINDS})
GROUPS["class:model"] = (model_cases, ())


# Calls known to crash the interpreter are left out of the sweep so that it
# can go on; each gets a test of its own in test_bad_input.py. None today.
KNOWN_CRASHES: set[str] = set()


def run_group(group, out=sys.stdout, start=0):
    build, args = GROUPS[group]
    cases = [c for c in build(*args) if c.describe().split(" -> ")[0] not in KNOWN_CRASHES]
    failures = 0
    for i, case in enumerate(cases):
        if i < start:
            continue
        # Written before the call, so that a crash can be traced to its case.
        out.write(f"CASE {i} {case.describe()}\n")
        out.flush()
        complaint = case.run()
        if complaint is not None:
            failures += 1
            out.write(f"FAIL {case.describe()}: {complaint}\n")
    out.write(f"CALLS {len(cases)}\n")
    out.flush()
    return failures


def main(groups):
    total = failures = 0
    for group in groups or list(GROUPS):
        before = failures
        failures += run_group(group, _Counter(sys.stdout))
        total += _Counter.last
        print(f"{group}: {_Counter.last} calls, {failures - before} unexpected outcomes")
    print(f"{total} calls in all, {failures} unexpected outcomes")
    return 1 if failures else 0


class _Counter:
    """Passes FAIL lines through when run by hand and remembers the call count."""

    last = 0

    def __init__(self, stream):
        self.stream = stream

    def write(self, text):
        if text.startswith("CALLS "):
            _Counter.last = int(text.split()[1])
        elif text.startswith("FAIL "):
            self.stream.write(text)

    def flush(self):
        self.stream.flush()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
