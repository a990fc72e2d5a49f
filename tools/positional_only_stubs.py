"""Marks every parameter of a generated stub file positional-only (PEP 570).

The modules declare no argument names, so a call that passes any argument by
keyword matches no overload at run time; the stub generator still writes the
placeholder names `arg0`, `arg1`, ... as ordinary parameters, which would let
a type checker accept such calls. A parameter typed `list[X]` becomes
`typing.Sequence[X]`: pybind11 converts any sequence there, and tuples are
what loops should pass. Usage: positional_only_stubs.py FILE.pyi (rewritten
in place).
"""
import ast
import sys
from pathlib import Path


def positional_only(source: str) -> str:
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
        last = node.args.defaults[-1] if node.args.defaults else params[-1]
        edits.append((last.end_lineno, last.end_col_offset, last.end_col_offset, ", /"))
    # ast columns are UTF-8 byte offsets; the stubs are ASCII, but stay exact.
    for lineno, first, end, text in sorted(edits, reverse=True):
        raw = lines[lineno - 1].encode()
        lines[lineno - 1] = (raw[:first] + text.encode() + raw[end:]).decode()
    return "".join(lines)


if __name__ == "__main__":
    (path,) = map(Path, sys.argv[1:])
    path.write_text(positional_only(path.read_text()))
