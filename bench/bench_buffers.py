"""Bulk data exchange through quorlibcore_buffers, next to numpy and onnxruntime.

Run it with:  .venv/bin/python bench/bench_buffers.py

Bulk rows run in this process, the two engines interleaved, each time the
best of several repeats. Model rows run one process per engine, as in
bench_model.py (onnxruntime comes from its throwaway environment,
build/bench-venv). Every row is end to end: data starts and ends in numpy
arrays. Ratios below 1 mean quorlibcore is faster.
"""

import json
import sys
import time
from pathlib import Path

import numpy as np
from onnx import helper, numpy_helper

sys.path.insert(0, str(Path(__file__).resolve().parent))
import bench_model  # noqa: E402
import results  # noqa: E402

import quorlibcore as q  # noqa: E402
from quorlibcore_buffers import as_matrix, as_view, memory  # noqa: E402

ROUNDS, REPEATS = 10, 5


def best(fn, repeats=REPEATS):
    fn()
    t_best = float("inf")
    for _ in range(repeats):
        t = time.perf_counter()
        fn()
        t_best = min(t_best, time.perf_counter() - t)
    return t_best


# The BLAS of numpy and quorlibcore's each keep a thread pool, whose threads
# spin for a moment after a call before they sleep: on two cores they slow
# down a multi-threaded call of the other library made in that moment. Each
# engine's repeats therefore start after that moment has passed.
SETTLE = 0.3


def interleaved(ours, theirs, settle=0.0):
    a, b = float("inf"), float("inf")
    for _ in range(ROUNDS):
        time.sleep(settle)
        a = min(a, best(ours))
        time.sleep(settle)
        b = min(b, best(theirs))
    return a, b


def bulk_rows():
    rng = np.random.default_rng(0)
    n = 10**6
    src, out = rng.standard_normal(n), np.empty(n)
    v = q.vecd(n)
    other = np.empty(n)
    z_src = np.asfortranarray(rng.standard_normal((1000, 1000)) + 1j * rng.standard_normal((1000, 1000)))
    z_out, z_other = np.empty_like(z_src, order="F"), np.empty_like(z_src, order="F")
    Z = q.matz(1000, 1000)

    t = np.linspace(0.0, 1.0, 100_000)
    y = 1.0 - 2.0 * t + 3.0 * t * t + rng.normal(0.0, 0.01, t.size)

    def fit_ours():
        A, b = q.matd(t.size, 3), q.vecd(t.size)
        M = np.asarray(memory(A))
        M[:, 0] = 1.0
        M[:, 1] = t
        np.multiply(t, t, out=M[:, 2])
        np.copyto(np.asarray(memory(b)), y)
        q.ls(A, b)
        return np.array(memory(b)[:3])

    def fit_numpy():
        A = np.empty((t.size, 3), order="F")
        A[:, 0] = 1.0
        A[:, 1] = t
        np.multiply(t, t, out=A[:, 2])
        return np.linalg.lstsq(A, y, rcond=None)[0]

    x_np, y_np = rng.standard_normal(n), rng.standard_normal(n)
    xv, yv = q.vecd(n), q.vecd(n)

    def axpy_copied():
        np.copyto(np.asarray(memory(xv)), x_np)
        Y = np.asarray(memory(yv))
        np.copyto(Y, y_np)
        q.axpy(2.5, xv, yv)
        return Y.copy()

    # The same with quorlibcore views of the numpy arrays: y is updated where it is.
    x_ours, y_ours = x_np.copy(), y_np.copy()

    def axpy_ours():
        q.axpy(2.5, as_view(x_ours), as_view(y_ours))

    def axpy_numpy():
        return 2.5 * x_np + y_np

    # The same with both arrays living in quorlibcore's storage from the start.
    X, Y = np.asarray(memory(xv)), np.asarray(memory(yv))
    x_own, y_own = x_np.copy(), y_np.copy()

    def axpy_in_place():
        y_own[...] += 2.5 * x_own

    cg_ours, cg_numpy = conjugate_gradients(rng)
    gemm_ours, gemm_numpy = products(rng)
    return [
        ("copy-in, 10⁶ doubles", lambda: np.copyto(np.asarray(memory(v)), src), lambda: np.copyto(other, src)),
        ("copy-out, 10⁶ doubles", lambda: np.copyto(out, np.asarray(memory(v))), lambda: np.copyto(out, other)),
        ("copy-in, 1000×1000 matz", lambda: np.copyto(np.asarray(memory(Z)), z_src),
         lambda: np.copyto(z_other, z_src)),
        ("copy-out, 1000×1000 matz", lambda: np.copyto(z_out, np.asarray(memory(Z))),
         lambda: np.copyto(z_out, z_other)),
        ("fit of a quadratic to 10⁵ points (ls vs lstsq)", fit_ours, fit_numpy),
        ("y = 2.5·x + y on numpy's arrays of 10⁶ doubles (as_view)", axpy_ours, axpy_numpy),
        ("the same, copied into quorlibcore storage and back (memory)", axpy_copied, axpy_numpy),
        ("y += 2.5·x in place, 10⁶ doubles already in quorlibcore storage (X, Y views)",
         lambda: q.axpy(2.5, xv, yv), axpy_in_place),
        ("conjugate gradients, n = 2000, 60 iterations, F-ordered A (as_matrix, as_view)", cg_ours, cg_numpy),
        ("gemm of 500² F-ordered matrices into a numpy result (as_matrix) vs np.matmul(out=)", gemm_ours,
         gemm_numpy),
    ]


