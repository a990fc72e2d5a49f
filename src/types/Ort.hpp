#pragma once
// Owning wrappers around the runtime's C objects: each releases its object
// through the runtime when it goes, and every failing call throws
// Ort::Exception with the runtime's message and error code.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "types/OrtApi.hpp"
#include "types/Utf8.hpp"

namespace Ort {

class Exception : public std::exception {
public:
    Exception(std::string_view message, OrtErrorCode code)
        : m_message(Quor::detail::escapeInvalidUtf8(message)), m_code(code)
    {
    }
    const char* what() const noexcept override { return m_message.c_str(); }
    OrtErrorCode GetOrtErrorCode() const { return m_code; }

private:
    std::string m_message;
    OrtErrorCode m_code;
};

namespace detail {
namespace capi = Quor::Onnx::capi;

// Calls one entry of the runtime's table; a returned status is an error.
template <typename Entry, typename... Args>
void call(Args... args)
{
    if (Quor::Onnx::runtimeApi == nullptr)
        throw Exception(std::string("the loaded ONNX Runtime (") + Quor::Onnx::runtimeVersion()
                            + ") does not provide API version "
                            + std::to_string(Quor::Onnx::apiVersion),
                        ORT_FAIL);
    if (OrtStatus* status = Entry::get()(args...)) {
        Exception error(capi::GetErrorMessage::get()(status), capi::GetErrorCode::get()(status));
        capi::ReleaseStatus::get()(status);
        throw error;
    }
}

template <typename T, typename ReleaseEntry>
struct Release {
    void operator()(T* p) const { ReleaseEntry::get()(p); }
};

// Move-only owner of one runtime object.
template <typename T, typename ReleaseEntry>
class Base {
public:
    Base() = default;
    explicit Base(T* p) : m_p(p) {}
    operator T*() const { return m_p.get(); }
    T* release() { return m_p.release(); }

protected:
    std::unique_ptr<T, Release<T, ReleaseEntry>> m_p;
};
}  // namespace detail

namespace capi = Quor::Onnx::capi;

class Env : public detail::Base<OrtEnv, capi::ReleaseEnv> {
public:
    Env(OrtLoggingLevel level, const char* logId)
    {
        OrtEnv* env = nullptr;
        detail::call<capi::CreateEnv>(level, logId, &env);
        m_p.reset(env);
    }
};

class SessionOptions : public detail::Base<OrtSessionOptions, capi::ReleaseSessionOptions> {
public:
    SessionOptions()
    {
        OrtSessionOptions* options = nullptr;
        detail::call<capi::CreateSessionOptions>(&options);
        m_p.reset(options);
    }
    SessionOptions& SetGraphOptimizationLevel(GraphOptimizationLevel level)
    {
        detail::call<capi::SetSessionGraphOptimizationLevel>(m_p.get(), level);
        return *this;
    }
    // The least severity (OrtLoggingLevel) of what the session logs.
    SessionOptions& SetLogSeverityLevel(int level)
    {
        detail::call<capi::SetSessionLogSeverityLevel>(m_p.get(), level);
        return *this;
    }
    SessionOptions& SetIntraOpNumThreads(int threads)
    {
        detail::call<capi::SetIntraOpNumThreads>(m_p.get(), threads);
        return *this;
    }
    // Every input dimension named `name` gets the size `value` before the
    // session plans its work.
    SessionOptions& AddFreeDimensionOverrideByName(const char* name, int64_t value)
    {
        detail::call<capi::AddFreeDimensionOverrideByName>(m_p.get(), name, value);
        return *this;
    }
};

class RunOptions : public detail::Base<OrtRunOptions, capi::ReleaseRunOptions> {
public:
    RunOptions()
    {
        OrtRunOptions* options = nullptr;
        detail::call<capi::CreateRunOptions>(&options);
        m_p.reset(options);
    }
    RunOptions& SetRunLogVerbosityLevel(int level)
    {
        detail::call<capi::RunOptionsSetRunLogVerbosityLevel>(m_p.get(), level);
        return *this;
    }
    RunOptions& SetRunLogSeverityLevel(int level)
    {
        detail::call<capi::RunOptionsSetRunLogSeverityLevel>(m_p.get(), level);
        return *this;
    }
};

class MemoryInfo : public detail::Base<OrtMemoryInfo, capi::ReleaseMemoryInfo> {
public:
    static MemoryInfo CreateCpu(OrtAllocatorType type, OrtMemType memType)
    {
        OrtMemoryInfo* info = nullptr;
        detail::call<capi::CreateCpuMemoryInfo>(type, memType, &info);
        return MemoryInfo(info);
    }

private:
    explicit MemoryInfo(OrtMemoryInfo* info) : Base(info) {}
};

// A string the runtime allocated; handed back to the same allocator.
struct AllocatedFree {
    OrtAllocator* allocator;
    void operator()(void* p) const
    {
        if (p)
            capi::AllocatorFree::get()(allocator, p);
    }
};
using AllocatedStringPtr = std::unique_ptr<char, AllocatedFree>;

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
};

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

    bool IsTensor() const
    {
        int tensor = 0;
        detail::call<capi::IsTensor>(m_p.get(), &tensor);
        return tensor != 0;
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

class Session : public detail::Base<OrtSession, capi::ReleaseSession> {
public:
    Session() = default;
    Session(const Env& env, const char* modelPath, const SessionOptions& options)
    {
        OrtSession* session = nullptr;
        detail::call<capi::CreateSession>(static_cast<OrtEnv*>(env), modelPath,
                                          static_cast<OrtSessionOptions*>(options), &session);
        m_p.reset(session);
    }

    size_t GetInputCount() const { return count<capi::SessionGetInputCount>(); }
    size_t GetOutputCount() const { return count<capi::SessionGetOutputCount>(); }

    AllocatedStringPtr GetInputNameAllocated(size_t index, OrtAllocator* allocator) const
    {
        return name<capi::SessionGetInputName>(index, allocator);
    }
    AllocatedStringPtr GetOutputNameAllocated(size_t index, OrtAllocator* allocator) const
    {
        return name<capi::SessionGetOutputName>(index, allocator);
    }

    TypeInfo GetInputTypeInfo(size_t index) const { return typeInfo<capi::SessionGetInputTypeInfo>(index); }
    TypeInfo GetOutputTypeInfo(size_t index) const { return typeInfo<capi::SessionGetOutputTypeInfo>(index); }

    // A null output value asks the runtime for a value of its own, which it
    // stores in that place; the caller releases it.
    void Run(const RunOptions& runOptions, const char* const* inputNames, const OrtValue* const* inputValues,
             size_t inputCount, const char* const* outputNames, OrtValue** outputValues, size_t outputCount)
    {
        detail::call<capi::Run>(m_p.get(), static_cast<OrtRunOptions*>(runOptions), inputNames, inputValues,
                                inputCount, outputNames, outputCount, outputValues);
    }

private:
    template <typename Entry>
    size_t count() const
    {
        size_t n = 0;
        detail::call<Entry>(m_p.get(), &n);
        return n;
    }
    template <typename Entry>
    AllocatedStringPtr name(size_t index, OrtAllocator* allocator) const
    {
        char* text = nullptr;
        detail::call<Entry>(m_p.get(), index, allocator, &text);
        return AllocatedStringPtr(text, AllocatedFree{allocator});
    }
    template <typename Entry>
    TypeInfo typeInfo(size_t index) const
    {
        OrtTypeInfo* info = nullptr;
        detail::call<Entry>(m_p.get(), index, &info);
        return TypeInfo(info);
    }
};

class Allocator : public detail::Base<OrtAllocator, capi::ReleaseAllocator> {
public:
    Allocator() = default;
    Allocator(const Session& session, const OrtMemoryInfo* memoryInfo)
    {
        OrtAllocator* allocator = nullptr;
        detail::call<capi::CreateAllocator>(static_cast<OrtSession*>(session), memoryInfo, &allocator);
        m_p.reset(allocator);
    }
};

}  // namespace Ort
