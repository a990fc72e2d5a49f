"""The ONNX backend test cases through quorlibcore_buffers.run and onnxruntime.

Run it with:  .venv/bin/python tools/backend_cases.py [--data DIR] [-k TEXT] [-v]

The cases come from Debian's libonnx-testdata (`apt-get install
libonnx-testdata`; DIR defaults to /usr/share/libonnx-testdata/data): each
folder under node/, simple/, pytorch-converted/ and pytorch-operator/ holds
model.onnx and test_data_set_*/{input,output}_*.pb (real/ holds only links
to models downloaded at test time). A case is eligible when it imports the
default domain alone, at an opset this runtime knows (20 at most: the 9
preview-training cases go, as no inference build registers that domain), and
when numpy can hold its inputs and outputs (the 6 bfloat16 cases go: the
onnx package reads them as uint16, which neither engine takes for bfloat16).
Of the 1 072 cases of libonnx-testdata 1.12, 1 057 are eligible.

Both engines run in one process: the onnxruntime environment of the
benchmarks (build/bench-venv, onnxruntime==1.17.3 with numpy<2), which
imports quorlibcore from .venv after its own numpy. Inputs and expected
outputs are read as the ONNX backend runner reads them, by the type the
graph declares: tensors as numpy arrays, sequences as lists, maps as dicts,
optional values as the value or None. Each engine gets the same feeds by
name: ours as open_model(path) then run(m, feeds), onnxruntime as
InferenceSession(path).run(None, feeds).

A case passes for an engine when the model opens, every data set runs, and
every output matches the expected one as the backend runner checks it: same
dtype, numpy.testing.assert_allclose with rtol=1e-3, atol=1e-7 (exact
equality for strings). Printed: the totals for each engine, how many cases
each matches bit for bit (to the expected outputs and to each other), and
the cases that one engine passes and the other does not, with the error.
The 12 StringNormalizer cases need the en_US.UTF-8 locale in both engines;
where the system lacks it, `localedef -i en_US -f UTF-8 DIR/en_US.UTF-8`
and LOCPATH=DIR supply it. The whole run takes well under a minute.
"""

import argparse
import glob
import os
import subprocess
import sys
import sysconfig
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
DATA = "/usr/share/libonnx-testdata/data"
KINDS = ("node", "simple", "pytorch-converted", "pytorch-operator")
OPSET = 20
NUMPY_LESS = {16, 17, 18, 19, 20, 21, 22}  # bfloat16, the float8s, the 4-bit integers
RTOL, ATOL = 1e-3, 1e-7


def relaunch():
    # Started from .venv: go on in the benchmark environment, with this
    # environment's site-packages (quorlibcore) after its own.
    sys.path.insert(0, str(ROOT / "bench"))
    import bench_model

    python = bench_model.bench_venv_python()
    site = sysconfig.get_paths()["purelib"]
    env = dict(os.environ, BACKEND_CASES_SITE=site)
    sys.exit(subprocess.run([str(python), __file__, *sys.argv[1:]], env=env).returncode)


def element_types(type_proto):
    which = type_proto.WhichOneof("value")
    if which == "tensor_type":
        return {type_proto.tensor_type.elem_type}
    if which == "map_type":
        return {type_proto.map_type.key_type} | element_types(type_proto.map_type.value_type)
    return element_types(getattr(type_proto, which).elem_type) if which else set()


def eligible(model):
    values = [*model.graph.input, *model.graph.output]
    return (all(o.domain in ("", "ai.onnx") and o.version <= OPSET for o in model.opset_import)
            and not any(element_types(v.type) & NUMPY_LESS for v in values))


def read_value(path, type_proto):
    import onnx
    from onnx import numpy_helper

    data = Path(path).read_bytes()
    which = type_proto.WhichOneof("value")
    proto, convert = {
        "tensor_type": (onnx.TensorProto, numpy_helper.to_array),
        "sequence_type": (onnx.SequenceProto, numpy_helper.to_list),
        "map_type": (onnx.MapProto, numpy_helper.to_dict),
        "optional_type": (onnx.OptionalProto, numpy_helper.to_optional),
    }[which]
    value = proto()
    value.ParseFromString(data)
    return convert(value)


def data_sets(folder, model):
    # input_i is the graph's i-th input, output_i its i-th output.
    for directory in sorted(glob.glob(f"{folder}/test_data_set_*")):
        count = len(glob.glob(f"{directory}/input_*.pb"))
        feeds = {model.graph.input[i].name: read_value(f"{directory}/input_{i}.pb", model.graph.input[i].type)
                 for i in range(count)}
        count = len(glob.glob(f"{directory}/output_*.pb"))
        expected = [read_value(f"{directory}/output_{i}.pb", model.graph.output[i].type) for i in range(count)]
        yield feeds, expected


