"""Running an ONNX model with quorlibcore, step by step.

Run it with:  .venv/bin/python examples/model_demo.py

The model is one dense layer with a ReLU, y = relu(x @ W + b), written by
make_model.py next to this file.
"""

import os
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_model  # noqa: E402

import quorlibcore  # noqa: E402

with tempfile.TemporaryDirectory() as folder:
    path = make_model.build(os.path.join(folder, "dense_relu.onnx"))

    # 1. Loading prints what the model expects and what it produces:
    #    each tensor's index, name and shape.
    print("Loading", os.path.basename(path))
    m = quorlibcore.model(path)

# The model keeps everything it needs once loaded, so the file can go.

# 2. Inputs are written one element at a time: input index, position, value.
#    A position has one index per dimension; x is 1 x 4.
x = np.array([[1.0, 2.0, 0.5, -1.0]], dtype=np.float32)
for col in range(4):
    m.set(0, [0, col], float(x[0, col]))

# 3. Run the model. The input keeps its values, so running again without new
#    set() calls gives the same outputs.
m.run()

# 4. Outputs are read the same way: output index, position.
y = [m.get(0, [0, col]) for col in range(3)]
expected = make_model.reference(x)[0]
print("y from the model:", y)
print("y from numpy:    ", expected.tolist())
print("(the ReLU turned the last one, -0.45, into 0; values are float32, hence 2.4749999...)")
assert np.allclose(y, expected, atol=1e-6)

# Change one element and run again: the other three keep their values.
m.set(0, [0, 3], 1.0)
m.run()
x[0, 3] = 1.0
print("with x[0, 3] = 1.0:", [m.get(0, [0, col]) for col in range(3)])
assert np.allclose([m.get(0, [0, col]) for col in range(3)], make_model.reference(x)[0], atol=1e-6)

# 5. Mistakes come back as exceptions, and the model stays usable.
try:
    m.set(0, [0, 4], 1.0)  # x has four columns: 0 to 3
except RuntimeError as error:
    print("position past the end:", error)
try:
    m.get(1, [0, 0])  # there is only output 0
except RuntimeError as error:
    print("no such output:", error)
try:
    quorlibcore.model(os.path.join(folder, "missing.onnx"))
except RuntimeError as error:
    print("missing file:", error)
print("done")
