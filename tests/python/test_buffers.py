"""quorlibcore_buffers: memoryviews of containers and model tensors."""
import ctypes
import gc
import subprocess
import sys
import weakref

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
    with pytest.raises(RuntimeError, match=r"(input|output) 0 has element type 'ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING'"):
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
