"""Silence the process's standard output for a while, at the file-descriptor
level: a model prints its load trace from native code, past sys.stdout."""
import contextlib
import ctypes
import os
import sys

LIBC = ctypes.CDLL(None)


@contextlib.contextmanager
def quiet_stdout():
    sys.stdout.flush()
    saved = os.dup(1)
    null = os.open(os.devnull, os.O_WRONLY)
    os.dup2(null, 1)
    os.close(null)
    try:
        yield
    finally:
        LIBC.fflush(None)  # a trace line without a flush of its own is still in the C library's buffer
        os.dup2(saved, 1)
        os.close(saved)
