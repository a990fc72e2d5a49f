"""Element access, slicing and storage sharing of the container classes."""

import gc

import pytest

import quorlibcore
from container_support import Index, outcome, read_flat


def contents(container):
    return [container[i] for i in range(container.numel())]


# ---------------------------------------------------------------- construction


def test_new_containers_read_zero(vec, mat, value, letter):
    v = vec(3)
    m = mat(2, 3)
    assert v.numel() == 3 and v.dim(0) == 3
    assert (m.numel(), m.dim(0), m.dim(1)) == (6, 2, 3)
    zero = value(0)
    assert contents(v) == [zero] * 3
    assert [m[r, c] for r in range(2) for c in range(3)] == [zero] * 6
    assert all(type(x) is type(zero) for x in contents(v))
    assert type(m[0, 0]) is type(zero)


def test_sizes_accept_integer_like_objects(vec, mat):
    assert vec(Index(2)).numel() == 2
    assert mat(Index(2), Index(3)).numel() == 6
    v = vec(0)
    assert v.numel() == 0


@pytest.mark.parametrize("idx", [1, 2, 7, 2**64 - 1])
def test_vector_and_view_dim_rejects_other_numbers(vec, idx):
    v = vec(4)
    for container in (v, v[1:3]):
        with pytest.raises(RuntimeError, match=rf"^dimension {idx} invalid for vector$"):
            container.dim(idx)
    assert v[1:3].dim(0) == 2


@pytest.mark.parametrize("idx", [2, 5])
def test_matrix_dim_rejects_other_numbers(mat, idx):
    with pytest.raises(RuntimeError, match=rf"^dimension {idx} invalid for matrix$"):
        mat(2, 3).dim(idx)


@pytest.mark.parametrize("args", [(-1,), (1.5,), ("3",), (2**64,)])
def test_bad_vector_sizes_are_type_errors(vec, args):
    with pytest.raises(TypeError):
        vec(*args)


@pytest.mark.parametrize(
    "make",
    [
        lambda: quorlibcore.vecd(2**62),
        lambda: quorlibcore.vecs(2**64 - 1),
        lambda: quorlibcore.vecz(2**60),
        lambda: quorlibcore.matz(2**31, 2**31),
        lambda: quorlibcore.matd(2**32, 2**32),
        lambda: quorlibcore.mats(3, 2**63),
    ],
    ids=["vecd-2^62", "vecs-2^64-1", "vecz-2^60", "matz-2^31^2", "matd-product-overflow", "mats-product-overflow"],
)
def test_impossible_sizes_raise_memory_error(make):
    with pytest.raises(MemoryError):
        make()


# ---------------------------------------------------------------- elements


def test_vector_elements_round_trip(vec, value):
    v = vec(5)
    v[4] = value(2.5, -1.5)
    v[0] = value(-3.0, 0.25)
    assert v[4] == value(2.5, -1.5)
    assert contents(v) == [value(-3.0, 0.25), 0, 0, 0, value(2.5, -1.5)]
    v[Index(1)] = value(1.0)
    assert v[Index(1)] == value(1.0)


@pytest.mark.parametrize(
    "size, idx",
    [(5, 5), (5, 6), (0, 0), (1, 2**64 - 1)],
)
def test_vector_index_out_of_range(vec, value, size, idx):
    v = vec(size)
    message = rf"^index {idx} exceeds max number of elements {size}$"
    with pytest.raises(RuntimeError, match=message):
        v[idx]
    with pytest.raises(RuntimeError, match=message):
        v[idx] = value(1.0)


@pytest.mark.parametrize("idx", [-1, 1.0, 2**64, "0", None, (0, 0)])
def test_bad_indices_are_type_errors(vec, value, idx):
    v = vec(3)
    with pytest.raises(TypeError):
        v[idx]
    with pytest.raises(TypeError):
        v[idx] = value(1.0)
    with pytest.raises(TypeError):
        v[0:3][idx]


@pytest.mark.parametrize("letter", ["s", "d"])
@pytest.mark.parametrize("bad", [1j, complex(1.0, 0.0), "1.0", None])
def test_real_classes_reject_non_real_values(vec, mat, bad):
    v = vec(2)
    m = mat(2, 2)
    for container, idx in ((v, 0), (v[0:2], 1), (m, (1, 1))):
        with pytest.raises(TypeError):
            container[idx] = bad
    assert contents(v) == [0.0, 0.0]
    assert m[1, 1] == 0.0


