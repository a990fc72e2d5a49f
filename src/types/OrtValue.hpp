#pragma once
// A value of the runtime: a tensor (over the runtime's memory or the
// caller's), a string tensor, a sequence of values, a map of keys to values,
// or an optional value that may hold none.
#include <cstddef>
#include <cstdint>
#include <span>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "types/OrtBase.hpp"
#include "types/OrtTypeInfo.hpp"

namespace Ort {

class Value : public detail::Base<OrtValue, capi::ReleaseValue> {
public:
    Value() = default;
    explicit Value(OrtValue* value) : Base(value) {}

    static Value CreateTensor(OrtAllocator* allocator, const int64_t* shape, size_t shapeLength,
                              ONNXTensorElementDataType type)
    {
        OrtValue* value = nullptr;
        detail::call<capi::CreateTensorAsOrtValue>(allocator, shape, shapeLength, type, &value);
        return Value(value);
    }

    // A tensor over `bytes` of memory at `data`, which stays the caller's.
    static Value CreateTensor(const OrtMemoryInfo* info, void* data, size_t bytes, const int64_t* shape,
                              size_t shapeLength, ONNXTensorElementDataType type)
    {
        OrtValue* value = nullptr;
        detail::call<capi::CreateTensorWithDataAsOrtValue>(info, data, bytes, shape, shapeLength, type, &value);
        return Value(value);
    }

    // A sequence of `values` (tensors of one type, or maps), or a map from
    // `values[0]`, a tensor of keys, to `values[1]`, one of values. The
    // runtime copies what it needs: the values stay the caller's.
    static Value CreateComposite(std::span<const OrtValue* const> values, ONNXType kind)
    {
        OrtValue* value = nullptr;
        detail::call<capi::CreateValue>(values.data(), values.size(), kind, &value);
        return Value(value);
    }

    bool IsTensor() const
    {
        int tensor = 0;
        detail::call<capi::IsTensor>(m_p.get(), &tensor);
        return tensor != 0;
    }

    ONNXType GetValueType() const
    {
        ONNXType kind = ONNX_TYPE_UNKNOWN;
        detail::call<capi::GetValueType>(m_p.get(), &kind);
        return kind;
    }

    // False for an optional value that holds none.
    bool HasValue() const
    {
        int has = 0;
        detail::call<capi::HasValue>(m_p.get(), &has);
        return has != 0;
    }

    // The elements of a sequence; for a map, 2 (its keys and its values).
    size_t GetCount() const
    {
        size_t count = 0;
        detail::call<capi::GetValueCount>(m_p.get(), &count);
        return count;
    }

    // Element `index` of a sequence, or of a map its keys (0) or values (1),
    // as a value of its own from `allocator`.
    Value GetElement(size_t index, OrtAllocator* allocator) const
    {
        OrtValue* element = nullptr;
        detail::call<capi::GetValue>(m_p.get(), static_cast<int>(index), allocator, &element);
        return Value(element);
    }

    TensorTypeAndShapeInfo GetTensorTypeAndShapeInfo() const
    {
        OrtTensorTypeAndShapeInfo* info = nullptr;
        detail::call<capi::GetTensorTypeAndShape>(m_p.get(), &info);
        return TensorTypeAndShapeInfo(info);
    }

    template <typename T>
    T* GetTensorMutableData()
    {
        void* data = nullptr;
        detail::call<capi::GetTensorMutableData>(m_p.get(), &data);
        return static_cast<T*>(data);
    }

    // Writes element `index` of a string tensor: `text`'s bytes, NULs and all.
    void SetString(size_t index, std::string_view text)
    {
        char* buffer = nullptr;
        detail::call<capi::GetResizedStringTensorElementBuffer>(m_p.get(), index, text.size(), &buffer);
        if (!text.empty())
            std::memcpy(buffer, text.data(), text.size());
    }

    // The strings of a string tensor of `count` elements: their bytes one
    // after the other, and where each begins.
    void GetStrings(size_t count, std::string& bytes, std::vector<size_t>& offsets) const
    {
        size_t length = 0;
        detail::call<capi::GetStringTensorDataLength>(m_p.get(), &length);
        bytes.resize(length);
        offsets.resize(count);
        detail::call<capi::GetStringTensorContent>(m_p.get(), bytes.data(), length, offsets.data(), count);
    }

    // The element at a position, one index per dimension, outermost first;
    // the runtime checks the position against the tensor's shape.
    template <typename T>
    T& At(const std::vector<int64_t>& location)
    {
        return At<T>(std::span<const int64_t>(location));
    }
    template <typename T>
    T& At(std::span<const int64_t> location)
    {
        void* element = nullptr;
        detail::call<capi::TensorAt>(m_p.get(), location.data(), location.size(), &element);
        return *static_cast<T*>(element);
    }
};

}  // namespace Ort
