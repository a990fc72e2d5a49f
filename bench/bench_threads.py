"""What the interpreter lock means for a program: threads and processes.

Run it with:  .venv/bin/python bench/bench_threads.py

First a second Python thread doing small numpy work (a dot product of 10⁴
doubles per tick) runs beside one long call in the main thread: its ticks
during the call against its rate while the main thread sleeps, and the time
of its first tick after the call started, show whether the call lets other
threads run (the ticks beside a call that does not come in the switch
interval after it has returned, before the main thread has the lock back).
Then four independent power iterations (gemv, dot and scale on a 400 × 400
matrix, 5000 steps each) run one after another, in two threads and in two processes (spawned, each limited to one
BLAS thread with threadpoolctl). Best of three rounds (for the ticks, the
round in which the numpy thread got the most); prints markdown.
"""

import concurrent.futures
import multiprocessing
import os
import tempfile
import threading
import time

import numpy as np
from threadpoolctl import threadpool_limits

import quorlibcore as q
from quorlibcore_buffers import memory, model_input

import results

ROUNDS = 3
GEMM_N, LS_M, LS_N, MODEL_N = 1500, 4000, 500, 1500
TASKS, POWER_N, STEPS = 4, 400, 5000


def ticks_beside(prepare, call):
    """(seconds of call(), ticks of a numpy thread meanwhile, seconds from
    the call's start to the thread's first tick in it)."""
    v = np.ones(10_000)
    stamps, stop = [], False

    def ticker():
        while not stop:
            np.dot(v, v)
            stamps.append(time.perf_counter())

    thread = threading.Thread(target=ticker)
    thread.start()
    prepare()
    time.sleep(0.05)
    start = time.perf_counter()
    call()
    end = time.perf_counter()
    stop = True
    thread.join()
    inside = [t for t in stamps if start <= t <= end]
    return end - start, len(inside), (inside[0] if inside else end) - start


def matmul_model(n):
    import onnx
    from onnx import TensorProto, helper
    graph = helper.make_graph([helper.make_node("MatMul", ["a", "b"], ["c"])], "mm",
                              [helper.make_tensor_value_info(name, TensorProto.FLOAT, [n, n]) for name in "ab"],
                              [helper.make_tensor_value_info("c", TensorProto.FLOAT, [n, n])])
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17)])
    model.ir_version = 9
    path = os.path.join(tempfile.mkdtemp(), "mm.onnx")
    onnx.save(model, path)
    saved, null = os.dup(1), os.open(os.devnull, os.O_WRONLY)
    os.dup2(null, 1)  # the load trace goes to the native standard output
    try:
        m = q.model(path)
    finally:
        os.dup2(saved, 1)
        os.close(saved)
        os.close(null)
    for i in range(2):
        np.asarray(model_input(m, i))[...] = 1.0
    return m


def long_calls():
    rng = np.random.default_rng(1)
    A, X, Y = (q.matd(GEMM_N, GEMM_N) for _ in range(3))
    for c in (A, X):
        np.asarray(memory(c))[...] = rng.standard_normal((GEMM_N, GEMM_N))
    An, Xn = (np.asfortranarray(np.asarray(memory(c))) for c in (A, X))
    Yn = np.empty_like(An)
    L, b = q.matd(LS_M, LS_N), q.vecd(LS_M)
    Ln, bn = rng.standard_normal((LS_M, LS_N)), rng.standard_normal(LS_M)

    def refill():  # ls overwrites both
        np.asarray(memory(L))[...] = Ln
        np.asarray(memory(b))[:] = bn

    m = matmul_model(MODEL_N)
    nothing = lambda: None
    return [("main thread sleeping", nothing, lambda: time.sleep(0.2)),
            (f"`gemm` {GEMM_N}²", nothing, lambda: q.gemm(1.0, 0.0, A, X, Y)),
            (f"numpy `matmul` {GEMM_N}², `out=`", nothing, lambda: np.matmul(An, Xn, out=Yn)),
            (f"`ls` {LS_M}×{LS_N}", refill, lambda: q.ls(L, b)),
            (f"`model.run()`, float MatMul {MODEL_N}²", nothing, m.run)]


def power_iteration(seed):
    rng = np.random.default_rng(seed)
    A, x, y = q.matd(POWER_N, POWER_N), q.vecd(POWER_N), q.vecd(POWER_N)
    np.asarray(memory(A))[...] = rng.random((POWER_N, POWER_N))
    np.asarray(memory(x))[:] = 1.0
    for _ in range(STEPS):
        q.gemv(1.0, 0.0, A, x, y)
        q.scale(1.0 / q.dot(y, y) ** 0.5, y)
        x, y = y, x
    return q.dot(x, y)


def one_blas_thread():
    threadpool_limits(1, user_api="blas")


def best(fn):
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    table = results.Table("calls", ["call in the main thread", "ms", "ticks of the numpy thread", "per ms",
                                    "its first tick, ms into the call"])
    for label, prepare, call in long_calls():
        prepare()
        call()
        seconds, got, first = max((ticks_beside(prepare, call) for _ in range(ROUNDS)), key=lambda r: r[1] / r[0])
        table.row(label, f"{seconds * 1e3:.0f}", got, f"{got / seconds / 1e3:.1f}", f"{first * 1e3:.1f}")

    tasks = range(TASKS)
    rows = []
    for blas in (1, 2):
        with threadpool_limits(blas, user_api="blas"):
            rows.append((f"one after another, {blas} BLAS thread(s)", best(lambda: list(map(power_iteration, tasks)))))
            with concurrent.futures.ThreadPoolExecutor(2) as pool:
                rows.append((f"two threads, {blas} BLAS thread(s)",
                             best(lambda: list(pool.map(power_iteration, tasks)))))
    spawn = multiprocessing.get_context("spawn")
    with concurrent.futures.ProcessPoolExecutor(2, mp_context=spawn, initializer=one_blas_thread) as pool:
        list(pool.map(int, range(2)))  # started before the clock runs
        rows.append(("two processes, 1 BLAS thread each", best(lambda: list(pool.map(power_iteration, tasks)))))
    print()
    table = results.Table("power", [f"{TASKS} power iterations ({POWER_N}², {STEPS} steps)", "s"])
    for label, seconds in rows:
        table.row(label, f"{seconds:.2f}")
    results.save()


if __name__ == "__main__":
    main()
