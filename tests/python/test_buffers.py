"""quorlibcore_buffers: memoryviews of containers and model tensors."""
import ctypes
import gc
import os
import subprocess
import sys
import weakref
from pathlib import Path

import numpy as np
import pytest
from onnx import TensorProto

import model_support as ms
import quorlibcore
import quorlibcore_buffers as qb
from container_support import KINDS, LETTERS, cls, flat_positions

DTYPES = {"s": np.float32, "d": np.float64, "c": np.complex64, "z": np.complex128}
FORMATS = {"s": "f", "d": "d", "c": "Zf", "z": "Zd"}
CLASSES = [(kind, letter) for letter in LETTERS for kind in KINDS]


class Py_buffer(ctypes.Structure):
    _fields_ = [("buf", ctypes.c_void_p), ("obj", ctypes.c_void_p), ("len", ctypes.c_ssize_t),
                ("itemsize", ctypes.c_ssize_t), ("readonly", ctypes.c_int), ("ndim", ctypes.c_int),
                ("format", ctypes.c_char_p), ("shape", ctypes.POINTER(ctypes.c_ssize_t)),
                ("strides", ctypes.POINTER(ctypes.c_ssize_t)), ("suboffsets", ctypes.c_void_p),
                ("internal", ctypes.c_void_p)]


ctypes.pythonapi.PyObject_GetBuffer.argtypes = [ctypes.py_object, ctypes.POINTER(Py_buffer), ctypes.c_int]
ctypes.pythonapi.PyBuffer_Release.argtypes = [ctypes.POINTER(Py_buffer)]
# Requests by name, and those a consumer that assumes C order makes.
FLAGS = {"simple": 0, "nd": 0x8, "strides": 0x18, "c": 0x38, "f": 0x58, "any": 0x98, "writable": 0x19,
         "full": 0x11D}
C_ORDER = {"simple", "nd", "c"}


def request(obj, flags):
    """(len, ndim, format) the exporter grants for `flags`; raises what it raises."""
    view = Py_buffer()
    ctypes.pythonapi.PyObject_GetBuffer(obj, ctypes.byref(view), flags)
    try:
        return view.len, view.ndim, view.format
    finally:
        ctypes.pythonapi.PyBuffer_Release(ctypes.byref(view))


def make(kind, letter, shape=(3, 2)):
    """A container and the vector it views (itself if none); a view starts at element 2."""
    if kind == "mat":
        c = cls(kind, letter)(*shape)
        return c, c
    n = shape[0] * shape[1]
    if kind == "view":
        parent = cls("vec", letter)(n + 2)
        return parent[2:n + 2], parent
    c = cls(kind, letter)(n)
    return c, c


def address(array):
    return array.__array_interface__["data"][0]


@pytest.mark.parametrize("kind, letter", CLASSES)
def test_memory_shows_and_shares_exactly_the_elements(kind, letter):
    c, parent = make(kind, letter)
    mv = qb.memory(c)
    a = np.asarray(mv)
    size = np.dtype(DTYPES[letter]).itemsize
    assert (mv.format, mv.itemsize, mv.readonly, a.dtype) == (FORMATS[letter], size, False, DTYPES[letter])
    assert (a.shape, a.strides) == (((3, 2), (size, 3 * size)) if kind == "mat" else ((6,), (size,)))
    assert address(a) - address(np.asarray(qb.memory(parent))) == (2 * size if kind == "view" else 0)
    keys = flat_positions(c)
    for n, key in enumerate(keys):
        a[key] = n + 1
    assert [c[key] for key in keys] == list(range(1, 7))
    c[keys[-1]] = 42
    assert a[keys[-1]] == 42
    # The view keeps the storage when every Python object it came from is gone.
    del c, parent, mv
    gc.collect()
    assert a[keys[0]] == 1 and a[keys[-1]] == 42


@pytest.mark.parametrize("letter", LETTERS)
@pytest.mark.parametrize("kind, shape", [("mat", (2, 3)), ("mat", (1, 3)), ("mat", (3, 1)), ("mat", (3, 0)),
                                         ("mat", (0, 0)), ("vec", (2, 3)), ("vec", (0, 1)), ("view", (2, 3))])
@pytest.mark.parametrize("through", ["memoryview", "exporter"])
def test_buffer_requests_are_granted_as_cpython_grants_them(letter, kind, shape, through):
    mv = qb.memory(make(kind, letter, shape)[0])
    target = mv if through == "memoryview" else mv.obj
    assert np.asarray(target).shape == (shape if kind == "mat" else (shape[0] * shape[1],))
    size = mv.itemsize * shape[0] * shape[1]
    c_order = kind != "mat" or min(shape) <= 1
    for name, flags in FLAGS.items():
        if name in C_ORDER and not c_order:
            with pytest.raises(BufferError):
                request(target, flags)
        else:
            assert request(target, flags)[0] == size, name
    with pytest.raises(BufferError):  # a format without a shape
        request(target, 0x4)


