#pragma once
// The type of a value a model takes or gives, as far as converting Python
// values goes: a tensor's element type, a sequence's element type, a map's
// key and value types, what an optional value holds. Read from the runtime's
// type description of an input or output.
#include <memory>
#include <string>

#include "types/ElementTypes.hpp"
#include "types/Ort.hpp"

namespace quorlib_buffers {

struct ValueType {
    ONNXType kind = ONNX_TYPE_UNKNOWN;
    ONNXTensorElementDataType element = ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED;  // a tensor's, or a map's keys
    std::shared_ptr<const ValueType> inner;  // a sequence's elements, a map's values, an optional's content
};

inline ValueType valueType(const Ort::TypeInfo& info)
{
    ValueType type;
    type.kind = info.GetONNXType();
    switch (type.kind) {
    case ONNX_TYPE_TENSOR:
        type.element = info.GetTensorTypeAndShapeInfo().GetElementType();
        break;
    case ONNX_TYPE_SEQUENCE:
        type.inner = std::make_shared<ValueType>(valueType(info.GetSequenceElementType()));
        break;
    case ONNX_TYPE_MAP:
        type.element = info.GetMapKeyType();
        type.inner = std::make_shared<ValueType>(valueType(info.GetMapValueType()));
        break;
    case ONNX_TYPE_OPTIONAL:
        type.inner = std::make_shared<ValueType>(valueType(info.GetOptionalContainedType()));
        break;
    default:
        break;
    }
    return type;
}

// "tensor(float32)", "sequence(map(int64, float32))", "optional(tensor(string))"
inline std::string describe(const ValueType& type)
{
    using namespace Quor::Onnx;
    const std::string element = elementType(type.element).numpy;
    switch (type.kind) {
    case ONNX_TYPE_TENSOR: return "tensor(" + element + ")";
    case ONNX_TYPE_SEQUENCE: return "sequence(" + describe(*type.inner) + ")";
    case ONNX_TYPE_MAP: return "map(" + element + ", " + describe(*type.inner) + ")";
    case ONNX_TYPE_OPTIONAL: return "optional(" + describe(*type.inner) + ")";
    default: return valueKindName(type.kind);
    }
}

}  // namespace quorlib_buffers
