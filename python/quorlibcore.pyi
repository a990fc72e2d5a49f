from __future__ import annotations
import typing
__all__: list[str] = ['axpy', 'copy', 'dot', 'gemm', 'gemv', 'hdot', 'ls', 'matc', 'matd', 'matmul', 'mats', 'matvec', 'matz', 'model', 'scale', 'sum', 'swap', 'vecc', 'vecd', 'vecs', 'vecz', 'viewc', 'viewd', 'views', 'viewz']
class matc:
    def __getitem__(self, index: tuple[int, int], /) -> complex:
        """
        returns the element at index = (row, column)
        """
    def __init__(self, rows: int, columns: int, /) -> None:
        """
        makes a column-major rows × columns matrix, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per row
        """
    def __setitem__(self, index: tuple[int, int], value: complex, /) -> None:
        """
        writes value at index = (row, column)
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of rows for index 0, of columns for index 1
        """
    def numel(self) -> int:
        """
        returns the number of elements, rows × columns
        """
class matd:
    def __getitem__(self, index: tuple[int, int], /) -> float:
        """
        returns the element at index = (row, column)
        """
    def __init__(self, rows: int, columns: int, /) -> None:
        """
        makes a column-major rows × columns matrix, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per row
        """
    def __setitem__(self, index: tuple[int, int], value: float, /) -> None:
        """
        writes value at index = (row, column)
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of rows for index 0, of columns for index 1
        """
    def numel(self) -> int:
        """
        returns the number of elements, rows × columns
        """
class mats:
    def __getitem__(self, index: tuple[int, int], /) -> float:
        """
        returns the element at index = (row, column)
        """
    def __init__(self, rows: int, columns: int, /) -> None:
        """
        makes a column-major rows × columns matrix, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per row
        """
    def __setitem__(self, index: tuple[int, int], value: float, /) -> None:
        """
        writes value at index = (row, column)
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of rows for index 0, of columns for index 1
        """
    def numel(self) -> int:
        """
        returns the number of elements, rows × columns
        """
class matz:
    def __getitem__(self, index: tuple[int, int], /) -> complex:
        """
        returns the element at index = (row, column)
        """
    def __init__(self, rows: int, columns: int, /) -> None:
        """
        makes a column-major rows × columns matrix, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per row
        """
    def __setitem__(self, index: tuple[int, int], value: complex, /) -> None:
        """
        writes value at index = (row, column)
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of rows for index 0, of columns for index 1
        """
    def numel(self) -> int:
        """
        returns the number of elements, rows × columns
        """
class model:
    def __init__(self, path: str, /) -> None:
        """
        opens the ONNX model at path, with a tensor for each input and output; prints what it finds
        """
    def get(self, output: int, position: typing.Sequence[int], /) -> float:
        """
        returns the element at position (one index per dimension) of float output tensor number output
        """
    def run(self) -> None:
        """
        runs the model on its input tensors into its output tensors; returns None
        """
    def set(self, input: int, position: typing.Sequence[int], value: float, /) -> None:
        """
        writes value at position (one index per dimension) of float input tensor number input, in single precision
        """
class vecc:
    @typing.overload
    def __getitem__(self, index: int, /) -> complex:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> viewc:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __init__(self, size: int, /) -> None:
        """
        makes a vector of size elements, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: complex, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class vecd:
    @typing.overload
    def __getitem__(self, index: int, /) -> float:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> viewd:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __init__(self, size: int, /) -> None:
        """
        makes a vector of size elements, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: float, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class vecs:
    @typing.overload
    def __getitem__(self, index: int, /) -> float:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> views:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __init__(self, size: int, /) -> None:
        """
        makes a vector of size elements, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: float, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class vecz:
    @typing.overload
    def __getitem__(self, index: int, /) -> complex:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> viewz:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __init__(self, size: int, /) -> None:
        """
        makes a vector of size elements, all zero
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: complex, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class viewc:
    @typing.overload
    def __getitem__(self, index: int, /) -> complex:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> viewc:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: complex, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class viewd:
    @typing.overload
    def __getitem__(self, index: int, /) -> float:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> viewd:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: float, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class views:
    @typing.overload
    def __getitem__(self, index: int, /) -> float:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> views:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: float, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
class viewz:
    @typing.overload
    def __getitem__(self, index: int, /) -> complex:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    @typing.overload
    def __getitem__(self, index: slice, /) -> viewz:
        """
        returns the element at index, or for a slice of step 1 a view sharing this storage
        """
    def __repr__(self) -> str:
        """
        returns the text form: the size, then one line per element
        """
    def __setitem__(self, index: int, value: complex, /) -> None:
        """
        writes value at index
        """
    def dim(self, index: int, /) -> int:
        """
        returns the number of elements for index 0 (the only dimension)
        """
    def numel(self) -> int:
        """
        returns the number of elements
        """
