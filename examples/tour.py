"""A short guided tour of quorlibcore's containers.

Run it with:  .venv/bin/python examples/tour.py
"""

import quorlibcore as q


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
