"""Operation benchmarks: quorlibcore against numpy and scipy.linalg.blas/lapack.

Part A times single calls on tiny operands, where the Python-to-BLAS path
dominates: for each operation one overload near the start of its name's
overload list (single-precision vectors), one in the middle (double-precision
vectors) and the last one (double-complex matrices), so the cost of the
overload position shows. Throughput on large operands is measured by
bench_large.py.

Prints markdown. Each entry is the best of several repeats (median in
brackets). The BLAS threading settings of the environment are left as they are.
"""

import ctypes
import os
import platform
import statistics
import sys
import time
import timeit

import numpy as np
import scipy
import scipy.linalg.blas as sb
import scipy.linalg.lapack as sl

import quorlibcore as q

TINY_N = 8
TINY_M = 4
RNG = np.random.default_rng(2024)

# ---------------------------------------------------------------------------
# timing


def measure(fn, repeat=7, min_time=0.02):
    """(best, median) seconds per call of fn()."""
    timer = timeit.Timer(fn)
    number, _ = timer.autorange()
    number = max(1, int(number * min_time / 0.2)) if number > 1 else 1
    runs = [t / number for t in timer.repeat(repeat=repeat, number=number)]
    return min(runs), statistics.median(runs)


# ---------------------------------------------------------------------------
# filling containers