@typing.overload
def axpy(alpha: float, x: vecs, y: vecs, /) -> vecs:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: vecs, y: views, /) -> views:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: vecs, y: mats, /) -> mats:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: views, y: vecs, /) -> vecs:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: views, y: views, /) -> views:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: views, y: mats, /) -> mats:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: mats, y: vecs, /) -> vecs:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: mats, y: views, /) -> views:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: mats, y: mats, /) -> mats:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: vecd, y: vecd, /) -> vecd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: vecd, y: viewd, /) -> viewd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: vecd, y: matd, /) -> matd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: viewd, y: vecd, /) -> vecd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: viewd, y: viewd, /) -> viewd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: viewd, y: matd, /) -> matd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: matd, y: vecd, /) -> vecd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: matd, y: viewd, /) -> viewd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: float, x: matd, y: matd, /) -> matd:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: vecc, y: vecc, /) -> vecc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: vecc, y: viewc, /) -> viewc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: vecc, y: matc, /) -> matc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: viewc, y: vecc, /) -> vecc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: viewc, y: viewc, /) -> viewc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: viewc, y: matc, /) -> matc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: matc, y: vecc, /) -> vecc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: matc, y: viewc, /) -> viewc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: matc, y: matc, /) -> matc:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: vecz, y: vecz, /) -> vecz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: vecz, y: viewz, /) -> viewz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: vecz, y: matz, /) -> matz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: viewz, y: vecz, /) -> vecz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: viewz, y: viewz, /) -> viewz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: viewz, y: matz, /) -> matz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: matz, y: vecz, /) -> vecz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: matz, y: viewz, /) -> viewz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def axpy(alpha: complex, x: matz, y: matz, /) -> matz:
    """
    y = alpha·x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecs, y: vecs, /) -> vecs:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecs, y: views, /) -> views:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecs, y: mats, /) -> mats:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: views, y: vecs, /) -> vecs:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: views, y: views, /) -> views:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: views, y: mats, /) -> mats:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: mats, y: vecs, /) -> vecs:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: mats, y: views, /) -> views:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: mats, y: mats, /) -> mats:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecd, y: vecd, /) -> vecd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecd, y: viewd, /) -> viewd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecd, y: matd, /) -> matd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewd, y: vecd, /) -> vecd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewd, y: viewd, /) -> viewd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewd, y: matd, /) -> matd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matd, y: vecd, /) -> vecd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matd, y: viewd, /) -> viewd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matd, y: matd, /) -> matd:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecc, y: vecc, /) -> vecc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecc, y: viewc, /) -> viewc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecc, y: matc, /) -> matc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewc, y: vecc, /) -> vecc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewc, y: viewc, /) -> viewc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewc, y: matc, /) -> matc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matc, y: vecc, /) -> vecc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matc, y: viewc, /) -> viewc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matc, y: matc, /) -> matc:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecz, y: vecz, /) -> vecz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecz, y: viewz, /) -> viewz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: vecz, y: matz, /) -> matz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewz, y: vecz, /) -> vecz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewz, y: viewz, /) -> viewz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: viewz, y: matz, /) -> matz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matz, y: vecz, /) -> vecz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matz, y: viewz, /) -> viewz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def copy(x: matz, y: matz, /) -> matz:
    """
    y = x: copies x into the first x.numel() elements of y; returns y
    """
@typing.overload
def dot(x: vecs, y: vecs, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecs, y: views, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecs, y: mats, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: views, y: vecs, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: views, y: views, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: views, y: mats, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: mats, y: vecs, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: mats, y: views, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: mats, y: mats, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecd, y: vecd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecd, y: viewd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecd, y: matd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewd, y: vecd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewd, y: viewd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewd, y: matd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matd, y: vecd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matd, y: viewd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matd, y: matd, /) -> float:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecc, y: vecc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecc, y: viewc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecc, y: matc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewc, y: vecc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewc, y: viewc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewc, y: matc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matc, y: vecc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matc, y: viewc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matc, y: matc, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecz, y: vecz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecz, y: viewz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: vecz, y: matz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewz, y: vecz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewz, y: viewz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: viewz, y: matz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matz, y: vecz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matz, y: viewz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def dot(x: matz, y: matz, /) -> complex:
    """
    Σ x[i]·y[i] for i < x.numel(), without conjugation; returns it (float or complex)
    """
@typing.overload
def gemm(alpha: float, beta: float, A: mats, X: mats, Y: mats, /) -> mats:
    """
    Y = alpha·A·X + beta·Y in place; returns Y
    """
@typing.overload
def gemm(alpha: float, beta: float, A: matd, X: matd, Y: matd, /) -> matd:
    """
    Y = alpha·A·X + beta·Y in place; returns Y
    """
@typing.overload
def gemm(alpha: complex, beta: complex, A: matc, X: matc, Y: matc, /) -> matc:
    """
    Y = alpha·A·X + beta·Y in place; returns Y
    """
@typing.overload
def gemm(alpha: complex, beta: complex, A: matz, X: matz, Y: matz, /) -> matz:
    """
    Y = alpha·A·X + beta·Y in place; returns Y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: vecs, y: vecs, /) -> vecs:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: vecs, y: views, /) -> views:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: vecs, y: mats, /) -> mats:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: views, y: vecs, /) -> vecs:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: views, y: views, /) -> views:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: views, y: mats, /) -> mats:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: mats, y: vecs, /) -> vecs:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: mats, y: views, /) -> views:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: mats, x: mats, y: mats, /) -> mats:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: vecd, y: vecd, /) -> vecd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: vecd, y: viewd, /) -> viewd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: vecd, y: matd, /) -> matd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: viewd, y: vecd, /) -> vecd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: viewd, y: viewd, /) -> viewd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: viewd, y: matd, /) -> matd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: matd, y: vecd, /) -> vecd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: matd, y: viewd, /) -> viewd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: float, beta: float, A: matd, x: matd, y: matd, /) -> matd:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: vecc, y: vecc, /) -> vecc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: vecc, y: viewc, /) -> viewc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: vecc, y: matc, /) -> matc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: viewc, y: vecc, /) -> vecc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: viewc, y: viewc, /) -> viewc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: viewc, y: matc, /) -> matc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: matc, y: vecc, /) -> vecc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: matc, y: viewc, /) -> viewc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matc, x: matc, y: matc, /) -> matc:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: vecz, y: vecz, /) -> vecz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: vecz, y: viewz, /) -> viewz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: vecz, y: matz, /) -> matz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: viewz, y: vecz, /) -> vecz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: viewz, y: viewz, /) -> viewz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: viewz, y: matz, /) -> matz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: matz, y: vecz, /) -> vecz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: matz, y: viewz, /) -> viewz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def gemv(alpha: complex, beta: complex, A: matz, x: matz, y: matz, /) -> matz:
    """
    y = alpha·A·x + beta·y in place; returns y
    """
