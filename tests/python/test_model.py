"""The model class: load trace, set/run/get against numpy, error paths, and
files that are not models (loaded in child processes, so that a crash shows
with its signal instead of taking the test run down)."""

import json
import os
import pathlib
import pickle
import signal

import numpy as np
import onnx
import pytest
from onnx import TensorProto, helper

import model_support as ms
from container_support import Index, outcome
import quorlibcore

FLOAT_LINE = "Quor::Onnx::MakeTensor:: making tensor of type 'float'\n"

# Loads the model named on the command line; the error, if any, goes to the
# last line of stderr as JSON so that it stays apart from the runtime's log.
LOADER = """
import json, sys
import quorlibcore
path = sys.argv[1].encode() if sys.argv[2] == "bytes" else sys.argv[1]
try:
    quorlibcore.model(path)
except Exception as error:
    sys.stdout.flush()
    print(json.dumps([type(error).__name__, str(error)]), file=sys.stderr)
    sys.exit(3)
"""


def load_in_child(path, form="str", cwd=None):
    """(stdout, error) of loading `path` in a fresh interpreter; error is
    None or (type name, message)."""
    proc = ms.run_python(LOADER, path, form, cwd=cwd)
    if proc.returncode == 0:
        return proc.stdout, None
    assert proc.returncode == 3, f"child ended with {proc.returncode}:\n{proc.stderr}"
    return proc.stdout, tuple(json.loads(proc.stderr.splitlines()[-1]))


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    return tmp_path_factory.mktemp("models")


@pytest.fixture(scope="module")
def affine(folder):
    """y = x @ W + b with x 1x3, y 1x2."""
    return ms.random_affine(folder / "affine.onnx", 3, 2, seed=1)


@pytest.fixture
def affine_model(affine):
    return quorlibcore.model(affine[0])


@pytest.fixture(scope="module")
def identity_path(folder):
    return ms.identity(folder / "identity.onnx", (1, 3))


@pytest.fixture(scope="module")
def multi_path(folder):
    """Three float inputs a, b (2x3) and c (3), two float outputs, in that order."""
    nodes = [helper.make_node("Add", ["a", "b"], ["ab"]),
             helper.make_node("Add", ["ab", "c"], ["sum"]),
             helper.make_node("Mul", ["a", "b"], ["prod"])]
    return ms.save(nodes, [ms.tensor("a", (2, 3)), ms.tensor("b", (2, 3)), ms.tensor("c", (3,))],
                   [ms.tensor("sum", (2, 3)), ms.tensor("prod", (2, 3))], folder / "multi.onnx")


def cast_model(path, in_type, out_type, shape=(2,)):
    return ms.save([helper.make_node("Cast", ["x"], ["y"], to=out_type)],
                   [ms.tensor("x", shape, in_type)], [ms.tensor("y", shape, out_type)], path)


def constant_model(path):
    """No inputs: y is the constant [[1.5, -2, 3]]."""
    value = helper.make_tensor("v", TensorProto.FLOAT, [1, 3], [1.5, -2.0, 3.0])
    return ms.save([helper.make_node("Constant", [], ["y"], value=value)], [],
                   [ms.tensor("y", (1, 3))], path)


# --- the load trace, read from a child's standard output ---------------------


def test_trace_of_a_one_input_one_output_model(folder):
    path = ms.random_affine(folder / "trace_affine.onnx", 3, 2)[0]
    stdout, error = load_in_child(path)
    assert error is None
    assert stdout == (
        "Quor::Onnx::Model:: input name 0 'x'\n"
        "Quor::Onnx::Model:: input shape 0 '{1, 3}'\n"
        "Quor::Onnx::MakeTensor:: making tensor of type 'float'\n"
        "Quor::Onnx::Model:: output name 0 'y'\n"
        "Quor::Onnx::Model:: output shape 0 '{1, 2}'\n"
        "Quor::Onnx::MakeTensor:: making tensor of type 'float'\n"
    )


