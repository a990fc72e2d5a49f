"""Marks the positional-only parameters of a generated stub file (PEP 570).

Functions that declare no argument names match no overload at run time when
any argument is passed by keyword; the stub generator still writes the
placeholder names `arg0`, `arg1`, ... as ordinary parameters, which would let
a type checker accept such calls: all of them become positional-only.
Functions with declared names keep them, and get the `/` of their run-time
signature, which the generator drops when nothing follows it. A parameter
typed `list[X]` becomes `typing.Sequence[X]`: pybind11 converts any sequence
there, and tuples are what loops should pass.

The generator writes a typing.NamedTuple class as the tuple subclass it is at
run time; it becomes the class statement with the fields' types, and modules
of the standard library that annotations name get their import.

Usage: positional_only_stubs.py FILE.pyi (rewritten in place; the module of
the file's name must be importable).
"""
import ast
import importlib
import re
import sys
from pathlib import Path


def runtime_slash(module, name):
    """How many parameters come before the `/` of a function's run-time signature, or None."""
    doc = getattr(getattr(module, name, None), "__doc__", None) or ""
    match = re.match(rf"{re.escape(name)}\((.*)\) ->", doc.splitlines()[0] if doc else "")
    if not match:
        return None
    depth, params = 0, [""]
    for ch in match.group(1):
        depth += ch in "[(" and 1 or ch in "])" and -1 or 0
        if ch == "," and depth == 0:
            params.append("")
        else:
            params[-1] += ch
    params = [p.strip() for p in params]
    return params.index("/") if "/" in params else None


def positional_only(source: str, module=None) -> str:
    lines = source.splitlines(keepends=True)
    # (line, first column, last column, replacement) of each edit.
    edits = []
    for node in ast.walk(ast.parse(source)):
        if not isinstance(node, (ast.FunctionDef, ast.AsyncFunctionDef)):
            continue
        params = node.args.posonlyargs + node.args.args
        for p in params:
            a = p.annotation
            if isinstance(a, ast.Subscript) and isinstance(a.value, ast.Name) and a.value.id == "list":
                edits.append((a.value.lineno, a.value.col_offset, a.value.end_col_offset, "typing.Sequence"))
        params = node.args.args
        if node.args.posonlyargs or not params or [p.arg for p in params] == ["self"]:
            continue
        if all(re.fullmatch(r"arg\d+", p.arg) for p in params if p.arg != "self"):
            last = node.args.defaults[-1] if node.args.defaults else params[-1]
        else:
            count = runtime_slash(module, node.name) if module and node.col_offset == 0 else None
            if not count:
                continue
            last = params[count - 1]
        edits.append((last.end_lineno, last.end_col_offset, last.end_col_offset, ", /"))
    # ast columns are UTF-8 byte offsets; the stubs are ASCII, but stay exact.
    for lineno, first, end, text in sorted(edits, reverse=True):
        raw = lines[lineno - 1].encode()
        lines[lineno - 1] = (raw[:first] + text.encode() + raw[end:]).decode()
    return "".join(lines)


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
    module = importlib.import_module(path.stem)
    path.write_text(standard_imports(named_tuples(positional_only(path.read_text(), module))))