@typing.overload
def hdot(x: vecc, y: vecc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: vecc, y: viewc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: vecc, y: matc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: viewc, y: vecc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: viewc, y: viewc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: viewc, y: matc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: matc, y: vecc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: matc, y: viewc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: matc, y: matc, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: vecz, y: vecz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: vecz, y: viewz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: vecz, y: matz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: viewz, y: vecz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: viewz, y: viewz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: viewz, y: matz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: matz, y: vecz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: matz, y: viewz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def hdot(x: matz, y: matz, /) -> complex:
    """
    Σ conj(x[i])·y[i] for i < x.numel(); returns it (complex)
    """
@typing.overload
def ls(A: mats, b: vecs, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: mats, b: views, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: mats, b: mats, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matd, b: vecd, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matd, b: viewd, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matd, b: matd, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matc, b: vecc, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matc, b: viewc, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matc, b: matc, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matz, b: vecz, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matz, b: viewz, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def ls(A: matz, b: matz, /) -> None:
    """
    b's first columns(A) elements = the x minimising ‖A·x − b‖, of least norm when A is wide, in place; overwrites A; returns None
    """
@typing.overload
def matmul(A: mats, X: mats, Y: mats, /) -> mats:
    """
    Y = A·X + Y in place (it accumulates, beta = 1); returns Y
    """
@typing.overload
def matmul(A: matd, X: matd, Y: matd, /) -> matd:
    """
    Y = A·X + Y in place (it accumulates, beta = 1); returns Y
    """
@typing.overload
def matmul(A: matc, X: matc, Y: matc, /) -> matc:
    """
    Y = A·X + Y in place (it accumulates, beta = 1); returns Y
    """
@typing.overload
def matmul(A: matz, X: matz, Y: matz, /) -> matz:
    """
    Y = A·X + Y in place (it accumulates, beta = 1); returns Y
    """
@typing.overload
def matvec(A: mats, x: vecs, y: vecs, /) -> vecs:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: vecs, y: views, /) -> views:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: vecs, y: mats, /) -> mats:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: views, y: vecs, /) -> vecs:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: views, y: views, /) -> views:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: views, y: mats, /) -> mats:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: mats, y: vecs, /) -> vecs:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: mats, y: views, /) -> views:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: mats, x: mats, y: mats, /) -> mats:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: vecd, y: vecd, /) -> vecd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: vecd, y: viewd, /) -> viewd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: vecd, y: matd, /) -> matd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: viewd, y: vecd, /) -> vecd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: viewd, y: viewd, /) -> viewd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: viewd, y: matd, /) -> matd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: matd, y: vecd, /) -> vecd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: matd, y: viewd, /) -> viewd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matd, x: matd, y: matd, /) -> matd:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: vecc, y: vecc, /) -> vecc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: vecc, y: viewc, /) -> viewc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: vecc, y: matc, /) -> matc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: viewc, y: vecc, /) -> vecc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: viewc, y: viewc, /) -> viewc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: viewc, y: matc, /) -> matc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: matc, y: vecc, /) -> vecc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: matc, y: viewc, /) -> viewc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matc, x: matc, y: matc, /) -> matc:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: vecz, y: vecz, /) -> vecz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: vecz, y: viewz, /) -> viewz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: vecz, y: matz, /) -> matz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: viewz, y: vecz, /) -> vecz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: viewz, y: viewz, /) -> viewz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: viewz, y: matz, /) -> matz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: matz, y: vecz, /) -> vecz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: matz, y: viewz, /) -> viewz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def matvec(A: matz, x: matz, y: matz, /) -> matz:
    """
    y = A·x + y in place (it accumulates, beta = 1); returns y
    """