@pytest.fixture(scope="module")
def trace_cases(folder):
    """Models by case name, each with the trace it must print."""
    i64 = TensorProto.INT64
    return {
        "several inputs and outputs": (
            ms.save([helper.make_node("Add", ["a", "b"], ["sum"]),
                     helper.make_node("Identity", ["n"], ["count"]),
                     helper.make_node("Neg", ["sum"], ["neg"])],
                    [ms.tensor("a", (2, 3)), ms.tensor("b", (3,)), ms.tensor("n", (1,), i64)],
                    [ms.tensor("sum", (2, 3)), ms.tensor("count", (1,), i64), ms.tensor("neg", (2, 3))],
                    folder / "several.onnx"),
            ms.trace([("a", (2, 3), True), ("b", (3,), True), ("n", (1,), False)],
                     [("sum", (2, 3), True), ("count", (1,), False), ("neg", (2, 3), True)])),
        "scalar tensors": (
            ms.identity(folder / "scalar.onnx", ()),
            "Quor::Onnx::Model:: input name 0 'x'\n"
            "Quor::Onnx::Model:: input shape 0 '{}'\n" + FLOAT_LINE +
            "Quor::Onnx::Model:: output name 0 'y'\n"
            "Quor::Onnx::Model:: output shape 0 '{}'\n" + FLOAT_LINE),
        "int64 input has no float line": (
            cast_model(folder / "i64.onnx", i64, TensorProto.FLOAT, (4, 1)),
            ms.trace([("x", (4, 1), False)], [("y", (4, 1), True)])),
        "no inputs": (
            constant_model(folder / "constant.onnx"),
            ms.trace([], [("y", (1, 3), True)])),
        "long names and many dimensions": (
            ms.identity(folder / "long.onnx", (1, 2, 1, 3, 1), name_in="in:0/with spaces " + "n" * 200,
                        name_out="out.ü"),
            ms.trace([("in:0/with spaces " + "n" * 200, (1, 2, 1, 3, 1), True)],
                     [("out.ü", (1, 2, 1, 3, 1), True)])),
    }


@pytest.mark.parametrize("case", ["several inputs and outputs", "scalar tensors", "int64 input has no float line",
                                  "no inputs", "long names and many dimensions"])
def test_trace_lists_every_tensor_in_order(trace_cases, case):
    path, expected = trace_cases[case]
    stdout, error = load_in_child(path)
    assert error is None
    assert stdout == expected


@pytest.mark.parametrize("type_name", ["FLOAT16", "BFLOAT16"])
def test_half_precision_input_stops_after_its_own_lines(folder, type_name):
    path = cast_model(folder / f"{type_name}_in.onnx", getattr(TensorProto, type_name), TensorProto.FLOAT)
    stdout, error = load_in_child(path)
    assert stdout == "Quor::Onnx::Model:: input name 0 'x'\nQuor::Onnx::Model:: input shape 0 '{2}'\n"
    assert error == ("RuntimeError", f"Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_{type_name}'")


@pytest.mark.parametrize("type_name", ["FLOAT16", "BFLOAT16"])
def test_half_precision_output_stops_after_its_own_lines(folder, type_name):
    path = cast_model(folder / f"{type_name}_out.onnx", TensorProto.FLOAT, getattr(TensorProto, type_name))
    stdout, error = load_in_child(path)
    assert stdout == ms.trace([("x", (2,), True)]) + (
        "Quor::Onnx::Model:: output name 0 'y'\nQuor::Onnx::Model:: output shape 0 '{2}'\n")
    assert error == ("RuntimeError", f"Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_{type_name}'")


def test_symbolic_dimension_is_printed_as_minus_one_then_the_runtime_refuses(folder):
    path = ms.identity(folder / "symbolic.onnx", ("batch", 2))
    stdout, error = load_in_child(path)
    assert stdout == "Quor::Onnx::Model:: input name 0 'x'\nQuor::Onnx::Model:: input shape 0 '{-1, 2}'\n"
    assert error[0] == "RuntimeError" and error[1]


def test_missing_file_fails_before_printing_anything(tmp_path):
    path = tmp_path / "absent.onnx"
    stdout, error = load_in_child(path)
    assert stdout == ""
    assert error[0] == "RuntimeError" and str(path) in error[1]


def test_path_with_a_nul_character_is_refused_before_the_file_is_touched(identity_path):
    # The part before the NUL names a valid model: it must not be opened.
    proc = ms.run_python("""
        import sys, quorlibcore
        try:
            quorlibcore.model(sys.argv[1] + "\\0tail")
        except ValueError as error:
            print(error, file=sys.stderr)
    """, identity_path)
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, "", "embedded null byte\n")