def mismatch(expected, got, exact):
    """Why got differs from expected (None when it matches)."""
    import numpy as np

    if expected is None or got is None:
        same = expected is None and got is None
        return None if same else f"expected {type(expected).__name__}, got {type(got).__name__}"
    if isinstance(expected, (list, tuple)):
        if not isinstance(got, (list, tuple)) or len(got) != len(expected):
            return f"expected a list of {len(expected)}, got {got!r:.80}"
        return next((f"element {k}: {m}" for k, (e, g) in enumerate(zip(expected, got))
                     if (m := mismatch(e, g, exact))), None)
    if isinstance(expected, dict):
        if not isinstance(got, dict) or set(got) != set(expected):
            return f"expected a dict with keys {sorted(expected)[:5]}, got {type(got).__name__}"
        return next((f"key {k!r}: {m}" for k in expected if (m := mismatch(expected[k], got[k], exact))), None)
    if not isinstance(got, np.ndarray):
        return f"expected an array, got {type(got).__name__}"
    if got.dtype != expected.dtype:
        return f"dtype {got.dtype}, expected {expected.dtype}"
    if exact:
        if got.shape != expected.shape:
            return f"shape {got.shape}, expected {expected.shape}"
        same = np.array_equal(got, expected) if got.dtype == object else got.tobytes() == expected.tobytes()
        return None if same else "not bit-exact"
    try:
        if expected.dtype == object:
            np.testing.assert_array_equal(got, expected)
        else:
            np.testing.assert_allclose(got, expected, rtol=RTOL, atol=ATOL)
    except AssertionError as error:
        return " ".join(str(error).split())[:300]
    return None


def first_line(error):
    text = str(error).strip().splitlines()
    return f"{type(error).__name__}: {text[0][:300] if text else ''}"


def run_engine(start, call, sets):
    """(passes, error, outputs per data set), session: a failure to open or run is an error."""
    try:
        session = start()
        results = [call(session, feeds) for feeds, _ in sets]
    except Exception as error:  # the engine's own error, whatever its class
        return (False, first_line(error), None), None
    # The session goes back to the caller, to be let go after the outputs:
    # the tensors of a sequence that run returns lie in the model's memory.
    for k, ((_, expected), got) in enumerate(zip(sets, results)):
        if len(got) != len(expected):
            return (False, f"{len(got)} outputs, expected {len(expected)}", results), session
        why = next((f"output {i}: {m}" for i, (e, g) in enumerate(zip(expected, got))
                    if (m := mismatch(e, g, False))), None)
        if why:
            return (False, f"data set {k}: {why}", results), session
    return (True, None, results), session


def exact(sets_expected, results):
    return results is not None and all(
        len(got) == len(expected) and all(mismatch(e, g, True) is None for e, g in zip(expected, got))
        for expected, got in zip(sets_expected, results))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", default=DATA)
    parser.add_argument("-k", default="", help="only cases whose name contains this")
    parser.add_argument("-v", action="store_true", help="print every case")
    args = parser.parse_args()
    if "BACKEND_CASES_SITE" not in os.environ:
        relaunch()
    sys.path.append(os.environ["BACKEND_CASES_SITE"])
    import onnx
    import onnxruntime as ort
    import quorlibcore_buffers as qb

    ort.set_default_logger_severity(4)
    folders = sorted(f for kind in KINDS for f in glob.glob(f"{args.data}/{kind}/*") if args.k in os.path.basename(f))
    if not folders:
        sys.exit(f"no cases under {args.data}: apt-get install libonnx-testdata, or give --data")
    totals = {"cases": 0, "skipped": 0, "ours": 0, "onnxruntime": 0, "ours exact": 0, "onnxruntime exact": 0,
              "both ran, same bits": 0, "both ran": 0}
    only = {"onnxruntime": [], "ours": []}
    differ = []
    started = time.perf_counter()
    for folder in folders:
        name = f"{Path(folder).parent.name}/{Path(folder).name}"
        path = f"{folder}/model.onnx"
        model = onnx.load(path)
        if not eligible(model):
            totals["skipped"] += 1
            continue
        totals["cases"] += 1
        sets = list(data_sets(folder, model))
        expected = [e for _, e in sets]
        ours, model_ours = run_engine(lambda: qb.open_model(path),
                                      lambda m, feeds: list(qb.run(m, feeds).values()), sets)
        theirs, session = run_engine(lambda: ort.InferenceSession(path, providers=["CPUExecutionProvider"]),
                                     lambda s, feeds: s.run(None, feeds), sets)
        totals["ours"] += ours[0]
        totals["onnxruntime"] += theirs[0]
        totals["ours exact"] += exact(expected, ours[2])
        totals["onnxruntime exact"] += exact(expected, theirs[2])
        if ours[2] is not None and theirs[2] is not None:
            totals["both ran"] += 1
            same = exact(theirs[2], ours[2])
            totals["both ran, same bits"] += same
            if not same:
                differ.append(name)
        if theirs[0] and not ours[0]:
            only["onnxruntime"].append((name, ours[1]))
        elif ours[0] and not theirs[0]:
            only["ours"].append((name, theirs[1]))
        if args.v:
            print(f"{name}: ours {'pass' if ours[0] else ours[1]}; onnxruntime {'pass' if theirs[0] else theirs[1]}",
                  flush=True)
        del ours, theirs, model_ours, session  # outputs before their models
    seconds = time.perf_counter() - started
    print(f"\n{totals['cases']} eligible cases ({totals['skipped']} not), {seconds:.0f} s")
    print(f"passed: quorlibcore_buffers.run {totals['ours']}, onnxruntime {totals['onnxruntime']}")
    print(f"bit-exact to the expected outputs: ours {totals['ours exact']}, onnxruntime {totals['onnxruntime exact']}")
    print(f"bit-exact to each other: {totals['both ran, same bits']} of the {totals['both ran']} cases both ran; "
          f"not: {', '.join(differ) or 'none'}")
    for engine, other in (("onnxruntime", "ours"), ("ours", "onnxruntime")):
        print(f"\npassed by {engine} only ({len(only[engine])}), with {other}'s error:")
        for name, error in only[engine]:
            print(f"  {name}: {error}")


if __name__ == "__main__":
    main()
