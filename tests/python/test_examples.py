"""The examples keep running as the module grows: the tour, and every code
example of the documentation pages, which prints what the page shows."""

import os
import pathlib
import re
import subprocess
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
DOCS = ROOT / "docs"

# A ```python block, and the ```text block right after it ('' if none).
EXAMPLE = re.compile(r"```python\n(.*?)```\n(?:\n```text\n(.*?)```\n)?", re.S)


def page_examples():
    return [pytest.param(code, shown, id=f"{page.relative_to(DOCS)}:{number}")
            for page in sorted(DOCS.rglob("*.md"))
            for number, (code, shown) in enumerate(EXAMPLE.findall(page.read_text(encoding="utf-8")), 1)]


def test_tour_runs_cleanly():
    result = subprocess.run(
        [sys.executable, str(EXAMPLES / "tour.py")], capture_output=True, text=True, timeout=60
    )
    assert result.returncode == 0, result.stderr
    assert result.stderr == ""
    assert "Matrix of size: (2, 6)" in result.stdout


# As the README's examples: the sanitizer run checks the module, not the pages.
@pytest.mark.skipif(os.environ.get("QUORLIB_SANITIZED") == "1", reason="the pages' examples run in the release suite")
@pytest.mark.parametrize("code, shown", page_examples())
def test_page_example_prints_what_it_shows(code, shown, tmp_path):
    script = tmp_path / "example.py"  # a file, which spawned worker processes can import
    script.write_text(code, encoding="utf-8")
    result = subprocess.run([sys.executable, str(script)], capture_output=True, text=True, cwd=tmp_path,
                            timeout=300)
    assert result.returncode == 0, result.stderr
    assert result.stdout == shown