@pytest.mark.parametrize("form", ["str", "bytes"])
def test_unusual_paths_are_opened_as_given(folder, form):
    # The path also names the runtime's log; odd characters must survive
    # both uses, and a relative path is resolved against the working folder.
    odd = folder / "dir with spaces ü"
    odd.mkdir(exist_ok=True)
    ms.identity(odd / "mödel #1.onnx", (1, 3))
    stdout, error = load_in_child(pathlib.Path("dir with spaces ü") / "mödel #1.onnx", form, cwd=folder)
    assert error is None
    assert stdout == ms.trace([("x", (1, 3), True)], [("y", (1, 3), True)])


# --- numbers against numpy ---------------------------------------------------


def test_affine_model_matches_numpy(affine, affine_model):
    _, weights, bias = affine
    rng = np.random.default_rng(7)
    for _ in range(5):
        x = rng.standard_normal((1, 3)).astype(np.float32)
        ms.set_array(affine_model, 0, x)
        affine_model.run()
        np.testing.assert_allclose(ms.get_array(affine_model, 0, (1, 2)), x @ weights + bias, rtol=1e-6, atol=1e-6)


@pytest.mark.parametrize("sizes", [(4, 8, 3), (16, 32, 32, 10)])
def test_mlp_matches_numpy(folder, sizes):
    path, reference = ms.mlp(folder / f"mlp{len(sizes)}.onnx", sizes, seed=len(sizes))
    m = quorlibcore.model(path)
    rng = np.random.default_rng(3)
    for _ in range(3):
        x = rng.standard_normal((1, sizes[0])).astype(np.float32)
        ms.set_array(m, 0, x)
        m.run()
        y = ms.get_array(m, 0, (1, sizes[-1]))
        np.testing.assert_allclose(y, reference(x), rtol=1e-5, atol=1e-6)
        assert y.sum() == pytest.approx(1.0, abs=1e-5)


def test_every_input_reaches_the_run(multi_path):
    m = quorlibcore.model(multi_path)
    rng = np.random.default_rng(11)
    a, b = rng.standard_normal((2, 2, 3)).astype(np.float32)
    c = rng.standard_normal(3).astype(np.float32)
    for index, array in enumerate((a, b, c)):
        ms.set_array(m, index, array)
    m.run()
    np.testing.assert_allclose(ms.get_array(m, 0, (2, 3)), a + b + c, rtol=1e-6)
    np.testing.assert_allclose(ms.get_array(m, 1, (2, 3)), a * b, rtol=1e-6)


@pytest.mark.parametrize("value, stored", [
    (0.1, 0.10000000149011612),
    (1 / 3, float(np.float32(1 / 3))),
    (16777217.0, 16777216.0),
    (1e-50, 0.0),
    (-2.5, -2.5),
])
def test_values_are_stored_in_single_precision(identity_path, value, stored):
    m = quorlibcore.model(identity_path)
    m.set(0, [0, 1], value)
    m.run()
    assert m.get(0, [0, 1]) == stored


def test_negative_zero_and_nan_pass_through(identity_path):
    m = quorlibcore.model(identity_path)
    m.set(0, [0, 0], -0.0)
    m.set(0, [0, 2], float("nan"))
    m.run()
    assert np.signbit(m.get(0, [0, 0]))
    assert np.isnan(m.get(0, [0, 2]))


def test_integer_value_is_stored_as_float(identity_path):
    m = quorlibcore.model(identity_path)
    m.set(0, [0, 0], 2)
    m.run()
    result = m.get(0, [0, 0])
    assert type(result) is float and result == 2.0


def test_inputs_persist_across_runs_and_runs_repeat(affine, affine_model):
    _, weights, bias = affine
    x = np.array([[1.0, -2.0, 0.5]], dtype=np.float32)
    ms.set_array(affine_model, 0, x)
    affine_model.run()
    first = ms.get_array(affine_model, 0, (1, 2))
    affine_model.run()
    assert np.array_equal(ms.get_array(affine_model, 0, (1, 2)), first)
    # Changing one element keeps the other two.
    affine_model.set(0, [0, 1], 4.0)
    x[0, 1] = 4.0
    affine_model.run()
    np.testing.assert_allclose(ms.get_array(affine_model, 0, (1, 2)), x @ weights + bias, rtol=1e-6)


def test_tensors_start_as_zeros(affine):
    path, _, bias = affine
    m = quorlibcore.model(path)
    assert ms.get_array(m, 0, (1, 2)).tolist() == [[0.0, 0.0]]
    m.run()  # x is all zeros, so y is exactly b
    assert ms.get_array(m, 0, (1, 2)).tolist() == [bias.astype(np.float64).tolist()]


