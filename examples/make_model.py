"""Writes a small ONNX model: one dense layer with a ReLU, y = relu(x @ W + b),
for an input x of shape 1 x 4 and an output y of shape 1 x 3.

Run it with:  .venv/bin/python examples/make_model.py [PATH]

Without PATH the model goes to a new temporary folder. Either way the path
is printed. Other examples import `build` from here.
"""

import os
import sys
import tempfile

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

# The layer's parameters, fixed so that results can be checked by hand.
WEIGHTS = np.array(
    [
        [0.5, -1.0, 0.25],
        [1.0, 0.5, -0.5],
        [-0.25, 0.75, 1.0],
        [0.0, -0.5, 0.5],
    ],
    dtype=np.float32,
)
BIAS = np.array([0.1, -0.2, 0.3], dtype=np.float32)


def reference(x):
    """What the model computes, in numpy."""
    return np.maximum(np.asarray(x, dtype=np.float32) @ WEIGHTS + BIAS, 0.0)


def build(path):
    """Saves the model to `path` and returns the path as a string."""
    graph = helper.make_graph(
        nodes=[
            helper.make_node("MatMul", ["x", "W"], ["xW"]),
            helper.make_node("Add", ["xW", "b"], ["z"]),
            helper.make_node("Relu", ["z"], ["y"]),
        ],
        name="dense_relu",
        inputs=[helper.make_tensor_value_info("x", TensorProto.FLOAT, [1, 4])],
        outputs=[helper.make_tensor_value_info("y", TensorProto.FLOAT, [1, 3])],
        initializer=[numpy_helper.from_array(WEIGHTS, "W"), numpy_helper.from_array(BIAS, "b")],
    )
    # quorlibcore's runtime reads IR version 9 and operator sets up to 20.
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 17)])
    model.ir_version = 9
    onnx.checker.check_model(model)
    onnx.save(model, os.fspath(path))
    return os.fspath(path)


def main(argv):
    if len(argv) > 2:
        sys.exit(f"usage: {argv[0]} [PATH]")
    path = argv[1] if len(argv) == 2 else os.path.join(tempfile.mkdtemp(prefix="quorlib-"), "dense_relu.onnx")
    print(build(path))


if __name__ == "__main__":
    main(sys.argv)
