#pragma once
// Memory for the tensors a model allocates itself, and tensors made over
// memory that something else keeps: the model's own blocks, the caller's
// buffers, and values the runtime allocated in a run. A tensor made over
// memory never frees it; the handle that keeps the memory goes with it.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "types/Ort.hpp"
#include "types/Storage.hpp"

namespace Quor::Onnx {

// A tensor and what keeps its memory: `keep` is null where the tensor owns
// its memory itself (strings, and values that are not tensors).
struct HeldTensor {
    Ort::Value tensor;
    std::shared_ptr<void> keep;
};

// Zero-filled memory aligned as the runtime aligns its own blocks. Large
// blocks get pages of their own, which read as zeros without being written.
inline std::shared_ptr<void> zeroedBlock(size_t bytes)
{
    constexpr size_t alignment = 64;
    // Should the handle not be made, its deleter frees the block.
    if (bytes >= detail::mappedStorageBytes)
        return detail::makeMappedStorage<std::byte>(bytes);
    const size_t padded = (bytes + alignment) & ~(alignment - 1);  // never empty, so never null
    void* block = std::aligned_alloc(alignment, padded);
    if (block == nullptr)
        throw std::bad_alloc();
    std::memset(block, 0, padded);
    return std::shared_ptr<void>(block, &std::free);
}

// A tensor over `keep`'s memory at `data`.
inline HeldTensor tensorOver(const OrtMemoryInfo* info, std::shared_ptr<void> keep, void* data, size_t bytes,
                             ONNXTensorElementDataType type, std::span<const int64_t> shape)
{
    Ort::Value tensor = Ort::Value::CreateTensor(info, data, bytes, shape.data(), shape.size(), type);
    return {std::move(tensor), std::move(keep)};
}

// A value the runtime allocated, as a tensor over memory that the value
// itself keeps, so that whatever holds the memory holds the value. Strings
// and values that are not tensors stay as they are.
inline HeldTensor adoptValue(const OrtMemoryInfo* info, Ort::Value value)
{
    if (!value.IsTensor())
        return {std::move(value), nullptr};
    const Ort::TensorTypeAndShapeInfo shapeInfo = value.GetTensorTypeAndShapeInfo();
    const ONNXTensorElementDataType type = shapeInfo.GetElementType();
    const std::vector<int64_t> shape = shapeInfo.GetShape();
    if (plainElementSize(type) == 0)
        return {std::move(value), nullptr};
    const size_t bytes = plainBytes(type, shape);
    void* data = value.GetTensorMutableData<void>();
    // Should the handle not be made, its deleter releases the value.
    OrtValue* const owner = value.release();
    std::shared_ptr<void> keep(data, [owner](void*) { capi::ReleaseValue::get()(owner); });
    return tensorOver(info, std::move(keep), data, bytes, type, shape);
}

}  // namespace Quor::Onnx
