"""Post-processes a generated stub file: positional-only parameters (PEP 570),
and for quorlibcore's stub parameter names and one-line docstrings.

The modules declare no argument names, so a call that passes any argument by
keyword matches no overload at run time; the stub generator still writes the
placeholder names `arg0`, `arg1`, ... as ordinary parameters, which would let
a type checker accept such calls. A function whose parameters are all such
placeholders gets them marked positional-only. One whose parameters carry
real names at run time gets the positional-only marker where its run-time
signature has it (the generator drops it), read from the built module.

quorlibcore's functions and methods carry no names or docstrings that tell
what they do (its module functions have one-word docstrings), so the stub of
that module takes both from the table below: the placeholders become the
names of the table, and every definition, each overload included, gets the
table's docstring in place of the generated one. A function or method of that
module missing from the table stops the tool, so a new one cannot slip into
the stub undocumented.

A parameter typed `list[X]` becomes `typing.Sequence[X]`: pybind11 converts
any sequence there, and tuples are what loops should pass.

The generator writes a typing.NamedTuple class as the tuple subclass it is at
run time; it becomes the class statement with the fields' types, and modules
of the standard library that annotations name get their import.

Usage: positional_only_stubs.py FILE.pyi (rewritten in place; the module of
the file's name must be importable).
"""
import ast
import re
import sys
from pathlib import Path

# Parameter names (self left out) and docstring, by function name, or for a
# method by (class kind, name). Methods of every class of a kind share their
# entry; see class_kind for the kinds.
DOCUMENTED = {
    "quorlibcore": {
        "scale": (("alpha", "x"), "x = alpha·x in place; returns x"),
        "axpy": (("alpha", "x", "y"),
                 "y = alpha·x + y in place, on the first x.numel() elements of y; returns y"),
        "sum": (("x", "y"), "y = x + y in place, on the first x.numel() elements of y; returns y"),
        "copy": (("x", "y"), "y = x: copies x into the first x.numel() elements of y; returns y"),
        "swap": (("x", "y"), "exchanges the elements of x with the first x.numel() elements of y; returns None"),
        "dot": (("x", "y"),
                "Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)"),
        "hdot": (("x", "y"), "Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)"),
        "gemv": (("alpha", "beta", "A", "x", "y"), "y = alpha·A·x + beta·y in place; returns y"),
        "matvec": (("A", "x", "y"), "y = A·x + y in place (it accumulates, beta = 1); returns y"),
        "gemm": (("alpha", "beta", "A", "X", "Y"), "Y = alpha·A·X + beta·Y in place; returns Y"),
        "matmul": (("A", "X", "Y"), "Y = A·X + Y in place (it accumulates, beta = 1); returns Y"),
        "ls": (("A", "b"),
               "b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is "
               "wide, in place; overwrites A; returns None"),
        ("vector", "__init__"): (("size",), "makes a vector of size elements, all zero"),
        ("vector", "numel"): ((), "returns the number of elements"),
        ("vector", "dim"): (("index",), "returns the number of elements for index 0 (the only dimension)"),
        ("vector", "__getitem__"): (("index",),
                                    "returns the element at index, or for a slice of step 1 a view "
                                    "sharing this storage"),
        ("vector", "__setitem__"): (("index", "value"), "writes value at index"),
        ("vector", "__repr__"): ((), "returns the text form: the size, then one line per element"),
        ("matrix", "__init__"): (("rows", "columns"), "makes a column-major rows × columns matrix, all zero"),
        ("matrix", "numel"): ((), "returns the number of elements, rows × columns"),
        ("matrix", "dim"): (("index",), "returns the number of rows for index 0, of columns for index 1"),
        ("matrix", "__getitem__"): (("index",), "returns the element at index = (row, column)"),
        ("matrix", "__setitem__"): (("index", "value"), "writes value at index = (row, column)"),
        ("matrix", "__repr__"): ((), "returns the text form: the size, then one line per row"),
        ("model", "__init__"): (("path",),
                                "opens the ONNX model at path, with a tensor for each input and output; "
                                "prints what it finds"),
        ("model", "run"): ((), "runs the model on its input tensors into its output tensors; returns None"),
        ("model", "set"): (("input", "position", "value"),
                           "writes value at position (one index per dimension) of float input tensor "
                           "number input, in single precision"),
        ("model", "get"): (("output", "position"),
                           "returns the element at position (one index per dimension) of float output "
                           "tensor number output"),
    },
}

PLACEHOLDER = re.compile(r"arg\d+")


def class_kind(name):
    """The table's kind of a class: vectors and views are "vector" (views have no __init__)."""
    stem = name[:-1]
    if stem in ("vec", "view"):
        return "vector"
    if stem == "mat":
        return "matrix"
    return name


def definitions(tree):
    """Each function definition with the name of the class it is a method of (None for a function)."""
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    yield node.name, item
        elif isinstance(node, ast.FunctionDef):
            yield None, node


