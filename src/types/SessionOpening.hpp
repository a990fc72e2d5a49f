#pragma once
// The session of a model opened with options (ModelOptions.hpp), from a file
// or from the bytes of one: the runtime's options as the model's options ask
// for them, and the runtime's failures with the model named in front.
#include <cctype>
#include <string>
#include <utility>

#include "types/ModelOptions.hpp"
#include "types/Ort.hpp"

namespace Quor::Onnx {

// With `withDims` false, the session only tells what the file declares:
// without the sizes of named dimensions and without graph optimisation.
inline Ort::SessionOptions sessionOptions(const ModelOptions& options, bool withDims)
{
    Ort::SessionOptions sessionOptions;
    sessionOptions.SetGraphOptimizationLevel(withDims ? options.optimization : ORT_DISABLE_ALL);
    if (!options.trace)
        sessionOptions.SetLogSeverityLevel(ORT_LOGGING_LEVEL_FATAL);
    if (options.threads)
        sessionOptions.SetIntraOpNumThreads(static_cast<int>(options.threads));
    // Without graph optimisation the runtime does not apply the sizes of
    // named dimensions; the model gives them to its inputs itself.
    if (withDims && !options.dims.empty() && options.optimization != ORT_DISABLE_ALL) {
        for (const auto& [name, size] : options.dims)
            sessionOptions.AddFreeDimensionOverrideByName(name.c_str(), size);
        // The runtime's reuse of one run's memory plan in the next
        // miscomputes some graphs (an If over recurrent subgraphs) once
        // named dimensions have sizes: each run plans its memory anew.
        sessionOptions.DisableMemPattern();
    }
    return sessionOptions;
}

// The runtime's failure, with the model named in front and a hint where the
// file is newer than the runtime.
inline Ort::Exception openingFailure(const ModelSource& source, const Ort::Exception& error)
{
    std::string message = source.label() + ": " + error.what();
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
        message.pop_back();
    return Ort::Exception(message, error.GetOrtErrorCode());
}

inline Ort::Session createSession(const Ort::Env& environment, const ModelSource& source,
                                  const Ort::SessionOptions& options)
{
    if (source.inMemory)
        return Ort::Session(environment, source.content, options);
    return Ort::Session(environment, source.path.c_str(), options);
}

inline Ort::Session openModelSession(const Ort::Env& environment, const ModelSource& source, const ModelOptions& options,
                                bool withDims)
{
    const Ort::SessionOptions runtimeOptions = sessionOptions(options, withDims);
    try {
        return createSession(environment, source, runtimeOptions);
    } catch (const Ort::Exception& error) {
        throw openingFailure(source, error);
    }
}

}  // namespace Quor::Onnx
