#pragma once
// What the runtime says of a value's type: the kind of value, and for a
// tensor its element type and shape, for a sequence its element's type, for
// a map its key and value types, for an optional value the contained type.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "types/OrtBase.hpp"

namespace Ort {

// Type and shape of a tensor, owned elsewhere (by a TypeInfo or a
// TensorTypeAndShapeInfo).
class ConstTensorTypeAndShapeInfo {
public:
    explicit ConstTensorTypeAndShapeInfo(const OrtTensorTypeAndShapeInfo* info) : m_info(info) {}

    std::vector<int64_t> GetShape() const
    {
        size_t count = 0;
        detail::call<capi::GetDimensionsCount>(m_info, &count);
        std::vector<int64_t> shape(count);
        detail::call<capi::GetDimensions>(m_info, shape.data(), count);
        return shape;
    }
    ONNXTensorElementDataType GetElementType() const
    {
        ONNXTensorElementDataType type = ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED;
        detail::call<capi::GetTensorElementType>(m_info, &type);
        return type;
    }
    // The name of each dimension, empty where the model gives none.
    std::vector<std::string> GetSymbolicDimensions() const
    {
        size_t count = 0;
        detail::call<capi::GetDimensionsCount>(m_info, &count);
        std::vector<const char*> names(count, nullptr);
        detail::call<capi::GetSymbolicDimensions>(m_info, names.data(), count);
        std::vector<std::string> copies;
        copies.reserve(count);
        for (const char* name : names)
            copies.emplace_back(name ? name : "");
        return copies;
    }

private:
    const OrtTensorTypeAndShapeInfo* m_info;
};

class TensorTypeAndShapeInfo
    : public detail::Base<OrtTensorTypeAndShapeInfo, capi::ReleaseTensorTypeAndShapeInfo> {
public:
    explicit TensorTypeAndShapeInfo(OrtTensorTypeAndShapeInfo* info) : Base(info) {}
    std::vector<int64_t> GetShape() const { return ConstTensorTypeAndShapeInfo(m_p.get()).GetShape(); }
    ONNXTensorElementDataType GetElementType() const
    {
        return ConstTensorTypeAndShapeInfo(m_p.get()).GetElementType();
    }
};

class TypeInfo : public detail::Base<OrtTypeInfo, capi::ReleaseTypeInfo> {
public:
    explicit TypeInfo(OrtTypeInfo* info) : Base(info) {}
    ONNXType GetONNXType() const
    {
        ONNXType type = ONNX_TYPE_UNKNOWN;
        detail::call<capi::GetOnnxTypeFromTypeInfo>(m_p.get(), &type);
        return type;
    }
    ConstTensorTypeAndShapeInfo GetTensorTypeAndShapeInfo() const
    {
        const OrtTensorTypeAndShapeInfo* info = nullptr;
        detail::call<capi::CastTypeInfoToTensorInfo>(m_p.get(), &info);
        if (info == nullptr)
            throw Exception("the value is not a tensor", ORT_INVALID_ARGUMENT);
        return ConstTensorTypeAndShapeInfo(info);
    }
    // The type of a sequence's elements.
    TypeInfo GetSequenceElementType() const
    {
        const OrtSequenceTypeInfo* sequence = nullptr;
        detail::call<capi::CastTypeInfoToSequenceTypeInfo>(m_p.get(), &sequence);
        if (sequence == nullptr)
            throw Exception("the value is not a sequence", ORT_INVALID_ARGUMENT);
        OrtTypeInfo* element = nullptr;
        detail::call<capi::GetSequenceElementType>(sequence, &element);
        return TypeInfo(element);
    }
    ONNXTensorElementDataType GetMapKeyType() const
    {
        ONNXTensorElementDataType key = ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED;
        detail::call<capi::GetMapKeyType>(mapInfo(), &key);
        return key;
    }
    TypeInfo GetMapValueType() const
    {
        OrtTypeInfo* value = nullptr;
        detail::call<capi::GetMapValueType>(mapInfo(), &value);
        return TypeInfo(value);
    }
    // The type an optional value holds when it holds one.
    TypeInfo GetOptionalContainedType() const
    {
        const OrtOptionalTypeInfo* optional = nullptr;
        detail::call<capi::CastTypeInfoToOptionalTypeInfo>(m_p.get(), &optional);
        if (optional == nullptr)
            throw Exception("the value is not optional", ORT_INVALID_ARGUMENT);
        OrtTypeInfo* contained = nullptr;
        detail::call<capi::GetOptionalContainedTypeInfo>(optional, &contained);
        return TypeInfo(contained);
    }

private:
    const OrtMapTypeInfo* mapInfo() const
    {
        const OrtMapTypeInfo* map = nullptr;
        detail::call<capi::CastTypeInfoToMapTypeInfo>(m_p.get(), &map);
        if (map == nullptr)
            throw Exception("the value is not a map", ORT_INVALID_ARGUMENT);
        return map;
    }
};

}  // namespace Ort
