#pragma once
// numpy's C interface, imported when a call first needs it: the module itself
// does not depend on numpy, only the calls that take and make arrays do. And
// the numpy type of each tensor element type that numpy has one for.
#include <Python.h>

#define NPY_NO_DEPRECATED_API NPY_1_21_API_VERSION
#include <numpy/arrayobject.h>

#include <string>

#include <pybind11/pybind11.h>

#include "types/OrtApi.hpp"

namespace quorlib_buffers {

// Imports numpy's C interface once; an ImportError names numpy.
inline void requireNumpy(const char* caller)
{
    if (PyArray_API != nullptr)
        return;
    if (_import_array() < 0) {
        PyObject* cause = PyErr_GetRaisedException();
        PyErr_Format(PyExc_ImportError, "%s needs numpy, which could not be imported", caller);
        PyObject* error = PyErr_GetRaisedException();
        PyException_SetCause(error, cause);
        PyErr_SetRaisedException(error);
        throw pybind11::error_already_set();
    }
}

// numpy's type number for the tensor element type, or -1 where numpy has
// none (strings, bfloat16, the float8 types).
inline int numpyType(ONNXTensorElementDataType type)
{
    switch (type) {
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT: return NPY_FLOAT32;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_DOUBLE: return NPY_FLOAT64;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16: return NPY_FLOAT16;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT8: return NPY_INT8;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT8: return NPY_UINT8;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT16: return NPY_INT16;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT16: return NPY_UINT16;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT32: return NPY_INT32;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT32: return NPY_UINT32;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT64: return NPY_INT64;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT64: return NPY_UINT64;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_BOOL: return NPY_BOOL;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX64: return NPY_COMPLEX64;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX128: return NPY_COMPLEX128;
    default: return -1;
    }
}

// Whether an array's elements are those of `type`: the same kind and size,
// whatever numpy calls the type ('l' and 'q' alike), in either byte order.
inline bool holdsElementsOf(PyArrayObject* array, ONNXTensorElementDataType type)
{
    const int number = numpyType(type);
    if (number < 0)
        return false;
    PyArray_Descr* expected = PyArray_DescrFromType(number);
    const PyArray_Descr* given = PyArray_DESCR(array);
    const bool same = given->kind == expected->kind && PyDataType_ELSIZE(given) == PyDataType_ELSIZE(expected)
                      && !PyDataType_HASFIELDS(given) && !PyDataType_HASSUBARRAY(given);
    Py_DECREF(expected);
    return same;
}

}  // namespace quorlib_buffers