def set_flat(container, values):
    """Writes numpy values into a container in storage order."""
    convert = complex if np.iscomplexobj(values) else float
    if type(container).__name__.startswith("mat"):
        rows = container.dim(0)
        for i, v in enumerate(values):
            container[i % rows, i // rows] = convert(v)
    else:
        for i, v in enumerate(values):
            container[i] = convert(v)


def container_of(kind, letter, a):
    """A quorlibcore container holding numpy array a (column-major for matrices)."""
    if kind == "mat":
        rows, cols = a.shape
        c = getattr(q, "mat" + letter)(rows, cols)
        set_flat(c, a.flatten(order="F"))
    else:
        c = getattr(q, "vec" + letter)(len(a))
        set_flat(c, a)
    return c


# ---------------------------------------------------------------------------
# part A: tiny operands


def overload_number(name, signature_piece):
    """1-based position of the first overload of `name` whose signature contains the piece."""
    lines = [line for line in getattr(q, name).__doc__.splitlines() if line[:1].isdigit()]
    for line in lines:
        if signature_piece in line:
            return int(line.split(".", 1)[0]), len(lines)
    raise LookupError(name + signature_piece)


def optimal_gels_lwork(letter, m, n):
    """The workspace size gels asks for (scipy's default is the minimum, which
    runs the unblocked algorithm)."""
    work, info = getattr(sl, letter + "gels_lwork")(m, n, 1)
    assert info == 0
    return int(np.real(work))


DTYPES = {"s": np.float32, "d": np.float64, "z": np.complex128}


def rand(letter, *shape):
    a = RNG.standard_normal(shape)
    if letter == "z":
        a = a + 1j * RNG.standard_normal(shape)
    return np.asfortranarray(a.astype(DTYPES[letter]))


def tiny_cases():
    """Rows of (operation, position label, overload piece, quorlibcore, numpy, scipy) callables."""
    cases = []
    for position, letter, kind in (("start", "s", "vec"), ("middle", "d", "vec"), ("last", "z", "mat")):
        blas_letter = letter
        alpha = 2 + 0j if letter == "z" else 2.0
        one = 1 + 0j if letter == "z" else 1.0
        zero = 0j if letter == "z" else 0.0

        # level 1: n = 8 elements; the last position uses 8 x 1 matrices
        xa, ya = rand(letter, TINY_N), rand(letter, TINY_N)
        shape_1 = (lambda a: a.reshape(len(a), 1)) if kind == "mat" else (lambda a: a)
        x, y = container_of(kind, letter, shape_1(xa)), container_of(kind, letter, shape_1(ya))
        cname = kind + letter
        piece = f"quorlibcore.{cname}, arg1: quorlibcore.{cname})"
        dot_s = getattr(sb, blas_letter + ("dotu" if letter == "z" else "dot"))
        axpy_s, scal_s = getattr(sb, blas_letter + "axpy"), getattr(sb, blas_letter + "scal")
        xs, ys = xa.copy(), ya.copy()
        cases.append(
            ("dot", position, cname, overload_number("dot", piece),
             lambda x=x, y=y: q.dot(x, y),
             lambda xa=xa, ya=ya: np.dot(xa, ya),
             lambda xs=xs, ys=ys, f=dot_s: f(xs, ys))
        )
        piece_a = f"arg1: quorlibcore.{cname}, arg2: quorlibcore.{cname})"
        cases.append(
            ("axpy", position, cname, overload_number("axpy", piece_a),
             lambda x=x, y=y, a=alpha: q.axpy(a, x, y),
             lambda xa=xa, ya=ya, a=alpha: np.add(ya, np.multiply(xa, a), out=ya),
             lambda xs=xs, ys=ys, a=alpha, f=axpy_s: f(xs, ys, a=a))
        )
        cases.append(
            ("scale", position, cname, overload_number("scale", f"arg1: quorlibcore.{cname})"),
             lambda x=x, a=one: q.scale(a, x),
             lambda xa=xa, a=one: np.multiply(xa, a, out=xa),
             lambda xs=xs, a=one, f=scal_s: f(a, xs))
        )

        # gemv, gemm, ls: 4 x 4 matrices; gemm and ls of the first position
        # are single precision, of the middle double, of the last double complex
        mname = "mat" + letter
        a_np = rand(letter, TINY_M, TINY_M) + 4 * np.eye(TINY_M, dtype=DTYPES[letter])
        xv, yv = rand(letter, TINY_M), rand(letter, TINY_M)
        A = container_of("mat", letter, a_np)
        vx = container_of(kind, letter, shape_1(xv))
        vy = container_of(kind, letter, shape_1(yv))
        gemv_s = getattr(sb, blas_letter + "gemv")
        piece_v = f"quorlibcore.{mname}, arg3: quorlibcore.{cname}, arg4: quorlibcore.{cname})"
        ys_v = yv.copy()
        cases.append(
            ("gemv", position, f"{mname} {cname} {cname}", overload_number("gemv", piece_v),
             lambda A=A, x=vx, y=vy, a=one, b=zero: q.gemv(a, b, A, x, y),
             lambda a_np=a_np, xv=xv, yv=yv: np.matmul(a_np, xv, out=yv),
             lambda a_np=a_np, xv=xv, ys=ys_v, a=one, f=gemv_s: f(a, a_np, xv, beta=0, y=ys, overwrite_y=1))
        )
        X_np, Y_np = rand(letter, TINY_M, TINY_M), rand(letter, TINY_M, TINY_M)
        X, Y = container_of("mat", letter, X_np), container_of("mat", letter, Y_np)
        gemm_s = getattr(sb, blas_letter + "gemm")
        Ys = Y_np.copy(order="F")
        Yn = np.ascontiguousarray(Y_np)
        cases.append(
            ("gemm", position, f"{mname} x3", overload_number("gemm", f"arg2: quorlibcore.{mname}"),
             lambda A=A, X=X, Y=Y, a=one, b=zero: q.gemm(a, b, A, X, Y),
             lambda a_np=a_np, X_np=X_np, Yn=Yn: np.matmul(a_np, X_np, out=Yn),
             lambda a_np=a_np, X_np=X_np, Ys=Ys, a=one, f=gemm_s: f(a, a_np, X_np, beta=0, c=Ys, overwrite_c=1))
        )
        # ls overwrites A and b: every call first restores both (two copy
        # calls for quorlibcore, array copies for scipy); numpy's lstsq works
        # on copies of its own (and uses an SVD-based driver)
        A0, Aw = container_of("mat", letter, a_np), container_of("mat", letter, a_np)
        bl_kind = kind
        b_np = rand(letter, TINY_M)
        b0 = container_of(bl_kind, letter, shape_1(b_np))
        bw = container_of(bl_kind, letter, shape_1(b_np))
        gels = getattr(sl, blas_letter + "gels")
        lwork = optimal_gels_lwork(letter, TINY_M, TINY_M)
        bname = bl_kind + letter
        cases.append(
            ("ls (+2 copy)", position, f"{mname} {bname}",
             overload_number("ls", f"quorlibcore.{mname}, arg1: quorlibcore.{bname})"),
             lambda A0=A0, Aw=Aw, b0=b0, bw=bw: (q.copy(A0, Aw), q.copy(b0, bw), q.ls(Aw, bw)),
             lambda a_np=a_np, b_np=b_np: np.linalg.lstsq(a_np, b_np, rcond=None),
             lambda a_np=a_np, b_np=b_np, f=gels, lwork=lwork: f(a_np.copy(order="F"), b_np.copy(), lwork=lwork, overwrite_a=1, overwrite_b=1))
        )
    # a real scalar passed to a complex operation: no overload takes it in the
    # first pass, so the call goes through the whole list twice
    zx = container_of("mat", "z", rand("z", TINY_N, 1))
    zy = container_of("mat", "z", rand("z", TINY_N, 1))
    cases.append(
        ("axpy, float alpha", "last", "matz", overload_number("axpy", "matz, arg2: quorlibcore.matz)"),
         lambda: q.axpy(2.0, zx, zy), None, None)
    )
    return cases


def run_dispatch_slope():
    """dot on 8-element operands at several overload positions, and the
    least-squares slope: the cost of each overload tried before the match."""
    print("## C. Cost of the overload position: dot on 8 elements\n")
    print("| containers | overload | quorlibcore µs |")
    print("|---|---|---|")
    points = []
    for cname in ("vecs", "mats", "vecd", "matd", "vecc", "matc", "vecz", "matz"):
        kind, letter = cname[:-1], cname[-1]
        dtype = DTYPES.get(letter, np.complex64)
        values = np.ones(TINY_N, dtype=dtype)
        shaped = values.reshape(TINY_N, 1) if kind == "mat" else values
        x, y = container_of(kind, letter, shaped), container_of(kind, letter, shaped)
        number, _ = overload_number("dot", f"quorlibcore.{cname}, arg1: quorlibcore.{cname})")
        best, median = measure(lambda x=x, y=y: q.dot(x, y))
        points.append((number, best))
        print(f"| {cname} {cname} | {number}/36 | {best * 1e6:.2f} ({median * 1e6:.2f}) |")
    slope, _ = np.polyfit([p[0] for p in points], [p[1] for p in points], 1)
    print(f"\nlinear fit: {slope * 1e6:.2f} µs per overload tried before the match\n")


def us(pair):
    best, median = pair
    return f"{best * 1e6:.2f} ({median * 1e6:.2f})"


def run_tiny():
    print(f"## A. Per-call time on tiny operands (n = {TINY_N}, {TINY_M}x{TINY_M}), µs: best (median)\n")
    print("| operation | position | containers | overload | quorlibcore | numpy | scipy |")
    print("|---|---|---|---|---|---|---|")
    for op, position, containers, (number, total), fq, fn, fs in tiny_cases():
        cells = [us(measure(f)) if f is not None else "—" for f in (fq, fn, fs)]
        print(f"| {op} | {position} | {containers} | {number}/{total} | " + " | ".join(cells) + " |")
    print()


# ---------------------------------------------------------------------------
# which BLAS


CONFIG_SYMBOLS = [
    ("openblas_get_config", "openblas_get_num_threads"),
    ("scipy_openblas_get_config64_", "scipy_openblas_get_num_threads64_"),
    ("scipy_openblas_get_config", "scipy_openblas_get_num_threads"),
]


def loaded_blas_libraries():
    """Each BLAS library mapped into this process, with its own report of its
    build configuration and thread count where it has one."""
    with open("/proc/self/maps") as maps:
        paths = sorted({line.split()[-1] for line in maps if "openblas" in line and line.split()[-1].startswith("/")})
    out = []
    for path in paths:
        lib = ctypes.CDLL(path)
        config, threads = "?", "?"
        for config_name, threads_name in CONFIG_SYMBOLS:
            if hasattr(lib, config_name):
                getter = getattr(lib, config_name)
                getter.restype = ctypes.c_char_p
                config = getter().decode()
                threads = getattr(lib, threads_name)()
                break
        out.append((path, config, threads))
    return out


def print_environment():
    print("# quorlibcore operation benchmarks\n")
    print(f"- machine: {platform.machine()}, {os.cpu_count()} logical CPUs, Python {sys.version.split()[0]}")
    print(f"- numpy {np.__version__}, scipy {scipy.__version__}")
    for name, module in (("numpy", np), ("scipy", scipy)):
        try:
            deps = module.show_config(mode="dicts")["Build Dependencies"]["blas"]
            print(f"- {name} BLAS (build): {deps.get('name')} {deps.get('version')}: {deps.get('openblas configuration', '')}")
        except Exception as error:  # show_config's layout differs between versions
            print(f"- {name} BLAS (build): unknown ({error})")
    for path, config, threads in loaded_blas_libraries():
        owner = "system, used by quorlibcore" if path.startswith("/usr/") else "wheel"
        print(f"- loaded ({owner}): {os.path.basename(path)}: {config}; threads {threads}")
    print()


def main():
    started = time.perf_counter()
    print_environment()
    run_tiny()
    run_dispatch_slope()
    print(f"_total run time {time.perf_counter() - started:.0f} s_")


if __name__ == "__main__":
    main()
