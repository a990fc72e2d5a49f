"""Builds small ONNX models at test time and loads models in child processes.

The runtime bundled with quorlibcore reads IR version 9 and opsets up to 20;
every model here is stamped IR 9, opset 17.
"""

import json
import os
import subprocess
import sys
import tempfile
import textwrap

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

IR_VERSION = 9
OPSET = 17
FLOAT = TensorProto.FLOAT

# Seconds one child gets to load (and run) a model before it counts as hung.
CHILD_TIMEOUT = 20


def save(nodes, inputs, outputs, path, initializers=(), check=True):
    """Writes a one-graph model; inputs and outputs are value infos."""
    graph = helper.make_graph(list(nodes), "g", list(inputs), list(outputs), list(initializers))
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)])
    model.ir_version = IR_VERSION
    if check:
        onnx.checker.check_model(model, full_check=True)
    onnx.save(model, str(path))
    return str(path)


def tensor(name, shape, elem_type=FLOAT):
    return helper.make_tensor_value_info(name, elem_type, list(shape))


def const(array, name):
    return numpy_helper.from_array(np.asarray(array, dtype=np.float32), name)


def identity(path, shape=(1, 3), elem_type=FLOAT, name_in="x", name_out="y"):
    """y = x."""
    return save([helper.make_node("Identity", [name_in], [name_out])],
                [tensor(name_in, shape, elem_type)], [tensor(name_out, shape, elem_type)], path)


def affine(path, weights, bias):
    """y = x @ W + b for x of shape 1 x rows(W)."""
    weights = np.asarray(weights, dtype=np.float32)
    n_in, n_out = weights.shape
    return save([helper.make_node("MatMul", ["x", "W"], ["xw"]), helper.make_node("Add", ["xw", "b"], ["y"])],
                [tensor("x", (1, n_in))], [tensor("y", (1, n_out))], path,
                [const(weights, "W"), const(bias, "b")])


def random_affine(path, n_in=3, n_out=2, seed=0):
    rng = np.random.default_rng(seed)
    weights = rng.standard_normal((n_in, n_out)).astype(np.float32)
    bias = rng.standard_normal(n_out).astype(np.float32)
    return affine(path, weights, bias), weights, bias


def mlp(path, sizes, seed=0):
    """Fully connected layers with tanh between them and a softmax at the end.

    Returns the path and a numpy function computing the same thing in float64.
    """
    rng = np.random.default_rng(seed)
    nodes, inits, layers = [], [], []
    current = "x"
    for k, (n_in, n_out) in enumerate(zip(sizes[:-1], sizes[1:])):
        w = (rng.standard_normal((n_in, n_out)) / np.sqrt(n_in)).astype(np.float32)
        b = rng.standard_normal(n_out).astype(np.float32) * 0.1
        layers.append((w, b))
        inits += [const(w, f"W{k}"), const(b, f"b{k}")]
        nodes += [helper.make_node("MatMul", [current, f"W{k}"], [f"m{k}"]),
                  helper.make_node("Add", [f"m{k}", f"b{k}"], [f"a{k}"])]
        current = f"a{k}"
        if k < len(sizes) - 2:
            nodes.append(helper.make_node("Tanh", [current], [f"h{k}"]))
            current = f"h{k}"
    nodes.append(helper.make_node("Softmax", [current], ["y"], axis=-1))
    save(nodes, [tensor("x", (1, sizes[0]))], [tensor("y", (1, sizes[-1]))], path, inits)

    def reference(x):
        h = np.asarray(x, dtype=np.float64)
        for k, (w, b) in enumerate(layers):
            h = h @ w.astype(np.float64) + b.astype(np.float64)
            if k < len(layers) - 1:
                h = np.tanh(h)
        e = np.exp(h - h.max(axis=-1, keepdims=True))
        return e / e.sum(axis=-1, keepdims=True)

    return str(path), reference


