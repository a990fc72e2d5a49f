"""Typed use of quorlibcore, checked with `mypy --strict`."""
import math

import quorlibcore as q
import quorlibcore_buffers as qb


def normalised(values: list[float]) -> q.vecd:
    v = q.vecd(len(values))
    for i, value in enumerate(values):
        v[i] = value
    norm = math.sqrt(q.dot(v, v))
    return q.scale(1.0 / norm, v)


def residual_norm(A: q.matd, x: q.vecd, b: q.vecd) -> float:
    r = q.vecd(b.numel())
    q.copy(b, r)
    q.gemv(1.0, -1.0, A, x, r)  # r <- A x - b
    return math.sqrt(q.dot(r, r))


def first_outputs(m: q.model, inputs: list[float]) -> list[float]:
    for i, value in enumerate(inputs):
        m.set(0, (0, i), value)
    m.run()
    return [m.get(0, (0, j)) for j in range(2)]


if __name__ == "__main__":
    v = normalised([3.0, 4.0])
    head: q.viewd = v[0:1]
    print(head[0], v[1])
    A = q.matd(2, 2)
    A[0, 0] = 1.0
    A[1, 1] = 2.0
    print(residual_norm(A, v, q.vecd(2)))
    shape: tuple[int, ...] | None = qb.memory(A).shape
    print(shape)
    imported = qb.as_view(qb.memory(v))  # a view onto another buffer: one of the four view classes
    if isinstance(imported, q.viewd):
        print(imported.numel())