@pytest.mark.parametrize("letter", ["c", "z"])
@pytest.mark.parametrize("given, stored", [(3, 3 + 0j), (-0.5, -0.5 + 0j), (True, 1 + 0j)])
def test_complex_classes_accept_real_numbers(vec, mat, given, stored):
    v = vec(1)
    m = mat(1, 1)
    v[0] = given
    m[0, 0] = given
    assert v[0] == stored and type(v[0]) is complex
    assert m[0, 0] == stored and type(m[0, 0]) is complex


@pytest.mark.parametrize("letter", ["s", "d"])
def test_real_classes_accept_integers(vec):
    v = vec(1)
    v[0] = 3
    assert v[0] == 3.0 and type(v[0]) is float


@pytest.mark.parametrize(
    "letter, given, expected",
    [
        ("s", 0.1, 0.10000000149011612),
        ("d", 0.1, 0.1),
        ("c", 0.1 - 0.1j, complex(0.10000000149011612, -0.10000000149011612)),
        ("z", 0.1 - 0.1j, 0.1 - 0.1j),
        ("s", 1e-50, 0.0),
    ],
)
def test_single_precision_rounds_on_write(vec, mat, given, expected):
    v = vec(2)
    m = mat(1, 1)
    v[1] = given
    v[0:2][0] = given
    m[0, 0] = given
    assert v[0] == v[1] == m[0, 0] == expected


# ---------------------------------------------------------------- slicing


@pytest.mark.parametrize(
    "key, positions",
    [
        (slice(None), [0, 1, 2, 3, 4]),
        (slice(1, 4), [1, 2, 3]),
        (slice(2, None), [2, 3, 4]),
        (slice(-2, None), [3, 4]),
        (slice(None, -1), [0, 1, 2, 3]),
        (slice(-10, 2), [0, 1]),
        (slice(0, 5, 1), [0, 1, 2, 3, 4]),
        (slice(3, 100), [3, 4]),
        (slice(10, 20), []),
        (slice(2, 2), []),
        (slice(4, 2), []),
        (slice(-1, -3), []),
    ],
)
def test_vector_slices_select_positions(numbered, view_cls, value, key, positions):
    v = numbered(5)
    w = v[key]
    assert type(w) is view_cls
    assert w.numel() == w.dim(0) == len(positions)
    assert contents(w) == [value(p, -p) for p in positions]
    with pytest.raises(RuntimeError, match=rf"^index {len(positions)} exceeds max number of elements {len(positions)}$"):
        w[len(positions)]


@pytest.mark.parametrize("step", [2, 3, -1, -2])
def test_steps_other_than_one_are_rejected(numbered, step):
    v = numbered(5)
    for container in (v, v[1:5]):
        for key in (slice(None, None, step), slice(0, 3, step), slice(3, 0, step)):
            with pytest.raises(RuntimeError, match=r"^stepsizes larger than 1 invalid for vector$"):
                container[key]


def test_zero_step_and_non_integer_bounds_come_from_the_interpreter(numbered):
    v = numbered(5)
    for container in (v, v[:]):
        with pytest.raises(ValueError):
            container[::0]
        with pytest.raises(TypeError):
            container[1.5:]
        with pytest.raises(TypeError):
            container["a":"b"]
    assert v[Index(1) : Index(3)].numel() == 2


def test_views_share_storage_with_their_vector(numbered, value):
    v = numbered(5)
    w = v[1:4]
    w[0] = value(7.0, 7.0)
    assert v[1] == value(7.0, 7.0)
    v[3] = value(-6.0, 1.0)
    assert w[2] == value(-6.0, 1.0)
    other = v[2:5]
    other[1] = value(9.0)
    assert w[2] == value(9.0)
    # Nothing outside the window is reachable through it.
    with pytest.raises(RuntimeError, match=r"^index 3 exceeds max number of elements 3$"):
        w[3] = value(1.0)
    assert v[4] == value(4, -4)


