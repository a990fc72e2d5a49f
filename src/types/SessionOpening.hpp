#pragma once
// The session of a model opened with options (ModelOptions.hpp), from a file
// or from the bytes of one: the runtime's options as the model's options ask
// for them, and the runtime's failures with the model named in front. A file
// of IR version 10, which this runtime refuses, is handed over again as
// version 9 where it means the same read as that (ModelFile.hpp).
#include <cctype>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "types/ModelFile.hpp"
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
        // named dimensions have sizes: each run plans its memory anew. Its
        // values then come one by one, which the runtime's arena serves
        // under one lock for all threads running the model, and the C
        // library's allocator does not.
        sessionOptions.DisableMemPattern();
        sessionOptions.DisableCpuMemArena();
    }
    return sessionOptions;
}

// The runtime's failure, with the model named in front and a hint where the
// file is newer than the runtime.
inline std::string trimmedMessage(const Ort::Exception& error)
{
    std::string message = error.what();
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
        message.pop_back();
    return message;
}

inline Ort::Exception openingFailure(const ModelSource& source, const Ort::Exception& error)
{
    return Ort::Exception(source.label() + ": " + trimmedMessage(error), error.GetOrtErrorCode());
}

inline Ort::Session createSession(const Ort::Env& environment, const ModelSource& source,
                                  const Ort::SessionOptions& options)
{
    if (source.inMemory)
        return Ort::Session(environment, source.content, options);
    return Ort::Session(environment, source.path.c_str(), options);
}

inline constexpr uint64_t highestIrVersion = 9;

// The bytes of a file of IR version 10 that uses nothing IR 9 lacks, with
// the version set to 9; a failure that says why they cannot be.
inline std::vector<std::byte> irNineBytes(const ModelSource& source, const Ort::Exception& refusal)
{
    const std::vector<std::byte> read = source.inMemory ? std::vector<std::byte>() : readModelFile(source.path);
    const std::span<const std::byte> bytes = source.inMemory ? source.content : std::span<const std::byte>(read);
    const std::string reads = "; this runtime reads files of IR version 9 and older";
    ModelFileFacts facts;
    try {
        facts = inspectModelFile(bytes);
    } catch (const std::invalid_argument& error) {
        throw std::runtime_error(source.label() + ": " + error.what());
    }
    if (facts.irVersion != highestIrVersion + 1)
        throw Ort::Exception(trimmedMessage(refusal) + reads, refusal.GetOrtErrorCode());
    if (!facts.beyondIr9.empty()) {
        std::string uses;
        for (const std::string& thing : facts.beyondIr9)
            uses += (uses.empty() ? "" : ", ") + thing;
        throw std::runtime_error(source.label() + ": the file has IR version 10 and uses " + uses
                                 + ", which IR version 9 cannot express" + reads);
    }
    if (facts.externalData && !source.inMemory)
        throw std::runtime_error(source.label() + ": the file has IR version 10, which this runtime reads only from "
                                 "memory, and keeps tensor data in files beside it, which the runtime cannot find "
                                 "from memory" + reads + " (save the model with ir_version 9)");
    return withIrVersion(bytes, highestIrVersion);
}

// A session of the model `source` names. `asVersion9` holds the model's
// bytes rewritten to IR version 9 once a session needed them, so that the
// model's later sessions start from them.
inline Ort::Session openModelSession(const Ort::Env& environment, const ModelSource& source,
                                     const ModelOptions& options, bool withDims, std::vector<std::byte>& asVersion9)
{
    const Ort::SessionOptions runtimeOptions = sessionOptions(options, withDims);
    const auto fromVersion9 = [&] { return createSession(environment, {source.path, asVersion9, true}, runtimeOptions); };
    try {
        if (!asVersion9.empty())
            return fromVersion9();
        try {
            return createSession(environment, source, runtimeOptions);
        } catch (const Ort::Exception& error) {
            if (std::string_view(error.what()).find("Unsupported model IR version") == std::string_view::npos)
                throw;
            asVersion9 = irNineBytes(source, error);
            return fromVersion9();
        }
    } catch (const Ort::Exception& error) {
        throw openingFailure(source, error);
    }
}

}  // namespace Quor::Onnx
