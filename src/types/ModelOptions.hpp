#pragma once
// Where a model comes from (a file, or the bytes of one in memory), and how
// it is opened: sizes for the dimensions the file leaves open, the
// session's optimisation level and threads, and whether loading prints its
// trace. A model opened with options is silent unless asked for the trace,
// the runtime's own log included.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "types/OrtApi.hpp"

namespace Quor::Onnx {

// An input or output by position or by name.
using TensorKey = std::variant<size_t, std::string>;
using InputKey = TensorKey;

// A model file by its path, or its bytes, which must stay valid while the
// model opens.
struct ModelSource {
    std::string path;
    std::span<const std::byte> content;
    bool inMemory = false;

    // How messages name the model.
    std::string label() const { return inMemory ? std::string("the model's bytes") : path; }
};

struct ModelOptions {
    // Sizes of named dimensions, applied by the runtime to every input
    // dimension of that name, so that it plans with them and derives the
    // shapes of the outputs that follow.
    std::vector<std::pair<std::string, int64_t>> dims;
    // Whole shapes of inputs, for unnamed dimensions or where a caller
    // prefers to give the whole shape.
    std::vector<std::pair<InputKey, std::vector<int64_t>>> shapes;
    GraphOptimizationLevel optimization = ORT_ENABLE_ALL;
    size_t threads = 0;  // intra-op threads; 0: the runtime's default
    bool trace = false;
};

// More threads than this are a mistake, not a setting.
inline constexpr size_t maxThreads = 1024;

}  // namespace Quor::Onnx