def conjugate_gradients(rng, n=2000, iterations=60):
    """The same iteration on numpy's arrays: quorlibcore works on them in place."""
    B = rng.standard_normal((n, n))
    A = np.asfortranarray(B @ B.T / n + np.eye(n))  # symmetric positive definite
    b = rng.standard_normal(n)
    x, r, p, Ap = (np.empty(n) for _ in range(4))

    def ours():
        Am, xv, rv, pv, Apv = as_matrix(A), as_view(x), as_view(r), as_view(p), as_view(Ap)
        x[:] = 0.0
        np.copyto(r, b)
        np.copyto(p, b)
        rs = q.dot(rv, rv)
        for _ in range(iterations):
            q.gemv(1.0, 0.0, Am, pv, Apv)
            alpha = rs / q.dot(pv, Apv)
            q.axpy(alpha, pv, xv)
            q.axpy(-alpha, Apv, rv)
            rs_new = q.dot(rv, rv)
            q.axpy(1.0, rv, q.scale(rs_new / rs, pv))  # p = r + (rs_new / rs) p
            rs = rs_new
        return x

    def numpy():
        x, r = np.zeros(n), b.copy()
        p, rs = r.copy(), r @ r
        for _ in range(iterations):
            Ap = A @ p
            alpha = rs / (p @ Ap)
            x += alpha * p
            r -= alpha * Ap
            rs_new = r @ r
            p = r + (rs_new / rs) * p
            rs = rs_new
        return x

    np.testing.assert_allclose(ours(), numpy(), rtol=1e-8, atol=1e-10)
    return ours, numpy


def products(rng, n=500):
    A, B = (np.asfortranarray(rng.standard_normal((n, n))) for _ in range(2))
    C, D = np.zeros((n, n), order="F"), np.zeros((n, n), order="F")

    def ours():
        q.gemm(1.0, 0.0, as_matrix(A), as_matrix(B), as_matrix(C))

    def numpy():
        np.matmul(A, B, out=D)

    ours(), numpy()
    np.testing.assert_allclose(C, D, rtol=1e-10, atol=1e-10)
    return ours, numpy


# ---------------------------------------------------------------------------
# Models: x from a numpy array into the model, run, y into a numpy array.

def save_mlp(sizes, rows, path):
    rng = np.random.default_rng(0)
    nodes, inits, current = [], [], "x"
    layers = list(zip(sizes[:-1], sizes[1:]))
    for k, (n_in, n_out) in enumerate(layers):
        w = (rng.standard_normal((n_in, n_out)) / np.sqrt(n_in)).astype(np.float32)
        inits += [numpy_helper.from_array(w, f"W{k}"),
                  numpy_helper.from_array(rng.standard_normal(n_out).astype(np.float32), f"b{k}")]
        last = k == len(layers) - 1
        nodes += [helper.make_node("MatMul", [current, f"W{k}"], [f"m{k}"]),
                  helper.make_node("Add", [f"m{k}", f"b{k}"], ["y" if last else f"z{k}"])]
        if not last:
            nodes.append(helper.make_node("Tanh", [f"z{k}"], [f"a{k}"]))
        current = f"a{k}"
    graph = helper.make_graph(nodes, "mlp", [bench_model.helper.make_tensor_value_info("x", 1, [rows, sizes[0]])],
                              [bench_model.helper.make_tensor_value_info("y", 1, [rows, sizes[-1]])], inits)
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17)])
    model.ir_version = 9
    bench_model.onnx.save(model, str(path))
    return str(path)


def build_models():
    tiny = bench_model.build_models()["tiny"]
    models = {"tiny": (tiny[0], [1, 3], [1, 2])}
    for name, rows in (("mlp", 1), ("batch", 1000)):
        path = save_mlp((256, 256, 10), rows, bench_model.MODELS / f"mlp256_{rows}.onnx")
        models[name] = (path, [rows, 256], [rows, 10])
    return models


