#pragma once
// The part of the ONNX Runtime C interface (API version 17) that the model
// wrapper uses. The runtime hands out its functions as one table of function
// pointers; each entry below is declared with the table position it has in
// every 1.17 release, and the table itself is fetched once, when this library
// is loaded.
#include <cstddef>
#include <cstdint>

extern "C" {

struct OrtEnv;
struct OrtStatus;
struct OrtSession;
struct OrtSessionOptions;
struct OrtRunOptions;
struct OrtMemoryInfo;
struct OrtValue;
struct OrtTypeInfo;
struct OrtTensorTypeAndShapeInfo;
struct OrtAllocator;
struct OrtMapTypeInfo;
struct OrtSequenceTypeInfo;
struct OrtOptionalTypeInfo;
struct OrtModelMetadata;
struct OrtApi;

enum OrtLoggingLevel {
    ORT_LOGGING_LEVEL_VERBOSE = 0,
    ORT_LOGGING_LEVEL_INFO = 1,
    ORT_LOGGING_LEVEL_WARNING = 2,
    ORT_LOGGING_LEVEL_ERROR = 3,
    ORT_LOGGING_LEVEL_FATAL = 4,
};

enum OrtErrorCode {
    ORT_OK = 0,
    ORT_FAIL = 1,
    ORT_INVALID_ARGUMENT = 2,
    ORT_NO_SUCHFILE = 3,
    ORT_NO_MODEL = 4,
    ORT_ENGINE_ERROR = 5,
    ORT_RUNTIME_EXCEPTION = 6,
    ORT_INVALID_PROTOBUF = 7,
    ORT_MODEL_LOADED = 8,
    ORT_NOT_IMPLEMENTED = 9,
    ORT_INVALID_GRAPH = 10,
    ORT_EP_FAIL = 11,
};

enum GraphOptimizationLevel {
    ORT_DISABLE_ALL = 0,
    ORT_ENABLE_BASIC = 1,
    ORT_ENABLE_EXTENDED = 2,
    ORT_ENABLE_ALL = 99,
};

enum OrtAllocatorType {
    OrtInvalidAllocator = -1,
    OrtDeviceAllocator = 0,
    OrtArenaAllocator = 1,
};

enum ONNXType {
    ONNX_TYPE_UNKNOWN = 0,
    ONNX_TYPE_TENSOR = 1,
    ONNX_TYPE_SEQUENCE = 2,
    ONNX_TYPE_MAP = 3,
    ONNX_TYPE_OPAQUE = 4,
    ONNX_TYPE_SPARSETENSOR = 5,
    ONNX_TYPE_OPTIONAL = 6,
};

enum OrtMemType {
    OrtMemTypeCPUInput = -2,
    OrtMemTypeCPUOutput = -1,
    OrtMemTypeDefault = 0,
};

enum ONNXTensorElementDataType {
    ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED = 0,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT = 1,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT8 = 2,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_INT8 = 3,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT16 = 4,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_INT16 = 5,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_INT32 = 6,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_INT64 = 7,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING = 8,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_BOOL = 9,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16 = 10,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_DOUBLE = 11,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT32 = 12,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT64 = 13,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX64 = 14,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX128 = 15,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16 = 16,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FN = 17,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FNUZ = 18,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E5M2 = 19,
    ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E5M2FNUZ = 20,
};

struct OrtApiBase {
    const OrtApi* (*GetApi)(uint32_t version) noexcept;
    const char* (*GetVersionString)() noexcept;
};

const OrtApiBase* OrtGetApiBase() noexcept;

}  // extern "C"

