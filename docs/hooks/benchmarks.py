"""MkDocs hook: the benchmark figures of bench/results/*.json in the pages.

A line `<!-- bench SCRIPT/KEY -->` in a page becomes the charts of that
table (charts.py) and the table itself; `<!-- bench others -->` becomes every
table that no page places, so a table added to a benchmark later shows up
without a change here. The SVG files are generated into the site under
charts/; nothing is written into docs/.
"""
import json
import logging
import posixpath
import re
from pathlib import Path

from mkdocs.structure.files import File

import charts

log = logging.getLogger("mkdocs.hooks.benchmarks")
MARKER = re.compile(r"^<!-- bench (\S+) -->$", re.M)

tables = {}  # "script/key" -> (record, table)
images = {}  # "script/key" -> [(title, site path of the SVG)]
placed = set()


def on_files(files, config):
    root = Path(config.config_file_path).parent
    for registry in (tables, images, placed):
        registry.clear()
    for path in sorted((root / "bench" / "results").glob("*.json")):
        record = json.loads(path.read_text(encoding="utf-8"))
        for table in record["tables"]:
            tables[f"{path.stem}/{table['key']}"] = record, table
    for name, (record, table) in tables.items():
        images[name] = []
        for number, (title, svg) in enumerate(charts.charts(name, table, record)):
            uri = f"charts/{name.replace('/', '-')}{'-' + str(number + 1) if number else ''}.svg"
            files.append(File.generated(config, uri, content=svg))
            images[name].append((title, uri))
    for file in files.documentation_pages():
        placed.update(MARKER.findall(file.content_string))
    return files


def markdown_table(table):
    def line(cells):
        return "| " + " | ".join(cell.replace("|", "\\|") for cell in cells) + " |"
    align = "|" + "".join("---:|" if a == "r" else "---|" for a in table["align"])
    return "\n".join([line(table["columns"]), align, *map(line, table["rows"])])


def figures(name, page):
    """The charts and the table of one benchmark table, as markdown for `page`."""
    record, table = tables[name]
    here = posixpath.dirname(page.file.src_uri)
    shown = [f"![{title}]({posixpath.relpath(uri, here)})" for title, uri in images[name]]
    source = f"*{record['machine']}; {record['date']}; `{record['command']}`*"
    if not shown:
        return f"{markdown_table(table)}\n\n{source}"
    folded = "\n".join("    " + line for line in f"{markdown_table(table)}\n\n{source}".splitlines())
    return "\n\n".join(shown) + f'\n\n??? note "The figures"\n\n{folded}'


def on_page_markdown(markdown, page, config, files):
    def replace(match):
        name = match.group(1)
        if name == "others":
            rest = [n for n in tables if n not in placed]
            return "\n\n".join(["## Other tables"] * bool(rest) +
                               [f"### {tables[n][1]['columns'][0]}\n\n{figures(n, page)}" for n in rest])
        if name not in tables:
            log.warning(f"{page.file.src_uri}: no benchmark table {name!r} in bench/results")
            return match.group(0)
        return figures(name, page)
    return MARKER.sub(replace, markdown)
