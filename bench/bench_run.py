"""quorlibcore_buffers.run(m, feeds) next to onnxruntime's session.run(None, feeds).

Run it with:  .venv/bin/python bench/bench_run.py

Both engines run in one process, the onnxruntime package's throwaway
environment (build/bench-venv, see beside_onnxruntime.py), on the same model
file and the same feeds, each model opened the same way on both sides: graph
optimisation "all", the runtime's default threads, and for the silero files
with named dimensions the same sizes for them. Rows: a tiny model (one Add of
two 4-float inputs), the 256-256-10 MLP of bench_buffers.py at batch 1 and
1000, and the silero-vad files streamed as bench_silero.py streams them (64
samples of context and a 512-sample chunk) but through run: 200 chunks, the
state passed back in the feeds. Every value goes in and comes out as a numpy
array on both sides, so a row is the whole cost of a call from Python.

Times are µs per call (per chunk for silero), the best of interleaved
repeats: each round times one engine then the other, after a call that lets
the other engine's threads go to sleep. The ratio is ours / onnxruntime's;
below 1 quorlibcore is faster. The machine is shared: read the ratios, and
run it again before believing a row that misses its goal by a little;
profile_run.py runs one engine alone for instruction counts, which the
machine's load does not change.
"""

import json
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import beside_onnxruntime  # noqa: E402
import results as tables  # noqa: E402

ROUNDS, REPEATS, BATCH_TIME = 15, 5, 0.02
CHUNKS = 200
SILERO = {"silero_vad.onnx": {}, "silero_vad_16k_op15.onnx": {"batch": 1, "sequence": 576},
          "silero_vad_half.onnx": {"batch": 1, "sequence": 576}}
GOALS = {"tiny": 0.8, "mlp 1": 0.8, "mlp 1000": 1.0, **{name: 1.0 for name in SILERO}}


def build_models():
    import bench_buffers
    import bench_model
    from onnx import TensorProto, helper

    bench_model.MODELS.mkdir(parents=True, exist_ok=True)
    values = [helper.make_tensor_value_info(name, TensorProto.FLOAT, [4]) for name in "abc"]
    graph = helper.make_graph([helper.make_node("Add", ["a", "b"], ["c"])], "add", values[:2], values[2:])
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17)])
    model.ir_version = 9
    tiny = bench_model.MODELS / "add4.onnx"
    bench_model.onnx.save(model, str(tiny))
    models = {"tiny": str(tiny)}
    for rows in (1, 1000):
        models[f"mlp {rows}"] = bench_buffers.save_mlp((256, 256, 10), rows, bench_model.MODELS / f"mlp256_{rows}.onnx")
    return models


# ---------------------------------------------------------------------------
# The worker, in build/bench-venv.

def batch_size(fn):
    """Calls of fn that take about BATCH_TIME."""
    n = 1
    while True:
        t = time.perf_counter()
        for _ in range(n):
            fn()
        elapsed = time.perf_counter() - t
        if elapsed >= BATCH_TIME / 4:
            return max(1, round(n * BATCH_TIME / elapsed))
        n *= 2


def interleaved(ours, theirs, per=1):
    """Best time per call of each, in µs, divided by `per`."""
    engines = [ours, theirs]
    sizes = [batch_size(fn) for fn in engines]
    best = [float("inf")] * 2
    for _ in range(ROUNDS):
        for k, fn in enumerate(engines):
            fn()  # the other engine's threads go to sleep meanwhile
            for _ in range(REPEATS):
                t = time.perf_counter()
                for _ in range(sizes[k]):
                    fn()
                best[k] = min(best[k], (time.perf_counter() - t) / sizes[k])
    return [b / per * 1e6 for b in best]


def work(models, silero_dir):
    import numpy as np
    import onnxruntime as ort
    import quorlibcore_buffers as qb

    def session(path, dims=None):
        options = ort.SessionOptions()
        options.log_severity_level = 3
        for dim, size in (dims or {}).items():
            options.add_free_dimension_override_by_name(dim, size)
        return ort.InferenceSession(path, options, providers=["CPUExecutionProvider"])

    rng = np.random.default_rng(0)
    results = {}
    for name, path in models.items():
        m, s = qb.open_model(path), session(path)
        feeds = {i.name: rng.standard_normal([int(d) for d in i.shape]).astype(np.float32) for i in s.get_inputs()}
        ours, theirs = qb.run(m, feeds), s.run(None, feeds)
        for value, expected in zip(ours.values(), theirs):
            np.testing.assert_allclose(value, expected, rtol=1e-5, atol=1e-5)
        results[name] = interleaved(lambda: qb.run(m, feeds), lambda: s.run(None, feeds))

    t = np.arange(512 * CHUNKS) / 16000
    signal = (0.3 * np.sin(2 * np.pi * 220 * t) * (np.sin(2 * np.pi * 0.5 * t) > 0)
              + 0.01 * rng.standard_normal(t.size)).astype(np.float32)
    chunks = signal.reshape(CHUNKS, 512)

    def streamer(names, call):
        # Each stream starts from silence with a zero state, as a new one would.
        probabilities = np.empty(CHUNKS, np.float32)

        def stream():
            x = np.zeros((1, 576), np.float32)
            feeds = {"input": x, "state": np.zeros((2, 1, 128), np.float32)}
            if "sr" in names:
                feeds["sr"] = np.array(16000, np.int64)
            flat = x.reshape(-1)
            for k in range(CHUNKS):
                flat[:64] = flat[-64:]
                flat[64:] = chunks[k]
                probability, feeds["state"] = call(feeds)
                probabilities[k] = probability.reshape(-1)[0]
            return probabilities
        return stream

    for name, dims in SILERO.items():
        path = f"{silero_dir}/{name}"
        m, s = qb.open_model(path, dims=dims), session(path, dims)
        names = [i.name for i in s.get_inputs()]
        run = qb.run

        def ours(feeds):
            out = run(m, feeds)
            return out["output"], out["stateN"]

        def theirs(feeds):
            return s.run(None, feeds)

        ours, theirs = streamer(names, ours), streamer(names, theirs)
        np.testing.assert_allclose(ours().copy(), theirs(), atol=1e-4)
        results[name] = interleaved(ours, theirs, per=CHUNKS)
    return results


def main():
    args = beside_onnxruntime.worker_args()
    if args is not None:
        print(json.dumps(work(json.loads(args[0]), args[1])))
        return
    import bench_model
    results = beside_onnxruntime.measure(__file__, json.dumps(build_models()), bench_model.ROOT / ".deps" / "silero")
    labels = {"tiny": "tiny model, one Add of two 4-float inputs", "mlp 1": "MLP 256-256-10 (tanh), batch 1",
              "mlp 1000": "MLP 256-256-10 (tanh), batch 1000",
              **{name: f"`{name}` streaming, per chunk of {CHUNKS}, state in feeds" for name in SILERO}}
    table = tables.Table("run", [f"run(m, feeds) vs session.run(None, feeds), µs per call (best of "
                                 f"{ROUNDS}×{REPEATS}, interleaved)", "ours µs", "onnxruntime µs", "ratio", "goal"],
                         "lrrrl")
    for key, (ours, theirs) in results.items():
        table.row(labels[key], f"{ours:.2f}", f"{theirs:.2f}", f"{ours / theirs:.2f}", f"≤ {GOALS[key]}")
    tables.save()


if __name__ == "__main__":
    main()
