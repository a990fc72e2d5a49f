"""SVG charts of the benchmark tables that bench/results.py keeps.

A table of a known key gets the chart drawn for it in CHARTS; any other
table a generic one: bars of its first ratio column, or bars of its numbers
when every other cell is a number, or none. Text is drawn as paths, so the
SVG needs no font where it is shown. Every chart ends with the machine, the
date and the command of its run.
"""
import io
import re
import textwrap
from dataclasses import dataclass

import matplotlib
from matplotlib.figure import Figure

matplotlib.rcParams.update({"svg.hashsalt": "quorlibcore", "svg.fonttype": "path", "font.size": 9})

NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:e[-+]?\d+)?")
ROW_HEIGHT = 0.28  # inches per bar group
COLOURS = ["#3f51b5", "#ff9800", "#9e9e9e", "#4caf50", "#e91e63"]


def numbers(cell):
    """The numbers of a cell: '103.8 (99.4)' and '0.46 / 0.52' hold two, '—' none."""
    return [float(n) for n in NUMBER.findall(cell.replace("−", "-"))]


def label(cell):
    return cell.replace("`", "")


@dataclass
class Bars:
    """One bar per row and column: the first number of each of those cells."""
    title: str
    columns: list  # positions in the table's columns
    unit: str
    rows: str = ""  # only rows whose label starts with this
    log: bool = False


@dataclass
class Ratio:
    """One bar per row: the first number of a ratio column, against 1."""
    title: str
    column: int
    reference: str
    worst: bool = False  # the cell's second number is the worst case, drawn as a tick
    goal: int = None  # a column of goals such as '≤ 1.0', drawn as marks
    rows: str = ""
    skip: str = None  # rows whose label starts with this are left out


@dataclass
class Panels:
    """One panel per row, one bar per column from `first` on; the row's unit in column `unit`."""
    title: str
    first: int
    unit: int


CHARTS = {
    "bench_calls/functions": [Ratio("Per call on tiny operands: time ÷ scipy's f2py wrapper, median and worst "
                                    "overload", 4, "f2py wrapper", worst=True)],
    "bench_calls/access": [Bars("Element access against numpy", [1, 2], "ns per call")],
    "bench_calls/forms": [Ratio("Calling forms: worst class, time ÷ the reference", 4, "reference", goal=5)],
    "bench_large/large": [Panels("Large operands, double precision: best call", 3, 2)],
    "bench_model/model": [Bars("Model calls against onnxruntime", [1, 2, 3], "µs per call", log=True)],
    "bench_buffers/bulk": [Bars("Bulk copies between numpy and quorlibcore storage", [1, 2], "ms", rows="copy"),
                           Ratio("Work on numpy's data: time ÷ numpy's", 3, "numpy", goal=4, skip="copy")],
    "bench_buffers/models": [Bars("Models end to end, numpy in and out, against onnxruntime", [1, 2, 3],
                                  "µs per call", log=True)],
    "bench_silero/files": [],
    "bench_silero/streaming": [Bars("Real models: silero-vad streaming against onnxruntime", [1, 2, 3, 4],
                                    "µs per 512-sample chunk")],
    "bench_threads/calls": [Bars("Threads: a numpy thread's work beside one call in the main thread", [3],
                                 "ticks of the numpy thread per ms")],
    "bench_threads/power": [Bars("Threads and processes: four power iterations", [1], "s")],
}


def generic(table):
    """The chart of a table no entry of CHARTS knows, if its cells allow one."""
    columns, rows = table["columns"], table["rows"]
    if not rows:
        return []
    for i, name in enumerate(columns[1:], 1):
        if "ratio" in name.lower() and all(numbers(row[i]) for row in rows):
            return [Ratio(columns[0], i, "1")]
    if all(numbers(cell) for row in rows for cell in row[1:]):
        return [Bars(columns[0], list(range(1, len(columns))), "")]
    return []


def columns_of(chart):
    if isinstance(chart, Bars):
        return chart.columns
    if isinstance(chart, Ratio):
        return [chart.column] + ([chart.goal] if chart.goal is not None else [])
    return [chart.first, chart.unit]


def charts_for(key, table):
    """The charts of CHARTS for the table, or generic ones once its columns no longer fit them."""
    known = CHARTS.get(key)
    if known is not None and all(max(columns_of(chart)) < len(table["columns"]) for chart in known):
        return known
    return generic(table)


def selected(chart, rows):
    return [row for row in rows if row[0].startswith(chart.rows)
            and not (getattr(chart, "skip", None) and row[0].startswith(chart.skip))]


def footer(fig, record, height):
    text = textwrap.fill(f"{record['machine']} · {record['date']} · {record['command']}", 130)
    fig.text(0.01, 0.02 / height, text, fontsize=7, color="#616161", va="bottom")