@pytest.mark.parametrize("kind, letter", CLASSES)
def test_memory_refuses_uninitialised_instances(kind, letter):
    c = cls(kind, letter)
    with pytest.raises(TypeError, match="not initialised"):
        qb.memory(c.__new__(c))


@pytest.mark.parametrize("call", [lambda: qb.memory(1.0), lambda: qb.memory(np.zeros(3)),
                                  lambda: qb.memory(quorlibcore.model.__new__(quorlibcore.model)),
                                  lambda: qb.model_input(quorlibcore.vecd(3), 0),
                                  lambda: qb.model_output(quorlibcore.model.__new__(quorlibcore.model), 0),
                                  lambda: qb.model_input(None, 0)])
def test_anything_else_is_a_type_error(call):
    with pytest.raises(TypeError):
        call()


ELEMENTS = [(TensorProto.FLOAT, np.float32), (TensorProto.DOUBLE, np.float64), (TensorProto.INT8, np.int8),
            (TensorProto.UINT8, np.uint8), (TensorProto.INT16, np.int16), (TensorProto.UINT16, np.uint16),
            (TensorProto.INT32, np.int32), (TensorProto.UINT32, np.uint32), (TensorProto.INT64, np.int64),
            (TensorProto.UINT64, np.uint64), (TensorProto.BOOL, np.bool_)]
# The bundled runtime refuses to load models with complex tensors.


@pytest.mark.parametrize("elem_type, dtype", ELEMENTS)
@pytest.mark.parametrize("shape", [(), (2, 3, 4)])
def test_model_tensors_are_the_runtimes_memory(elem_type, dtype, shape, tmp_path):
    m = quorlibcore.model(ms.identity(tmp_path / "m.onnx", shape, elem_type))
    x_view, y_view = qb.model_input(m, 0), qb.model_output(m, 0)
    x, y = np.asarray(x_view), np.asarray(y_view)
    assert x.dtype == y.dtype == dtype and x.shape == y.shape == shape
    assert x.flags.writeable and not y.flags.writeable
    with pytest.raises(BufferError):
        request(y_view.obj, FLAGS["writable"])
    x[...] = (np.arange(x.size) % 3 + 1).reshape(shape).astype(dtype)
    m.run()
    np.testing.assert_array_equal(y, x)
    # The views keep the model, and so its tensors, alive.
    del m, x_view, y_view
    gc.collect()
    x[...] = 0
    assert y.sum() != 0


@pytest.mark.parametrize("graph_output", ["y", "x"])
def test_views_agree_with_set_and_get(graph_output, tmp_path):
    # An output that is also the input is one the runtime does not write in place.
    nodes = [ms.helper.make_node("Identity", ["x"], ["y"])] if graph_output == "y" else []
    m = quorlibcore.model(ms.save(nodes, [ms.tensor("x", (1, 3))], [ms.tensor(graph_output, (1, 3))],
                                  tmp_path / "m.onnx"))
    x, y = np.asarray(qb.model_input(m, 0)), np.asarray(qb.model_output(m, 0))
    m.set(0, (0, 1), 2.5)
    x[0, 2] = -1.0
    m.run()
    assert x[0, 1] == 2.5 and [m.get(0, (0, k)) for k in range(3)] == y.tolist()[0] == [0.0, 2.5, -1.0]


@pytest.mark.parametrize("call, message", [(qb.model_input, "input index 1 out of range: the model has 1 inputs"),
                                           (qb.model_output, "output index 1 out of range: the model has 1 outputs")])
def test_model_views_refuse_bad_index_and_strings(call, message, tmp_path):
    m = quorlibcore.model(ms.identity(tmp_path / "m.onnx"))
    with pytest.raises(RuntimeError, match=message):
        call(m, 1)
    s = quorlibcore.model(ms.identity(tmp_path / "s.onnx", (2,), TensorProto.STRING))
    with pytest.raises(RuntimeError, match=r"(input|output) 0 is a tensor of strings, which have no buffer format: pass and receive it through run\(m, feeds\)"):
        call(s, 0)


def test_imported_first_it_imports_quorlibcore_itself_and_refuses_subinterpreters():
    # In a fresh process, where the subinterpreter is the first to import it.
    code = ("import _xxsubinterpreters as s\ntry: s.run_string(s.create(isolated=False), 'import quorlibcore_buffers')\n"
            "except s.RunFailedError as e: print(e)\n"
            "import quorlibcore_buffers as b, quorlibcore as q; print(b.memory(q.matd(2, 3)).shape)")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert "does not support subinterpreters" in out and out.endswith("(2, 3)\n")


