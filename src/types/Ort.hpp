#pragma once
// Owning wrappers around the runtime's C objects: each releases its object
// through the runtime when it goes, and every failing call throws
// Ort::Exception with the runtime's message and error code. The environment,
// session options, run options, memory descriptions, sessions and
// allocators are here; values, type descriptions and model metadata have
// headers of their own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "types/OrtBase.hpp"
#include "types/OrtMetadata.hpp"
#include "types/OrtTypeInfo.hpp"
#include "types/OrtValue.hpp"

namespace Ort {

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
    // No memory plan reused from one run to the next.
    SessionOptions& DisableMemPattern()
    {
        detail::call<capi::DisableMemPattern>(m_p.get());
        return *this;
    }
    // Memory for the session's values from the C library's allocator rather
    // than the runtime's arena.
    SessionOptions& DisableCpuMemArena()
    {
        detail::call<capi::DisableCpuMemArena>(m_p.get());
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
    // A session for the model file whose bytes are `model`.
    Session(const Env& env, std::span<const std::byte> model, const SessionOptions& options)
    {
        OrtSession* session = nullptr;
        detail::call<capi::CreateSessionFromArray>(static_cast<OrtEnv*>(env), model.data(), model.size(),
                                                   static_cast<OrtSessionOptions*>(options), &session);
        m_p.reset(session);
    }

    ModelMetadata GetModelMetadata() const
    {
        OrtModelMetadata* metadata = nullptr;
        detail::call<capi::SessionGetModelMetadata>(m_p.get(), &metadata);
        return ModelMetadata(metadata);
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
             size_t inputCount, const char* const* outputNames, OrtValue** outputValues, size_t outputCount) const
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

// The runtime's own allocator of plain CPU memory, which lives as long as
// the process: values made from it outlive every session.
inline OrtAllocator* DefaultAllocator()
{
    OrtAllocator* allocator = nullptr;
    detail::call<capi::GetAllocatorWithDefaultOptions>(&allocator);
    return allocator;
}

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
