#pragma once
// What the model wrapper knows of each element type of the runtime's
// tensors, and of each kind of value a model can take or give: the names
// used in messages and by numpy, and the bytes of one element where a
// tensor's storage is plain memory.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "types/OrtApi.hpp"

namespace Quor::Onnx {

struct ElementType {
    ONNXTensorElementDataType type;
    const char* name;   // the enumerator without its prefix
    const char* numpy;  // numpy's name (ml_dtypes' for the types numpy lacks)
    size_t size;        // bytes of one element; 0 for strings, objects of the runtime
};

// In the runtime's numbering, so that a type is its own index.
inline constexpr ElementType elementTypes[] = {
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED, "UNDEFINED", "undefined", 0},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, "FLOAT", "float32", 4},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT8, "UINT8", "uint8", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT8, "INT8", "int8", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT16, "UINT16", "uint16", 2},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT16, "INT16", "int16", 2},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT32, "INT32", "int32", 4},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT64, "INT64", "int64", 8},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING, "STRING", "string", 0},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_BOOL, "BOOL", "bool", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16, "FLOAT16", "float16", 2},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_DOUBLE, "DOUBLE", "float64", 8},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT32, "UINT32", "uint32", 4},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT64, "UINT64", "uint64", 8},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX64, "COMPLEX64", "complex64", 8},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX128, "COMPLEX128", "complex128", 16},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16, "BFLOAT16", "bfloat16", 2},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FN, "FLOAT8E4M3FN", "float8_e4m3fn", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FNUZ, "FLOAT8E4M3FNUZ", "float8_e4m3fnuz", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E5M2, "FLOAT8E5M2", "float8_e5m2", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E5M2FNUZ, "FLOAT8E5M2FNUZ", "float8_e5m2fnuz", 1},
};

inline constexpr bool numberedInOrder = [] {
    for (size_t i = 0; i < std::size(elementTypes); ++i)
        if (static_cast<size_t>(elementTypes[i].type) != i)
            return false;
    return true;
}();
static_assert(numberedInOrder);

// Types the table does not know read as undefined.
inline const ElementType& elementType(ONNXTensorElementDataType type)
{
    const auto i = static_cast<size_t>(type);
    return i < std::size(elementTypes) ? elementTypes[i] : elementTypes[0];
}

inline std::string enumeratorName(ONNXTensorElementDataType type)
{
    return std::string("ONNX_TENSOR_ELEMENT_DATA_TYPE_") + elementType(type).name;
}

// Bytes per element of the tensor types whose storage is plain memory.
inline size_t plainElementSize(ONNXTensorElementDataType type) { return elementType(type).size; }

// Bytes of plain data in a tensor of a shape it was created with, so none of
// its dimensions is negative; 0 for strings.
inline size_t plainBytes(ONNXTensorElementDataType type, std::span<const int64_t> shape)
{
    size_t bytes = plainElementSize(type);
    for (int64_t d : shape)
        bytes *= static_cast<size_t>(d);
    return bytes;
}

// The kinds of value besides tensors, as messages and Python name them.
inline const char* valueKindName(ONNXType kind)
{
    switch (kind) {
    case ONNX_TYPE_TENSOR: return "tensor";
    case ONNX_TYPE_SEQUENCE: return "sequence";
    case ONNX_TYPE_MAP: return "map";
    case ONNX_TYPE_OPAQUE: return "opaque";
    case ONNX_TYPE_SPARSETENSOR: return "sparse_tensor";
    case ONNX_TYPE_OPTIONAL: return "optional";
    default: return "unknown";
    }
}

}  // namespace Quor::Onnx
