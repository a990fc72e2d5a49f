#pragma once
// The struct format of each tensor element type that Python's buffers can
// hold, and the element type of a buffer's format: byte order native, and
// integer codes read by their size ('l' and 'q' alike on this platform).
#include <Python.h>

#include <bit>
#include <string_view>

#include "types/OrtApi.hpp"

namespace quorlib_buffers {

struct ElementFormat {
    ONNXTensorElementDataType type;
    const char* format;
    Py_ssize_t itemsize;
};

inline constexpr ElementFormat elementFormats[] = {
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, "f", 4},       {ONNX_TENSOR_ELEMENT_DATA_TYPE_DOUBLE, "d", 8},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16, "e", 2},     {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT8, "b", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT8, "B", 1},       {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT16, "h", 2},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT16, "H", 2},      {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT32, "i", 4},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT32, "I", 4},      {ONNX_TENSOR_ELEMENT_DATA_TYPE_INT64, "q", 8},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT64, "Q", 8},      {ONNX_TENSOR_ELEMENT_DATA_TYPE_BOOL, "?", 1},
    {ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX64, "Zf", 8},  {ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX128, "Zd", 16},
};

// The format of `type`, or null for the types without one (strings,
// bfloat16, the float8 types, the undefined type).
inline const ElementFormat* formatOf(ONNXTensorElementDataType type)
{
    for (const ElementFormat& element : elementFormats)
        if (element.type == type)
            return &element;
    return nullptr;
}

// A struct format without a prefix that only restates the native byte order.
inline std::string_view nativeFormat(const char* format)
{
    std::string_view plain = format == nullptr ? "B" : format;
    const bool little = std::endian::native == std::endian::little;
    if (!plain.empty() && (plain[0] == '@' || plain[0] == '=' || (little && plain[0] == '<')))
        plain.remove_prefix(1);
    return plain;
}

// The element type of a buffer of `format` with elements of `itemsize`
// bytes, or the undefined type.
inline ONNXTensorElementDataType typeOfFormat(const char* format, Py_ssize_t itemsize)
{
    const std::string_view code = nativeFormat(format);
    // Integer codes of every name map to the code of their size.
    static constexpr std::string_view signedCodes = "bhilqn", unsignedCodes = "BHILQN";
    std::string_view canonical = code;
    if (code.size() == 1 && signedCodes.find(code[0]) != std::string_view::npos)
        canonical = itemsize == 1 ? "b" : itemsize == 2 ? "h" : itemsize == 4 ? "i" : itemsize == 8 ? "q" : "";
    else if (code.size() == 1 && unsignedCodes.find(code[0]) != std::string_view::npos)
        canonical = itemsize == 1 ? "B" : itemsize == 2 ? "H" : itemsize == 4 ? "I" : itemsize == 8 ? "Q" : "";
    for (const ElementFormat& element : elementFormats)
        if (canonical == element.format && itemsize == element.itemsize)
            return element.type;
    return ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED;
}

}  // namespace quorlib_buffers