@pytest.mark.parametrize("letter", LETTERS)
def test_as_view_works_on_the_buffer_in_place(letter):
    a = (np.arange(8) + 1).astype(DTYPES[letter])
    v = qb.as_view(a[1:7])
    assert type(v) is cls("view", letter) and v.numel() == 6 and v[0] == 2
    v[0], a[2] = 20, 30
    assert a[1] == 20 and v[1] == 30
    expected = a.copy()
    expected[2:8] += 2 * expected[0:6]
    quorlibcore.axpy(2.0, qb.as_view(a[0:6]), qb.as_view(a[2:8]))  # overlapping, so as if x were copied
    np.testing.assert_array_equal(a, expected)
    inner = v[2:4]
    del v, a
    gc.collect()
    assert [inner[0], inner[1]] == list(expected[3:5])


@pytest.mark.parametrize("letter", LETTERS)
@pytest.mark.parametrize("shape", [(3, 4), (1, 5), (5, 1), (0, 3), (3, 0)])
def test_as_matrix_works_on_the_fortran_ordered_buffer_in_place(letter, shape):
    a = np.asfortranarray((np.arange(np.prod(shape)) + 1).reshape(shape), DTYPES[letter])
    m = qb.as_matrix(a)
    assert type(m) is cls("mat", letter) and (m.dim(0), m.dim(1)) == shape
    assert type(qb.as_matrix(np.ascontiguousarray(a.T).T)) is cls("mat", letter)  # a.T of a C-ordered array
    if a.size:
        m[0, shape[1] - 1], a[shape[0] - 1, 0] = 20, 30
        assert a[0, -1] == 20 and m[shape[0] - 1, 0] == 30
    # An output overlapping an input over the same array reads the input as it was.
    x, expected = np.ones(shape[1], DTYPES[letter]), a @ np.ones(shape[1], DTYPES[letter])
    column = qb.as_view(a[:, 0]) if a.size else qb.as_view(np.zeros(shape[0], DTYPES[letter]))
    quorlibcore.gemv(1.0, 0.0, m, qb.as_view(x), column)
    np.testing.assert_allclose(a[:, 0] if a.size else expected, expected, rtol=1e-6)
    del a
    gc.collect()
    assert np.asarray(qb.memory(m)).shape == shape  # the matrix holds the buffer


class Arr(np.ndarray):
    pass


# An array that keeps a container of its own memory: the cycle is collected,
# as one through a memoryview is.
@pytest.mark.parametrize("shape, keep", [
    ((64,), qb.as_view), ((64,), lambda a: qb.memory(qb.as_view(a))),
    ((64,), lambda a: [qb.as_view(a), qb.as_view(a)[1:3], qb.memory(qb.as_view(a)[2:4])]),
    ((8, 8), qb.as_matrix), ((8, 8), lambda a: [qb.as_matrix(a), qb.memory(qb.as_matrix(a))])])
def test_reference_cycles_through_the_buffer_are_collected(shape, keep):
    arrays = [np.ones(shape, order="F").view(Arr) for _ in range(3)]
    alive = [weakref.ref(a) for a in arrays]
    for a in arrays:
        a.kept = keep(a)
    del a, arrays
    gc.collect()
    assert [r() for r in alive] == [None] * 3


@pytest.mark.parametrize("make, source, error, message", [
    (qb.as_view, lambda data: memoryview(data)[1:17].cast("d"), ValueError, "not aligned to their size of 8 bytes"),
    (qb.as_view, lambda data: memoryview(data).cast("d", (1, 3)), ValueError,
     "one-dimensional; the buffer has 2 dimensions"),
    (qb.as_view, lambda data: memoryview(data)[:16].cast("q"), TypeError, "format 'q'; formats f, d, Zf and Zd"),
    (qb.as_view, lambda data: np.zeros(6)[::2], ValueError, "C-contiguous"),
    (qb.as_view, lambda data: b"12345678", BufferError, "not writable"),
    (qb.as_view, lambda data: 1.0, TypeError, "incompatible function arguments"),
    (qb.as_matrix, lambda data: np.zeros((2, 3)), ValueError, r"in C order .* pass a\.T, .* np\.asfortranarray\(a\)"),
    (qb.as_matrix, lambda data: np.zeros((4, 4), order="F")[::2], ValueError, "not contiguous"),
    (qb.as_matrix, lambda data: memoryview(data).cast("d"), ValueError, "two-dimensional; the buffer has 1"),
    (qb.as_matrix, lambda data: memoryview(data)[1:17].cast("d", (2, 1)), ValueError, "not aligned"),
    (qb.as_matrix, lambda data: memoryview(data).cast("q", (3, 1)), TypeError, "format 'q'"),
    (qb.as_matrix, lambda data: np.zeros((2, 2), order="F")[None], ValueError, "the buffer has 3"),
    (qb.as_matrix, lambda data: np.zeros((2, 2), np.int16, order="F"), TypeError, "format 'h'")])
