#pragma once
// What a model file says of itself: producer, graph, domain, description,
// version and the custom key-value pairs of its metadata.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "types/OrtBase.hpp"

namespace Ort {

class ModelMetadata : public detail::Base<OrtModelMetadata, capi::ReleaseModelMetadata> {
public:
    explicit ModelMetadata(OrtModelMetadata* metadata) : Base(metadata) {}

    std::string GetProducerName(OrtAllocator* allocator) const
    {
        return text<capi::ModelMetadataGetProducerName>(allocator);
    }
    std::string GetGraphName(OrtAllocator* allocator) const { return text<capi::ModelMetadataGetGraphName>(allocator); }
    std::string GetGraphDescription(OrtAllocator* allocator) const
    {
        return text<capi::ModelMetadataGetGraphDescription>(allocator);
    }
    std::string GetDomain(OrtAllocator* allocator) const { return text<capi::ModelMetadataGetDomain>(allocator); }
    std::string GetDescription(OrtAllocator* allocator) const
    {
        return text<capi::ModelMetadataGetDescription>(allocator);
    }
    int64_t GetVersion() const
    {
        int64_t version = 0;
        detail::call<capi::ModelMetadataGetVersion>(m_p.get(), &version);
        return version;
    }

    // The custom pairs, in the runtime's order.
    std::vector<std::pair<std::string, std::string>> GetCustomMetadata(OrtAllocator* allocator) const
    {
        char** keys = nullptr;
        int64_t count = 0;
        detail::call<capi::ModelMetadataGetCustomMetadataMapKeys>(m_p.get(), allocator, &keys, &count);
        // Every key, then the array, goes back to the allocator whatever happens.
        std::vector<AllocatedStringPtr> owned;
        owned.reserve(static_cast<size_t>(count));
        const std::unique_ptr<char*, AllocatedFree> array(keys, AllocatedFree{allocator});
        for (int64_t i = 0; i < count; ++i)
            owned.emplace_back(keys[i], AllocatedFree{allocator});
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const AllocatedStringPtr& key : owned) {
            char* value = nullptr;
            detail::call<capi::ModelMetadataLookupCustomMetadataMap>(m_p.get(), allocator, key.get(), &value);
            const AllocatedStringPtr held(value, AllocatedFree{allocator});
            pairs.emplace_back(key.get(), value ? value : "");
        }
        return pairs;
    }

private:
    template <typename Entry>
    std::string text(OrtAllocator* allocator) const
    {
        char* value = nullptr;
        detail::call<Entry>(m_p.get(), allocator, &value);
        const AllocatedStringPtr held(value, AllocatedFree{allocator});
        return value ? value : "";
    }
};

}  // namespace Ort
