"""
Zero-copy memoryviews of quorlibcore's containers and model tensors, and quorlibcore views and matrices over other buffers.
"""
from __future__ import annotations
import quorlibcore
import typing
import typing_extensions
__all__: list[str] = ['as_matrix', 'as_view', 'memory', 'model_input', 'model_output']
def as_matrix(buffer: typing_extensions.Buffer, /) -> quorlibcore.mats | quorlibcore.matd | quorlibcore.matc | quorlibcore.matz:
    """
    A quorlibcore matrix sharing the memory of a writable, Fortran-contiguous, two-dimensional buffer of f, d, Zf or Zd elements.
    """
def as_view(buffer: typing_extensions.Buffer, /) -> quorlibcore.views | quorlibcore.viewd | quorlibcore.viewc | quorlibcore.viewz:
    """
    A quorlibcore view sharing the memory of a writable, contiguous, one-dimensional buffer of f, d, Zf or Zd elements.
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
def model_input(arg0: quorlibcore.model, arg1: int, /) -> memoryview:
    """
    Writable view of an input tensor of the model, by position, in C order.
    """
def model_output(arg0: quorlibcore.model, arg1: int, /) -> memoryview:
    """
    Read-only view of an output tensor of the model, by position, in C order; every run overwrites it.
    """