@typing.overload
def scale(alpha: float, x: vecs, /) -> vecs:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: float, x: views, /) -> views:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: float, x: mats, /) -> mats:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: float, x: vecd, /) -> vecd:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: float, x: viewd, /) -> viewd:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: float, x: matd, /) -> matd:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: complex, x: vecc, /) -> vecc:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: complex, x: viewc, /) -> viewc:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: complex, x: matc, /) -> matc:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: complex, x: vecz, /) -> vecz:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: complex, x: viewz, /) -> viewz:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def scale(alpha: complex, x: matz, /) -> matz:
    """
    x = alpha·x in place; returns x
    """
@typing.overload
def sum(x: vecs, y: vecs, /) -> vecs:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecs, y: views, /) -> views:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecs, y: mats, /) -> mats:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: views, y: vecs, /) -> vecs:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: views, y: views, /) -> views:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: views, y: mats, /) -> mats:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: mats, y: vecs, /) -> vecs:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: mats, y: views, /) -> views:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: mats, y: mats, /) -> mats:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecd, y: vecd, /) -> vecd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecd, y: viewd, /) -> viewd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecd, y: matd, /) -> matd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewd, y: vecd, /) -> vecd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewd, y: viewd, /) -> viewd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewd, y: matd, /) -> matd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matd, y: vecd, /) -> vecd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matd, y: viewd, /) -> viewd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matd, y: matd, /) -> matd:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecc, y: vecc, /) -> vecc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecc, y: viewc, /) -> viewc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecc, y: matc, /) -> matc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewc, y: vecc, /) -> vecc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewc, y: viewc, /) -> viewc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewc, y: matc, /) -> matc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matc, y: vecc, /) -> vecc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matc, y: viewc, /) -> viewc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matc, y: matc, /) -> matc:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecz, y: vecz, /) -> vecz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecz, y: viewz, /) -> viewz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: vecz, y: matz, /) -> matz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewz, y: vecz, /) -> vecz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewz, y: viewz, /) -> viewz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: viewz, y: matz, /) -> matz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matz, y: vecz, /) -> vecz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matz, y: viewz, /) -> viewz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def sum(x: matz, y: matz, /) -> matz:
    """
    y = x + y in place, on the first x.numel() elements of y; returns y
    """
@typing.overload
def swap(x: vecs, y: vecs, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecs, y: views, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecs, y: mats, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: views, y: vecs, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: views, y: views, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: views, y: mats, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: mats, y: vecs, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: mats, y: views, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: mats, y: mats, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecd, y: vecd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecd, y: viewd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecd, y: matd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewd, y: vecd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewd, y: viewd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewd, y: matd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matd, y: vecd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matd, y: viewd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matd, y: matd, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecc, y: vecc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecc, y: viewc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecc, y: matc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewc, y: vecc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewc, y: viewc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewc, y: matc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matc, y: vecc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matc, y: viewc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matc, y: matc, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecz, y: vecz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecz, y: viewz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: vecz, y: matz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewz, y: vecz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewz, y: viewz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: viewz, y: matz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matz, y: vecz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matz, y: viewz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
@typing.overload
def swap(x: matz, y: matz, /) -> None:
    """
    exchanges the elements of x with the first x.numel() elements of y; returns None
    """
