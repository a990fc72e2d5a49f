"""make_ir10_models.py PLAIN INT4: two models saved at the onnx package's default
IR version (10), y = relu(x + b), the second with a 4-bit initializer 'w' too."""

import sys

import onnx
from onnx import TensorProto, helper


def save(path, extra_initializers):
    graph = helper.make_graph(
        nodes=[helper.make_node("Add", ["x", "b"], ["z"]), helper.make_node("Relu", ["z"], ["y"])],
        name="ir10",
        inputs=[helper.make_tensor_value_info("x", TensorProto.FLOAT, [1, 3])],
        outputs=[helper.make_tensor_value_info("y", TensorProto.FLOAT, [1, 3])],
        initializer=[helper.make_tensor("b", TensorProto.FLOAT, [3], [0.5, -1.0, 2.0])] + extra_initializers,
    )
    # The runtime reads operator sets up to 20; the IR version stays the default.
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 20)])
    assert model.ir_version == 10, model.ir_version
    onnx.save(model, path)


if __name__ == "__main__":
    save(sys.argv[1], [])
    save(sys.argv[2], [helper.make_tensor("w", TensorProto.INT4, [4], [1, -2, 3, -8])])