def test_buffer_containers_refuse_and_give_the_export_back(make, source, error, message):
    data = bytearray(24)
    with pytest.raises(error, match=message):
        make(source(data))
    data.append(0)  # not exported any more
    kept = make(memoryview(data)[:24].cast("d", (3,) if make is qb.as_view else (3, 1)))
    with pytest.raises(BufferError):  # exported while the container lives
        data.append(0)
    del kept
    gc.collect()
    data.append(0)


# --- models opened with options ------------------------------------------------

LEVELS = ["disable", "basic", "extended", "all"]


@pytest.fixture(scope="module")
def batch_path(tmp_path_factory):
    """y = relu(x + c), x of shape [batch, ?] (one named, one unnamed dimension), c of shape [1]."""
    nodes = [ms.helper.make_node("Add", ["x", "c"], ["s"]), ms.helper.make_node("Relu", ["s"], ["y"])]
    return ms.save(nodes, [ms.tensor("x", ("batch", None)), ms.tensor("c", (1,))], [ms.tensor("y", ("batch", None))],
                   tmp_path_factory.mktemp("open") / "batch.onnx")


@pytest.mark.parametrize("level", LEVELS)
@pytest.mark.parametrize("given", [{"shapes": {"x": [2, 3]}}, {"shapes": {0: (2, 3)}}, {"dims": {"batch": 2},
                                                                                        "shapes": {"x": [2, 3]}}])
def test_open_dimensions_get_their_sizes_at_every_level(batch_path, level, given):
    m = qb.open_model(batch_path, optimization=level, **given)
    assert type(m) is quorlibcore.model
    assert qb.inputs(m) == [("x", "float32", (2, 3), ("batch", None)), ("c", "float32", (1,), (1,))]
    assert qb.outputs(m)[0].shape is None and qb.outputs(m)[0].declared == ("batch", None)
    with pytest.raises(RuntimeError, match=r"^output 0 'y' has no shape until the model has run"):
        qb.model_output(m, 0)
    np.asarray(qb.model_input(m, 0))[...] = [[1, -2, 3], [-4, 5, -6]]
    m.set(1, [0], 0.5)
    m.run()
    assert qb.outputs(m)[0].shape == (2, 3)
    np.testing.assert_array_equal(qb.model_output(m, 0), [[1.5, 0, 3.5], [0, 5.5, 0]])
    assert m.get(0, [1, 1]) == 5.5


@pytest.mark.parametrize("kwargs, error, message", [
    ({"dims": {"bach": 2}}, ValueError, r"^dims names 'bach', a dimension that no input has; the model's inputs are "
                                        r"input 0 'x' \[batch, \?\], input 1 'c' \[1\]$"),
    ({"shapes": {"y": [2, 3]}}, ValueError, r"^shapes names 'y', which is not an input; the model's inputs are"),
    ({"shapes": {2: [2, 3]}}, ValueError, r"^shapes gives input 2; "),
    ({"shapes": {-1: [2, 3]}}, ValueError, r"inputs are counted from 0"),
    ({"shapes": {"x": [2, 3], 0: [2, 3]}}, ValueError, r"^shapes gives input 0 'x' twice$"),
    ({"shapes": {"x": [2, 3, 1]}}, ValueError, r"^input 0 'x' has the shape \[batch, \?\]; \[2, 3, 1\] does not fit"),
    ({"shapes": {"x": [2, 3], "c": [2]}}, ValueError, r"^input 1 'c' has the shape \[1\]; \[2\] does not fit it"),
    ({"shapes": {"x": [-1, 3]}}, ValueError, r"\[-1, 3\] does not fit it"),
    ({"dims": {"batch": 2}, "shapes": {"x": [3, 3]}}, ValueError, r"\[2, \?\]; \[3, 3\] does not fit it"),
    ({"shapes": {"x": [2**40, 2**20]}}, ValueError, r"would take more than the machine's \d+ bytes of memory"),
    ({"shapes": {"x": [2**62, 2**62]}}, ValueError, r"^input 0 'x' of shape \[4611686018427387904, 4611686018427387904\] "
                                                    r"has more elements than a tensor can count"),
    ({"shapes": {"x": [2**70, 1]}}, ValueError, r"^size 1180591620717411303424 is beyond any size a tensor can have$"),
    ({"dims": {"batch": 0}, "shapes": {"x": [0, 3]}}, ValueError, r"^dims gives 'batch' the size 0; a named"),
    ({"dims": {"batch": 2.0}}, TypeError, r"^dims maps names of dimensions \(str\) to their sizes \(int\)"),
    ({"shapes": {"x": "23"}}, TypeError, r"^shapes maps inputs \(a name or an index\) to shapes"),
    ({"dims": [("batch", 2)]}, TypeError, r"incompatible function arguments"),
    ({"shapes": {"x": [2, 3]}, "threads": -1}, ValueError, r"^threads is -1; it is 0 \(the runtime's default\) to 1024$"),
    ({"shapes": {"x": [2, 3]}, "threads": 2**64}, ValueError, r"^threads is 18446744073709551616;"),
    ({"shapes": {"x": [2, 3]}, "optimization": "ALL"}, ValueError, r"^optimization is 'ALL'; it is one of 'disable'"),
])
def test_open_model_refuses_what_does_not_fit(batch_path, kwargs, error, message):
    with pytest.raises(error, match=message):
        qb.open_model(batch_path, **kwargs)


