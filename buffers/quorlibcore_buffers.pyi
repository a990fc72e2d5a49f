"""
Zero-copy memoryviews of quorlibcore's containers and model tensors, quorlibcore views and matrices over other buffers, and models opened with options, reshaped and bound to buffers.
"""
from __future__ import annotations
import os
import quorlibcore
import typing
import typing_extensions
__all__: list[str] = ['ModelMetadata', 'TensorInfo', 'as_matrix', 'as_view', 'bind_input', 'bind_output', 'inputs', 'memory', 'metadata', 'model_input', 'model_output', 'open_model', 'outputs', 'run', 'set_input_shape']
class ModelMetadata(typing.NamedTuple):
    """
    What a model file says of itself: its producer, graph, domain, description, version and custom key-value pairs.
    """
    producer_name: str
    graph_name: str
    graph_description: str
    domain: str
    description: str
    version: int
    custom_metadata_map: dict[str, str]
class TensorInfo(typing.NamedTuple):
    """
    An input or output of a model: numpy's name of its element type, its current shape and the shape the file declares.
    """
    name: str
    dtype: str
    shape: tuple[int, ...] | None
    declared: tuple[int | str | None, ...] | None
def as_matrix(buffer: typing_extensions.Buffer, /) -> quorlibcore.mats | quorlibcore.matd | quorlibcore.matc | quorlibcore.matz:
    """
    A quorlibcore matrix sharing the memory of a writable, Fortran-contiguous, two-dimensional buffer of f, d, Zf or Zd elements.
    """
def as_view(buffer: typing_extensions.Buffer, /) -> quorlibcore.views | quorlibcore.viewd | quorlibcore.viewc | quorlibcore.viewz:
    """
    A quorlibcore view sharing the memory of a writable, contiguous, one-dimensional buffer of f, d, Zf or Zd elements.
    """
def bind_input(m: quorlibcore.model, key: str | int, buffer: typing_extensions.Buffer) -> None:
    """
    Make an input a tensor over a C-contiguous buffer of its element type, without a copy.
    """
def bind_output(m: quorlibcore.model, key: str | int, buffer: typing_extensions.Buffer) -> None:
    """
    Make an output a tensor over a writable C-contiguous buffer of its element type, without a copy.
    """
def inputs(m: quorlibcore.model) -> list[TensorInfo]:
    """
    The model's inputs, in order.
    """
@typing.overload
def memory(container: quorlibcore.vecs, /) -> memoryview:
    """
    Writable view of the elements of a container; a matrix in column-major order.
    """
@typing.overload
def memory(container: quorlibcore.views, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.mats, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.vecd, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.viewd, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.matd, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.vecc, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.viewc, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.matc, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.vecz, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.viewz, /) -> memoryview:
    ...
@typing.overload
def memory(container: quorlibcore.matz, /) -> memoryview:
    ...
def metadata(m: quorlibcore.model) -> ModelMetadata:
    """
    What the model's file says of itself.
    """
def model_input(model: quorlibcore.model, key: str | int, /) -> memoryview:
    """
    Writable view of an input tensor of the model, by name or position, in C order.
    """
def model_output(model: quorlibcore.model, key: str | int, /) -> memoryview:
    """
    Read-only view of an output tensor of the model, by name or position, in C order; every run of m.run() overwrites it.
    """
def open_model(path_or_bytes: str | os.PathLike[str] | os.PathLike[bytes] | typing_extensions.Buffer, /, *, dims: typing.Mapping[str, int] | None = None, shapes: typing.Mapping[str | int, typing.Sequence[int]] | None = None, optimization: str = 'all', threads: int = 0, trace: bool = False) -> quorlibcore.model:
    """
    Open an ONNX model, from its path or its bytes, with sizes for its open dimensions if wanted, at a graph optimisation level, silently unless trace is set.
    """
def outputs(m: quorlibcore.model) -> list[TensorInfo]:
    """
    The model's outputs, in order.
    """
def run(m: quorlibcore.model, feeds: typing.Mapping[str | int, typing.Any] | None = None, /, outputs: typing.Sequence[str | int] | None = None) -> dict[str, typing.Any]:
    """
    Run the model once over the values in feeds (inputs left out are read from the model's own tensors) and return {output name: value}, each value the caller's own; the model does not change.
    """
def set_input_shape(m: quorlibcore.model, key: str | int, shape: typing.Sequence[int]) -> None:
    """
    Give an input a new zero-filled tensor of a shape that fits its declared one; take views afterwards.
    """
