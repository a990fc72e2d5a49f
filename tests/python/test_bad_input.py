"""Every module function and container method given arguments it must refuse.

The sweep itself lives in hardening_sweep.py; here each group of its cases
runs in a child interpreter, so that a crash shows up as a failure naming the
signal and the call that caused it, and the rest of the group still runs.
"""

import os
import signal
import subprocess
import sys
from pathlib import Path

import pytest

from hardening_sweep import GROUPS

HERE = Path(__file__).resolve().parent

CHILD = """\
import sys
sys.path.insert(0, {here!r})
import hardening_sweep
hardening_sweep.run_group({group!r}, start={start})
"""


def run_child(source, timeout=600):
    return subprocess.run(
        [sys.executable, "-c", source],
        capture_output=True,
        text=True,
        timeout=timeout,
        env=os.environ.copy(),
    )


def how_it_ended(returncode):
    if returncode < 0:
        return f"killed by {signal.Signals(-returncode).name}"
    return f"exit status {returncode}"


def sweep(group):
    """Runs a group to its end, restarting after each crash; returns
    (number of calls, unexpected outcomes, crashes)."""
    start, calls, failures, crashes = 0, 0, [], []
    while True:
        result = run_child(CHILD.format(here=str(HERE), group=group, start=start))
        lines = result.stdout.splitlines()
        failures += [line for line in lines if line.startswith("FAIL ")]
        started = [line for line in lines if line.startswith("CASE ")]
        if result.returncode == 0:
            calls += sum(int(line.split()[1]) for line in lines if line.startswith("CALLS ")) - start
            return calls, failures, crashes
        if not started:
            pytest.fail(f"sweep child for {group} failed before its first call:\n{result.stderr[-3000:]}")
        last = started[-1].split(" ", 2)
        crashes.append(f"{last[2]}: {how_it_ended(result.returncode)}\n{result.stderr[-1500:]}")
        index = int(last[1])
        calls += index + 1 - start
        start = index + 1


@pytest.mark.parametrize("group", sorted(GROUPS))
def test_bad_arguments_are_refused_and_change_nothing(group):
    calls, failures, crashes = sweep(group)
    print(f"{group}: {calls} calls")
    assert calls > 0
    assert not crashes, "crashed:\n" + "\n".join(crashes)
    assert not failures, "\n".join(failures)


# numel and model.run were once bound straight from member functions, which
# let None through as a null `self`.
@pytest.mark.parametrize("name", [stem + letter for letter in "sdcz" for stem in ("vec", "view", "mat")] + ["model"])
def test_none_as_self_raises_type_error(name):
    source = f"""\
import quorlibcore
try:
    quorlibcore.{name}.numel(None) if "{name}" != "model" else quorlibcore.model.run(None)
except TypeError:
    pass
else:
    raise SystemExit("no TypeError")
"""
    result = run_child(source, timeout=60)
    assert result.returncode == 0, how_it_ended(result.returncode)


# An instance made by __new__ alone holds no native value; every way into the
# native code must refuse it, the fast paths included.
UNINITIALISED_USES = {
    "vec": ["o.numel()", "o.dim(0)", "o[0]", "o.__setitem__(0, 1)", "o[0:1]", "repr(o)", "q.scale(1.0, o)",
            "q.dot(o, o)", "q.axpy(1.0, ok, o)", "q.swap(ok, o)", "q.gemv(1.0, 0.0, okm, o, o)", "q.ls(okm, o)"],
    "mat": ["o.numel()", "o.dim(1)", "o[0, 0]", "o.__setitem__((0, 0), 1)", "repr(o)", "q.sum(o, ok)",
            "q.gemm(1.0, 1.0, o, o, o)", "q.matmul(okm, okm, o)", "q.ls(o, ok)", "q.matvec(o, ok, ok)"],
    "model": ["o.run()", "o.set(0, [0], 1.0)", "o.get(0, [0])"],
}


@pytest.mark.parametrize("name", [stem + letter for letter in "sdcz" for stem in ("vec", "view", "mat")] + ["model"])
def test_uninitialised_instances_are_refused(name):
    uses = UNINITIALISED_USES["model" if name == "model" else "mat" if name.startswith("mat") else "vec"]
    letter = "d" if name == "model" else name[-1]
    source = f"""\
import quorlibcore as q
cls = q.{name}
o = cls.__new__(cls)
ok, okm = q.vec{letter}(4), q.mat{letter}(4, 4)
for use in {uses!r}:
    try:
        exec(use)
    except TypeError as error:
        if str(error) != "quorlibcore.{name} object is not initialised: it was created by __new__ without __init__":
            print("FAIL", use, error)
    else:
        print("FAIL", use, "no TypeError")
"""
    result = run_child(source, timeout=60)
    assert result.returncode == 0, how_it_ended(result.returncode) + result.stderr[-2000:]
    assert "FAIL" not in result.stdout, result.stdout


CLASS_NAMES = [stem + letter for letter in "sdcz" for stem in ("vec", "view", "mat")] + ["model"]
MAKE = {"vec": "q.vec{0}(4)", "view": "q.vec{0}(6)[1:5]", "mat": "q.mat{0}(2, 2)"}
INIT_ARGS = {"vec": (5,), "mat": (3, 3), "view": None, "model": ("m.onnx",)}


