"""Several Python threads working on shared and private containers at once,
and running models of their own meanwhile."""

import random
import sys
import threading
import time

import numpy as np
import pytest
from onnx import helper

import model_support as ms
import quorlibcore_buffers as qb
import quorlibcore as q
from container_support import LETTERS, cls, read_flat, write_flat

THREADS = 6
SECONDS = 2.0
# Every element of the shared containers always holds one of these: threads
# only write them, copy or swap between shared containers.
SHARED_VALUES = (0.0, 1.0, -2.0, 4.0, 0.5)


def private_round(rng, letter):
    """Arithmetic on containers only this thread sees; small integers keep every result exact."""
    vec, mat = cls("vec", letter), cls("mat", letter)
    n = rng.randint(0, 24)
    x, y = vec(n), vec(n)
    write_flat(x, [float(i) for i in range(n)])
    write_flat(y, [2.0 * i for i in range(n)])
    assert q.sum(x, y) is y
    assert read_flat(y) == [3.0 * i for i in range(n)]
    q.axpy(2, x, y)
    assert read_flat(y) == [5.0 * i for i in range(n)]
    assert q.dot(x, x) == sum(i * i for i in range(n))
    tail = y[1:]
    q.scale(2.0, tail)
    assert read_flat(y) == [5.0 * i * (2 if i else 1) for i in range(n)]
    q.swap(x, y)
    assert read_flat(x)[1:] == [10.0 * i for i in range(1, n)]
    q.copy(y, x)
    assert read_flat(x) == read_flat(y) == [float(i) for i in range(n)]

    A, v, w = mat(2, 3), vec(3), vec(2)
    write_flat(A, [1.0, 2.0, 3.0, 4.0, 5.0, 6.0])  # rows (1, 3, 5) and (2, 4, 6)
    write_flat(v, [1.0, 1.0, 2.0])
    q.gemv(1.0, 0.0, A, v, w)
    assert read_flat(w) == [14.0, 18.0]
    q.matvec(A, v, w)
    assert read_flat(w) == [28.0, 36.0]
    X, Y = mat(3, 2), mat(2, 2)
    write_flat(X, [1.0, 0.0, 0.0, 0.0, 1.0, 0.0])
    q.matmul(A, X, Y)
    assert read_flat(Y) == [1.0, 2.0, 3.0, 4.0]
    if n:
        assert repr(x).startswith(f"Column vector of size: {n}\n[")


def shared_round(rng, letter, shared, loose_views):
    v, m = shared[letter]
    length = v.numel()
    a = rng.randint(0, length)
    b = rng.randint(a, length)
    view = v[a:b][0:]
    loose_views.append(view)  # dropped later, possibly by another thread
    if loose_views and rng.random() < 0.5:
        loose_views.pop(rng.randrange(len(loose_views)))
    if view.numel():
        view[rng.randrange(view.numel())] = rng.choice(SHARED_VALUES)
    half = length // 2
    if rng.random() < 0.5:
        q.copy(v[0:half], v[half : 2 * half])
    else:
        q.swap(v[0:half], m)  # the matrix holds as many elements as half the vector
    q.dot(v, v)
    repr(view)
    m[rng.randrange(m.dim(0)), rng.randrange(m.dim(1))] = rng.choice(SHARED_VALUES)
    for value in read_flat(view) + read_flat(m):
        assert value in SHARED_VALUES, value


MODEL_SHAPE = (2, 3)


def scale_and_shift(path, a, b):
    """y = x * a + b elementwise and z = -x, for x of MODEL_SHAPE. Each is a
    single rounding per operation, so float32 arithmetic in numpy gives the
    same bits."""
    nodes = [helper.make_node("Mul", ["x", "a"], ["xa"]), helper.make_node("Add", ["xa", "b"], ["y"]),
             helper.make_node("Neg", ["x"], ["z"])]
    return ms.save(nodes, [ms.tensor("x", MODEL_SHAPE)], [ms.tensor("y", MODEL_SHAPE), ms.tensor("z", MODEL_SHAPE)],
                   path, [ms.const(a, "a"), ms.const(b, "b")])