def test_non_float_inputs_start_as_zeros(folder):
    # Nothing can write an int64 input, so each run sees zeros.
    m = quorlibcore.model(cast_model(folder / "i64_zero.onnx", TensorProto.INT64, TensorProto.FLOAT, (3,)))
    for _ in range(2):
        m.run()
        assert [m.get(0, [i]) for i in range(3)] == [0.0, 0.0, 0.0]


def test_model_without_inputs(folder):
    m = quorlibcore.model(constant_model(folder / "const_run.onnx"))
    m.run()
    assert [m.get(0, [0, i]) for i in range(3)] == [1.5, -2.0, 3.0]
    with pytest.raises(RuntimeError, match=r"^input index 0 out of range: the model has 0 inputs$"):
        m.set(0, [0, 0], 1.0)


def test_scalar_tensor_takes_the_empty_position(folder):
    m = quorlibcore.model(ms.identity(folder / "scalar_run.onnx", ()))
    m.set(0, [], 4.25)
    m.run()
    assert m.get(0, []) == 4.25
    with pytest.raises(RuntimeError, match="location dimensions do not match shape size"):
        m.get(0, [0])


def test_get_index_counts_outputs_not_inputs(multi_path):
    m = quorlibcore.model(multi_path)  # three inputs, two outputs
    m.set(2, [1], 5.0)  # c[1]
    m.set(0, [0, 1], 1.0)
    m.run()
    assert m.get(0, [0, 1]) == 6.0  # sum
    assert m.get(1, [0, 1]) == 0.0  # prod
    with pytest.raises(RuntimeError, match=r"^output index 2 out of range: the model has 2 outputs$"):
        m.get(2, [0])


@pytest.mark.parametrize("nodes, outputs", [
    ("relu", "yx"), ("", "x"), ("relu", "yy"), ("", "xx"), ("relu", "yxy"),
    ("relu identity", "iyx"), ("relu constant", "yc"), ("relu", "yw"),
])
def test_outputs_that_are_inputs_repeated_or_constant_read_their_values(folder, nodes, outputs):
    make = {"relu": helper.make_node("Relu", ["x"], ["y"]), "identity": helper.make_node("Identity", ["x"], ["i"]),
            "constant": helper.make_node("Constant", [], ["c"], value=ms.const([1.5, -4.0], "v"))}
    path = ms.save([make[n] for n in nodes.split()], [ms.tensor("x", (2,))], [ms.tensor(n, (2,)) for n in outputs],
                   folder / f"alias_{nodes}_{outputs}.onnx", [ms.const([7.0, 8.0], "w")], check=False)
    m = quorlibcore.model(path)
    for x in ([5.0, -2.0], [-1.0, 3.0]):
        ms.set_array(m, 0, x)
        m.run()
        values = {"x": x, "i": x, "y": np.maximum(x, 0).tolist(), "c": [1.5, -4.0], "w": [7.0, 8.0]}
        assert [ms.get_array(m, k, (2,)).tolist() for k in range(len(outputs))] == [values[n] for n in outputs]


# --- bad arguments -----------------------------------------------------------


@pytest.mark.parametrize("method", ["set", "get"])
@pytest.mark.parametrize("position, message", [
    ([0, 3], "invalid location range"),
    ([1, 0], "invalid location range"),
    ([-1, 0], "invalid location range"),
    ([0, -1], "invalid location range"),
    ([0, 2**63 - 1], "invalid location range"),
    ([2], "location dimensions do not match shape size"),
    ([], "location dimensions do not match shape size"),
    ([0, 0, 0], "location dimensions do not match shape size"),
])
def test_bad_positions_fail_and_leave_the_model_usable(affine, affine_model, method, position, message):
    _, weights, bias = affine
    x = np.array([[0.5, 1.0, -1.5]], dtype=np.float32)
    ms.set_array(affine_model, 0, x)
    affine_model.run()
    args = (0, position, 9.0) if method == "set" else (0, position)
    with pytest.raises(RuntimeError, match=f"^{message}$"):
        getattr(affine_model, method)(*args)
    affine_model.run()  # nothing was written
    expected = x @ weights + bias
    np.testing.assert_allclose(ms.get_array(affine_model, 0, (1, 2)), expected, rtol=1e-6)


