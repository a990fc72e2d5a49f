#pragma once
// What every wrapper of the runtime's C objects shares: the exception that
// carries the runtime's message and error code, the call of one entry of the
// runtime's table, the owner of one object, and strings the runtime
// allocated.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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

// A string (or array) the runtime allocated; handed back to the same allocator.
struct AllocatedFree {
    OrtAllocator* allocator;
    void operator()(void* p) const
    {
        if (p)
            capi::AllocatorFree::get()(allocator, p);
    }
};
using AllocatedStringPtr = std::unique_ptr<char, AllocatedFree>;

}  // namespace Ort