@pytest.mark.parametrize(
    "key, positions",
    [
        (slice(1, 3), [2, 3]),
        (slice(None), [1, 2, 3]),
        (slice(-1, None), [3]),
        (slice(0, 10), [1, 2, 3]),
        (slice(3, 3), []),
        (slice(2, 1), []),
    ],
)
def test_view_of_view_counts_from_the_view_start(numbered, view_cls, value, key, positions):
    v = numbered(5)
    inner = v[1:4][key]
    assert type(inner) is view_cls
    assert contents(inner) == [value(p, -p) for p in positions]
    if positions:
        inner[0] = value(42.0)
        assert v[positions[0]] == value(42.0)


def test_empty_view_from_reversed_bounds(numbered):
    v = numbered(6)
    empty = v[4:2]
    assert empty.numel() == 0
    for idx in (0, 1, 4):
        with pytest.raises(RuntimeError, match=rf"^index {idx} exceeds max number of elements 0$"):
            empty[idx]
    for key in (slice(0, 0), slice(None), slice(5, 1)):
        assert empty[key].numel() == 0


def test_view_outlives_its_vector(numbered, value):
    v = numbered(5)
    w = v[1:4]
    del v
    gc.collect()
    assert contents(w) == [value(1, -1), value(2, -2), value(3, -3)]
    w[2] = value(8.0, 0.5)
    inner = w[2:3]
    del w
    gc.collect()
    assert inner.numel() == 1
    assert inner[0] == value(8.0, 0.5)
    inner[0] = value(1.0)
    assert "Column vector of size: 1" in repr(inner)


def test_for_loop_ends_with_the_range_error(numbered, value):
    v = numbered(3)
    for container, expected in ((v, [0, 1, 2]), (v[1:3], [1, 2])):
        seen = []
        with pytest.raises(RuntimeError, match=rf"^index {len(expected)} exceeds max number of elements {len(expected)}$"):
            for x in container:
                seen.append(x)
        assert seen == [value(p, -p) for p in expected]


# ---------------------------------------------------------------- matrices


def test_matrix_elements_round_trip(mat, value):
    m = mat(2, 3)
    for r in range(2):
        for c in range(3):
            m[r, c] = value(10 * r + c, -c)
    assert [m[r, c] for r in range(2) for c in range(3)] == [
        value(10 * r + c, -c) for r in range(2) for c in range(3)
    ]
    m[[1, 2]] = value(5.0)
    assert m[(1, 2)] == value(5.0)


@pytest.mark.parametrize(
    "shape, pos, message",
    [
        ((2, 3), (0, 3), "requested array index 6exceeds max number of elements 6"),
        ((2, 3), (6, 0), "requested array index 6exceeds max number of elements 6"),
        ((2, 3), (2, 0), "index for dimension 02exceeds max number of elements for that dimension 2"),
        ((2, 3), (5, 0), "index for dimension 05exceeds max number of elements for that dimension 2"),
        ((2, 3), (0, 2**63), "index for dimension 19223372036854775808exceeds max number of elements for that dimension 3"),
        ((0, 4), (0, 0), "requested array index 0exceeds max number of elements 0"),
        ((0, 4), (0, 3), "requested array index 0exceeds max number of elements 0"),
        ((3, 0), (1, 0), "requested array index 1exceeds max number of elements 0"),
    ],
)
def test_matrix_position_errors(mat, value, shape, pos, message):
    m = mat(*shape)
    before = repr(m)
    with pytest.raises(RuntimeError) as read:
        m[pos]
    assert str(read.value) == message
    with pytest.raises(RuntimeError) as write:
        m[pos] = value(1.0, 1.0)
    assert str(write.value) == message
    assert repr(m) == before


@pytest.mark.parametrize("pos", [(-1, 0), (0, -1), (0, 0, 0), (0,), 0, (0.0, 0), (2**64, 0)])
def test_bad_matrix_positions_are_type_errors(mat, value, pos):
    m = mat(2, 2)
    with pytest.raises(TypeError):
        m[pos]
    with pytest.raises(TypeError):
        m[pos] = value(1.0)
    assert repr(m) == repr(mat(2, 2))


def test_failed_writes_leave_vectors_unchanged(numbered, value, letter):
    v = numbered(4)
    before = repr(v)
    w = v[1:3]
    bad_value = "x" if letter in ("c", "z") else 1j
    attempts = [
        lambda: v.__setitem__(4, value(1.0)),
        lambda: w.__setitem__(2, value(1.0)),
        lambda: v.__setitem__(-1, value(1.0)),
        lambda: v.__setitem__(0, bad_value),
        lambda: w.__setitem__(0, bad_value),
    ]
    for attempt in attempts:
        with pytest.raises((RuntimeError, TypeError)):
            attempt()
    assert repr(v) == before


