"""Throughput on large operands: quorlibcore against numpy and scipy.linalg.blas/lapack.

Run it with:  .venv/bin/python bench/bench_large.py

Here the BLAS/LAPACK library dominates. Each engine runs in a process of its
own, one after the other, in several rounds: on a shared machine a
multi-threaded call's time depends on what ran just before, and each engine
starts its library's own thread pool. The BLAS threading settings of the
environment (OPENBLAS_NUM_THREADS and the like) are passed on as they are.

Prints markdown: throughput from the best call of all rounds, the median of
the rounds' medians in brackets, and for each engine the BLAS library it
loaded.
"""

import ctypes
import json
import os
import platform
import random
import statistics
import subprocess
import sys
import time

import results

ENGINES = ("quorlibcore", "numpy", "scipy")
ROUNDS = 3
SEED = 2024
BLOCK = 1 << 16
GEMM_N, GEMV_N, LEVEL1_N = 1024, 4096, 1 << 22
LS_M, LS_N = 4000, 200

# (operation, size, unit, amount per call, unit scale); rates are amount / seconds
ROWS = [
    ("gemm", f"{GEMM_N}×{GEMM_N}", "GFLOP/s", 2.0 * GEMM_N**3, 1e9),
    ("gemv", f"{GEMV_N}×{GEMV_N}", "GFLOP/s", 2.0 * GEMV_N**2, 1e9),
    ("axpy", "2²²", "GB/s", 3 * 8.0 * LEVEL1_N, 1e9),  # x, y read, y written
    ("dot", "2²²", "GB/s", 2 * 8.0 * LEVEL1_N, 1e9),  # x, y read
    ("ls", f"{LS_M}×{LS_N}", "ms", None, 1e-3),  # a time, not a rate
]


def measure(fn, repeat=5):
    """(best, median) seconds per call of fn(), after one call that warms
    the library's threads and the caches."""
    fn()
    runs = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        runs.append(time.perf_counter() - start)
    return min(runs), statistics.median(runs)


def pattern(n=BLOCK):
    rng = random.Random(SEED)
    return [rng.gauss(0.0, 1.0) for _ in range(n)]


# ---------------------------------------------------------------------------
# engines: each returns {operation: (best, median)}; ls times include the
# copies of A and b that every call needs, since gels overwrites both


def run_quorlibcore():
    import quorlibcore as q

    block = q.vecd(BLOCK)
    for i, v in enumerate(pattern()):
        block[i] = v

    def filled(n):
        # block copies instead of one Python call per element
        v = q.vecd(n)
        for start in range(0, n, BLOCK):
            stop = min(n, start + BLOCK)
            q.copy(block[0 : stop - start], v[start:stop])
        return v

    def matrix(rows, cols):
        m = q.matd(rows, cols)
        q.copy(filled(rows * cols), m)
        return m

    out = {}
    A, X, Y = matrix(GEMM_N, GEMM_N), matrix(GEMM_N, GEMM_N), q.matd(GEMM_N, GEMM_N)
    out["gemm"] = measure(lambda: q.gemm(1.0, 0.0, A, X, Y))
    del A, X, Y
    A, x, y = matrix(GEMV_N, GEMV_N), filled(GEMV_N), q.vecd(GEMV_N)
    out["gemv"] = measure(lambda: q.gemv(1.0, 0.0, A, x, y), repeat=9)
    del A
    x, y = filled(LEVEL1_N), filled(LEVEL1_N)
    out["axpy"] = measure(lambda: q.axpy(0.5, x, y), repeat=9)
    out["dot"] = measure(lambda: q.dot(x, y), repeat=9)
    del x, y

    rng = random.Random(SEED + 1)
    A0, b0 = q.matd(LS_M, LS_N), q.vecd(LS_M)
    for j in range(LS_N):
        for i in range(LS_M):
            A0[i, j] = rng.gauss(0.0, 1.0)
    for i in range(LS_M):
        b0[i] = rng.gauss(0.0, 1.0)
    Aw, bw = q.matd(LS_M, LS_N), q.vecd(LS_M)

    def ls():
        q.copy(A0, Aw)
        q.copy(b0, bw)
        q.ls(Aw, bw)

    out["ls"] = measure(ls)
    return out


def numpy_operands():
    import numpy as np

    rng = np.random.default_rng(SEED)
    block = np.array(pattern())
    a = np.resize(block, GEMM_N * GEMM_N).reshape((GEMM_N, GEMM_N), order="F")
    return np, rng, block, np.asfortranarray(a)