@pytest.mark.parametrize("position", [(0, 2), range(0, 4, 2), np.array([0, 2])])
def test_positions_may_be_any_sequence(identity_path, position):
    m = quorlibcore.model(identity_path)
    m.set(0, position, 3.0)
    m.run()
    assert m.get(0, position) == 3.0


@pytest.mark.parametrize("args", [
    (-1, [0, 0]),
    (2**64, [0, 0]),
    (0.0, [0, 0]),
    ("0", [0, 0]),
    (0, 0),
    (0, "00"),
    (0, b"\x00\x00"),
    (0, [0.0, 0.0]),
    (0, [0, 2**63]),
    (0, None),
])
@pytest.mark.parametrize("method", ["set", "get"])
def test_unconvertible_arguments_are_type_errors(affine_model, method, args):
    with pytest.raises(TypeError):
        getattr(affine_model, method)(*args, *((1.0,) if method == "set" else ()))


@pytest.mark.parametrize("value", ["1.0", None, 1j, [1.0]])
def test_set_needs_a_real_number(affine_model, value):
    with pytest.raises(TypeError):
        affine_model.set(0, [0, 0], value)


@pytest.mark.parametrize("call", [
    lambda m: m.set(0, [0, 0], value=1.0),
    lambda m: m.set(inputIdx=0, tensorIdx=[0, 0], value=1.0),
    lambda m: m.get(0, tensorIdx=[0, 0]),
    lambda m: m.get(outputIdx=0, tensorIdx=[0, 0]),
    lambda m: m.run(now=True),
    lambda m: m.run(1),
    lambda m: m.set(0, [0, 0]),
    lambda m: m.get(0),
])
def test_keywords_and_wrong_arity_are_type_errors(affine_model, call):
    with pytest.raises(TypeError):
        call(affine_model)


@pytest.mark.parametrize("args, kwargs", [((), {}), ((), {"path": "m.onnx"}), ((1,), {}), (("a", "b"), {})])
def test_constructor_takes_one_positional_path(args, kwargs):
    with pytest.raises(TypeError):
        quorlibcore.model(*args, **kwargs)


@pytest.mark.parametrize("method, index, message", [
    ("set", 1, "input index 1 out of range: the model has 1 inputs"),
    ("set", 2**64 - 1, "input index 18446744073709551615 out of range: the model has 1 inputs"),
    ("get", 1, "output index 1 out of range: the model has 1 outputs"),
    ("get", 2**63, "output index 9223372036854775808 out of range: the model has 1 outputs"),
])
def test_tensor_index_beyond_the_group(affine_model, method, index, message):
    args = (index, [0, 0], 1.0) if method == "set" else (index, [0, 0])
    with pytest.raises(RuntimeError, match=f"^{message}$"):
        getattr(affine_model, method)(*args)


@pytest.mark.parametrize("type_name", ["INT64", "INT32", "DOUBLE", "BOOL", "UINT8"])
def test_tensors_without_a_view_cannot_be_read_or_written(folder, type_name):
    elem_type = getattr(TensorProto, type_name)
    m = quorlibcore.model(ms.identity(folder / f"{type_name}.onnx", (2,), elem_type))
    m.run()
    with pytest.raises(RuntimeError, match=r"^input 'x' is not a float tensor: only float tensors can be read or "
                                           r"written$"):
        m.set(0, [0], 1.0)
    with pytest.raises(RuntimeError, match=r"^output 'y' is not a float tensor: only float tensors can be read "
                                           r"or written$"):
        m.get(0, [0])


@pytest.mark.parametrize("listed", [1, 2])
def test_failing_run_leaves_the_model_usable(folder, listed):
    # Three elements cannot take the shape (2,): every run fails, whether the
    # runtime writes the output into the model's tensor or (listed twice)
    # supplies it.
    shape = ms.numpy_helper.from_array(np.array([2], np.int64), "shape")
    path = ms.save([helper.make_node("Reshape", ["x", "shape"], ["y"])], [ms.tensor("x", (3,))],
                   [ms.tensor("y", (2,))] * listed, folder / f"bad_run{listed}.onnx", [shape], check=False)
    m = quorlibcore.model(path)
    for _ in range(2):
        with pytest.raises(RuntimeError, match="shape"):
            m.run()
    m.set(0, [1], 7.0)
    assert m.get(0, [1]) == 0.0


