"""The silero-vad models of the setup, next to onnxruntime's Python API.

Run it with:  .venv/bin/python bench/bench_silero.py

Both engines run in one process, the onnxruntime package's throwaway
environment (build/bench-venv, as in bench_model.py), where quorlibcore is
imported from .venv: each streams the same signal through the same file,
512-sample chunks after 64 samples of context, the state fed back, at the
runtime's default options (graph optimisation "all", default threads; the
sizes of named dimensions that open_model gets, onnxruntime gets too). The
first table gives how each file opens and how far its speech probabilities
are from onnxruntime's; the second the time per chunk, the best of
interleaved repeats of 200 chunks. Ratios below 1 mean quorlibcore is faster.
"""

import json
import sys
import sysconfig
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import bench_model  # noqa: E402
import results  # noqa: E402

ROOT = Path(__file__).resolve().parents[1]
SILERO = ROOT / ".deps" / "silero"
CHUNKS, ROUNDS, REPEATS = 200, 15, 5
STREAMED = ["silero_vad.onnx", "silero_vad_16k_op15.onnx", "silero_vad_half.onnx"]

WORKER = r"""
import json, sys, time
sys.path.append(sys.argv[2])  # .venv's site-packages, after this environment's numpy
import numpy as np
import onnx
import onnxruntime as ort
import quorlibcore
import quorlibcore_buffers as qb

SILERO, CHUNKS, ROUNDS, REPEATS = sys.argv[1], *map(int, sys.argv[3:6])
STREAMED = json.loads(sys.argv[6])
OPEN = {
    "silero_vad.onnx": {"shapes": {"input": [1, 576], "state": [2, 1, 128]}},
    "silero_vad_16k_op15.onnx": {"dims": {"batch": 1, "sequence": 576}},
    "silero_vad_half.onnx": {"dims": {"batch": 1, "sequence": 576}},
    "silero_vad_16k_sequence.onnx": {"dims": {"sequence_length": 1}},
    "silero_vad_openvino_16k.onnx": {},
    "silero_vad_op18_ifless.onnx": {"dims": {"batch": 1, "sequence": 576}},
}
rng = np.random.default_rng(0)
t = np.arange(512 * CHUNKS) / 16000
signal = (0.3 * np.sin(2 * np.pi * 220 * t) * (np.sin(2 * np.pi * 0.5 * t) > 0)
          + 0.01 * rng.standard_normal(t.size)).astype(np.float32)
chunks = signal.reshape(CHUNKS, 512)


def ours(name, bind=False):
    # As the README streams: the state goes back through the model's own views;
    # with `bind`, the outputs are numpy arrays the runtime writes into.
    m = qb.open_model(f"{SILERO}/{name}", **OPEN[name])
    names = [i.name for i in qb.inputs(m)]
    if "sr" in names:
        np.asarray(qb.model_input(m, names.index("sr")))[...] = 16000
    states = [i for i, n in enumerate(names) if i and n != "sr"]
    x = np.asarray(qb.model_input(m, 0)).reshape(-1)
    state_in = [np.asarray(qb.model_input(m, i)) for i in states]
    if bind:
        for k, shape in enumerate([(1, 1), (2, 1, 128)]):
            qb.bind_output(m, k, np.zeros(shape, np.float32))
    fixed = all(o.shape is not None for o in qb.outputs(m))
    state_out = [np.asarray(qb.model_output(m, k)) for k in range(1, len(states) + 1)] if fixed else None
    probabilities = np.empty(CHUNKS, np.float32)
    run, get, model_output, copyto = m.run, m.get, qb.model_output, np.copyto
    position = [0] * len(qb.outputs(m)[0].shape or (0, 0))

    def stream():
        for k in range(CHUNKS):
            x[:64] = x[-64:]
            x[64:] = chunks[k]
            run()
            probabilities[k] = get(0, position)
            for j, target in enumerate(state_in):
                copyto(target, state_out[j] if fixed else model_output(m, j + 1))
        return probabilities
    return stream


def theirs(name, binding):
    # The same sizes of named dimensions as open_model gets, so that both
    # plan alike; every other option stays at its default.
    options = ort.SessionOptions()
    options.log_severity_level = 3
    for dim, size in OPEN[name].get("dims", {}).items():
        options.add_free_dimension_override_by_name(dim, size)
    # onnxruntime's own API refuses IR version 10: it gets such a file as
    # version 9, as open_model hands it to the runtime.
    model = onnx.load(f"{SILERO}/{name}")
    if model.ir_version > 9:
        model.ir_version = 9
    session = ort.InferenceSession(model.SerializeToString(), options, providers=["CPUExecutionProvider"])
    feeds = {i.name: np.zeros([d if isinstance(d, int) else 1 for d in i.shape], np.float32) for i in session.get_inputs()}
    feeds["input"] = np.zeros((1, 576), np.float32)
    if "sr" in feeds:
        feeds["sr"] = np.array(16000, np.int64)
    if name == "silero_vad_16k_sequence.onnx":
        state_names = [("h", "hn"), ("c", "cn")]
    else:
        state_names = [("state", "stateN")]
    x = feeds["input"].reshape(-1)
    probabilities = np.empty(CHUNKS, np.float32)
    outputs = [o.name for o in session.get_outputs()]
    if not binding:
        def stream():
            for k in range(CHUNKS):
                x[:64] = x[-64:]
                x[64:] = chunks[k]
                results = session.run(None, feeds)
                probabilities[k] = results[0].reshape(-1)[0]
                for s, n in state_names:
                    feeds[s] = results[outputs.index(n)]
            return probabilities
        return stream
    bound = session.io_binding()
    for key, value in feeds.items():
        bound.bind_ortvalue_input(key, ort.OrtValue.ortvalue_from_numpy(value))
    out = {n: np.zeros((1,) if n == "speech_probs" else (1, 1) if n == "output" else (2, 1, 128) if n == "stateN"
                       else (1, 1, 128), np.float32) for n in outputs}
    for n, array in out.items():
        bound.bind_ortvalue_output(n, ort.OrtValue.ortvalue_from_numpy(array))
    first = out[outputs[0]].reshape(-1)

    def stream():
        for k in range(CHUNKS):
            x[:64] = x[-64:]
            x[64:] = chunks[k]
            session.run_with_iobinding(bound)
            probabilities[k] = first[0]
            for s, n in state_names:
                np.copyto(feeds[s], out[n])
        return probabilities
    return stream


def best(stream):
    stream()  # the other engine's threads go to sleep meanwhile
    result = float("inf")
    for _ in range(REPEATS):
        t = time.perf_counter()
        stream()
        result = min(result, time.perf_counter() - t)
    return result / CHUNKS * 1e6


agreement, timing = {}, {}
for name in OPEN:
    row = {}
    try:
        quorlibcore.model(f"{SILERO}/{name}")  # prints its trace before it fails
        row["model"] = "opens"
    except RuntimeError as error:
        row["model"] = "RuntimeError"
    try:
        stream = ours(name)
        reference = theirs(name, False)().copy()
        row["difference"] = float(np.abs(stream() - reference).max())
        row["speech"] = int((reference > 0.5).sum())
    except Exception as error:
        row["error"] = f"{type(error).__name__}: {str(error).splitlines()[0][-160:]}"
    agreement[name] = row
for name in STREAMED:
    engines = {"ours": ours(name), "ours bound": ours(name, True), "run": theirs(name, False), "iobinding": theirs(name, True)}
    times = {key: float("inf") for key in engines}
    for _ in range(ROUNDS):
        for key, stream in engines.items():
            times[key] = min(times[key], best(stream))
    timing[name] = times
print(json.dumps({"agreement": agreement, "timing": timing}))
"""


