"""Short memory soak: tools/soak.py with a tenth of its default containers and
of its default models, each phase in a child process of its own."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

SOAK = Path(__file__).resolve().parents[2] / "tools" / "soak.py"

pytestmark = pytest.mark.skipif(
    bool(os.environ.get("QUORLIB_SANITIZED")),
    reason="the sanitizer's allocator quarantines freed memory, so resident size says nothing here",
)


def soak(containers, models):
    """Runs the soak and checks that it passed and printed the figures of
    every phase that ran; returns its standard output."""
    result = subprocess.run(
        [sys.executable, str(SOAK), "--count", str(containers), "--models", str(models), "--limit-mib", "5"],
        capture_output=True,
        text=True,
        timeout=120,
        env=os.environ.copy(),
    )
    print(result.stdout)
    assert result.returncode == 0, result.stdout[-2000:] + result.stderr[-2000:]
    lines = result.stdout.splitlines()
    for what, count in (("containers", containers), ("models", models)):
        if count:
            assert f"{what:>10}  resident MiB" in lines
            assert f"{count:10d}" in [line[:10] for line in lines]
            assert any(line.startswith(f"{what}: growth after warm-up: ") for line in lines)
        else:
            assert not any(line.startswith(f"{what}: ") for line in lines)
    return result.stdout


def test_resident_memory_stays_flat_while_containers_come_and_go():
    soak(100_000, 0)


def test_resident_memory_stays_flat_while_models_come_and_go():
    out = soak(0, 20)
    assert "Quor::Onnx" not in out  # the load traces stay out of the figures