# Many short repeats: on a shared machine the best of them finds the quiet moments.
MODEL_REPEATS = 25

QUORLIB_WORKER = bench_model.TIMER + f"REPEATS = {MODEL_REPEATS}\n" + """
import numpy as np
import quorlibcore
from quorlibcore_buffers import bind_input, model_input, model_output
for name, (path, shape_in, shape_out) in models.items():
    m = quorlibcore.model(path)
    x_in, y_out = np.asarray(model_input(m, 0)), np.asarray(model_output(m, 0))
    src = np.full(shape_in, 0.25, dtype=np.float32)
    out = np.empty(shape_out, dtype=np.float32)

    def inference(m=m, x_in=x_in, y_out=y_out, src=src, out=out):
        np.copyto(x_in, src)
        m.run()
        np.copyto(out, y_out)

    results[name] = per_call(inference, repeats=REPEATS)
    if name == "batch":
        # The caller's array itself as the input: nothing is copied in.
        bind_input(m, 0, src)

        def bound(m=m, y_out=y_out, out=out):
            m.run()
            np.copyto(out, y_out)

        results["batch bound"] = per_call(bound, repeats=REPEATS)
print(json.dumps(results))
"""

ORT_WORKER = bench_model.TIMER + f"REPEATS = {MODEL_REPEATS}\n" + """
import numpy as np
import onnxruntime as ort
for name, (path, shape_in, shape_out) in models.items():
    options = ort.SessionOptions()
    options.graph_optimization_level = ort.GraphOptimizationLevel.ORT_DISABLE_ALL
    session = ort.InferenceSession(path, options, providers=["CPUExecutionProvider"])
    src = np.full(shape_in, 0.25, dtype=np.float32)
    out = np.empty(shape_out, dtype=np.float32)

    def plain(session=session, src=src, out=out):
        np.copyto(out, session.run(None, {"x": src})[0])

    x_bound, y_bound = np.empty_like(src), np.empty_like(out)
    binding = session.io_binding()
    binding.bind_ortvalue_input("x", ort.OrtValue.ortvalue_from_numpy(x_bound))
    binding.bind_ortvalue_output("y", ort.OrtValue.ortvalue_from_numpy(y_bound))

    def bound(session=session, binding=binding, src=src, out=out, x_bound=x_bound, y_bound=y_bound):
        np.copyto(x_bound, src)
        session.run_with_iobinding(binding)
        np.copyto(out, y_bound)

    results[f"{name} numpy"] = per_call(plain, repeats=REPEATS)
    results[f"{name} iobinding"] = per_call(bound, repeats=REPEATS)
print(json.dumps(results))
"""


def main():
    table = results.Table("bulk", ["bulk, ms (best of repeats, interleaved)", "quorlibcore_buffers", "numpy",
                                   "ratio", "goal"])
    for label, ours, theirs in bulk_rows():
        a, b = interleaved(ours, theirs, SETTLE if label.startswith(("conjugate", "gemm", "fit")) else 0.0)
        goal = ("≤ 1.1" if label.startswith("copy") else "—" if label.startswith("the same")
                else "≤ 0.9" if label.startswith("conjugate") else "≤ 1.0")
        table.row(label, f"{a * 1e3:.3f}", f"{b * 1e3:.3f}", f"{a / b:.2f}", goal)

    models = build_models()
    arg = json.dumps(models)
    ort_python = bench_model.bench_venv_python()
    ours, theirs = {}, {}
    for _ in range(5):  # engines alternate; the best of the rounds counts
        for target, python, code in ((ours, sys.executable, QUORLIB_WORKER), (theirs, ort_python, ORT_WORKER)):
            for key, value in bench_model.worker(python, code, arg).items():
                target[key] = min(target.get(key, float("inf")), value)
    print()
    table = results.Table("models", ["model end to end, µs per call", "quorlibcore + buffers",
                                     "onnxruntime, numpy input", "onnxruntime, IO binding",
                                     "ratio to onnxruntime's best", "goal"])
    labels = {"tiny": "tiny model (1×3 → 1×2)", "mlp": "MLP 256-256-10, one row",
              "batch": "MLP 256-256-10, batch of 1000 rows",
              "batch bound": "the same, the numpy input bound with bind_input"}
    for name, label in labels.items():
        peer = name.split()[0]
        a, p, b = ours[name], theirs[f"{peer} numpy"], theirs[f"{peer} iobinding"]
        table.row(label, f"{a:.2f}", f"{p:.2f}", f"{b:.2f}", f"{a / min(p, b):.2f}", "≤ 1.0")
    print("\nEvery row but the bound one copies the input from a numpy array into the engine, and every row the "
          "output into a numpy array; both engines run with graph optimisations off.")
    results.save()


if __name__ == "__main__":
    main()
