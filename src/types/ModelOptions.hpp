#pragma once
// How a model is opened beyond its path: sizes for the dimensions the file
// leaves open, the session's optimisation level and threads, and whether
// loading prints its trace. A model opened with options is silent unless
// asked for the trace, the runtime's own log included.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "types/OrtApi.hpp"

namespace Quor::Onnx {

// An input by position or by name.
using InputKey = std::variant<size_t, std::string>;

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