def test_a_declared_output_shape_that_the_run_contradicts_gives_way(folder):
    path = ms.save([helper.make_node("Identity", ["x"], ["y"])], [ms.tensor("x", (3,))], [ms.tensor("y", (3, 1))],
                   folder / "stale.onnx", check=False)
    m = quorlibcore.model(path)
    m.set(0, [1], 7.0)
    for _ in range(2):
        m.run()
        assert m.get(0, [1]) == 7.0


def test_models_are_independent(identity_path):
    first, second = quorlibcore.model(identity_path), quorlibcore.model(identity_path)
    first.set(0, [0, 0], 1.0)
    first.run()
    second.run()
    assert (first.get(0, [0, 0]), second.get(0, [0, 0])) == (1.0, 0.0)
    del first
    second.set(0, [0, 0], 2.0)
    second.run()
    assert second.get(0, [0, 0]) == 2.0


def test_model_has_no_attributes_or_copies(affine_model):
    with pytest.raises(AttributeError):
        affine_model.path = "x"
    with pytest.raises(TypeError):
        pickle.dumps(affine_model)
    assert quorlibcore.model.__doc__ is None


# --- files that are not models -----------------------------------------------


def not_model_files(folder, valid):
    data = pathlib.Path(valid).read_bytes()
    files = {"empty": b"", "text": b"ir_version: 9\ngraph { name: 'g' }\n",
             **{f"random-{seed}": np.random.default_rng(seed).bytes(512 * (seed + 1)) for seed in range(3)},
             **{f"truncated-{k}/16": data[: len(data) * k // 16] for k in range(1, 16)}}
    paths = {}
    for name, content in files.items():
        path = folder / ("bad-" + name.replace("/", "of") + ".onnx")
        path.write_bytes(content)
        paths[name] = path
    paths["directory"] = folder / "a-directory.onnx"
    paths["directory"].mkdir(exist_ok=True)
    locked = folder / "locked.onnx"
    locked.write_bytes(data)
    locked.chmod(0)
    paths["no read permission"] = locked
    return paths


NOT_MODELS = (["empty", "text", "directory", "no read permission"] + [f"random-{s}" for s in range(3)]
              + [f"truncated-{k}/16" for k in range(1, 16)])


@pytest.fixture(scope="module")
def not_model_results(folder, tmp_path_factory):
    valid, _ = ms.mlp(folder / "valid_for_truncation.onnx", (6, 8, 4))
    paths = not_model_files(tmp_path_factory.mktemp("not_models"), valid)
    results = ms.load_in_children(paths.values())
    return dict(zip(paths, results))


@pytest.mark.parametrize("case", NOT_MODELS)
def test_files_that_are_not_models_raise_runtime_error(not_model_results, case):
    if case == "no read permission" and os.geteuid() == 0:
        pytest.skip("root reads any file")
    result = not_model_results[case]
    assert result["outcome"] != "crash", f"{case}: {ms.describe(result)} ({signal.Signals(result['signal']).name})"
    assert (result["outcome"], result.get("type")) == ("error", "RuntimeError"), ms.describe(result)
    assert result["message"]
    assert result.get("stdout", "") == ""


def test_byte_mutations_of_a_valid_model(folder, capsys):
    path, _ = ms.mlp(folder / "valid_for_mutation.onnx", (4, 6, 3))
    data = pathlib.Path(path).read_bytes()
    mutants = folder / "mutants"
    mutants.mkdir(exist_ok=True)
    seeds = range(200)
    paths = [path]
    for seed in seeds:
        p = mutants / f"m{seed}.onnx"
        p.write_bytes(ms.mutate(data, seed))
        paths.append(p)
    original, *results = ms.load_in_children(paths, run=True)
    assert original["outcome"] == "ok", ms.describe(original)

    by_outcome = {}
    for seed, result in zip(seeds, results):
        by_outcome.setdefault(result["outcome"], []).append(seed)
    crashes = [(seed, r["signal"], r.get("phase")) for seed, r in zip(seeds, results) if r["outcome"] == "crash"]
    undecodable = [seed for seed, r in zip(seeds, results) if r.get("type") == "UnicodeDecodeError"]
    with capsys.disabled():
        print(f"\nmutations: {len(by_outcome.get('ok', []))} loaded and ran, "
              f"{len(by_outcome.get('error', []))} clean errors "
              f"({len(undecodable)} of them UnicodeDecodeError: seeds {undecodable}), {len(crashes)} crashes")
        for seed, sig, phase in crashes:
            print(f"  crash: seed {seed}, signal {signal.Signals(sig).name}, during {phase}")
    # A crash inside the runtime's own parser is the runtime's; anything that
    # hangs or leaves the process another way is not acceptable.
    assert set(by_outcome) <= {"ok", "error", "crash"}, by_outcome
    odd = [(seed, ms.describe(r)) for seed, r in zip(seeds, results)
           if r["outcome"] == "error" and r["type"] not in ("RuntimeError", "MemoryError")]
    assert not odd


def name_with_invalid_utf8(folder):
    """A model whose only node has an unknown operator and a name that is
    not valid UTF-8; the runtime's load error quotes the name."""
    node = helper.make_node("Identity", ["x"], ["y"], name="NODEMARK")
    node.op_type = "NoSuchOperator"
    graph = helper.make_graph([node], "g", [ms.tensor("x", (2,))], [ms.tensor("y", (2,))])
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", ms.OPSET)])
    model.ir_version = ms.IR_VERSION
    path = folder / "invalid_utf8_name.onnx"
    # Same length, so the protobuf framing stays intact.
    path.write_bytes(model.SerializeToString().replace(b"NODEMARK", b"NODE\xffARK"))
    return path


@pytest.mark.parametrize("source, quoted", [("bytes path", "model-\\xff.onnx"), ("node name", "NODE\\xffARK")])
def test_runtime_messages_that_are_not_utf8(folder, source, quoted):
    # Bytes that are not UTF-8 are escaped in the message, so the error
    # still arrives as RuntimeError.
    path = b"/nonexistent/model-\xff.onnx" if source == "bytes path" else str(name_with_invalid_utf8(folder))
    with pytest.raises(RuntimeError) as error:
        quorlibcore.model(path)
    assert quoted in str(error.value)


# --- single-operator models from the onnx package's backend test data --------

ONNX_NODE_DATA = pathlib.Path(onnx.__file__).parent / "backend" / "test" / "data" / "node"


@pytest.mark.parametrize("name", ["test_add", "test_matmul_2d", "test_relu", "test_sigmoid",
                                  "test_softmax_axis_1", "test_gemm_default_no_bias"])
def test_reference_node_models(name):
    folder = ONNX_NODE_DATA / name
    proto = onnx.load(folder / "model.onnx")
    assert proto.ir_version <= 9 and all(o.version <= 20 for o in proto.opset_import)
    data = folder / "test_data_set_0"
    inputs = [onnx.numpy_helper.to_array(onnx.load_tensor(p)) for p in sorted(data.glob("input_*.pb"))]
    outputs = [onnx.numpy_helper.to_array(onnx.load_tensor(p)) for p in sorted(data.glob("output_*.pb"))]
    assert inputs and outputs and all(a.dtype == np.float32 for a in inputs + outputs)

    m = quorlibcore.model(str(folder / "model.onnx"))
    for index, array in enumerate(inputs):
        ms.set_array(m, index, array)
    m.run()
    for index, expected in enumerate(outputs):
        np.testing.assert_allclose(ms.get_array(m, index, expected.shape), expected, rtol=1e-5, atol=1e-6)


# `set` and `get` skip pybind11's dispatcher for the arguments they recognise;
# whatever the arguments, the outcome is the one the pybind11 methods give.
@pytest.mark.parametrize("position", [[0, 2], (0, 2), [True, 1], [Index(0), 2], [0, 2.0], [0], [], [0, 3], [-1, 0],
                                      [0, 2**63], [0] * 9, "ab", 5, None])
def test_set_and_get_match_pybind11(affine_model, position):
    m, cls = affine_model, quorlibcore.model
    bound_set, bound_get = m.set, m.get
    gets = [m.get, bound_get, lambda *a: cls.get(m, *a)]
    sets = [m.set, bound_set, lambda *a: cls.set(m, *a)]
    for idx in [0, 1, -1, True, Index(0), 0.0]:
        expected = outcome(lambda: cls.get.__func__(m, idx, position))
        assert all(outcome(lambda: get(idx, position)) == expected for get in gets), (idx, position)
        for value in [1.5, 2, True, Index(2), 1j, "x", None]:
            for set_ in sets:
                assert outcome(lambda: set_(idx, position, value)) == outcome(
                    lambda: cls.set.__func__(m, idx, position, value)), (idx, position, value)
                m.run()
                assert outcome(lambda: m.get(0, [0, 1])) == outcome(lambda: cls.get.__func__(m, 0, [0, 1]))
