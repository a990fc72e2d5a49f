"""Short memory soak: tools/soak.py with a tenth of its default count."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

SOAK = Path(__file__).resolve().parents[2] / "tools" / "soak.py"


@pytest.mark.skipif(
    bool(os.environ.get("QUORLIB_SANITIZED")),
    reason="the sanitizer's allocator quarantines freed memory, so resident size says nothing here",
)
def test_resident_memory_stays_flat_while_containers_come_and_go():
    result = subprocess.run(
        [sys.executable, str(SOAK), "--count", "100000", "--limit-mib", "5"],
        capture_output=True,
        text=True,
        timeout=120,
        env=os.environ.copy(),
    )
    print(result.stdout)
    assert result.returncode == 0, result.stdout[-2000:] + result.stderr[-2000:]
    assert "growth after warm-up" in result.stdout
