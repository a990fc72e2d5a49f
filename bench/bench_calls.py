"""Per-call cost at tiny sizes: every overload of every module function and
every element-access method, each beside its peer, in one process.

Peers: the scipy.linalg.blas / scipy.linalg.lapack routine of the same type
letter for the functions (sum: ?axpy with a = 1; matvec, matmul: ?gemv,
?gemm with beta = 1; ls: ?gels in place), numpy's item access, slicing and
len for the containers, numpy float32 item assignment and reading for
model.set and model.get. Operands: vectors (and views, and 4 x 2 matrices) of
8 elements for the level-1 functions, 4 x 4 matrices and 4-element vectors
for the products, a 4 x 2 matrix for ls. Calling forms (a bound method kept
in a local, a method read from the class, __getitem__ / __setitem__ called
by name, a list position) on every class, against numpy's same form or the
direct call.

Rows are measured interleaved (each row's call and its peer's call one after
the other, round after round) and each time is the best of the rounds, so
that the ratios compare the two at the same moment on a shared machine.

    .venv/bin/python bench/bench_calls.py [--rounds N] [--all]
"""

import argparse
import os
import platform
import re
import statistics
import sys
import tempfile
import timeit

import numpy as np
import scipy
import scipy.linalg.blas as sb
import scipy.linalg.lapack as sl
from onnx import helper

import quorlibcore as q
import results
from bench_model import save as save_model  # writes and checks a model file, as for the model benchmark

FUNCTIONS = ("scale", "sum", "dot", "copy", "swap", "axpy", "hdot", "ls", "matvec", "gemv", "gemm", "matmul")
DTYPE = {"s": np.float32, "d": np.float64, "c": np.complex64, "z": np.complex128}
RNG = np.random.default_rng(7)
OPERAND_SETS = 3
SIGNATURE = re.compile(r"^\d+\. \w+\((.*)\) -> ", re.MULTILINE)


def overloads(name):
    """Parameter types of each overload of a module function, in order."""
    return [re.findall(r"arg\d+: ([\w.]+)", params) for params in SIGNATURE.findall(getattr(q, name).__doc__)]


def values(letter, n):
    a = RNG.standard_normal(n)
    if letter in "cz":
        a = a + 1j * RNG.standard_normal(n)
    return a.astype(DTYPE[letter])