def figure(rows, lines):
    """A figure tall enough for `rows` bar groups, with room below for the footer."""
    height = 1.3 + ROW_HEIGHT * rows + 0.12 * lines
    fig = Figure(figsize=(8, height), layout="constrained")
    fig.get_layout_engine().set(rect=(0, 0.3 / height, 1, 1 - 0.3 / height))
    return fig, height


def draw_bars(chart, table, record):
    rows = selected(chart, table["rows"])
    series = [table["columns"][c] for c in chart.columns]
    fig, height = figure(len(rows) * max(1, len(series) * 0.6), len(series))
    ax = fig.add_subplot()
    width = 0.8 / len(series)
    for s, column in enumerate(chart.columns):
        for r, row in enumerate(rows):
            values = numbers(row[column])
            if values:
                y = r + (s - (len(series) - 1) / 2) * width
                ax.barh(y, values[0], height=width, color=COLOURS[s % len(COLOURS)], label=series[s])
                ax.annotate(f"{values[0]:g}", (values[0], y), xytext=(3, 0), textcoords="offset points",
                            va="center", fontsize=7)
    ax.set_yticks(range(len(rows)), [textwrap.fill(label(row[0]), 45) for row in rows])
    ax.invert_yaxis()
    if chart.log:
        ax.set_xscale("log")
    ax.set_xlabel(chart.unit)
    ax.margins(x=0.2)
    if len(series) > 1:
        handles, names = ax.get_legend_handles_labels()
        first = dict(zip(names, handles))  # one entry per column, not per bar
        fig.legend(first.values(), first.keys(), loc="outside right upper", fontsize=7,
                   frameon=False)
    fig.suptitle(chart.title, x=0.01, ha="left", fontsize=10)
    footer(fig, record, height)
    return fig


def draw_ratio(chart, table, record):
    rows = selected(chart, table["rows"])
    fig, height = figure(len(rows), 1)
    ax = fig.add_subplot()
    for r, row in enumerate(rows):
        values = numbers(row[chart.column])
        if not values:  # a row without a ratio, such as a new one not measured yet
            continue
        ax.barh(r, values[0], color=COLOURS[0] if values[0] <= 1 else COLOURS[1], height=0.6)
        text, end = f"{values[0]:g}", values[0]
        if chart.worst and len(values) > 1:
            ax.plot([values[1]], [r], marker="|", markersize=12, color="#212121")
            text, end = f"{text} (worst {values[1]:g})", max(end, values[1])
        ax.annotate(text, (end, r), xytext=(4, 0), textcoords="offset points", va="center", fontsize=7)
        if chart.goal is not None and (goal := numbers(row[chart.goal])):
            ax.plot([goal[0]], [r], marker="v", markersize=5, color="#4caf50")
    ax.axvline(1.0, color="#212121", linewidth=0.8)
    ax.set_yticks(range(len(rows)), [textwrap.fill(label(row[0]), 45) for row in rows])
    ax.invert_yaxis()
    notes = [f"1 = {chart.reference}; below 1 quorlibcore is faster"]
    if chart.worst:
        notes.append("| the worst overload")
    if chart.goal is not None:
        notes.append("▼ the goal")
    ax.set_xlabel("; ".join(notes))
    ax.margins(x=0.2)
    fig.suptitle(chart.title, x=0.01, ha="left", fontsize=10)
    footer(fig, record, height)
    return fig


def draw_panels(chart, table, record):
    rows, engines = table["rows"], table["columns"][chart.first:]
    fig, height = figure(6, 1)
    axes = fig.subplots(1, len(rows), squeeze=False)[0]
    for ax, row in zip(axes, rows):
        values = [numbers(cell)[0] if numbers(cell) else 0.0 for cell in row[chart.first:]]
        ax.bar(range(len(engines)), values, color=COLOURS[:len(engines)])
        ax.set_xticks(range(len(engines)), engines, rotation=45, ha="right", fontsize=7)
        better = "lower" if row[chart.unit] in ("ms", "s", "µs") else "higher"
        ax.set_title(f"{row[0]} {row[1]}\n{row[chart.unit]}, {better} is better", fontsize=8)
    fig.suptitle(chart.title, x=0.01, ha="left", fontsize=10)
    footer(fig, record, height)
    return fig


DRAW = {Bars: draw_bars, Ratio: draw_ratio, Panels: draw_panels}


def charts(key, table, record):
    """(title, SVG text) of each chart of a table."""
    out = []
    for chart in charts_for(key, table):
        fig = DRAW[type(chart)](chart, table, record)
        buffer = io.StringIO()
        fig.savefig(buffer, format="svg", metadata={"Date": None})
        out.append((chart.title, buffer.getvalue()))
    return out