class RaisingPath:
    def __init__(self, error):
        self.error = error

    def __fspath__(self):
        raise self.error


@pytest.mark.parametrize("path, error, message", [
    (lambda p: p + "\0.onnx", ValueError, r"^embedded null byte$"),
    (lambda p: p + ".missing", RuntimeError, r"^/.*\.missing: Load model from .* failed"),
    (lambda p: p.encode(), RuntimeError, r"^the model's bytes: .*(Protobuf parsing failed|protobuf)"),
    (lambda p: RaisingPath(OSError("no path")), OSError, r"^no path$"),
    (lambda p: RaisingPath(KeyboardInterrupt("stop")), KeyboardInterrupt, r"^stop$"),
    (lambda p: 3.0, TypeError, r"incompatible function arguments"),
])
def test_open_model_paths(batch_path, path, error, message):
    with pytest.raises(error, match=message):
        qb.open_model(path(batch_path))


@pytest.mark.parametrize("source", [
    lambda p: Path(p), lambda p: os.fsdecode(p.encode()), lambda p: Path(p).read_bytes(),
    lambda p: bytearray(Path(p).read_bytes()), lambda p: memoryview(Path(p).read_bytes()),
    lambda p: np.frombuffer(Path(p).read_bytes(), np.uint8)])
def test_open_model_takes_paths_and_bytes(batch_path, source):
    assert qb.inputs(qb.open_model(source(batch_path), shapes={"x": [1, 1]}))[0].shape == (1, 1)


# Without sizes, an input with open dimensions waits for a shape.
@pytest.mark.parametrize("given, declared", [({}, r"\[batch, \?\]"), ({"dims": {"batch": 2}}, r"\[2, \?\]")])
def test_inputs_without_sizes_wait_for_a_shape(batch_path, given, declared):
    m = qb.open_model(batch_path, **given)
    assert qb.inputs(m)[0].shape is None and qb.inputs(m)[1].shape == (1,)
    message = rf"^input 0 'x' {declared} has no tensor yet: its shape has open dimensions"
    for call in (lambda: qb.model_input(m, "x"), m.run, lambda: m.set(0, [0, 0], 1.0)):
        with pytest.raises(RuntimeError, match=message):
            call()
    qb.set_input_shape(m, "x", [2, 1])
    m.run()
    assert qb.outputs(m)[0].shape == (2, 1)


# With the named size given, the runtime plans with it and knows the output's shape.
@pytest.mark.parametrize("level", ["basic", "all"])
def test_named_sizes_are_planned_with(tmp_path, level):
    m = qb.open_model(ms.identity(tmp_path / "b.onnx", ("batch", 3)), dims={"batch": 4}, optimization=level)
    assert qb.outputs(m) == [("y", "float32", (4, 3), ("batch", 3))]
    with pytest.raises(ValueError, match=r"^input 0 'x' has the shape \[4, 3\]; \[5, 3\] does not fit"):
        qb.set_input_shape(m, 0, [5, 3])


def test_reshapes_and_binds_between_runs(batch_path):
    m = qb.open_model(batch_path, shapes={"x": [1, 2]})
    old_input = np.asarray(qb.model_input(m, 0))
    old_input[...] = 7
    a = np.array([[1, -2, 3], [-4, 5, -6]], dtype=np.float32)
    qb.bind_input(m, 0, a)
    m.run()
    first = np.asarray(qb.model_output(m, 0))
    a[0, 1] = 9  # changed in place, it feeds the next run
    m.run()
    np.testing.assert_array_equal(qb.model_output(m, 0), [[1, 9, 3], [0, 5, 0]])
    np.testing.assert_array_equal(first, [[1, 9, 3], [0, 5, 0]])  # the output keeps its memory while its shape stays
    out = np.full((2, 3), -1, dtype=np.float32)
    qb.bind_output(m, 0, out)
    m.run()
    np.testing.assert_array_equal(out, [[1, 9, 3], [0, 5, 0]])
    qb.set_input_shape(m, 0, [4, 3])  # zeros again, and the bound output no longer fits
    assert np.asarray(qb.model_input(m, 0)).tolist() == [[0] * 3] * 4 and old_input.tolist() == [[7, 7]]
    with pytest.raises(RuntimeError, match=r"^output 0 'y' is bound to memory of the shape \[2, 3\], and the run gives "
                                           r"it the shape \[4, 3\]"):
        m.run()
    assert out.tolist() == [[1, 9, 3], [0, 5, 0]] and qb.outputs(m)[0].shape == (2, 3)
    qb.bind_output(m, 0, np.empty((4, 3), dtype=np.float32))
    m.run()
    assert qb.inputs(m)[0].shape == (4, 3) and qb.outputs(m)[0].shape == (4, 3)
    del m
    gc.collect()
    assert old_input.sum() == 14 and first[0, 0] == 1


