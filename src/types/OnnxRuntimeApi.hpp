#pragma once
// The runtime's API table, fetched once when the library is loaded.
#include <cstdint>

#if __has_include(<onnxruntime_c_api.h>)
#include <onnxruntime_c_api.h>
#else
// Only the entry point is needed to fetch the table; it is the one symbol
// the runtime library exports for this purpose.
extern "C" {
struct OrtApi;
struct OrtApiBase {
    const OrtApi* (*GetApi)(uint32_t version) noexcept;
    const char* (*GetVersionString)() noexcept;
};
const OrtApiBase* OrtGetApiBase() noexcept;
}
#endif

namespace Quor::Onnx {

inline constexpr uint32_t apiVersion = 17;

// Null when the loaded runtime does not serve API version 17.
inline const OrtApi* const runtimeApi = OrtGetApiBase()->GetApi(apiVersion);

inline const char* runtimeVersion() { return OrtGetApiBase()->GetVersionString(); }

}  // namespace Quor::Onnx
