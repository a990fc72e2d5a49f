"""Per-call cost of quorlibcore.model next to the onnxruntime Python package.

Run it with:  .venv/bin/python bench/bench_model.py

Two models: a tiny one (y = x @ W + b, x 1x3, y 1x2) and a small MLP
(64-128-128-10, ReLU between layers). Each engine runs in a process of its
own. The onnxruntime package is not one of the project's requirements: it is
installed on first use into a throwaway environment, build/bench-venv, made
from the same CPython 3.12 as .venv. Times are the best of several repeats
of a timed loop, in microseconds per call.
"""

import json
import os
import subprocess
import sys
import textwrap
from pathlib import Path

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

import results

ROOT = Path(__file__).resolve().parents[1]
BENCH_VENV = ROOT / "build" / "bench-venv"
MODELS = ROOT / "build" / "bench-models"
# onnxruntime 1.17 wheels are built against numpy 1.x.
ORT_REQUIREMENTS = ["onnxruntime==1.17.3", "numpy<2", "onnx==1.16.2"]

MLP_SIZES = (64, 128, 128, 10)


def save(nodes, n_in, n_out, inits, path):
    graph = helper.make_graph(nodes, "bench", [helper.make_tensor_value_info("x", TensorProto.FLOAT, [1, n_in])],
                              [helper.make_tensor_value_info("y", TensorProto.FLOAT, [1, n_out])], inits)
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17)])
    model.ir_version = 9
    onnx.checker.check_model(model)
    onnx.save(model, str(path))
    return str(path)


def build_models():
    MODELS.mkdir(parents=True, exist_ok=True)
    rng = np.random.default_rng(0)

    def param(shape, name):
        return numpy_helper.from_array(rng.standard_normal(shape).astype(np.float32) * 0.1, name)

    tiny = save([helper.make_node("MatMul", ["x", "W"], ["xw"]), helper.make_node("Add", ["xw", "b"], ["y"])],
                3, 2, [param((3, 2), "W"), param((2,), "b")], MODELS / "tiny.onnx")
    nodes, inits, current = [], [], "x"
    layers = list(zip(MLP_SIZES[:-1], MLP_SIZES[1:]))
    for k, (n_in, n_out) in enumerate(layers):
        inits += [param((n_in, n_out), f"W{k}"), param((n_out,), f"b{k}")]
        out = "y" if k == len(layers) - 1 else f"a{k}"
        nodes += [helper.make_node("MatMul", [current, f"W{k}"], [f"m{k}"]),
                  helper.make_node("Add", [f"m{k}", f"b{k}"], [out if k == len(layers) - 1 else f"z{k}"])]
        if k < len(layers) - 1:
            nodes.append(helper.make_node("Relu", [f"z{k}"], [out]))
        current = out
    mlp = save(nodes, MLP_SIZES[0], MLP_SIZES[-1], inits, MODELS / "mlp.onnx")
    return {"tiny": (tiny, 3, 2), "mlp": (mlp, MLP_SIZES[0], MLP_SIZES[-1])}


def bench_venv_python():
    python = BENCH_VENV / "bin" / "python"
    stamp = BENCH_VENV / "requirements.txt"
    if python.exists() and stamp.exists() and stamp.read_text().split() == ORT_REQUIREMENTS:
        return python
    print(f"setting up {BENCH_VENV.relative_to(ROOT)} with {' '.join(ORT_REQUIREMENTS)} ...", file=sys.stderr)
    base = getattr(sys, "_base_executable", sys.executable)
    subprocess.run([base, "-m", "venv", "--clear", str(BENCH_VENV)], check=True)
    subprocess.run([str(python), "-m", "pip", "install", "-q", *ORT_REQUIREMENTS], check=True)
    stamp.write_text("\n".join(ORT_REQUIREMENTS) + "\n")
    return python