@pytest.mark.parametrize("group", ["input", "output"])
@pytest.mark.parametrize("buffer, error, message", [
    (lambda: np.zeros((2, 3)), TypeError, r"holds float32 elements \(format 'f'\); the buffer's format is 'd'"),
    (lambda: np.zeros((2, 3), np.int32), TypeError, r"the buffer's format is 'i'"),
    (lambda: np.zeros((2, 3, 1), np.float32), ValueError, r"\[2, 3, 1\] does not fit it"),
    (lambda: np.zeros((2, 2), np.float32), ValueError, r"has the shape \[1, n\]; \[2, 2\] does not fit it"),
    (lambda: np.zeros((2, 6), np.float32)[:, ::2], ValueError, r"the buffer is not C-contiguous"),
    (lambda: np.asfortranarray(np.zeros((3, 3), np.float32)), ValueError, r"not C-contiguous"),
    (lambda: memoryview(bytearray(13))[1:].cast("f", (1, 3)), ValueError, r"not aligned to 4 bytes"),
    (lambda: 3, TypeError, r"incompatible function arguments"),
])
def test_binds_that_do_not_fit_change_nothing(tmp_path, group, buffer, error, message):
    m = qb.open_model(ms.identity(tmp_path / "m.onnx", (1, "n")), shapes={"x": [1, 3]})
    np.asarray(qb.model_input(m, 0))[...] = [[1, 2, 3]]
    with pytest.raises(error, match=message):
        (qb.bind_input if group == "input" else qb.bind_output)(m, 0, buffer())
    m.run()
    assert np.asarray(qb.model_output(m, 0)).tolist() == [[1, 2, 3]]


def test_read_only_memory_binds_as_a_read_only_input(tmp_path):
    m = quorlibcore.model(ms.identity(tmp_path / "m.onnx", (1, 3)))
    fixed = np.arange(3, dtype=np.float32).reshape(1, 3)
    fixed.setflags(write=False)
    qb.bind_input(m, 0, fixed)
    with pytest.raises(RuntimeError, match=r"^input 'x' is bound to read-only memory: it cannot be written$"):
        m.set(0, [0, 0], 1.0)
    assert qb.model_input(m, 0).readonly
    with pytest.raises(ValueError, match=r"^bind_output: the buffer is read-only"):
        qb.bind_output(m, 0, fixed)
    m.run()
    assert m.get(0, [0, 2]) == 2.0
    # On a model opened by path alone, set_input_shape can only confirm the shape.
    qb.set_input_shape(m, 0, [1, 3])
    assert qb.inputs(m) == [("x", "float32", (1, 3), (1, 3))] and not qb.model_input(m, 0).readonly
    with pytest.raises(ValueError, match=r"^input 0 'x' has the shape \[1, 3\]; \[2, 3\] does not fit it"):
        qb.set_input_shape(m, 0, [2, 3])


def test_data_dependent_output_comes_with_each_run(tmp_path):
    path = ms.save([ms.helper.make_node("NonZero", ["x"], ["y"])], [ms.tensor("x", (2, 3))],
                   [ms.tensor("y", (2, "n"), TensorProto.INT64)], tmp_path / "nz.onnx")
    m = qb.open_model(path)
    x = np.asarray(qb.model_input(m, 0))
    views = []
    for values in ([[0, 1, 0], [2, 0, 3]], [[0] * 3] * 2, [[1, 0, 0], [0, 0, 0]]):
        x[...] = values
        m.run()
        views.append(np.asarray(qb.model_output(m, 0)))
    assert [v.tolist() for v in views] == [[[0, 1, 1], [1, 0, 2]], [[], []], [[0], [0]]]


@pytest.mark.parametrize("type_name, dtype", [("FLOAT16", "float16"), ("BFLOAT16", "bfloat16"),
                                              ("FLOAT8E4M3FN", "float8_e4m3fn"), ("FLOAT8E5M2FNUZ", "float8_e5m2fnuz")])
def test_every_element_type_opens(tmp_path, type_name, dtype):
    elem_type = getattr(TensorProto, type_name)
    path = ms.save([ms.helper.make_node("Cast", ["x"], ["y"], to=elem_type)], [ms.tensor("x", (2,))],
                   [ms.tensor("y", (2,), elem_type)], tmp_path / "m.onnx", check=False)
    ms.onnx.save(ms.onnx.helper.make_model(ms.onnx.load(path).graph, opset_imports=[ms.helper.make_opsetid("", 19)],
                                           ir_version=9), path)
    m = qb.open_model(path)
    assert qb.outputs(m)[0][:2] == ("y", dtype)
    m.set(0, [1], 1.5)
    m.run()
    if type_name == "FLOAT16":
        assert np.asarray(qb.model_output(m, 0)).tolist() == [0.0, 1.5]
        return
    with pytest.raises(RuntimeError, match=f"^output 'y' has element type 'ONNX_TENSOR_ELEMENT_DATA_TYPE_{type_name}', "
                                           "which has no struct format"):
        m.get(0, [0])
    with pytest.raises(RuntimeError, match=f"^output 0 has element type '.*{type_name}', which has no buffer format"):
        qb.model_output(m, 0)


