"""What `make docs` builds from: the stubs read as the API pages read them,
and benchmark tables of any shape drawn without failing the build."""

import ast
import importlib.util
import os
from collections import Counter
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]

pytestmark = pytest.mark.skipif(os.environ.get("QUORLIB_SANITIZED") == "1",
                                reason="the documentation's tools, not the module")


def hook(name):
    """A module of docs/hooks, loaded as MkDocs loads it: by its path."""
    spec = importlib.util.spec_from_file_location(f"docs_hooks_{name}", ROOT / "docs" / "hooks" / f"{name}.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.mark.parametrize("module, stub", [("quorlibcore", "python/quorlibcore.pyi"),
                                          ("quorlibcore_buffers", "buffers/quorlibcore_buffers.pyi")])
def test_api_pages_see_every_public_name_with_all_its_overloads(module, stub, tmp_path):
    import griffe

    (tmp_path / f"{module}-stubs").mkdir()
    (tmp_path / f"{module}-stubs" / "__init__.pyi").write_bytes((ROOT / stub).read_bytes())
    loader = griffe.GriffeLoader(search_paths=[str(tmp_path)], allow_inspection=False,
                                 extensions=griffe.load_extensions(hook("overloads").StubOverloads))
    loaded = loader.load(module, find_stubs_package=True)

    tree = ast.parse((ROOT / stub).read_text(encoding="utf-8"))
    expected = Counter()  # (owner, name) -> definitions in the stub
    for scope in [tree, *(n for n in tree.body if isinstance(n, ast.ClassDef))]:
        for node in scope.body:
            if isinstance(node, ast.FunctionDef):
                expected[(getattr(scope, "name", None), node.name)] += 1
    public = next(n for n in tree.body if isinstance(n, ast.AnnAssign) and n.target.id == "__all__").value
    assert {n.value for n in public.elts} <= set(loaded.members)
    for (owner, name), count in expected.items():
        function = (loaded[owner] if owner else loaded)[name]
        assert function.docstring, (owner, name)
        assert len(function.overloads or [function]) == count, (owner, name)


RECORD = {"machine": "test machine", "date": "2000-01-01 00:00 UTC", "command": "bench/bench_test.py"}


@pytest.mark.parametrize("key, columns, rows, drawn", [
    ("bench_test/ratios", ["case", "ours", "ratio"], [["a", "1.0", "0.5"], ["b", "2", "1.5"]], 1),
    ("bench_test/numbers", ["case", "ours µs", "theirs µs"], [["a", "1.0 (1.2)", "3"]], 1),
    ("bench_test/words", ["file", "opens"], [["a.onnx", "RuntimeError"]], 0),
    ("bench_model/model", ["µs per call", "ours", "theirs", "theirs, default"],
     [["run()", "1.8", "7.2", "6.4"], ["set()", "0.12", "—", "—"], ["a new row", "3", "4", "5"]], 1),
    ("bench_buffers/bulk", ["bulk, ms", "ours", "numpy", "ratio", "goal"],
     [["copy-in", "0.3", "0.3", "1.0", "≤ 1.1"], ["fit", "1.0", "2.8", "0.38", "—"],
      ["new", "—", "—", "—", "—"]], 2),
    ("bench_calls/access", ["access", "quorlibcore ns"], [["v[3]", "22"]], 1),  # columns since changed
])
def test_any_benchmark_table_draws(key, columns, rows, drawn):
    charts = hook("charts")
    table = {"key": key.split("/")[1], "columns": columns, "align": "l" * len(columns), "rows": rows}
    svgs = charts.charts(key, table, RECORD)
    assert len(svgs) == drawn
    assert all(svg.lstrip().startswith("<?xml") and "</svg>" in svg for _, svg in svgs)
