#!/usr/bin/env python3
"""Memory soak: create, slice, print and drop many containers of every kind and
sample type, then load, run and drop many small models, sampling the resident
set size of this process as it goes.

In each of the two phases, after a warm-up (the first tenth of the phase) the
resident size may grow by less than --limit-mib MiB; the exit status is 1
otherwise. The samples are printed as a table of (containers or models so far,
resident MiB) for each phase.

    .venv/bin/python tools/soak.py [--count N] [--models N] [--samples S] [--limit-mib M]
"""

import argparse
import os
import sys
import tempfile
from pathlib import Path

import quorlibcore as q

# The tests' helpers: model builders and the stdout silencer.
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "python"))
from quiet_output import quiet_stdout  # noqa: E402

LETTERS = ("s", "d", "c", "z")
PAGE = os.sysconf("SC_PAGE_SIZE")
MIB = 1024 * 1024


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE


def churn(i):
    """One container's life, chosen by i: built, written, sliced, printed,
    used in an operation, made to fail once, and dropped."""
    letter = LETTERS[i % 4]
    n = i % 19
    kind = (i // 4) % 3
    if kind == 0:
        v = getattr(q, "vec" + letter)(n)
        for k in range(min(n, 3)):
            v[k] = 1.5 * k
        w = v[1:][0:]  # a view of a view
        del v  # the view keeps the storage alive on its own
        text = repr(w)
        q.scale(2.0, w)
        target = w
    elif kind == 1:
        v = getattr(q, "vec" + letter)(n)
        w = v[n // 3 : n]
        q.copy(w, v)
        text = repr(v)
        target = v
    else:
        m = getattr(q, "mat" + letter)(n % 5, n % 7)
        if m.numel():
            m[0, 0] = 3.0
        text = repr(m)
        y = getattr(q, "vec" + letter)(m.dim(0))
        x = getattr(q, "vec" + letter)(m.dim(1))
        q.gemv(1.0, 0.0, m, x, y)
        target = m
    try:
        target[target.numel() + 1 if kind != 2 else (0, n + 7)]
    except RuntimeError:
        pass
    return len(text)


class ModelLife:
    """Loads, runs and drops models built at start-up by the tests' own model
    helpers (which need onnx and numpy, as the test suite does)."""

    def __init__(self, folder):
        import model_support as ms
        import numpy as np

        self.ms, self.np = ms, np
        self.identity = ms.identity(os.path.join(folder, "identity.onnx"), (2, 3))
        self.affine, self.weights, self.bias = ms.random_affine(os.path.join(folder, "affine.onnx"), 8, 4)
        self.mlp, self.reference = ms.mlp(os.path.join(folder, "mlp.onnx"), (8, 16, 4))

    def __call__(self, i):
        """One model's life, chosen by i: loaded, every input element set, run
        twice, every output element read, a failing set and get, and dropped."""
        ms, np = self.ms, self.np
        x = np.arange(8, dtype=np.float32).reshape(1, 8) / 8 - (i % 5)
        with quiet_stdout():  # the load trace, 200 times over, says nothing here
            if i % 3 == 0:
                m, x = q.model(self.identity), x[0, :6].reshape(2, 3)
                expected = x
            elif i % 3 == 1:
                m = q.model(self.affine)
                expected = x @ self.weights + self.bias
            else:
                m = q.model(self.mlp)
                expected = self.reference(x)
        ms.set_array(m, 0, x)
        m.run()
        m.run()
        out = ms.get_array(m, 0, expected.shape)
        if not np.allclose(out, expected, rtol=1e-5, atol=1e-6):
            raise AssertionError(f"model {i}: {out} instead of {expected}")
        for call in (lambda: m.set(0, [0, 99], 1.0), lambda: m.get(0, [0]), lambda: m.set(1, [0, 0], 1.0)):
            try:
                call()
            except RuntimeError:
                pass
            else:
                raise AssertionError(f"model {i}: a bad position or index was accepted")
        del m
        return out.size


def soak(life, count, samples):
    """Runs life(i) for i below count; returns (done so far, resident bytes) samples."""
    every = max(1, count // samples)
    taken = [(0, resident_bytes())]
    for i in range(count):
        life(i)
        if (i + 1) % every == 0 or i + 1 == count:
            taken.append((i + 1, resident_bytes()))
    return taken


def report(what, samples, count, limit_mib):
    """Prints the table and the figures of one phase; True when it stayed flat."""
    warmup = count // 10
    after_warmup = [rss for done, rss in samples if done >= warmup]
    baseline = after_warmup[0]
    growth = max(after_warmup) - baseline
    print(f"{what:>10}  resident MiB")
    for done, rss in samples:
        print(f"{done:10d}  {rss / MIB:12.2f}")
    print(f"{what}: start {samples[0][1] / MIB:.2f} MiB, after warm-up ({warmup} {what}) {baseline / MIB:.2f} MiB, "
          f"peak {max(after_warmup) / MIB:.2f} MiB, end {samples[-1][1] / MIB:.2f} MiB")
    print(f"{what}: growth after warm-up: {growth / MIB:.3f} MiB (limit {limit_mib} MiB)")
    if growth >= limit_mib * MIB:
        print(f"FAIL: resident memory keeps growing while {what} come and go", file=sys.stderr)
        return False
    return True


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10**6, help="containers to create (default 10**6)")
    parser.add_argument("--models", type=int, default=200, help="models to load, run and drop (default 200)")
    parser.add_argument("--samples", type=int, default=50, help="resident size samples per phase (default 50)")
    parser.add_argument("--limit-mib", type=float, default=5.0, help="allowed growth after warm-up (default 5)")
    args = parser.parse_args(argv)

    flat = True
    if args.count > 0:
        flat &= report("containers", soak(churn, args.count, args.samples), args.count, args.limit_mib)
    if args.models > 0:
        with tempfile.TemporaryDirectory(prefix="soak-models-") as folder:
            life = ModelLife(folder)
            samples = soak(life, args.models, args.samples)
        flat &= report("models", samples, args.models, args.limit_mib)
    return 0 if flat else 1


if __name__ == "__main__":
    sys.exit(main())
