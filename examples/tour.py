"""A short guided tour of quorlibcore: containers, operations, a model.

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



def values(x):
    return [x[i] for i in range(x.numel())]


step("6. Level-1 operations work in place, on any kind of container")
x, y = q.vecd(3), q.vecd(5)
for i in range(3):
    x[i] = i + 1.0
print("axpy(2.0, x, y) returns y itself:", q.axpy(2.0, x, y) is y, values(y))
q.scale(0.5, y)
print("scale(0.5, y):", values(y))
q.sum(x, y[2:5])  # a view as the target: y's tail changes
print("sum(x, y[2:5]):", values(y))
print("dot(x, y) =", q.dot(x, y))
t = q.vecd(3)
q.copy(y[2:5], t)
q.swap(x, t)
print("copy and swap: x =", values(x), " t =", values(t))
flat = q.matd(2, 2)  # a matrix counts as its storage, column after column
flat[0, 0], flat[1, 0], flat[0, 1], flat[1, 1] = 1.0, 2.0, 3.0, 4.0
print("copy of a 2x2 matrix into a vector:", values(q.copy(flat, q.vecd(4))))
z = q.vecz(1)
z[0] = 1 + 1j
print("complex dot(z, z) =", q.dot(z, z), " hdot(z, z) =", q.hdot(z, z))

step("7. Products, and a shape that does not fit")
A = q.matd(2, 3)
for r in range(2):
    for col in range(3):
        A[r, col] = r + col
ones, out = q.vecd(3), q.vecd(2)
for i in range(3):
    ones[i] = 1.0
q.gemv(1.0, 0.0, A, ones, out)  # out = A @ ones
print("gemv: A @ (1, 1, 1) =", values(out))
q.matvec(A, ones, out)  # accumulates: out += A @ ones
print("matvec accumulates:", values(out))
X, Y = q.matd(3, 2), q.matd(2, 2)
X[0, 0] = X[1, 1] = 1.0
q.gemm(2.0, 0.0, A, X, Y)
print("gemm: 2 A X =", [[Y[r, col] for col in range(2)] for r in range(2)])
try:
    q.gemv(1.0, 0.0, A, q.vecd(2), out)
except RuntimeError as error:
    print("shape error, nothing written:", error)

step("8. Least squares: a line through four points")
points = [(0.0, 1.0), (1.0, 3.1), (2.0, 4.9), (3.0, 7.0)]
design, rhs = q.matd(4, 2), q.vecd(4)
for i, (ti, yi) in enumerate(points):
    design[i, 0], design[i, 1], rhs[i] = 1.0, ti, yi
q.ls(design, rhs)  # the solution replaces the first two elements of rhs
print(f"y = {rhs[0]:.4f} + {rhs[1]:.4f} t")

step("9. Running an ONNX model")
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
