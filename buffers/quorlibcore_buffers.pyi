"""
Zero-copy memoryviews of quorlibcore's containers and model tensors, and quorlibcore views of other buffers.
"""
from __future__ import annotations
import quorlibcore
import typing
import typing_extensions
__all__: list[str] = ['as_view', 'memory', 'model_input', 'model_output']
def as_view(arg0: typing_extensions.Buffer, /) -> quorlibcore.views | quorlibcore.viewd | quorlibcore.viewc | quorlibcore.viewz:
    """
    A quorlibcore view sharing the memory of a writable, contiguous, one-dimensional buffer of f, d, Zf or Zd elements.
    """
@typing.overload
def memory(arg0: quorlibcore.vecs, /) -> memoryview:
    """
    Writable view of the elements of a container; a matrix in column-major order.
    """
@typing.overload
def memory(arg0: quorlibcore.views, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.mats, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.vecd, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.viewd, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.matd, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.vecc, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.viewc, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.matc, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.vecz, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.viewz, /) -> memoryview:
    ...
@typing.overload
def memory(arg0: quorlibcore.matz, /) -> memoryview:
    ...
def model_input(arg0: quorlibcore.model, arg1: int, /) -> memoryview:
    """
    Writable view of an input tensor of the model, by position, in C order.
    """
def model_output(arg0: quorlibcore.model, arg1: int, /) -> memoryview:
    """
    Read-only view of an output tensor of the model, by position, in C order; every run overwrites it.
    """
