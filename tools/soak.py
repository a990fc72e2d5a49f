#!/usr/bin/env python3
"""Memory soak: create, slice, print and drop many containers of every kind and
sample type, sampling the resident set size of this process as it goes.

After a warm-up (the first tenth of the run) the resident size may grow by less
than --limit-mib MiB; the exit status is 1 otherwise. The samples are printed
as a table of (containers so far, resident MiB).

    .venv/bin/python tools/soak.py [--count N] [--samples S] [--limit-mib M]
"""

import argparse
import os
import sys

import quorlibcore as q

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


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10**6, help="containers to create (default 10**6)")
    parser.add_argument("--samples", type=int, default=50, help="resident size samples (default 50)")
    parser.add_argument("--limit-mib", type=float, default=5.0, help="allowed growth after warm-up (default 5)")
    args = parser.parse_args(argv)

    every = max(1, args.count // args.samples)
    warmup = args.count // 10
    samples = [(0, resident_bytes())]
    for i in range(args.count):
        churn(i)
        if (i + 1) % every == 0 or i + 1 == args.count:
            samples.append((i + 1, resident_bytes()))

    after_warmup = [rss for done, rss in samples if done >= warmup]
    baseline = after_warmup[0]
    growth = max(after_warmup) - baseline
    print("containers  resident MiB")
    for done, rss in samples:
        print(f"{done:10d}  {rss / MIB:12.2f}")
    print(f"start {samples[0][1] / MIB:.2f} MiB, after warm-up ({warmup} containers) {baseline / MIB:.2f} MiB, "
          f"peak {max(after_warmup) / MIB:.2f} MiB, end {samples[-1][1] / MIB:.2f} MiB")
    print(f"growth after warm-up: {growth / MIB:.3f} MiB (limit {args.limit_mib} MiB)")
    if growth >= args.limit_mib * MIB:
        print("FAIL: resident memory keeps growing", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
