"""Runs a benchmark's measuring half in onnxruntime's throwaway environment.

A script calls measure(__file__, ...) from .venv; that starts the same
script in build/bench-venv (made by bench_model.py) with the worker flag,
where worker_args() puts .venv's site-packages after that environment's own,
so that quorlibcore and the onnxruntime package run in one process. The
worker prints its results as JSON on its last line.
"""

import json
import subprocess
import sys
import sysconfig

import bench_model

FLAG = "--worker"


def measure(script, *args):
    python = bench_model.bench_venv_python()
    site = sysconfig.get_paths()["purelib"]
    proc = subprocess.run([str(python), str(script), FLAG, site, *map(str, args)], capture_output=True, text=True,
                          cwd=bench_model.ROOT)
    if proc.returncode != 0:
        sys.exit(f"worker failed:\n{proc.stderr}")
    return json.loads(proc.stdout.splitlines()[-1])


def worker_args():
    """The worker's arguments, or None when this process is not a worker."""
    if len(sys.argv) < 3 or sys.argv[1] != FLAG:
        return None
    sys.path.append(sys.argv[2])  # .venv's site-packages, after this environment's numpy
    return sys.argv[3:]