def fill(container, data):
    convert = complex if np.iscomplexobj(data) else float
    if type(container).__name__.startswith("mat"):
        rows = container.dim(0)
        for i, v in enumerate(data):
            container[i % rows, i // rows] = convert(v)
    else:
        for i, v in enumerate(data):
            container[i] = convert(v)
    return container


def container(cname, n, rows=None):
    """A container of class `cname` holding n random values; a matrix has
    `rows` rows (n if not given), a view is the head of a longer vector (so
    that its elements are aligned as a vector's, and BLAS's cost for
    misaligned data does not mix into the comparison of overloads)."""
    kind, letter = cname[:-1], cname[-1]
    if kind == "mat":
        rows = rows or n
        return fill(getattr(q, cname)(rows, n // rows), values(letter, n))
    vec = fill(getattr(q, "vec" + letter)(n + 2), values(letter, n + 2))
    return vec[0:n] if kind == "view" else fill(getattr(q, cname)(n), values(letter, n))


def ls_matrix(letter, rows=4, cols=2):
    """A matrix whose top is the identity: solving in place leaves it, and the
    right-hand side, as they were, so that repeated calls stay comparable."""
    a = np.zeros((rows, cols), dtype=DTYPE[letter])
    a[:cols, :cols] = np.eye(cols)
    return a


def function_rows(name):
    """(overload label, ours, peer, operand sets) per overload: the two
    statements and several sets of globals for them. Operands placed at
    addresses that a multiple of 4 KiB apart make the processor stall loads
    behind stores to the other operand; measuring each overload on several
    freshly allocated sets keeps that accident of placement out of the
    comparison of overloads."""
    rows = []
    for params in overloads(name):
        classes = [p.split(".")[1] for p in params if p.startswith("quorlibcore.")]
        sets = [operands(name, classes) for _ in range(OPERAND_SETS)]
        rows.append((f"{name}({', '.join(classes)})", sets[0][0], sets[0][1], [g for _, _, g in sets]))
    return rows


def operands(name, classes):
    """The statement of one overload, its peer's, and fresh globals for both."""
    letter = classes[0][-1]
    complex_type = letter in "cz"
    alpha = 1j if complex_type else -1.0  # bounded under repetition
    one = 1 + 0j if complex_type else 1.0
    g = {"q": q, "sb": sb, "sl": sl, "alpha": alpha, "one": one}
    if name in ("ls",):
        A = fill(q.__dict__["mat" + letter](4, 2), ls_matrix(letter).flatten(order="F"))
        b = container(classes[1], 4, rows=4)
        g.update(A=A, b=b, Ap=np.asfortranarray(ls_matrix(letter)), bp=values(letter, 4),
                 lwork=int(np.real(getattr(sl, letter + "gels_lwork")(4, 2, 1)[0])))
        ours, peer = "q.ls(A, b)", f"sl.{letter}gels(Ap, bp, lwork=lwork, overwrite_a=1, overwrite_b=1)"
    elif name in ("gemv", "matvec"):
        g.update(A=container(classes[0], 16, rows=4), x=container(classes[1], 4, rows=4),
                 y=container(classes[2], 4, rows=4), Ap=np.asfortranarray(values(letter, 16).reshape(4, 4)),
                 xp=values(letter, 4), yp=values(letter, 4))
        ours = "q.gemv(one, one, A, x, y)" if name == "gemv" else "q.matvec(A, x, y)"
        peer = f"sb.{letter}gemv(one, Ap, xp, beta=one, y=yp, overwrite_y=1)"
    elif name in ("gemm", "matmul"):
        g.update(A=container(classes[0], 16, rows=4), X=container(classes[1], 16, rows=4),
                 Y=container(classes[2], 16, rows=4),
                 **{k: np.asfortranarray(values(letter, 16).reshape(4, 4)) for k in ("Ap", "Xp", "Yp")})
        ours = "q.gemm(one, one, A, X, Y)" if name == "gemm" else "q.matmul(A, X, Y)"
        peer = f"sb.{letter}gemm(one, Ap, Xp, beta=one, c=Yp, overwrite_c=1)"
    else:
        g.update(x=container(classes[0], 8, rows=4), xp=values(letter, 8), yp=values(letter, 8))
        if len(classes) > 1:
            g["y"] = container(classes[1], 8, rows=4)
        ours, peer = {
            "scale": ("q.scale(alpha, x)", f"sb.{letter}scal(alpha, xp)"),
            "sum": ("q.sum(x, y)", f"sb.{letter}axpy(xp, yp, a=one)"),
            "axpy": ("q.axpy(alpha, x, y)", f"sb.{letter}axpy(xp, yp, a=alpha)"),
            "copy": ("q.copy(x, y)", f"sb.{letter}copy(xp, yp)"),
            "swap": ("q.swap(x, y)", f"sb.{letter}swap(xp, yp)"),
            "dot": ("q.dot(x, y)", f"sb.{letter}{'dotu' if complex_type else 'dot'}(xp, yp)"),
            "hdot": ("q.hdot(x, y)", f"sb.{letter}dotc(xp, yp)"),
        }[name]
    return ours, peer, g


def identity_model(folder):
    return save_model([helper.make_node("Identity", ["x"], ["y"])], 3, 3, [], os.path.join(folder, "identity.onnx"))


def access_rows(folder):
    v, a = container("vecd", 8), values("d", 8)
    w, aw = v[2:6], a[2:6]
    m, M = container("matd", 16, rows=4), np.asfortranarray(values("d", 16).reshape(4, 4))
    stdout = os.dup(1)  # the model prints its discovery trace on load
    with open(os.devnull, "w") as devnull:
        os.dup2(devnull.fileno(), 1)
        try:
            model = q.model(identity_model(folder))
        finally:
            os.dup2(stdout, 1)
            os.close(stdout)
    model.run()
    access_rows.model = model
    t, tout = np.zeros((1, 3), np.float32), np.zeros((1, 3), np.float32)
    g = dict(v=v, a=a, w=w, aw=aw, m=m, M=M, model=model, t=t, tout=tout, x=1.5)
    return [(label, ours, peer, [g]) for label, ours, peer in [
        ("v[i]", "v[3]", "a[3]"),
        ("v[i] = x", "v[3] = x", "a[3] = x"),
        ("view[i]", "w[2]", "aw[2]"),
        ("m[i, j]", "m[1, 2]", "M[1, 2]"),
        ("m[i, j] = x", "m[1, 2] = x", "M[1, 2] = x"),
        ("v[a:b]", "v[1:5]", "a[1:5]"),
        ("numel() / len", "v.numel()", "len(a)"),
        ("numel() / size", "v.numel()", "a.size"),
        ("dim(k)", "v.dim(0)", "a.shape[0]"),
        ("model.set(0, (0, 2), x)", "model.set(0, (0, 2), x)", "t[0, 2] = x"),
        ("model.get(0, (0, 2))", "model.get(0, (0, 2))", "tout[0, 2]"),
        ("model.set(0, [0, 2], x)", "model.set(0, [0, 2], x)", "t[0, 2] = x"),
        ("model.get(0, [0, 2])", "model.get(0, [0, 2])", "tout[0, 2]"),
    ]]


# Calling forms: the idioms besides the direct call, on every class where
# they apply. The reference is numpy's same form where numpy has one, else
# the direct call (goal: at most twice its time); a list position is measured
# against the tuple call plus building the list.
GOALS = {"numpy": ("numpy's same form", 1.0), "direct": ("the direct call", 2.0),
         "list": ("tuple call + building the list", 1.0)}
CONTAINER_FORMS = [
    ("`numel = c.numel; numel()`", "numel()", "c.numel()", "direct"),
    ("`type(c).numel(c)`", "type(c).numel(c)", "c.numel()", "direct"),
    ("`q.<class>.dim(c, 0)`", "T.dim(c, 0)", "c.dim(0)", "direct"),
    ("`c.__getitem__(k)`", "c.__getitem__(K)", "a.__getitem__(K)", "numpy"),
    ("`gi = c.__getitem__; gi(k)`", "gi(K)", "ga(K)", "numpy"),
    ("`q.<class>.__getitem__(c, k)`", "T.__getitem__(c, K)", "np.ndarray.__getitem__(a, K)", "numpy"),
    ("`c.__setitem__(k, x)`", "c.__setitem__(K, x)", "a.__setitem__(K, x)", "numpy"),
    ("`si = c.__setitem__; si(k, x)`", "si(K, x)", "sa(K, x)", "numpy"),
    ("`list(map(c.__getitem__, keys))`, 8 keys", "list(map(c.__getitem__, keys))",
     "list(map(a.__getitem__, keys))", "numpy"),
]
MODEL_FORMS = [
    ("`mset = model.set; mset(0, (0, 2), x)`", "mset(0, (0, 2), x)", "tset((0, 2), x)", "numpy"),
    ("`mget = model.get; mget(0, (0, 2))`", "mget(0, (0, 2))", "tget((0, 2))", "numpy"),
    ("`q.model.set(model, 0, (0, 2), x)`", "q.model.set(model, 0, (0, 2), x)", "model.set(0, (0, 2), x)", "direct"),
    ("`q.model.get(model, 0, (0, 2))`", "q.model.get(model, 0, (0, 2))", "model.get(0, (0, 2))", "direct"),
    ("`model.set(0, [0, 2], x)`", "model.set(0, [0, 2], x)", "model.set(0, (0, 2), x); [0, 2]", "list"),
    ("`model.get(0, [0, 2])`", "model.get(0, [0, 2])", "model.get(0, (0, 2)); [0, 2]", "list"),
    ("`mset(0, [0, 2], x)`", "mset(0, [0, 2], x)", "mset(0, (0, 2), x); [0, 2]", "list"),
    ("`mget(0, [0, 2])`", "mget(0, [0, 2])", "mget(0, (0, 2)); [0, 2]", "list"),
]


def form_rows(model):
    """(form, class, ours, reference, goal, globals) for every calling form."""
    rows = []
    for kind in ("vec", "view", "mat"):
        for letter in DTYPE:
            cname = kind + letter
            if kind == "mat":
                c, a = container(cname, 16, rows=4), np.asfortranarray(values(letter, 16).reshape(4, 4))
                key, keys = "(1, 2)", [(i % 4, i // 4) for i in range(8)]
            else:
                c, a = container(cname, 8), values(letter, 10)[:8]
                key, keys = "3", list(range(8))
            g = dict(q=q, np=np, c=c, a=a, T=type(c), keys=keys, x=1.5 + 0.5j if letter in "cz" else 1.5,
                     numel=c.numel, gi=c.__getitem__, si=c.__setitem__, ga=a.__getitem__, sa=a.__setitem__)
            for form, ours, peer, goal in CONTAINER_FORMS:
                rows.append((form, cname, ours.replace("K", key), peer.replace("K", key), goal, g))
    t = np.zeros((1, 3), np.float32)
    g = dict(q=q, model=model, mset=model.set, mget=model.get, tset=t.__setitem__, tget=t.__getitem__, x=1.5)
    rows += [(form, "model", ours, peer, goal, g) for form, ours, peer, goal in MODEL_FORMS]
    return rows


def measure(rows, rounds):
    """Best time per call (seconds) of each row's call and its peer's, over
    the rounds and the row's operand sets (one set a round, in turn)."""
    timers = []
    for _, ours, peer, sets in rows:
        per_set = []
        for g in sets:
            pair = []
            for stmt in (ours, peer):
                timer = timeit.Timer(stmt, globals=g)
                elapsed = timer.timeit(200) / 200
                pair.append((timer, max(1, int(0.002 / elapsed))))  # about 2 ms per sample
            per_set.append(pair)
        timers.append(per_set)
    best = [[float("inf"), float("inf")] for _ in rows]
    for r in range(rounds):
        for i, per_set in enumerate(timers):
            for j, (timer, number) in enumerate(per_set[r % len(per_set)]):
                best[i][j] = min(best[i][j], timer.timeit(number) / number)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--all", action="store_true", help="print every overload's row")
    args = parser.parse_args()

    print(f"# Per call at tiny sizes\n\n{results.cpu_model()}, {os.cpu_count()} cores; "
          f"CPython {platform.python_version()}, numpy {np.__version__}, scipy {scipy.__version__}; "
          f"best of {args.rounds} interleaved rounds.\n")

    by_function = {name: function_rows(name) for name in FUNCTIONS}
    every = [row for rows in by_function.values() for row in rows]
    with tempfile.TemporaryDirectory() as folder:
        access = access_rows(folder)
        forms = form_rows(access_rows.model)
        times = measure(every + access + [(f, ours, peer, [g]) for f, _, ours, peer, _, g in forms], args.rounds)
    form_times = times[len(every) + len(access):]

    # The spread compares overloads that call the same BLAS routine (one
    # sample type, container kinds in every position), so that it shows what
    # the position of an overload costs, not what complex arithmetic costs.
    ratios = {}
    table = results.Table("functions", ["function", "peer", "overloads", "quorlibcore µs, fastest / slowest",
                                        "ratio to peer, median / worst", "slowest / fastest overload of one type"],
                          align="llrrrr")
    start = 0
    for name, rows in by_function.items():
        ours = [t[0] for t in times[start:start + len(rows)]]
        ratio = [t[0] / t[1] for t in times[start:start + len(rows)]]
        by_type = {}
        for (label, *_), t in zip(rows, ours):
            by_type.setdefault(re.search(r"\((\w+)", label).group(1)[-1], []).append(t)
        spread = max(max(ts) / min(ts) for ts in by_type.values())
        ratios[name] = (ratio, spread, rows[ratio.index(max(ratio))][0])
        peer = re.search(r"\.\w(\w+)\(", rows[0][2]).group(1)
        table.row(name, f"?{peer}", len(rows), f"{min(ours) * 1e6:.2f} / {max(ours) * 1e6:.2f}",
                  f"{statistics.median(ratio):.2f} / {max(ratio):.2f}", f"{spread:.2f}")
        start += len(rows)

    print()
    table = results.Table("access", ["access", "quorlibcore ns", "numpy ns", "ratio"])
    for (label, ours, peer, _), (t_ours, t_peer) in zip(access, times[start:]):
        table.row(f"`{ours}` vs `{peer}`", f"{t_ours * 1e9:.0f}", f"{t_peer * 1e9:.0f}", f"{t_ours / t_peer:.2f}")

    print()
    table = results.Table("forms", ["form", "classes", "quorlibcore ns, fastest / slowest", "reference",
                                    "worst ratio", "goal"], align="llrlrr")
    by_form = {}
    for row, t in zip(forms, form_times):
        by_form.setdefault(row[0], []).append((row, t))
    form_worst = []
    for form, entries in by_form.items():
        ours = [t[0] for _, t in entries]
        worst = max(t[0] / t[1] for _, t in entries)
        reference, goal = GOALS[entries[0][0][4]]
        classes = "model" if entries[0][0][1] == "model" else f"{len(entries)} classes"
        form_worst.append((worst / goal, form))
        table.row(form, classes, f"{min(ours) * 1e9:.0f} / {max(ours) * 1e9:.0f}", reference, f"{worst:.2f}",
                  f"≤ {goal:g}")

    if args.all:
        print("\n| form | class | quorlibcore ns | reference ns | ratio |\n|---|---|---|---|---|")
        for (form, cname, *_), (t_ours, t_peer) in zip(forms, form_times):
            print(f"| {form} | {cname} | {t_ours * 1e9:.0f} | {t_peer * 1e9:.0f} | {t_ours / t_peer:.2f} |")
        print("\n| overload | quorlibcore µs | peer µs | ratio |\n|---|---|---|---|")
        for (label, *_), (t_ours, t_peer) in zip(every, times):
            print(f"| {label} | {t_ours * 1e6:.3f} | {t_peer * 1e6:.3f} | {t_ours / t_peer:.2f} |")

    worst = max((max(r), name, where) for name, (r, _, where) in ratios.items())
    spread = max((s, name) for name, (_, s, _) in ratios.items())
    access_worst = max((t[0] / t[1], row[0]) for row, t in zip(access, times[start:]))
    print(f"\nworst overload: {worst[0]:.2f} x its peer ({worst[2]}); widest spread within a name: "
          f"{spread[0]:.2f} ({spread[1]}); worst access row: {access_worst[0]:.2f} ({access_worst[1]}); "
          f"worst calling form: {max(form_worst)[0]:.2f} of its goal ({max(form_worst)[1]})")
    results.save()


if __name__ == "__main__":
    sys.exit(main())