@pytest.fixture(scope="module")
def thread_models(tmp_path_factory):
    """One model file per thread, each with constants of its own, so that a
    result that went to the wrong model shows."""
    folder = tmp_path_factory.mktemp("thread_models")
    models = []
    for index in range(THREADS):
        rng = np.random.default_rng(100 + index)
        a = rng.standard_normal(MODEL_SHAPE).astype(np.float32)
        b = rng.standard_normal(MODEL_SHAPE[1]).astype(np.float32)
        models.append((scale_and_shift(folder / f"t{index}.onnx", a, b), a, b))
    return models


def model_round(rng, m, a, b):
    """Sets every input element, runs, and checks every output element bit for bit."""
    x = np.array([[rng.uniform(-1e3, 1e3) for _ in range(MODEL_SHAPE[1])] for _ in range(MODEL_SHAPE[0])],
                 dtype=np.float32)
    ms.set_array(m, 0, x)
    m.run()
    if rng.random() < 0.5:
        m.run()  # inputs persist: the same outputs again
    expected_y = x * a + b
    for position in np.ndindex(*MODEL_SHAPE):
        assert m.get(0, list(position)) == float(expected_y[position]), position
        assert m.get(1, list(position)) == -float(x[position]), position


def run_threads(setup, work):
    """Runs `work(index, rng, state)` over and over in THREADS threads for
    SECONDS; `state` is what `setup(index)` returned in that thread. Every
    thread must finish at least one round without an error."""
    barrier = threading.Barrier(THREADS)
    errors, rounds = [], [0] * THREADS

    def worker(index):
        rng = random.Random(index)
        try:
            state = setup(index)
            barrier.wait()
            deadline = time.monotonic() + SECONDS
            while time.monotonic() < deadline:
                work(index, rng, state)
                rounds[index] += 1
        except BaseException as error:  # reported by the main thread
            errors.append((index, repr(error)))
            barrier.abort()

    in_threads(worker, THREADS, switch=1e-5)  # switch threads as often as the interpreter allows
    assert not errors, errors
    assert all(r > 0 for r in rounds), rounds


def make_shared():
    shared = {}
    for letter in LETTERS:
        v, m = cls("vec", letter)(64), cls("mat", letter)(4, 8)
        write_flat(v, [SHARED_VALUES[i % 5] for i in range(64)])
        write_flat(m, [SHARED_VALUES[i % 3] for i in range(32)])
        shared[letter] = (v, m)
    return shared


def check_shared(shared):
    for v, m in shared.values():
        assert set(read_flat(v)) <= set(SHARED_VALUES)
        assert set(read_flat(m)) <= set(SHARED_VALUES)


def test_threads_running_operations_and_element_access_together():
    shared, loose_views = make_shared(), []

    def work(index, rng, state):
        letter = rng.choice(LETTERS)
        private_round(rng, letter)
        shared_round(rng, letter, shared, loose_views)

    run_threads(lambda index: None, work)
    check_shared(shared)


def test_threads_running_a_model_each_alongside_container_work(thread_models):
    shared, loose_views = make_shared(), []

    def setup(index):
        # Loaded in the thread itself, while the others load theirs.
        path, a, b = thread_models[index]
        return q.model(path), a, b

    def work(index, rng, state):
        letter = rng.choice(LETTERS)
        private_round(rng, letter)
        model_round(rng, *state)
        shared_round(rng, letter, shared, loose_views)

    run_threads(setup, work)
    check_shared(shared)


# --- runs of quorlibcore_buffers.run, which let the interpreter lock go ---

@pytest.fixture(scope="module")
def long_model(tmp_path_factory):
    """y = tanh(...tanh(x @ W) @ W ...), 24 layers of 384 x 384: tens of
    milliseconds a run on x of shape 256 x 384."""
    w = ms.const(np.eye(384, dtype=np.float32) * 0.5, "W")
    nodes, last = [], "x"
    for k in range(24):
        nodes += [helper.make_node("MatMul", [last, "W"], [f"m{k}"]), helper.make_node("Tanh", [f"m{k}"], [f"t{k}"])]
        last = f"t{k}"
    nodes.append(helper.make_node("Identity", [last], ["y"]))
    return ms.save(nodes, [ms.tensor("x", ("n", 384))], [ms.tensor("y", ("n", 384))],
                   tmp_path_factory.mktemp("long") / "long.onnx", [w])