# ------------------------------------------------- fast paths against pybind11
# `v[k]`, `v[k] = x`, `numel` and `dim` skip pybind11's dispatcher for the
# arguments they recognise, in every calling form (on the instance, as a kept
# bound method, read from the class); whatever the argument, the outcome is
# the one pybind11's function (`__func__`) gives.

def pybind11_outcome(call, c):
    """What pybind11's function gives, its message quoting `c` briefly as the fallbacks do."""
    kind, text = outcome(call)
    size = f"{c.dim(0)} x {c.dim(1)}" if type(c).__name__.startswith("mat") else c.numel()
    return kind, text.replace(repr(c), f"quorlibcore.{type(c).__name__} of {size} elements") if kind is TypeError else text


def calling_forms(c, name):
    bound = getattr(c, name)
    return [lambda *a: getattr(c, name)(*a), lambda *a: bound(*a), lambda *a: getattr(type(c), name)(c, *a)]


VECTOR_KEYS = [3, 0, 6, True, Index(3), -1, 2**64, 3.0, "3", None, slice(1, 4), slice(None, 2), slice(-2, None),
               slice(4, 1), slice(1, 4, 2), slice(None, None, -1), slice(0, 4, 0), slice(Index(1), 4),
               slice(1.0, 4), (1,)]
MATRIX_KEYS = [(1, 2), (0, 0), (2, 0), (0, 3), [1, 2], (True, 1), (Index(1), 2), (-1, 0), (1,), (1, 2, 3), 3,
               (2**64, 0), (1.0, 2)]


@pytest.mark.parametrize("kind", ["vec", "view", "mat"])
def test_element_access_and_methods_match_pybind11(kind, numbered, mat, value):
    def make():
        if kind == "mat":
            m = mat(2, 3)
            for i in range(6):
                m[i % 2, i // 2] = value(i, -i)
            return m
        v = numbered(6)
        return v[0:6] if kind == "view" else v

    cls = type(make())
    for name in ["numel", "dim", "__getitem__", "__setitem__", "__repr__"]:
        for attribute in ["__doc__", "__name__", "__qualname__", "__module__", "__text_signature__"]:
            expected = getattr(getattr(cls, name).__func__, attribute)
            assert getattr(getattr(cls, name), attribute) == getattr(getattr(make(), name), attribute) == expected
    for key in MATRIX_KEYS if kind == "mat" else VECTOR_KEYS:
        c = make()
        expected = pybind11_outcome(lambda: cls.__getitem__.__func__(c, key), c)
        for form in [lambda k: c[k]] + calling_forms(c, "__getitem__"):
            assert outcome(lambda: form(key)) == expected, key
        for new in [2.5, 2, True, Index(2), 1j, "2", None]:
            slow = make()
            expected = pybind11_outcome(lambda: cls.__setitem__.__func__(slow, key, new), slow)

            def assign(target, k, x):
                target[k] = x

            for index in range(4):
                fast = make()
                form = [lambda k, x: assign(fast, k, x)] + calling_forms(fast, "__setitem__")
                assert outcome(lambda: form[index](key, new)) == expected, (key, new, index)
                assert read_flat(fast) == read_flat(slow), (key, new, index)
    for args in [(), (0,), (1,), (2,), (True,), (Index(1),), (-1,), (0.0,), (0, 1)]:
        c = make()
        for name in ["dim", "numel"]:
            expected = pybind11_outcome(lambda: getattr(cls, name).__func__(c, *args), c)
            assert all(outcome(lambda: form(*args)) == expected for form in calling_forms(c, name)), args
    meta = type(cls)  # pybind11's metaclass: a data descriptor of its own comes first, as on `type`
    meta.numel = property(lambda _: "the metaclass's")
    try:
        assert cls.numel == "the metaclass's"
    finally:
        del meta.numel
    assert cls.numel is cls.__dict__["numel"] and cls.numel(make()) == make().numel()
    sub = type("sub", (cls,), {})
    assert sub.numel is cls.numel
    sub.numel = 5  # a change to the class is seen at once
    assert sub.numel == 5