# Protocols that reach an instance around its methods: old pickle protocols
# (which create pybind11's base class directly) and __class__ assignment
# (which would hand one class's native value to another's methods).
@pytest.mark.parametrize("name", CLASS_NAMES)
def test_object_protocols_are_refused(name, tmp_path):
    if name == "model":
        from model_support import identity
        make = f"q.model({str(identity(tmp_path / 'm.onnx'))!r})"
    else:
        make = MAKE[name[:-1]].format(name[-1])
    source = f"""\
import contextlib, copy, io, pickle
import quorlibcore as q
with contextlib.redirect_stdout(io.StringIO()):
    o = {make}
class Plain:
    pass
uses = [f"pickle.dumps(o, {{p}})" for p in range(6)] + ["copy.copy(o)", "type(o).__mro__[1]()"]
uses += [f"o.__class__ = q.{{n}}" for n in {CLASS_NAMES!r} if n != "{name}"] + ["o.__class__ = Plain"]
# Python subclasses: neither an instance nor a class may change which native
# types it holds, and no class derives from two of them.
sub = lambda *bases: type("Sub", bases, {{"__slots__": ()}})
Own = sub(q.{name})
uses += [f"o.__class__ = sub(q.{{n}})" for n in {CLASS_NAMES!r} if n != "{name}"]
uses += [f"sub(q.{name}, q.{{n}})" for n in {CLASS_NAMES!r} if n != "{name}"]
uses += [f"Own.__bases__ = (q.{{n}},)" for n in {CLASS_NAMES!r} if n != "{name}"]
init_args = {INIT_ARGS["model" if name == "model" else name[:-1]]!r}
if init_args:  # a second __init__ would silently do nothing
    uses += ["o.__init__(*init_args)"]
for use in uses:
    try:
        exec(use)
    except TypeError:
        pass
    else:
        print("FAIL", use)
assert type(o) is q.{name}
if "{name}" != "model":
    assert o.numel() == {{"vec": 4, "view": 4, "mat": 4}}["{name}"[:-1]]
"""
    result = run_child(source, timeout=60)
    assert result.returncode == 0, how_it_ended(result.returncode) + result.stderr[-2000:]
    assert "FAIL" not in result.stdout, result.stdout


# A key whose conversion replaces the class's method frees the method's
# pybind11 function while that function runs, unless the slot holds it.
def test_subscript_slots_survive_a_key_that_replaces_the_method():
    source = f"""\
import quorlibcore as q
keep = []
class Key:
    def __init__(self, cls, name):
        self.cls, self.name = cls, name
    def __index__(self):
        setattr(self.cls, self.name, lambda *args: None)
        keep.extend(bytes(range(256)) * (1 + n % 3) for n in range(2000))
        raise TypeError("not an index")
made = {{name: {{"vec": "q.{{0}}(4)", "view": "q.vec{{1}}(6)[1:5]", "mat": "q.{{0}}(2, 2)"}}[name[:-1]]
        for name in {CLASS_NAMES[:-1]!r}}}
made = {{name: eval(make.format(name, name[-1])) for name, make in made.items()}}
for name, o in made.items():
    cls = type(o)
    for slot in ["__getitem__", "__setitem__"]:
        key = Key(cls, slot)
        key = (key, 0) if name.startswith("mat") else key
        try:
            o[key] = 1.0 if slot == "__setitem__" else o[key]
        except TypeError:
            print("TypeError")
"""
    result = run_child(source, timeout=120)
    assert result.returncode == 0, how_it_ended(result.returncode) + result.stderr[-2000:]
    assert result.stdout.split() == ["TypeError"] * 24


def test_subinterpreters_are_refused_and_leave_the_main_one_working():
    source = """\
import _xxsubinterpreters as interpreters
import quorlibcore as q, quorlibcore_buffers
for isolated, module in [(False, "quorlibcore"), (True, "quorlibcore"), (False, "quorlibcore_buffers")]:
    sub = interpreters.create(isolated=isolated)
    try:
        interpreters.run_string(sub, "import " + module)
    except interpreters.RunFailedError as error:
        assert "ImportError" in str(error), error
    else:
        raise SystemExit("imported in a subinterpreter")
    interpreters.destroy(sub)
assert q.dot(q.vecd(2), q.vecd(2)) == 0.0 and q.vecd(2).numel() == 2
"""
    for seed in ("0", "1", "2"):
        result = subprocess.run([sys.executable, "-c", source], capture_output=True, text=True, timeout=60,
                                env={**os.environ, "PYTHONHASHSEED": seed})
        assert result.returncode == 0, how_it_ended(result.returncode) + result.stderr[-2000:]


# A text form is complete or not returned: one that cannot exist fails at
# once, one that runs out of memory fails instead of coming back cut short,
# and a long one can be interrupted.
REPR_LIMITS = {
    "impossible": "repr(q.matd(2**62, 0))",
    "address space": """\
import resource
with open("/proc/self/statm") as f:
    used = int(f.read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (used + 400 * 2**20,) * 2)
repr(q.matd(2 * 10**8, 0))""",
    "signal": """\
import signal
def stop(*_):
    raise MemoryError("interrupted")
signal.signal(signal.SIGALRM, stop)
signal.setitimer(signal.ITIMER_REAL, 0.2)
repr(q.matd(10**9, 0))""",
}


@pytest.mark.parametrize("case", sorted(REPR_LIMITS))
def test_unrenderable_text_raises_memory_error(case):
    if case == "address space" and os.environ.get("QUORLIB_SANITIZED"):
        pytest.skip("the sanitizer reserves more address space than the limit")
    body = "\n    ".join(REPR_LIMITS[case].splitlines())
    source = f"import quorlibcore as q\ntry:\n    {body}\nexcept MemoryError:\n    pass\nelse:\n    raise SystemExit('returned')\n"
    result = run_child(source, timeout=120)
    assert result.returncode == 0, how_it_ended(result.returncode) + result.stderr[-2000:]
