#pragma once
// One run of a session over values given for this call alone: the inputs
// by name (any the model accepts, in any order), the outputs by name, each
// written into the value given for it or else allocated by the runtime and
// handed to the caller. Nothing else changes, so runs of one session may go
// on in several threads at once.
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "types/Ort.hpp"

namespace Quor::Onnx {

// `given[k]`, where not null, is the caller's value for output k, which the
// runtime writes into; the value returned for it is empty.
inline std::vector<Ort::Value> runOnce(const Ort::Session& session, const Ort::RunOptions& runOptions,
                                       std::span<const char* const> inputNames,
                                       std::span<const OrtValue* const> inputValues,
                                       std::span<const char* const> outputNames,
                                       std::span<OrtValue* const> given = {})
{
    // Everything that may fail to allocate is made before the run, so that
    // every value the run hands over finds its owner.
    std::vector<OrtValue*> outputs(outputNames.size(), nullptr);
    std::vector<Ort::Value> values(outputNames.size());
    for (size_t k = 0; k < given.size() && k < outputs.size(); ++k)
        outputs[k] = given[k];
    const auto supplied = [&](size_t k) { return k < given.size() && given[k] != nullptr ? nullptr : outputs[k]; };
    try {
        session.Run(runOptions, inputNames.data(), inputValues.data(), inputValues.size(), outputNames.data(),
                    outputs.data(), outputs.size());
    } catch (...) {
        // Nothing a failed run may have left is kept.
        for (size_t k = 0; k < outputs.size(); ++k)
            const Ort::Value dropped(supplied(k));
        throw;
    }
    for (size_t k = 0; k < outputs.size(); ++k)
        values[k] = Ort::Value(supplied(k));
    return values;
}

}  // namespace Quor::Onnx