def entry(table, owner, node):
    key = node.name if owner is None else (class_kind(owner), node.name)
    if key not in table:
        raise SystemExit(f"positional_only_stubs.py: no names and docstring for {key!r} in the table")
    names, doc = table[key]
    params = node.args.posonlyargs + node.args.args
    if owner is not None:
        params = params[1:]
    if len(params) != len(names):
        raise SystemExit(f"positional_only_stubs.py: {key!r} has {len(params)} parameters, the table names "
                         f"{len(names)}")
    return params, names, doc


def runtime_positional_only(module, owner, name):
    """How many leading parameters (self aside) the built module's signature of a
    function marks positional-only with `/` (pybind11 writes one signature per
    overload; they agree)."""
    import importlib

    target = importlib.import_module(module)
    if owner is not None:
        target = getattr(target, owner)
    doc = getattr(getattr(target, name, None), "__doc__", None) or ""
    for params in re.findall(rf"^(?:\d+\. )?{re.escape(name)}\((.*)\) ->", doc, re.M):
        while re.search(r"\[[^\[\]]*\]", params):  # commas inside List[...] and the like do not count
            params = re.sub(r"\[[^\[\]]*\]", "", params)
        parts = [p.strip() for p in params.split(",")]
        if "/" in parts:
            return parts.index("/") - (owner is not None)
    return 0


def rewrite(source, module):
    table = DOCUMENTED.get(module)
    # UTF-8 byte offset of each line start: ast columns count bytes.
    raw = source.encode()
    starts = [0]
    for line in raw.splitlines(keepends=True):
        starts.append(starts[-1] + len(line))

    def at(lineno, col):
        return starts[lineno - 1] + col

    edits = []  # (first byte, end byte, replacement)
    for owner, node in definitions(ast.parse(source)):
        params = node.args.posonlyargs + node.args.args
        for p in params:
            a = p.annotation
            if isinstance(a, ast.Subscript) and isinstance(a.value, ast.Name) and a.value.id == "list":
                edits.append((at(a.value.lineno, a.value.col_offset),
                              at(a.value.end_lineno, a.value.end_col_offset), "typing.Sequence"))
        own = node.args.args[1:] if owner is not None else node.args.args
        placeholders = bool(own) and not node.args.posonlyargs and all(PLACEHOLDER.fullmatch(p.arg) for p in own)
        if table is not None:
            named, names, doc = entry(table, owner, node)
            for p, name in zip(named, names):
                if PLACEHOLDER.fullmatch(p.arg):
                    first = at(p.lineno, p.col_offset)
                    edits.append((first, first + len(p.arg), name))
            body = node.body[0]
            indent = " " * body.col_offset
            edits.append((at(body.lineno, body.col_offset), at(body.end_lineno, body.end_col_offset),
                          f'"""\n{indent}{doc}\n{indent}"""'))
        if placeholders:
            last = node.args.defaults[-1] if node.args.defaults else node.args.args[-1]
            end = at(last.end_lineno, last.end_col_offset)
            edits.append((end, end, ", /"))
        elif own and not node.args.posonlyargs and (count := runtime_positional_only(module, owner, node.name)):
            last = own[count - 1]
            default = len(own) - len(node.args.defaults)  # defaults belong to the last parameters
            end_node = node.args.defaults[count - 1 - default] if count - 1 >= default else last.annotation or last
            end = at(end_node.end_lineno, end_node.end_col_offset)
            edits.append((end, end, ", /"))
    for first, end, text in sorted(edits, reverse=True):
        raw = raw[:first] + text.encode() + raw[end:]
    return raw.decode()


def named_tuples(source: str) -> str:
    """Each generated class whose bases record typing.NamedTuple, as a NamedTuple class statement."""
    tree = ast.parse(source)
    lines = source.splitlines(keepends=True)
    for node in reversed(tree.body):
        if not isinstance(node, ast.ClassDef) or "__orig_bases__: typing.ClassVar[tuple] = (typing.NamedTuple)" \
                not in ast.get_source_segment(source, node):
            continue
        new = next(f for f in node.body if isinstance(f, ast.FunctionDef) and f.name == "__new__")
        doc = ast.get_docstring(node)
        body = [f'class {node.name}(typing.NamedTuple):\n']
        if doc:
            body.append('    """\n' + "".join(f"    {line}\n" for line in doc.splitlines()) + '    """\n')
        body += [f"    {a.arg}: {ast.get_source_segment(source, a.annotation)}\n" for a in new.args.args[1:]]
        lines[node.lineno - 1:node.end_lineno] = body
    return "".join(lines)


def standard_imports(source: str) -> str:
    """`import M` for each standard library module M that the annotations name without importing it."""
    imported = set(re.findall(r"^import (\w+)", source, re.M))
    named = set(re.findall(r"(?<![\w.])(\w+)\.\w", source)) & set(sys.stdlib_module_names)
    missing = sorted(named - imported - {"typing"})
    if not missing:
        return source
    anchor = "from __future__ import annotations\n"
    return source.replace(anchor, anchor + "".join(f"import {m}\n" for m in missing), 1)


if __name__ == "__main__":
    (path,) = map(Path, sys.argv[1:])
    path.write_text(standard_imports(named_tuples(rewrite(path.read_text(encoding="utf-8"), path.stem))),
                    encoding="utf-8")
