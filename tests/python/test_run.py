"""run(m, feeds, outputs): one run over values given per call, by name, for
every kind of value, that changes nothing in the model; names in place of
positions; metadata; models of IR version 10 and from memory."""

import os
import subprocess
import sys

import numpy as np
import onnx
import pytest
from onnx import TensorProto, helper

import model_support as ms
import quorlibcore
import quorlibcore_buffers as qb

FLOAT, STRING, INT64 = TensorProto.FLOAT, TensorProto.STRING, TensorProto.INT64


def kinds_model(folder):
    """y = x + o (o optional: x when absent), s passed through, a sequence of
    x twice, the parts of a sequence joined, o itself; named dimensions,
    metadata."""
    optional = helper.make_optional_type_proto(helper.make_tensor_type_proto(FLOAT, ["n"]))
    then = helper.make_graph([helper.make_node("OptionalGetElement", ["o"], ["e"]),
                              helper.make_node("Add", ["x", "e"], ["sum"])], "then", [], [ms.tensor("sum", ["n"])])
    other = helper.make_graph([helper.make_node("Identity", ["x"], ["f"])], "else", [], [ms.tensor("f", ["n"])])
    nodes = [helper.make_node("OptionalHasElement", ["o"], ["has"]),
             helper.make_node("If", ["has"], ["y"], then_branch=then, else_branch=other),
             helper.make_node("Identity", ["s"], ["t"]), helper.make_node("SequenceConstruct", ["x", "x"], ["seq"]),
             helper.make_node("ConcatFromSequence", ["parts"], ["joined"], axis=0),
             helper.make_node("Identity", ["o"], ["same"])]
    graph = helper.make_graph(nodes, "kinds", [ms.tensor("x", ["n"]), helper.make_value_info("o", optional),
                                               ms.tensor("s", ["batch", 2], STRING),
                                               helper.make_tensor_sequence_value_info("parts", FLOAT, None)],
                              [ms.tensor("y", ["n"]), ms.tensor("t", ["batch", 2], STRING),
                               helper.make_tensor_sequence_value_info("seq", FLOAT, None),
                               ms.tensor("joined", ["k"]), helper.make_value_info("same", optional)],
                              doc_string="graph text")
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 18)], producer_name="tests",
                              domain="org.quorlib", model_version=7, doc_string="model text")
    helper.set_model_props(model, {"labels": "cat,dog", "é": "ü"})
    model.ir_version = 9
    onnx.save(model, str(folder / "kinds.onnx"))
    return str(folder / "kinds.onnx")


def test_every_kind_of_value_by_name_without_sizes(tmp_path):
    m = qb.open_model(kinds_model(tmp_path))
    assert [i.shape for i in qb.inputs(m)] == [None] * 4
    x = np.array([1, 2, 3], np.float32)
    s = np.array([["a", "bé"], ["", "c\0d"]])
    parts = [np.ones(2, np.float32), np.zeros(1, np.float32)]
    out = qb.run(m, {"x": x, "s": s, "parts": parts})
    assert list(out) == ["y", "t", "seq", "joined", "same"] and out["y"].tolist() == [1, 2, 3]
    assert out["t"].dtype == object and out["t"].tolist() == s.tolist()
    assert [a.tolist() for a in out["seq"]] == [[1, 2, 3]] * 2
    assert out["joined"].tolist() == [1, 1, 0] and out["same"] is None
    out = qb.run(m, {0: x, "o": np.ones(3, np.float32), 2: s.astype(object), 3: parts}, outputs=["y", 2, "same"])
    assert list(out) == ["y", "seq", "same"] and out["y"].tolist() == [2, 3, 4] and out["same"].tolist() == [1] * 3
    assert qb.run(m, {"x": x, "o": None, "s": s, "parts": parts}, outputs=("y",))["y"].tolist() == [1, 2, 3]
    assert qb.metadata(m) == ("tests", "kinds", "graph text", "org.quorlib", "model text", 7,
                              {"labels": "cat,dog", "é": "ü"})


def test_maps_in_and_sequences_of_maps_out(tmp_path):
    ml = helper.make_opsetid("ai.onnx.ml", 3)
    nodes = [helper.make_node("DictVectorizer", ["d"], ["v"], domain="ai.onnx.ml", int64_vocabulary=[4, 2]),
             helper.make_node("ZipMap", ["p"], ["z"], domain="ai.onnx.ml", classlabels_strings=["a", "b"])]
    zipped = helper.make_sequence_type_proto(helper.make_map_type_proto(STRING, helper.make_tensor_type_proto(FLOAT, [])))
    graph = helper.make_graph(nodes, "ml", [helper.make_value_info("d", helper.make_map_type_proto(
        INT64, helper.make_tensor_type_proto(FLOAT, []))), ms.tensor("p", [2, 2])],
                              [ms.tensor("v", [1, 2]), helper.make_value_info("z", zipped)])
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17), ml])
    model.ir_version = 9
    m = qb.open_model(model.SerializeToString())
    out = qb.run(m, {"d": {2: 0.5, 4: 1.5, 7: 9.0}, "p": np.array([[0.25, 0.75], [1, 0]], np.float32)})
    assert out["v"].tolist() == [[1.5, 0.5]] and out["z"] == [{"a": 0.25, "b": 0.75}, {"a": 1.0, "b": 0.0}]


