"""Runs of models in several Python threads: run(m, feeds) next to onnxruntime's session.run.

Run it with:  .venv/bin/python bench/bench_model_threads.py

Both engines run in one process, the onnxruntime package's throwaway
environment (build/bench-venv, see beside_onnxruntime.py), each session at
one intra-op thread (open_model(..., threads=1); onnxruntime's
SessionOptions.intra_op_num_threads = 1), so that the Python threads are
the only parallelism. Two kinds of work:

- matmul: a stack of 512-wide MatMul+Tanh layers built with onnx's helper,
  a batch of rows that takes a few ms per run; each thread does RUNS runs
  with the same feeds.
- silero: silero_vad_16k_op15.onnx streamed as bench_silero.py streams it;
  each thread streams its own CHUNKS chunks with its own state, passed back
  in the feeds.

Each is run by 1, 2 and 4 threads, each thread with a model of its own or
all of them sharing one (a shared model still gets a state per thread).
Throughput is runs (chunks) per second of all threads together, from the
moment the threads are let go together to the moment the last one ends; the
best of ROUNDS rounds, the engines interleaved within each round (a silero
case, tens of ms long, is repeated within each round). With one thread,
"own" and "shared" are the same work: their difference shows the noise left.
The ratio is a time ratio, ours / onnxruntime's (below 1 quorlibcore is
faster); "scaling" is an engine's throughput against its own with one
thread. The machine has 2 cores, so 4 threads cannot scale past 2 threads;
both engines release the interpreter lock while they compute, so 2 threads
should come near 2×, less the Python work between runs and whatever else
the machine is running.
"""

import json
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import beside_onnxruntime  # noqa: E402
import results as tables  # noqa: E402

ROUNDS = 3
# Times each case is run back to back within a round: a silero case lasts
# only tens of ms, short enough for a busy moment of the machine to spoil.
REPEATS = {"matmul": 1, "silero": 15}
THREADS = (1, 2, 4)
RUNS, CHUNKS = 100, 300
WIDTH, LAYERS, ROWS = 512, 4, 192
SILERO = "silero_vad_16k_op15.onnx"
SILERO_DIMS = {"batch": 1, "sequence": 576}


def build_matmul():
    import bench_model
    import numpy as np
    from onnx import TensorProto, helper, numpy_helper

    rng = np.random.default_rng(0)
    nodes, inits, current = [], [], "x"
    for k in range(LAYERS):
        w = (rng.standard_normal((WIDTH, WIDTH)) / np.sqrt(WIDTH)).astype(np.float32)
        inits.append(numpy_helper.from_array(w, f"W{k}"))
        out = "y" if k == LAYERS - 1 else f"a{k}"
        nodes += [helper.make_node("MatMul", [current, f"W{k}"], [f"m{k}"]), helper.make_node("Tanh", [f"m{k}"], [out])]
        current = out
    values = [helper.make_tensor_value_info(name, TensorProto.FLOAT, [ROWS, WIDTH]) for name in "xy"]
    graph = helper.make_graph(nodes, "matmul_stack", values[:1], values[1:], inits)
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17)])
    model.ir_version = 9
    bench_model.MODELS.mkdir(parents=True, exist_ok=True)
    path = bench_model.MODELS / f"matmul_stack_{LAYERS}x{WIDTH}_{ROWS}.onnx"
    bench_model.onnx.save(model, str(path))
    return str(path)


# ---------------------------------------------------------------------------
# The worker, in build/bench-venv.

def together(tasks):
    """Seconds from letting the tasks go, one thread each, to the end of the last."""
    start = threading.Barrier(len(tasks) + 1)

    def body(task):
        start.wait()
        task()

    threads = [threading.Thread(target=body, args=(task,)) for task in tasks]
    for thread in threads:
        thread.start()
    start.wait()
    t = time.perf_counter()
    for thread in threads:
        thread.join()
    return time.perf_counter() - t