def main():
    ort_python = bench_model.bench_venv_python()
    site = sysconfig.get_paths()["purelib"]
    arg = [str(SILERO), site, str(CHUNKS), str(ROUNDS), str(REPEATS), json.dumps(STREAMED)]
    measured = bench_model.worker(ort_python, WORKER, *arg)
    table = results.Table("files", ["silero-vad 6.2.3 file", "quorlibcore.model(path)", "open_model(path, ...)",
                                    "largest difference from onnxruntime over 200 chunks"], align="lllr")
    how = {"silero_vad.onnx": 'shapes={"input": [1, 576], "state": [2, 1, 128]}',
           "silero_vad_16k_op15.onnx": 'dims={"batch": 1, "sequence": 576}',
           "silero_vad_half.onnx": 'dims={"batch": 1, "sequence": 576}',
           "silero_vad_16k_sequence.onnx": 'dims={"sequence_length": 1}',
           "silero_vad_openvino_16k.onnx": "",
           "silero_vad_op18_ifless.onnx": 'dims={"batch": 1, "sequence": 576}'}
    for name, row in measured["agreement"].items():
        opened = f"`{how[name]}`" if how[name] else "(nothing to give)"
        difference = f"{row['difference']:.1e}" if "difference" in row else row["error"]
        table.row(f"`{name}`", row["model"], opened, difference)
    print()
    table = results.Table("streaming", [f"silero streaming, µs per 512-sample chunk (best of {ROUNDS}×{REPEATS} runs "
                                        f"of {CHUNKS} chunks, interleaved)", "quorlibcore_buffers",
                                        "the same, outputs bound", "onnxruntime run", "onnxruntime IO binding",
                                        "ratio to run", "ratio to IO binding", "goal"], align="lrrrrrrl")
    for name, t in measured["timing"].items():
        table.row(f"`{name}`", f"{t['ours']:.1f}", f"{t['ours bound']:.1f}", f"{t['run']:.1f}",
                  f"{t['iobinding']:.1f}", f"{t['ours'] / t['run']:.2f}",
                  f"{min(t['ours'], t['ours bound']) / t['iobinding']:.2f}", "≤ 0.95 and ≤ 1.0")
    results.save()


if __name__ == "__main__":
    main()