def set_array(m, index, array):
    """Writes every element of `array` into input `index`."""
    array = np.asarray(array)
    for position in np.ndindex(*array.shape):
        m.set(index, list(position), float(array[position]))


def get_array(m, index, shape):
    out = np.empty(shape, dtype=np.float64)
    for position in np.ndindex(*shape):
        out[position] = m.get(index, list(position))
    return out


def trace(inputs=(), outputs=()):
    """The load trace of a model whose tensors are (name, shape, is_float)."""
    lines = []
    for group, tensors in (("input", inputs), ("output", outputs)):
        for i, (name, shape, is_float) in enumerate(tensors):
            dims = ", ".join(str(d) for d in shape)
            lines += [f"Quor::Onnx::Model:: {group} name {i} '{name}'",
                      f"Quor::Onnx::Model:: {group} shape {i} '{{{dims}}}'"]
            if is_float:
                lines.append("Quor::Onnx::MakeTensor:: making tensor of type 'float'")
    return "".join(line + "\n" for line in lines)


def run_python(code, *args, timeout=60, cwd=None):
    """Runs `code` in a fresh interpreter and returns the completed process."""
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code), *map(str, args)],
                          capture_output=True, text=True, timeout=timeout, cwd=cwd)


# The child interpreter imports quorlibcore but never opens a model itself:
# the runtime's environment and its threads only ever exist in the forked
# grandchildren, one per path, so that forking stays safe. Each grandchild
# writes what it saw to a JSON file; a grandchild that dies leaves its signal.
_FORK_RUNNER = r"""
import json, os, signal, sys, time
import quorlibcore

def mark(job, phase):
    with open(job["report"] + ".phase", "w") as f:
        f.write(phase)

jobs = json.loads(sys.argv[1])
timeout = float(sys.argv[2])
results = []
for job in jobs:
    report, out = job["report"], job["report"] + ".out"
    pid = os.fork()
    if pid == 0:
        fd = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
        os.dup2(fd, 1)
        result = {}
        try:
            mark(job, "load")
            m = quorlibcore.model(job["path"])
            if job.get("run"):
                mark(job, "run")
                m.run()
            result["outcome"] = "ok"
        except BaseException as error:
            result.update(outcome="error", type=type(error).__name__, message=str(error))
        sys.stdout.flush()
        with open(report, "w") as f:
            json.dump(result, f)
        os._exit(0)
    deadline = time.monotonic() + timeout
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            status = None
            break
        time.sleep(0.002)
    if status is None:
        result = {"outcome": "hang"}
    elif os.WIFSIGNALED(status):
        result = {"outcome": "crash", "signal": os.WTERMSIG(status)}
    elif os.path.exists(report):
        with open(report) as f:
            result = json.load(f)
    else:
        result = {"outcome": "exit", "code": os.WEXITSTATUS(status)}
    if os.path.exists(out):
        with open(out, errors="replace") as f:
            result["stdout"] = f.read()
    if os.path.exists(report + ".phase"):
        with open(report + ".phase") as f:
            result["phase"] = f.read()
    results.append(result)
print(json.dumps(results))
"""