def run_numpy():
    np, rng, block, a = numpy_operands()
    out = {}
    y = np.zeros((GEMM_N, GEMM_N))
    out["gemm"] = measure(lambda: np.matmul(a, a, out=y))
    a = np.asfortranarray(np.resize(block, GEMV_N * GEMV_N).reshape((GEMV_N, GEMV_N), order="F"))
    x, y = np.resize(block, GEMV_N), np.zeros(GEMV_N)
    out["gemv"] = measure(lambda: np.matmul(a, x, out=y), repeat=9)
    del a
    x, y = np.resize(block, LEVEL1_N), np.resize(block, LEVEL1_N)
    out["axpy"] = measure(lambda: np.add(y, np.multiply(x, 0.5), out=y), repeat=9)
    out["dot"] = measure(lambda: np.dot(x, y), repeat=9)
    a, b = np.asfortranarray(rng.standard_normal((LS_M, LS_N))), rng.standard_normal(LS_M)
    out["ls"] = measure(lambda: np.linalg.lstsq(a, b, rcond=None))
    return out


def run_scipy():
    import scipy.linalg.blas as sb
    import scipy.linalg.lapack as sl

    np, rng, block, a = numpy_operands()
    out = {}
    y = np.zeros((GEMM_N, GEMM_N), order="F")
    out["gemm"] = measure(lambda: sb.dgemm(1.0, a, a, beta=0.0, c=y, overwrite_c=1))
    a = np.asfortranarray(np.resize(block, GEMV_N * GEMV_N).reshape((GEMV_N, GEMV_N), order="F"))
    x, y = np.resize(block, GEMV_N), np.zeros(GEMV_N)
    out["gemv"] = measure(lambda: sb.dgemv(1.0, a, x, beta=0.0, y=y, overwrite_y=1), repeat=9)
    del a
    x, y = np.resize(block, LEVEL1_N), np.resize(block, LEVEL1_N)
    out["axpy"] = measure(lambda: sb.daxpy(x, y, a=0.5), repeat=9)
    out["dot"] = measure(lambda: sb.ddot(x, y), repeat=9)
    a, b = np.asfortranarray(rng.standard_normal((LS_M, LS_N))), rng.standard_normal(LS_M)
    # the workspace gels asks for; scipy's default minimum runs the unblocked algorithm
    work, info = sl.dgels_lwork(LS_M, LS_N, 1)
    lwork = int(work)
    out["ls"] = measure(lambda: sl.dgels(a.copy(order="F"), b.copy(), lwork=lwork, overwrite_a=1, overwrite_b=1))
    return out


# ---------------------------------------------------------------------------
# which BLAS each engine loaded

CONFIG_SYMBOLS = [
    ("scipy_openblas_get_config", "scipy_openblas_get_num_threads"),
    ("scipy_openblas_get_config64_", "scipy_openblas_get_num_threads64_"),
    ("openblas_get_config", "openblas_get_num_threads"),
]


def loaded_blas_libraries():
    """Each OpenBLAS mapped into this process: (file, its build configuration, its thread count)."""
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
                config, threads = getter().decode().strip(), getattr(lib, threads_name)()
                break
        out.append((path, config, threads))
    return out


def engine_main(engine):
    results = {"quorlibcore": run_quorlibcore, "numpy": run_numpy, "scipy": run_scipy}[engine]()
    json.dump({"results": results, "blas": loaded_blas_libraries()}, sys.stdout)


def combined(rounds, operation):
    """(best of all rounds, median of the rounds' medians)"""
    pairs = [r["results"][operation] for r in rounds]
    return min(best for best, _ in pairs), statistics.median(median for _, median in pairs)


def cell(row, pair):
    _, _, _, amount, scale = row
    best, median = pair
    if amount is None:
        return f"{best / scale:.2f} ({median / scale:.2f})"
    return f"{amount / best / scale:.1f} ({amount / median / scale:.1f})"


def main():
    started = time.perf_counter()
    reports = {engine: [] for engine in ENGINES}
    for _ in range(ROUNDS):
        for engine in ENGINES:
            child = subprocess.run([sys.executable, __file__, "--engine", engine], capture_output=True, text=True)
            if child.returncode != 0:
                sys.exit(f"{engine} failed:\n{child.stderr}")
            reports[engine].append(json.loads(child.stdout))

    print("# Large operands, double precision: best (median)\n")
    print(f"- machine: {platform.machine()}, {os.cpu_count()} logical CPUs, Python {sys.version.split()[0]}")
    threads = {k: os.environ[k] for k in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS") if k in os.environ}
    print(f"- thread settings: {threads or 'none (each library picks its own)'}")
    for engine, rounds in reports.items():
        for path, config, count in rounds[0]["blas"]:
            print(f"- {engine} process: {os.path.basename(path)}: {config}; threads {count}")
    print(f"- {ROUNDS} rounds, each engine once per round\n")
    table = results.Table("large", ["operation", "size", "unit", *ENGINES], align="lll" + "r" * len(ENGINES))
    for row in ROWS:
        cells = [cell(row, combined(reports[engine], row[0])) for engine in ENGINES]
        table.row(*row[:3], *cells)
    print("\n_ls: quorlibcore and scipy time gels with the copies of A and b it overwrites; numpy times lstsq._")
    print(f"_total run time {time.perf_counter() - started:.0f} s_")
    results.save()


if __name__ == "__main__":
    if sys.argv[1:2] == ["--engine"]:
        engine_main(sys.argv[2])
    else:
        main()
