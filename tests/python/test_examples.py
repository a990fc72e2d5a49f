"""The examples keep running as the module grows."""

import pathlib
import subprocess
import sys

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"


def test_tour_runs_cleanly():
    result = subprocess.run(
        [sys.executable, str(EXAMPLES / "tour.py")], capture_output=True, text=True, timeout=60
    )
    assert result.returncode == 0, result.stderr
    assert result.stderr == ""
    assert "Matrix of size: (2, 6)" in result.stdout
