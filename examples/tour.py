"""A short guided tour of quorlibcore: containers, then running a model.

Run it with:  .venv/bin/python examples/tour.py
"""

import os
import sys
import tempfile

import quorlibcore as q

# make_model.py, next to this file, writes the small model of the last step.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_model  # noqa: E402


def step(title):
    print(f"\n=== {title} ===")


step("1. Containers come in four sample types")
# The last letter of a class name is its sample type:
# s = float32, d = float64, c = complex64, z = complex128.
for letter in "sdcz":
    v = getattr(q, "vec" + letter)(3)
    print(f"vec{letter}(3) holds {v.numel()} zeros, element 0 is {v[0]!r}")

step("2. Reading and writing elements")
v = q.vecd(5)
for i in range(v.numel()):
    v[i] = 1.5 * i
print("v =", [v[i] for i in range(v.numel())])
s = q.vecs(1)
s[0] = 0.1
print("0.1 stored in single precision reads back as", s[0])
c = q.vecz(2)
c[0] = 1 - 2j
c[1] = 3  # real numbers are accepted by the complex classes
print("complex vector:", c[0], c[1])
try:
    v[5]
except RuntimeError as error:
    print("reading past the end raises RuntimeError:", error)

step("3. Slices are views onto the same storage")
w = v[1:4]
print(f"v[1:4] is a {type(w).__name__} with {w.numel()} elements")
w[0] = 100.0
print("after w[0] = 100.0, v[1] is", v[1])
inner = w[1:]
inner[1] = -7.0
print("a view of a view writes through too: v[3] is", v[3])
del v
print("the view keeps the storage alive after v is gone:", w[0], w[1], w[2])
try:
    w[::2]
except RuntimeError as error:
    print("only unit steps are supported:", error)

step("4. Matrices are indexed by (row, column)")
m = q.matd(2, 6)
for r in range(2):
    for col in range(6):
        m[r, col] = 10 * r + col
print("m.dim(0) =", m.dim(0), " m.dim(1) =", m.dim(1), " m[1, 5] =", m[1, 5])

step("5. Printing containers")
print(repr(q.vecd(0)), end="")
print(repr(w), end="")
print(repr(c), end="")
print(repr(m), end="")  # wide rows are shortened with "..."

# ---------------------------------------------------------------------------
# Operations (scale, axpy, dot, gemv, gemm, ls, ...) will be toured here.
# ---------------------------------------------------------------------------

step("6. Running an ONNX model")
with tempfile.TemporaryDirectory() as folder:
    # y = relu(x @ W + b) with x 1 x 4 and y 1 x 3; loading prints its tensors.
    model = q.model(make_model.build(os.path.join(folder, "dense_relu.onnx")))
x = [1.0, 2.0, 0.5, -1.0]
for col, value in enumerate(x):
    model.set(0, [0, col], value)  # input 0, position (0, col)
model.run()
y = [model.get(0, [0, col]) for col in range(3)]  # output 0
print("y =", y)
print("numpy agrees:", all(abs(a - b) < 1e-6 for a, b in zip(y, make_model.reference([x])[0])))