def expected_long(x):
    for _ in range(24):
        x = np.tanh(x @ (np.eye(384, dtype=np.float32) * 0.5))
    return x


# Runs of one model or of several, fed or reading the model's own tensors,
# from several threads at once: each gets its own answer.
@pytest.mark.parametrize("shared, fed", [(False, True), (True, True), (True, False)])
def test_runs_go_side_by_side(long_model, shared, fed):
    models = [qb.open_model(long_model, shapes={"x": [4, 384]}, threads=1)] * 4 if shared else \
        [qb.open_model(long_model, shapes={"x": [4, 384]}, threads=1) for _ in range(4)]
    np.asarray(qb.model_input(models[0], "x"))[...] = 1.0
    errors = []

    def work(k):
        try:
            for r in range(5):
                x = np.full((4, 384), 0.1 * (k + r), np.float32) if fed else np.ones((4, 384), np.float32)
                y = qb.run(models[k], {"x": x} if fed else None)["y"]
                np.testing.assert_allclose(y, expected_long(x), rtol=1e-4, atol=1e-6)
        except Exception as error:  # noqa: BLE001 (reported below)
            errors.append(repr(error))

    in_threads(work, 4)
    assert not errors, errors


# While a run in another thread reads the model's own inputs, writing or
# replacing them is refused; reading them is not. Other threads go on.
def test_a_running_model_refuses_writes_to_its_inputs(long_model):
    m = qb.open_model(long_model, shapes={"x": [256, 384]}, threads=1)
    done, ticks = threading.Event(), [0]
    runner = threading.Thread(target=lambda: (qb.run(m), done.set()))
    runner.start()
    refused = set()
    writes = {"set": lambda: m.set(0, [0, 0], 1.0), "set_input_shape": lambda: qb.set_input_shape(m, "x", [1, 384]),
              "bind_input": lambda: qb.bind_input(m, "x", np.zeros((256, 384), np.float32))}
    while not done.is_set():
        ticks[0] += 1
        for name, write in writes.items():
            try:
                write()
            except RuntimeError as error:
                assert "the model is running in another thread" in str(error)
                refused.add(name)
        assert qb.inputs(m)[0].shape == (256, 384) and qb.model_input(m, "x").shape == (256, 384)
    runner.join()
    assert refused == set(writes) and ticks[0] > 10
    qb.set_input_shape(m, "x", [1, 384])


# Several threads running, binding, reshaping and collecting one model at the
# shortest switch interval: every refusal is the documented one, and nothing
# breaks.
def test_one_model_under_every_call_at_once(long_model):
    m = qb.open_model(long_model, shapes={"x": [2, 384]}, threads=1)
    stop, errors = time.monotonic() + SECONDS, []
    calls = [lambda: qb.run(m, {"x": np.ones((3, 384), np.float32)}), lambda: qb.run(m), m.run,
             lambda: qb.bind_input(m, "x", np.ones((2, 384), np.float32)),
             lambda: qb.set_input_shape(m, "x", [random.randint(1, 3), 384]), lambda: m.set(0, [0, 0], 0.5),
             lambda: np.asarray(qb.model_input(m, "x")).sum(), lambda: qb.outputs(m), gc_collect]

    def work(k):
        rng = random.Random(k)
        while time.monotonic() < stop:
            try:
                rng.choice(calls)()
            except RuntimeError as error:
                if "running in another thread" not in str(error) and "has no shape until" not in str(error):
                    errors.append(repr(error))
            except Exception as error:  # noqa: BLE001
                errors.append(repr(error))

    in_threads(work, THREADS, switch=1e-6)
    assert not errors, errors[:5]


def in_threads(work, count, switch=None):
    """work(k) in `count` threads at once, at the switch interval given."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(switch or interval)
    try:
        threads = [threading.Thread(target=work, args=(k,)) for k in range(count)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(timeout=120)
    finally:
        sys.setswitchinterval(interval)
    assert not any(t.is_alive() for t in threads)


def gc_collect():
    import gc
    gc.collect()
