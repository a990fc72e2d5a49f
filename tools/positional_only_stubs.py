"""Marks every parameter of a generated stub file positional-only (PEP 570).

The module declares no argument names, so a call that passes any argument by
keyword matches no overload at run time; the stub generator still writes the
placeholder names `arg0`, `arg1`, ... as ordinary parameters, which would let
a type checker accept such calls. Usage: positional_only_stubs.py FILE.pyi
(rewritten in place).
"""
import ast
import sys
from pathlib import Path


def positional_only(source: str) -> str:
    lines = source.splitlines(keepends=True)
    # (line, column) just past the last positional parameter of each def.
    ends = []
    for node in ast.walk(ast.parse(source)):
        if not isinstance(node, (ast.FunctionDef, ast.AsyncFunctionDef)):
            continue
        params = node.args.args
        if node.args.posonlyargs or not params or [p.arg for p in params] == ["self"]:
            continue
        last = node.args.defaults[-1] if node.args.defaults else params[-1]
        ends.append((last.end_lineno, last.end_col_offset))
    # ast columns are UTF-8 byte offsets; the stubs are ASCII, but stay exact.
    for lineno, col in sorted(ends, reverse=True):
        raw = lines[lineno - 1].encode()
        lines[lineno - 1] = (raw[:col] + b", /" + raw[col:]).decode()
    return "".join(lines)


if __name__ == "__main__":
    (path,) = map(Path, sys.argv[1:])
    path.write_text(positional_only(path.read_text()))