def test_values_that_are_not_tensors(tmp_path):
    seq = ms.helper.make_tensor_sequence_value_info
    path = ms.save([ms.helper.make_node("SequenceConstruct", ["x", "x"], ["s"])], [ms.tensor("x", (2,))],
                   [seq("s", TensorProto.FLOAT, [2])], tmp_path / "seq.onnx")
    m = qb.open_model(path)
    m.run()
    assert qb.outputs(m) == [("s", "sequence", None, None)]
    with pytest.raises(RuntimeError, match=r"^output 's' is a sequence, not a tensor"):
        m.get(0, [0])
    with pytest.raises(RuntimeError, match=r"^output 0 's' is a sequence, not a tensor$"):
        qb.model_output(m, 0)
    path = ms.save([ms.helper.make_node("SequenceAt", ["s", "k"], ["y"])],
                   [seq("s", TensorProto.FLOAT, [2]), ms.tensor("k", (), TensorProto.INT64)], [ms.tensor("y", (2,))],
                   tmp_path / "seq_in.onnx")
    m = qb.open_model(path)
    with pytest.raises(RuntimeError, match=r"^input 0 's' is a sequence: only tensor inputs can be given$"):
        m.run()


SILENCE = """
import sys
import numpy as np
sys.path.insert(0, sys.argv[2])
import model_support as ms
import quorlibcore_buffers as qb
for level in ("disable", "all"):
    m = qb.open_model(sys.argv[1], optimization=level, threads=1, trace=sys.argv[3] == "1")
    try:
        m.run()
    except RuntimeError:
        pass
"""


@pytest.mark.parametrize("trace", [False, True])
def test_silent_unless_asked(tmp_path, trace):
    # An unused initializer and an output of the wrong rank, which the runtime
    # warns of when it loads the model, and logs as an error when a run fails.
    path = ms.save([ms.helper.make_node("Identity", ["x"], ["y"])], [ms.tensor("x", (3,))],
                   [ms.tensor("y", (3, 1))], tmp_path / "warns.onnx", [ms.const([1.0], "unused")], check=False)
    proc = ms.run_python(SILENCE, path, Path(__file__).parent, int(trace))
    assert proc.returncode == 0, proc.stderr
    if not trace:
        assert (proc.stdout, proc.stderr) == ("", "")
    else:
        assert proc.stdout == 2 * ms.trace([("x", (3,), True)], [("y", (), True)]) and "Removing initializer" in proc.stderr


# The model class reports the buffers bound to it to the garbage collector.
class Lender:
    """Lends memory through __buffer__: a memoryview of its own bytes, which
    the collector would give back while exports of it live."""

    def __init__(self, shape):
        self.data, self.shape = bytearray(4 * int(np.prod(shape))), shape

    def __buffer__(self, flags):
        return memoryview(self.data).cast("f", self.shape)


# A cycle through an array subclass is collected; one through a memoryview
# (or a class that lends through one) is kept, whole and usable: collecting
# it would give the memory back while the model still shows it.
@pytest.mark.parametrize("holder, lend, collected", [
    (lambda: np.zeros((1, 3), np.float32).view(Arr), lambda h: h, True),
    (lambda: np.zeros((1, 3), np.float32).view(Arr), memoryview, False),
    (lambda: Lender((1, 3)), lambda h: h, False), (lambda: Lender((1, 3)), memoryview, False)])
def test_cycles_through_a_bound_buffer(tmp_path, holder, lend, collected):
    m = qb.open_model(ms.identity(tmp_path / "m.onnx", (1, 3)))
    lender = holder()
    lender.m = m
    qb.bind_input(m, 0, lend(lender))
    lender.view = qb.model_input(m, 0)
    gone = weakref.ref(lender)
    del m, lender
    gc.collect()
    assert (gone() is None) == collected
    if not collected:
        assert qb.run(gone().m)["y"].tolist() == [[0, 0, 0]]


@pytest.mark.parametrize("name", sorted(ms.SILERO_OPEN))
def test_silero_models_open_run_and_agree(name):
    path = os.path.join(ms.SILERO, name)
    signal = np.sin(np.arange(512 * 6) / 9.0).astype(np.float32) * np.linspace(0, 0.8, 512 * 6, dtype=np.float32)
    results = [ms.silero_stream(qb.open_model(path, optimization=level, **given), signal)
               for given in ms.SILERO_OPEN[name] for level in ("disable", "all")]
    for result in results[1:]:
        np.testing.assert_allclose(result, results[0], atol=1e-5)
    if name != "silero_vad_openvino_16k.onnx":
        with pytest.raises(RuntimeError):
            quorlibcore.model(path)