def work(matmul_path, silero_dir):
    import numpy as np
    import onnxruntime as ort
    import quorlibcore_buffers as qb

    def session(path, dims):
        options = ort.SessionOptions()
        options.log_severity_level = 3
        options.intra_op_num_threads = 1
        for dim, size in dims.items():
            options.add_free_dimension_override_by_name(dim, size)
        return ort.InferenceSession(path, options, providers=["CPUExecutionProvider"])

    def ours_call(m):
        run = qb.run
        return lambda feeds: list(run(m, feeds).values())

    def theirs_call(s):
        return lambda feeds: s.run(None, feeds)

    rng = np.random.default_rng(0)
    x = rng.standard_normal((ROWS, WIDTH)).astype(np.float32)

    def matmul_task(call):
        feeds = {"x": x}

        def task():
            for _ in range(RUNS):
                call(feeds)
        return task

    t = np.arange(512 * CHUNKS) / 16000
    signal = (0.3 * np.sin(2 * np.pi * 220 * t) * (np.sin(2 * np.pi * 0.5 * t) > 0)
              + 0.01 * rng.standard_normal(t.size)).astype(np.float32)
    chunks = signal.reshape(CHUNKS, 512)

    def silero_task(call):
        def task():
            frame = np.zeros((1, 576), np.float32)
            feeds = {"input": frame, "state": np.zeros((2, 1, 128), np.float32), "sr": np.array(16000, np.int64)}
            flat = frame.reshape(-1)
            for k in range(CHUNKS):
                flat[:64] = flat[-64:]
                flat[64:] = chunks[k]
                feeds["state"] = call(feeds)[1]
        return task

    works = {"matmul": (matmul_path, {}, matmul_task, RUNS),
             "silero": (f"{silero_dir}/{SILERO}", SILERO_DIMS, silero_task, CHUNKS)}
    engines = {"ours": lambda path, dims: ours_call(qb.open_model(path, dims=dims, threads=1)),
               "onnxruntime": lambda path, dims: theirs_call(session(path, dims))}
    # Every model opened once, before any timing: four of each for threads
    # of their own, one to share.
    calls = {(w, e): [open_(path, dims) for _ in range(max(THREADS) + 1)]
             for w, (path, dims, _, _) in works.items() for e, open_ in engines.items()}
    for w, (_, _, make, _) in works.items():  # every model warmed up
        for e in engines:
            for call in calls[w, e]:
                make(call)()
    best = {}
    for _ in range(ROUNDS):
        for w, (_, _, make, per_thread) in works.items():
            for n in THREADS:
                for shared in (False, True):
                    for e in engines:
                        own = calls[w, e]
                        chosen = [own[-1]] * n if shared else own[:n]
                        key = f"{w} {n} {'shared' if shared else 'own'} {e}"
                        for _ in range(REPEATS[w]):
                            runs = n * per_thread / together([make(call) for call in chosen])
                            best[key] = max(best.get(key, 0.0), runs)
    return best


def main():
    args = beside_onnxruntime.worker_args()
    if args is not None:
        print(json.dumps(work(*args)))
        return
    import bench_model
    best = beside_onnxruntime.measure(__file__, build_matmul(), bench_model.ROOT / ".deps" / "silero")
    labels = {"matmul": f"{LAYERS} × (MatMul {WIDTH}² + Tanh), {ROWS} rows, {RUNS} runs per thread",
              "silero": f"`{SILERO}` streaming, {CHUNKS} chunks per thread"}
    table = tables.Table("threads", [f"work (best of {ROUNDS}, interleaved; one intra-op thread per session)",
                                     "threads", "models", "ours runs/s", "onnxruntime runs/s",
                                     "ratio ours/onnxruntime (time)", "ours scaling", "onnxruntime scaling", "goal"],
                         "lrlrrrrrl")
    for w, label in labels.items():
        for n in THREADS:
            for models in ("own", "shared"):
                ours, theirs = (best[f"{w} {n} {models} {e}"] for e in ("ours", "onnxruntime"))
                base_ours, base_theirs = (best[f"{w} 1 {models} {e}"] for e in ("ours", "onnxruntime"))
                goal = "ratio ≤ 1.0" + (", scaling ≥ 1.5×" if w == "matmul" and n == 2 else "")
                table.row(label, n, "one per thread" if models == "own" else "one shared", f"{ours:.0f}",
                          f"{theirs:.0f}", f"{theirs / ours:.2f}", f"{ours / base_ours:.2f}×",
                          f"{theirs / base_theirs:.2f}×", goal)
    tables.save()


if __name__ == "__main__":
    main()
