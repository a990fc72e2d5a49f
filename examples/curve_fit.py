"""Least-squares curve fit: a quadratic through noisy samples.

Builds the design matrix [1, t, t^2] column by column, solves with `ls`, and
checks the fit by evaluating the model with `gemv` on an untouched copy of the
design matrix (`ls` overwrites its matrix with a factorization).
Run: .venv/bin/python examples/curve_fit.py
"""
import math
import random

import quorlibcore as q

TRUE_COEFFICIENTS = (0.5, -1.5, 2.0)  # c0 + c1 t + c2 t^2
SAMPLES = 25

rng = random.Random(7)
design = q.matd(SAMPLES, 3)
observed = q.vecd(SAMPLES)
for i in range(SAMPLES):
    t = -1.0 + 2.0 * i / (SAMPLES - 1)
    for power in range(3):
        design[i, power] = t**power
    exact = sum(c * t**p for p, c in enumerate(TRUE_COEFFICIENTS))
    observed[i] = exact + rng.gauss(0.0, 0.01)

# ls works in place on both arguments, so solve on copies.
A = q.copy(design, q.matd(SAMPLES, 3))
solution = q.copy(observed, q.vecd(SAMPLES))
q.ls(A, solution)

coefficients = q.copy(solution[0:3], q.vecd(3))
print("fitted coefficients:")
print(coefficients)

# The residual components land in solution[3:]; their norm equals the norm
# of the fit's residual vector computed directly.
residual = q.copy(observed, q.vecd(SAMPLES))
q.gemv(1.0, -1.0, design, coefficients, residual)  # design @ c - observed
tail = solution[3:SAMPLES]
print(f"residual norm {math.sqrt(q.dot(residual, residual)):.6f}"
      f" (from ls: {math.sqrt(q.dot(tail, tail)):.6f})")

for fitted, true in zip((coefficients[i] for i in range(3)), TRUE_COEFFICIENTS):
    assert abs(fitted - true) < 0.02, (fitted, true)
print("fit ok")