@pytest.mark.parametrize("feeds, outputs, error, message", [
    ({"x": [1.0, 2.0]}, None, TypeError, r"^input 'x' holds float32 elements; the value given for it holds float64"),
    ({"x": np.ones(2, np.float32), "s": np.ones((1, 2))}, None, TypeError, r"^input 's' holds strings"),
    ({"q": 1}, None, ValueError, r"^'q' is not an input of the model; its inputs are 'x', 'o', 's', 'parts'$"),
    ({"x": np.ones(2, np.float32), 0: np.ones(2, np.float32)}, None, ValueError, r"^feeds gives input 'x' twice$"),
    ({"x": np.ones(2, np.float32)}, None, RuntimeError, r"^input 2 's' \[batch, 2\] has no tensor yet"),
    ({}, ["z"], ValueError, r"^'z' is not an output of the model; its outputs are 'y', 't', 'seq', 'joined', 'same'$"),
    ({"x": np.ones(2, np.float32), "parts": []}, None, ValueError, r"^input 'parts' is a sequence, and the runtime cannot"),
    ({"parts": np.ones(2, np.float32)}, None, TypeError, r"^input 'parts' is a sequence: give it a list"),
    ({}, "y", TypeError, r"^outputs is a sequence of output names or positions, or None"),
    ([("x", 1)], None, TypeError, r"^feeds maps input names \(or positions\) to values"),
    ({"x": np.ones(2, np.float32), "o": [1]}, None, TypeError, r"^input 'o' holds float32 elements"),
])
def test_run_refuses_what_does_not_fit(tmp_path, feeds, outputs, error, message):
    m = qb.open_model(kinds_model(tmp_path))
    with pytest.raises(error, match=message):
        qb.run(m, feeds, outputs=outputs)


# Inputs left out come from the model's own tensors; nothing the run makes
# goes into the model, and what it hands back is the caller's alone.
def test_run_changes_nothing_in_the_model(tmp_path):
    m = qb.open_model(ms.identity(tmp_path / "i.onnx", (1, "n")), shapes={"x": [1, 3]})
    np.asarray(qb.model_input(m, "x"))[...] = [[1, 2, 3]]
    m.run()
    own = np.asarray(qb.model_output(m, "y")).copy()
    bound = np.zeros((1, 2), np.float32)
    qb.bind_output(m, "y", bound)
    assert qb.run(m)["y"].tolist() == [[1, 2, 3]]
    x = np.array([[4, 5]], np.float32)
    y = qb.run(m, {"x": x})["y"]
    assert y.tolist() == [[4, 5]] and not np.shares_memory(x, y) and y.flags.writeable
    assert bound.tolist() == [[0, 0]] and own.tolist() == [[1, 2, 3]] and qb.inputs(m)[0].shape == (1, 3)


@pytest.mark.parametrize("call, group", [
    (qb.model_input, "input"), (qb.model_output, "output"), (lambda m, k: qb.set_input_shape(m, k, [1]), "input"),
    (lambda m, k: qb.bind_input(m, k, np.zeros(1, np.float32)), "input"),
    (lambda m, k: qb.bind_output(m, k, np.zeros(1, np.float32)), "output")])
def test_names_wherever_a_position_is_taken(tmp_path, call, group):
    m = qb.open_model(ms.identity(tmp_path / "n.onnx", (1,)))
    call(m, {"input": "x", "output": "y"}[group])
    with pytest.raises(ValueError, match=rf"^'w' is not an {group} of the model; its {group}s are "
                                         rf"'{'x' if group == 'input' else 'y'}'$"):
        call(m, "w")


def test_run_without_numpy_says_so(tmp_path):
    path = ms.identity(tmp_path / "i.onnx", (1,))
    code = ("import sys; sys.modules['numpy'] = None\nimport quorlibcore_buffers as qb\n"
            f"m = qb.open_model({path!r})\ntry:\n    qb.run(m)\nexcept ImportError as e:\n    print(e)")
    printed = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert printed == "run needs numpy, which could not be imported\n"


# onnx 1.16 writes IR version 10: such a file opens unless it uses what IR 9
# cannot express.
@pytest.mark.parametrize("int4, message", [(False, None), (True, r"uses the element type INT4 \(initializer 'w'")])
def test_files_of_ir_version_10(tmp_path, int4, message):
    weights = [helper.make_tensor("w", TensorProto.INT4, [2], [1, 2])] if int4 else []
    graph = helper.make_graph([helper.make_node("Relu", ["x"], ["y"])], "g", [ms.tensor("x", [2])],
                              [ms.tensor("y", [2])], weights)
    path = str(tmp_path / "ir10.onnx")
    onnx.save(helper.make_model(graph, opset_imports=[helper.make_opsetid("", 20)]), path)
    assert onnx.load(path).ir_version == 10
    if message:
        with pytest.raises(RuntimeError, match=message + r".*this runtime reads files of IR version 9 and older$"):
            qb.open_model(path)
        return
    for source in (path, (tmp_path / "ir10.onnx").read_bytes()):
        assert qb.run(qb.open_model(source), {"x": np.array([-1, 1], np.float32)})["y"].tolist() == [0, 1]
