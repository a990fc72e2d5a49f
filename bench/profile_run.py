"""One engine's calls alone in a process, for a profiler: instruction counts
are repeatable where the machine's timings are not.

Run it in onnxruntime's throwaway environment (build/bench-venv, made by
bench_model.py), once with few and once with many calls, and take the
difference, which leaves out loading and opening:

  for n in 100 1100; do OPENBLAS_NUM_THREADS=1 valgrind --tool=callgrind \\
      --callgrind-out-file=build/cg.ours.$n build/bench-venv/bin/python \\
      bench/profile_run.py ours build/bench-models/mlp256_1.onnx $n 1; done
  callgrind_annotate --inclusive=yes build/cg.ours.1100 | less

ENGINE is `ours` (quorlibcore_buffers.run(m, feeds)) or `onnxruntime`
(session.run(None, feeds)); THREADS the intra-op threads (0: the runtime's
default). A silero-vad file is streamed as bench_run.py streams it (one call
per chunk, the state passed back in the feeds); any other model gets random
feeds of its declared shapes. OPENBLAS_NUM_THREADS=1 keeps the BLAS threads
that numpy and quorlibcore start at import from spinning into the counts.
"""

import sys
import sysconfig
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parents[1]
sys.path.append(str(ROOT / ".venv" / Path(sysconfig.get_paths()["purelib"]).relative_to(sys.prefix)))
DIMS = {"silero_vad_16k_op15.onnx": {"batch": 1, "sequence": 576}, "silero_vad_half.onnx": {"batch": 1, "sequence": 576}}


def main():
    engine, path, calls, threads = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    dims = DIMS.get(Path(path).name, {})
    import onnxruntime as ort
    options = ort.SessionOptions()
    options.log_severity_level = 3
    options.intra_op_num_threads = threads
    for dim, size in dims.items():
        options.add_free_dimension_override_by_name(dim, size)
    session = ort.InferenceSession(path, options, providers=["CPUExecutionProvider"])
    names = [i.name for i in session.get_inputs()]
    if engine == "ours":
        import quorlibcore_buffers as qb
        m = qb.open_model(path, dims=dims, threads=threads)
        run = qb.run

        def call(feeds):
            return list(run(m, feeds).values())
    else:
        def call(feeds):
            return session.run(None, feeds)
    rng = np.random.default_rng(0)
    if not Path(path).name.startswith("silero"):
        feeds = {i.name: rng.standard_normal([int(d) for d in i.shape]).astype(np.float32)
                 for i in session.get_inputs()}
        for _ in range(calls):
            call(feeds)
        return
    chunk = (0.3 * rng.standard_normal(512)).astype(np.float32)
    x = np.zeros((1, 576), np.float32)
    feeds = {"input": x, "state": np.zeros((2, 1, 128), np.float32)}
    if "sr" in names:
        feeds["sr"] = np.array(16000, np.int64)
    for _ in range(calls):
        x[0, :64] = x[0, -64:]
        x[0, 64:] = chunk
        feeds["state"] = call(feeds)[1]


if __name__ == "__main__":
    main()