# Shared by both workers: best-of-repeats time per call, in microseconds.
TIMER = """
import json, sys, time

settled = False


def per_call(fn, min_time=0.2, repeats=5):
    # The BLAS thread pools that numpy and quorlibcore start when they load
    # spin for a moment before they sleep, on a core of their own: the first
    # timing waits for that.
    global settled
    if not settled:
        time.sleep(0.5)
        settled = True
    n = 1
    while True:
        t = time.perf_counter()
        for _ in range(n):
            fn()
        if time.perf_counter() - t >= min_time / 5:
            break
        n *= 2
    n = max(1, int(n * (min_time / 5) / max(time.perf_counter() - t, 1e-9)))
    best = float("inf")
    for _ in range(repeats):
        t = time.perf_counter()
        for _ in range(n):
            fn()
        best = min(best, (time.perf_counter() - t) / n)
    return best * 1e6

models = json.loads(sys.argv[1])
results = {}
"""

QUORLIB_WORKER = TIMER + """
import quorlibcore
for name, (path, n_in, n_out) in models.items():
    m = quorlibcore.model(path)
    results[f"run {name}"] = per_call(m.run)
    if name == "tiny":
        results["set one element"] = per_call(lambda: m.set(0, [0, 1], 0.5))
        results["get one element"] = per_call(lambda: m.get(0, [0, 1]))

    def inference(m=m, n_in=n_in, n_out=n_out):
        for i in range(n_in):
            m.set(0, [0, i], 0.25)
        m.run()
        return [m.get(0, [0, j]) for j in range(n_out)]

    results[f"inference {name}"] = per_call(inference)
print(json.dumps(results))
"""

ORT_WORKER = TIMER + """
import numpy as np
import onnxruntime as ort
level = getattr(ort.GraphOptimizationLevel, sys.argv[2])
for name, (path, n_in, n_out) in models.items():
    options = ort.SessionOptions()
    options.graph_optimization_level = level
    session = ort.InferenceSession(path, options, providers=["CPUExecutionProvider"])
    x = np.zeros((1, n_in), dtype=np.float32)
    results[f"run {name}"] = per_call(lambda: session.run(None, {"x": x}))

    def inference(session=session, n_in=n_in):
        x = np.full((1, n_in), 0.25, dtype=np.float32)
        return session.run(None, {"x": x})[0].tolist()

    results[f"inference {name}"] = per_call(inference)
print(json.dumps(results))
"""


def worker(python, code, *args):
    proc = subprocess.run([str(python), "-c", textwrap.dedent(code), *args], capture_output=True, text=True,
                          cwd=ROOT)
    if proc.returncode != 0:
        sys.exit(f"worker failed:\n{proc.stderr}")
    return json.loads(proc.stdout.splitlines()[-1])


def main():
    models = build_models()
    arg = json.dumps(models)
    ort_python = bench_venv_python()
    columns = {
        "quorlibcore.model": worker(sys.executable, QUORLIB_WORKER, arg),
        "onnxruntime, ORT_DISABLE_ALL": worker(ort_python, ORT_WORKER, arg, "ORT_DISABLE_ALL"),
        "onnxruntime, default": worker(ort_python, ORT_WORKER, arg, "ORT_ENABLE_ALL"),
    }
    rows = [
        ("run(), tiny model", "run tiny"),
        ("run(), MLP 64-128-128-10", "run mlp"),
        ("set() of one element", "set one element"),
        ("get() of one element", "get one element"),
        ("inference, tiny: 3 set + run + 2 get", "inference tiny"),
        ("inference, MLP: 64 set + run + 10 get", "inference mlp"),
    ]
    table = results.Table("model", ["µs per call", *columns])
    for label, key in rows:
        cells = [f"{col[key]:.2f}" if key in col else "—" for col in columns.values()]
        table.row(label, *cells)
    print("\nonnxruntime's inference rows pass a numpy array to InferenceSession.run and convert the result "
          "with tolist(); its run rows pass a prepared array.")
    print(f"CPU: {os.cpu_count()} logical cores; each engine with the runtime's default thread settings.")
    results.save()


if __name__ == "__main__":
    main()