# With sizes for its named dimensions, the older silero detector gives every
# frame what the runtime gives without them (once the runtime's reused memory
# plan got every frame after the first wrong at these sizes).
@pytest.mark.parametrize("frame", [256, 480, 512])
def test_named_sizes_give_what_whole_shapes_give(frame):
    rng = np.random.default_rng(frame)
    signal = (rng.standard_normal(frame * 200) * np.sin(np.arange(frame * 200) / 300.0)).astype(np.float32)
    named = qb.open_model(ms.OPENWAKEWORD_SILERO, dims={"batch": 1, "sequence": frame})
    whole = qb.open_model(ms.OPENWAKEWORD_SILERO, shapes={"input": [1, frame], "h": [2, 1, 64], "c": [2, 1, 64]})
    np.testing.assert_allclose(ms.silero_stream(named, signal, frame, 0), ms.silero_stream(whole, signal, frame, 0),
                               rtol=1e-5, atol=1e-5)


# An output the runtime sizes keeps the memory of its first run for as long
# as runs leave its shape: a view taken once shows every later run.
def test_a_view_of_an_output_sized_by_the_run_follows_every_run(batch_path):
    m = qb.open_model(batch_path, shapes={"x": [2, 3]})
    x = np.asarray(qb.model_input(m, "x"))
    m.run()
    y = np.asarray(qb.model_output(m, "y"))
    for k in range(10):
        x[...] = k
        m.run()
    assert y.tolist() == [[9, 9, 9]] * 2 and qb.outputs(m)[0].shape == (2, 3)


# Inputs are read while outputs are written: no memory is shared between the
# two groups, or between two outputs; inputs may share theirs.
@pytest.mark.parametrize("bind, message", [
    (lambda m, a: (qb.bind_input(m, "x", a), qb.bind_output(m, "y", a)),
     r"^the memory bound to output 0 'y' overlaps the memory of input 0 'x'"),
    (lambda m, a: qb.bind_output(m, "y", qb.model_input(m, "s")),
     r"^the memory bound to output 0 'y' overlaps the memory of input 1 's'"),
    (lambda m, a: (qb.bind_output(m, "y", a), qb.bind_output(m, "sn", a)),
     r"^the memory bound to output 1 'sn' overlaps the memory of output 0 'y': every output needs memory"),
    (lambda m, a: (m.run(), qb.bind_input(m, "s", qb.model_output(m, "sn"))),
     r"^the memory bound to input 1 's' overlaps the memory of output 1 'sn'.*keep two buffers and swap them"),
    (lambda m, a: (qb.bind_input(m, "x", a), qb.bind_input(m, "s", a)), None)])
def test_inputs_and_outputs_never_share_memory(tmp_path, bind, message):
    nodes = [ms.helper.make_node("Transpose", ["x"], ["y"]), ms.helper.make_node("Relu", ["s"], ["sn"])]
    m = qb.open_model(ms.save(nodes, [ms.tensor("x", (3, 3)), ms.tensor("s", (3, "n"))],
                              [ms.tensor("y", (3, 3)), ms.tensor("sn", (3, "n"))], tmp_path / "t.onnx"),
                      shapes={"s": [3, 3]})
    a = np.arange(9, dtype=np.float32).reshape(3, 3)
    if message is None:
        bind(m, a)
        m.run()
        assert np.asarray(qb.model_output(m, "y")).tolist() == a.T.tolist()
        return
    with pytest.raises(ValueError, match=message):
        bind(m, a)


# Empty tensors whose other sizes are huge: strides that fit; a shape whose
# sizes other than 0 have no product is refused before anything is made.
def test_empty_shapes_with_huge_sizes(tmp_path):
    view = qb.memory(quorlibcore.matd(2**60 + 1, 0))
    assert view.shape == (2**60 + 1, 0) and view.nbytes == 0 and min(view.strides) >= 0
    path = ms.identity(tmp_path / "e.onnx", ("a", "b", "c"))
    m = qb.open_model(path)
    qb.set_input_shape(m, 0, [0, 3, 2**61 + 1])
    x = qb.model_input(m, "x")
    assert x.shape == (0, 3, 2**61 + 1) and x.nbytes == 0 and min(x.strides) >= 0
    message = r"^input 0 'x' of shape \[4611686018427387904, 4611686018427387904, 0\] has more elements than a tensor"
    with pytest.raises(ValueError, match=message):
        qb.set_input_shape(m, 0, [2**62, 2**62, 0])
    with pytest.raises(ValueError, match=message):
        qb.open_model(path, shapes={"x": [2**62, 2**62, 0]})