def load_in_children(paths, run=False, timeout=CHILD_TIMEOUT, workers=2):
    """Opens each path in its own process (and runs the model if `run`).

    Returns one dict per path: outcome "ok", "error" (with type and message),
    "crash" (with signal), "hang" or "exit"; "stdout" holds what the process
    printed and "phase" how far it got. The paths are shared out among
    `workers` child interpreters working side by side.
    """
    paths = [str(p) for p in paths]
    with tempfile.TemporaryDirectory() as scratch:
        jobs = [{"path": p, "run": run, "report": os.path.join(scratch, f"r{i}.json")}
                for i, p in enumerate(paths)]
        shares = [jobs[k::workers] for k in range(workers)]
        procs = [subprocess.Popen([sys.executable, "-c", _FORK_RUNNER, json.dumps(share), str(timeout)],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                 for share in shares if share]
        outputs = [proc.communicate(timeout=timeout * len(paths) + 60) for proc in procs]
    results = [None] * len(paths)
    for k, (proc, (out, err)) in enumerate(zip(procs, outputs)):
        assert proc.returncode == 0, err
        results[k::workers] = json.loads(out.splitlines()[-1])
    return results


def describe(result):
    if result["outcome"] == "crash":
        return f"killed by signal {result['signal']}"
    if result["outcome"] == "error":
        return f"{result['type']}: {result['message']}"
    return result["outcome"]


def mutate(data, seed):
    """One byte-level mutation of `data`, chosen by `seed`."""
    rng = np.random.default_rng(seed)
    buf = bytearray(data)
    kind = seed % 5
    if kind == 0:  # flip a few bits
        for _ in range(int(rng.integers(1, 5))):
            buf[int(rng.integers(len(buf)))] ^= 1 << int(rng.integers(8))
    elif kind == 1:  # overwrite a byte with an extreme value
        buf[int(rng.integers(len(buf)))] = int(rng.choice([0x00, 0x7F, 0x80, 0xFF]))
    elif kind == 2:  # overwrite a short run with random bytes
        at = int(rng.integers(len(buf)))
        n = int(rng.integers(1, 9))
        buf[at:at + n] = rng.integers(0, 256, n, dtype=np.uint8).tobytes()
    elif kind == 3:  # delete a short run
        at = int(rng.integers(len(buf)))
        del buf[at:at + int(rng.integers(1, 9))]
    else:  # insert a short run
        at = int(rng.integers(len(buf) + 1))
        buf[at:at] = rng.integers(0, 256, int(rng.integers(1, 9)), dtype=np.uint8).tobytes()
    return bytes(buf)


SILERO = os.path.join(os.path.dirname(__file__), "..", "..", ".deps", "silero")
# The older silero detector of openwakeword 0.4.0: inputs input [batch,
# sequence], sr, h and c [2, batch, 64].
OPENWAKEWORD_SILERO = os.path.join(os.path.dirname(__file__), "..", "..", ".deps", "openwakeword", "silero_vad.onnx")
# The silero-vad files by name, with how open_model gives their open
# dimensions: whole shapes, or sizes of the named dimensions (576 samples:
# a 512-sample chunk after 64 of context).
SILERO_OPEN = {
    "silero_vad.onnx": [{"shapes": {"input": [1, 576], "state": [2, 1, 128]}}],
    "silero_vad_16k_op15.onnx": [{"shapes": {0: [1, 576], 1: [2, 1, 128]}}, {"dims": {"batch": 1, "sequence": 576}}],
    "silero_vad_half.onnx": [{"shapes": {"input": [1, 576], "state": [2, 1, 128]}},
                             {"dims": {"batch": 1, "sequence": 576}}],
    "silero_vad_16k_sequence.onnx": [{"shapes": {"input": [1, 576]}}, {"dims": {"sequence_length": 1}}],
    "silero_vad_openvino_16k.onnx": [{}],
}


def silero_stream(m, signal, chunk=512, context=64):
    """Speech probabilities of a silero model over `signal`, chunk by chunk,
    the state (or h and c) fed back from the outputs to the inputs."""
    import quorlibcore_buffers as qb
    names = [t.name for t in qb.inputs(m)]
    if "sr" in names:
        np.asarray(qb.model_input(m, names.index("sr")))[...] = 16000
    states = [i for i, name in enumerate(names) if i and name != "sr"]  # outputs 1, 2, ... in this order
    x = np.asarray(qb.model_input(m, 0)).reshape(-1)
    probabilities = []
    for start in range(0, len(signal) - chunk + 1, chunk):
        if context:
            x[:context] = x[-context:]
        x[context:] = signal[start:start + chunk]
        m.run()
        probabilities.append(float(np.asarray(qb.model_output(m, 0)).reshape(-1)[0]))
        for k, i in enumerate(states, 1):
            np.copyto(np.asarray(qb.model_input(m, i)), qb.model_output(m, k))
    return np.array(probabilities)
