#pragma once
// One run of a session over values given for this call alone: the inputs
// by name (any the model accepts, in any order), the outputs by name, each
// output allocated by the runtime and handed to the caller. Nothing else
// changes, so runs of one session may go on in several threads at once.
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "types/Ort.hpp"

namespace Quor::Onnx {

inline std::vector<Ort::Value> runOnce(const Ort::Session& session, const Ort::RunOptions& runOptions,
                                       std::span<const char* const> inputNames,
                                       std::span<const OrtValue* const> inputValues,
                                       std::span<const char* const> outputNames)
{
    // Everything that may fail to allocate is made before the run, so that
    // every value the run hands over finds its owner.
    std::vector<OrtValue*> outputs(outputNames.size(), nullptr);
    std::vector<Ort::Value> values(outputNames.size());
    try {
        session.Run(runOptions, inputNames.data(), inputValues.data(), inputValues.size(), outputNames.data(),
                    outputs.data(), outputs.size());
    } catch (...) {
        // Nothing a failed run may have left is kept.
        for (OrtValue* value : outputs)
            const Ort::Value dropped(value);
        throw;
    }
    for (size_t i = 0; i < outputs.size(); ++i)
        values[i] = Ort::Value(outputs[i]);
    return values;
}

}  // namespace Quor::Onnx
