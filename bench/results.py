"""The benchmarks' tables: printed as markdown, and kept as JSON for the docs.

A script makes a Table for each table it prints, adds its rows with row(),
and calls save() once it has printed them all: bench/results/SCRIPT.json
then holds every table's columns and rows as printed, with the machine, the
date and the command of the run. `make docs` draws its charts from those
files, so a row or a table added here reaches the docs without more work.
"""

import datetime
import json
import os
import platform
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
RESULTS = ROOT / "bench" / "results"

_tables = []


class Table:
    """One markdown table; its header is printed at once, each row as it comes."""

    def __init__(self, key, columns, align=None):
        """key names the table within its script (the docs refer to it); align
        has one letter per column, l or r (default: the first left, the rest right)."""
        self.key, self.columns, self.rows = key, list(columns), []
        self.align = align or "l" + "r" * (len(self.columns) - 1)
        if len(self.align) != len(self.columns):
            raise ValueError(f"table {key!r}: {len(self.columns)} columns, {len(self.align)} alignments")
        print("| " + " | ".join(self.columns) + " |")
        print("|" + "".join("---:|" if a == "r" else "---|" for a in self.align))
        _tables.append(self)

    def row(self, *cells):
        cells = [str(cell) for cell in cells]
        if len(cells) != len(self.columns):
            raise ValueError(f"table {self.key!r}: a row of {len(cells)} cells for {len(self.columns)} columns")
        self.rows.append(cells)
        print("| " + " | ".join(cells) + " |")


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            return next(line.split(":", 1)[1].strip() for line in f if line.startswith("model name"))
    except (OSError, StopIteration):
        return platform.processor() or platform.machine()


def machine():
    """The processor, cores, memory and system, as one line."""
    try:
        with open("/proc/meminfo") as f:
            kib = next(int(line.split()[1]) for line in f if line.startswith("MemTotal:"))
        memory = f", {kib / 2**20:.0f} GiB"
    except (OSError, StopIteration):
        memory = ""
    try:
        system = platform.freedesktop_os_release()["PRETTY_NAME"]
    except OSError:
        system = platform.system()
    return f"{cpu_model()}, {os.cpu_count()} logical CPUs{memory}, {system}, CPython {platform.python_version()}"


def command():
    """The command line of this run, with paths inside the repository relative to it."""
    def shown(arg):
        path = Path(os.path.abspath(arg))  # no symlinks followed: .venv/bin/python stays itself
        return str(path.relative_to(ROOT)) if path.is_relative_to(ROOT) and path.exists() else arg
    return " ".join(shown(arg) for arg in [sys.executable, *sys.argv])


def save():
    """Writes the tables printed so far to bench/results/SCRIPT.json."""
    script = Path(sys.argv[0]).stem
    RESULTS.mkdir(exist_ok=True)
    record = {
        "command": command(),
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "machine": machine(),
        "tables": [{"key": t.key, "columns": t.columns, "align": t.align, "rows": t.rows} for t in _tables],
    }
    path = RESULTS / f"{script}.json"
    path.write_text(json.dumps(record, indent=1, ensure_ascii=False) + "\n", encoding="utf-8")
    print(f"\n(tables written to {path.relative_to(ROOT)})")