namespace Quor::Onnx {

inline constexpr uint32_t apiVersion = 17;

// The runtime's table, or null when the loaded library does not serve
// version 17.
inline const OrtApi* const runtimeApi = OrtGetApiBase()->GetApi(apiVersion);

inline const char* runtimeVersion() { return OrtGetApiBase()->GetVersionString(); }

namespace capi {

using Status = OrtStatus*;

// One entry of the runtime's table: its position and its C signature.
template <size_t Position, typename Signature>
struct Entry {
    static constexpr size_t position = Position;
    static Signature get()
    {
        using Slot = void (*)();
        const Slot* table = reinterpret_cast<const Slot*>(runtimeApi);
        return reinterpret_cast<Signature>(table[Position]);
    }
};

// clang-format off
using GetErrorCode = Entry<1, OrtErrorCode (*)(const OrtStatus*)>;
using GetErrorMessage = Entry<2, const char* (*)(const OrtStatus*)>;
using CreateEnv = Entry<3, Status (*)(OrtLoggingLevel, const char*, OrtEnv**)>;
using CreateSession = Entry<7, Status (*)(const OrtEnv*, const char*, const OrtSessionOptions*, OrtSession**)>;
using CreateSessionFromArray = Entry<8, Status (*)(const OrtEnv*, const void*, size_t, const OrtSessionOptions*,
                                                   OrtSession**)>;
using Run = Entry<9, Status (*)(OrtSession*, const OrtRunOptions*, const char* const*, const OrtValue* const*, size_t,
                                const char* const*, size_t, OrtValue**)>;
using CreateSessionOptions = Entry<10, Status (*)(OrtSessionOptions**)>;
using DisableMemPattern = Entry<17, Status (*)(OrtSessionOptions*)>;
using DisableCpuMemArena = Entry<19, Status (*)(OrtSessionOptions*)>;
using SetSessionLogSeverityLevel = Entry<22, Status (*)(OrtSessionOptions*, int)>;
using SetSessionGraphOptimizationLevel = Entry<23, Status (*)(OrtSessionOptions*, GraphOptimizationLevel)>;
using SetIntraOpNumThreads = Entry<24, Status (*)(OrtSessionOptions*, int)>;
using SessionGetInputCount = Entry<30, Status (*)(const OrtSession*, size_t*)>;
using SessionGetOutputCount = Entry<31, Status (*)(const OrtSession*, size_t*)>;
using SessionGetInputTypeInfo = Entry<33, Status (*)(const OrtSession*, size_t, OrtTypeInfo**)>;
using SessionGetOutputTypeInfo = Entry<34, Status (*)(const OrtSession*, size_t, OrtTypeInfo**)>;
using SessionGetInputName = Entry<36, Status (*)(const OrtSession*, size_t, OrtAllocator*, char**)>;
using SessionGetOutputName = Entry<37, Status (*)(const OrtSession*, size_t, OrtAllocator*, char**)>;
using CreateRunOptions = Entry<39, Status (*)(OrtRunOptions**)>;
using RunOptionsSetRunLogVerbosityLevel = Entry<40, Status (*)(OrtRunOptions*, int)>;
using RunOptionsSetRunLogSeverityLevel = Entry<41, Status (*)(OrtRunOptions*, int)>;
using CreateTensorAsOrtValue = Entry<48, Status (*)(OrtAllocator*, const int64_t*, size_t, ONNXTensorElementDataType,
                                                   OrtValue**)>;
using CreateTensorWithDataAsOrtValue = Entry<49, Status (*)(const OrtMemoryInfo*, void*, size_t, const int64_t*, size_t,
                                                           ONNXTensorElementDataType, OrtValue**)>;
using IsTensor = Entry<50, Status (*)(const OrtValue*, int*)>;
using GetTensorMutableData = Entry<51, Status (*)(OrtValue*, void**)>;
using GetStringTensorDataLength = Entry<53, Status (*)(const OrtValue*, size_t*)>;
using GetStringTensorContent = Entry<54, Status (*)(const OrtValue*, void*, size_t, size_t*, size_t)>;
using CastTypeInfoToTensorInfo = Entry<55, Status (*)(const OrtTypeInfo*, const OrtTensorTypeAndShapeInfo**)>;
using GetOnnxTypeFromTypeInfo = Entry<56, Status (*)(const OrtTypeInfo*, ONNXType*)>;
using GetTensorElementType = Entry<60, Status (*)(const OrtTensorTypeAndShapeInfo*, ONNXTensorElementDataType*)>;
using GetDimensionsCount = Entry<61, Status (*)(const OrtTensorTypeAndShapeInfo*, size_t*)>;
using GetDimensions = Entry<62, Status (*)(const OrtTensorTypeAndShapeInfo*, int64_t*, size_t)>;
using GetSymbolicDimensions = Entry<63, Status (*)(const OrtTensorTypeAndShapeInfo*, const char**, size_t)>;
using GetTensorTypeAndShape = Entry<65, Status (*)(const OrtValue*, OrtTensorTypeAndShapeInfo**)>;
using GetValueType = Entry<67, Status (*)(const OrtValue*, ONNXType*)>;
using CreateCpuMemoryInfo = Entry<69, Status (*)(OrtAllocatorType, OrtMemType, OrtMemoryInfo**)>;
using AllocatorFree = Entry<76, Status (*)(OrtAllocator*, void*)>;
using GetAllocatorWithDefaultOptions = Entry<78, Status (*)(OrtAllocator**)>;
using GetValue = Entry<80, Status (*)(const OrtValue*, int, OrtAllocator*, OrtValue**)>;
using GetValueCount = Entry<81, Status (*)(const OrtValue*, size_t*)>;
using CreateValue = Entry<82, Status (*)(const OrtValue* const*, size_t, ONNXType, OrtValue**)>;
using ReleaseEnv = Entry<92, void (*)(OrtEnv*)>;
using ReleaseStatus = Entry<93, void (*)(OrtStatus*)>;
using ReleaseMemoryInfo = Entry<94, void (*)(OrtMemoryInfo*)>;
using ReleaseSession = Entry<95, void (*)(OrtSession*)>;
using ReleaseValue = Entry<96, void (*)(OrtValue*)>;
using ReleaseRunOptions = Entry<97, void (*)(OrtRunOptions*)>;
using ReleaseTypeInfo = Entry<98, void (*)(OrtTypeInfo*)>;
using ReleaseTensorTypeAndShapeInfo = Entry<99, void (*)(OrtTensorTypeAndShapeInfo*)>;
using ReleaseSessionOptions = Entry<100, void (*)(OrtSessionOptions*)>;
using CastTypeInfoToMapTypeInfo = Entry<103, Status (*)(const OrtTypeInfo*, const OrtMapTypeInfo**)>;
using CastTypeInfoToSequenceTypeInfo = Entry<104, Status (*)(const OrtTypeInfo*, const OrtSequenceTypeInfo**)>;
using GetMapKeyType = Entry<105, Status (*)(const OrtMapTypeInfo*, ONNXTensorElementDataType*)>;
using GetMapValueType = Entry<106, Status (*)(const OrtMapTypeInfo*, OrtTypeInfo**)>;
using GetSequenceElementType = Entry<107, Status (*)(const OrtSequenceTypeInfo*, OrtTypeInfo**)>;
using SessionGetModelMetadata = Entry<111, Status (*)(const OrtSession*, OrtModelMetadata**)>;
using ModelMetadataGetProducerName = Entry<112, Status (*)(const OrtModelMetadata*, OrtAllocator*, char**)>;
using ModelMetadataGetGraphName = Entry<113, Status (*)(const OrtModelMetadata*, OrtAllocator*, char**)>;
using ModelMetadataGetDomain = Entry<114, Status (*)(const OrtModelMetadata*, OrtAllocator*, char**)>;
using ModelMetadataGetDescription = Entry<115, Status (*)(const OrtModelMetadata*, OrtAllocator*, char**)>;
using ModelMetadataLookupCustomMetadataMap = Entry<116, Status (*)(const OrtModelMetadata*, OrtAllocator*, const char*,
                                                                 char**)>;
using ModelMetadataGetVersion = Entry<117, Status (*)(const OrtModelMetadata*, int64_t*)>;
using ReleaseModelMetadata = Entry<118, void (*)(OrtModelMetadata*)>;
using ModelMetadataGetCustomMetadataMapKeys = Entry<123, Status (*)(const OrtModelMetadata*, OrtAllocator*, char***,
                                                                  int64_t*)>;
using AddFreeDimensionOverrideByName = Entry<124, Status (*)(OrtSessionOptions*, const char*, int64_t)>;
using CreateAllocator = Entry<131, Status (*)(const OrtSession*, const OrtMemoryInfo*, OrtAllocator**)>;
using ReleaseAllocator = Entry<132, void (*)(OrtAllocator*)>;
using TensorAt = Entry<143, Status (*)(OrtValue*, const int64_t*, size_t, void**)>;
using ModelMetadataGetGraphDescription = Entry<158, Status (*)(const OrtModelMetadata*, OrtAllocator*, char**)>;
using HasValue = Entry<192, Status (*)(const OrtValue*, int*)>;
using CastTypeInfoToOptionalTypeInfo = Entry<250, Status (*)(const OrtTypeInfo*, const OrtOptionalTypeInfo**)>;
using GetOptionalContainedTypeInfo = Entry<251, Status (*)(const OrtOptionalTypeInfo*, OrtTypeInfo**)>;
using GetResizedStringTensorElementBuffer = Entry<252, Status (*)(OrtValue*, size_t, size_t, char**)>;
// clang-format on

}  // namespace capi
}  // namespace Quor::Onnx
