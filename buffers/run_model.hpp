#pragma once
// run(m, feeds=None, /, outputs=None): one run of a model over values given
// for this call, as onnxruntime's users run models, returning {name: value}
// in the model's output order. Inputs left out of `feeds` are read from the
// model's own tensors; nothing of the model changes, its output tensors and
// bound outputs included. The interpreter lock is let go while the runtime
// computes, so runs in several threads, of one model or of several, go side
// by side.
#include <Python.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "arguments.hpp"
#include "model_arguments.hpp"
#include "model_info.hpp"
#include "numpy_api.hpp"
#include "run_feeds.hpp"
#include "run_results.hpp"
#include "typed_object.hpp"
#include "value_types.hpp"
#include "types/Model.hpp"
#include "types/SessionRun.hpp"

namespace quorlib_buffers {

using Quor::Onnx::Model;

// The outputs `outputs` asks for, all of them for None.
inline void requestedOutputs(const Model& model, py::handle outputs, std::pmr::vector<size_t>& wanted)
{
    if (outputs.is_none()) {
        for (size_t i = 0; i < model.outputCount(); ++i)
            wanted.push_back(i);
        return;
    }
    if (!PySequence_Check(outputs.ptr()) || PyUnicode_Check(outputs.ptr()) || PyBytes_Check(outputs.ptr()))
        throw py::type_error("outputs is a sequence of output names or positions, or None; it is "
                             + std::string(py::repr(outputs)));
    for (py::handle item : py::reinterpret_borrow<py::sequence>(outputs)) {
        Quor::Onnx::TensorKey key;
        if (!detail::loadKey(item, key))
            throw py::type_error("outputs names outputs by name (str) or position (int); it holds "
                                 + std::string(py::repr(item)));
        const size_t idx = model.outputIndex(key);
        if (std::find(wanted.begin(), wanted.end(), idx) == wanted.end())
            wanted.push_back(idx);
    }
}

// Arrays of the caller's for the outputs whose shape the session knows
// before the run (fixed by the file, or by dims): the runtime writes into
// them, and nothing is allocated, kept or copied besides.
struct GivenOutputs {
    explicit GivenOutputs(std::pmr::memory_resource* arena) : arrays(arena), values(arena), handles(arena) {}
    std::pmr::vector<py::object> arrays;  // null where the runtime allocates the output
    std::pmr::vector<Ort::Value> values;  // tensors over the arrays
    std::pmr::vector<OrtValue*> handles;
    bool any = false;
};

inline void giveOutputs(const Model& model, const std::pmr::vector<size_t>& wanted, GivenOutputs& given)
{
    for (size_t i : wanted) {
        const Quor::Onnx::TensorSlot& slot = model.outputSlot(i);
        const int number = slot.isTensor() && slot.listedOnce && Quor::Onnx::concrete(slot.fixed)
                               ? numpyType(slot.type)
                               : -1;
        py::object array;
        Ort::Value value;
        if (number >= 0) {
            static_assert(sizeof(npy_intp) == sizeof(int64_t));
            array = py::reinterpret_steal<py::object>(
                PyArray_SimpleNew(static_cast<int>(slot.fixed.size()),
                                  reinterpret_cast<npy_intp*>(const_cast<int64_t*>(slot.fixed.data())), number));
            if (!array)
                throw py::error_already_set();
            auto* items = reinterpret_cast<PyArrayObject*>(array.ptr());
            value = Ort::Value::CreateTensor(model.cpuMemory(), PyArray_DATA(items),
                                             static_cast<size_t>(PyArray_NBYTES(items)), slot.fixed.data(),
                                             slot.fixed.size(), slot.type);
            given.any = true;
        }
        given.handles.push_back(value);
        given.arrays.push_back(std::move(array));
        given.values.push_back(std::move(value));
    }
}

// The values of one run's inputs, and what keeps them.
struct RunInputs {
    explicit RunInputs(std::pmr::memory_resource* arena)
        : names(arena), values(arena), owned(arena), lent(arena), read(arena), given(arena)
    {
    }
    std::pmr::vector<const char*> names;
    std::pmr::vector<const OrtValue*> values;
    std::pmr::vector<Ort::Value> owned;
    std::pmr::vector<std::shared_ptr<void>> lent;  // the model's own tensors' memory
    std::pmr::vector<MemoryRange> read;
    std::pmr::vector<bool> given;  // by feeds, for each input
};

inline void feedInputs(Model& model, py::handle feeds, FeedConverter& converter, RunInputs& inputs)
{
    if (feeds.is_none())
        return;
    if (!PyMapping_Check(feeds.ptr()) || PySequence_Check(feeds.ptr()))
        throw py::type_error("feeds maps input names (or positions) to values; it is "
                             + std::string(py::repr(feeds.get_type())));
    const py::object items = PyDict_Check(feeds.ptr()) ? py::reinterpret_borrow<py::object>(feeds)
                                                       : py::object(detail::mappingItems(feeds));
    const auto each = [&](py::handle key, py::handle value) {
        Quor::Onnx::TensorKey input;
        if (!detail::loadKey(key, input))
            throw py::type_error("feeds maps inputs by name (str) or position (int); it maps "
                                 + std::string(py::repr(key)));
        const size_t idx = model.inputIndex(input);
        const Where where{"input", model.inputName(idx)};
        if (inputs.given[idx])
            throw py::value_error("feeds gives " + where.text() + " twice");
        inputs.given[idx] = true;
        const Quor::Onnx::TensorSlot& slot = model.inputSlot(idx);
        const ValueType type = slot.isTensor() ? ValueType{ONNX_TYPE_TENSOR, slot.type, nullptr}
                                               : valueType(model.session().GetInputTypeInfo(idx));
        // An optional input given None holds no value: it is left out.
        if (value.is_none() && type.kind == ONNX_TYPE_OPTIONAL)
            return;
        inputs.owned.push_back(converter.convert(value, type, where));
        inputs.names.push_back(model.inputName(idx));
        inputs.values.push_back(inputs.owned.back());
    };
    if (PyDict_Check(items.ptr()))
        for (auto [key, value] : py::reinterpret_borrow<py::dict>(items))
            each(key, value);
    else
        for (py::handle item : items)
            each(PyTuple_GET_ITEM(item.ptr(), 0), PyTuple_GET_ITEM(item.ptr(), 1));
}

// Inputs left out of the feeds are the model's own tensors, but for
// optional inputs, which then hold no value.
inline bool ownInputs(const Model& model, RunInputs& inputs)
{
    bool reads = false;
    for (size_t i = 0; i < model.inputCount(); ++i) {
        if (inputs.given[i])
            continue;
        const Quor::Onnx::TensorSlot& slot = model.inputSlot(i);
        if (slot.kind == ONNX_TYPE_OPTIONAL)
            continue;
        const auto [value, keep] = model.ownInput(i);
        inputs.names.push_back(model.inputName(i));
        inputs.values.push_back(value);
        inputs.read.push_back({slot.data(), slot.bytes()});
        inputs.lent.push_back(keep);
        reads = true;
    }
    return reads;
}

// The arguments' and the result's types for the signature.
struct FeedsName {
    static constexpr auto text = py::detail::const_name("typing.Mapping[str | int, typing.Any] | None");
};
struct OutputsName {
    static constexpr auto text = py::detail::const_name("typing.Sequence[str | int] | None");
};
struct RunResultName {
    static constexpr auto text = py::detail::const_name("dict[str, typing.Any]");
};
using FeedsArgument = Typed<FeedsName>;
using OutputsArgument = Typed<OutputsName>;
using RunResult = Typed<RunResultName>;

inline RunResult runModel(const Bound<Model>& m, const FeedsArgument& feedsArgument,
                          const OutputsArgument& outputsArgument)
{
    requireNumpy("run");
    // The model and the feeds stay alive until the run returns, whatever
    // other threads do meanwhile.
    const auto model = py::reinterpret_borrow<py::object>(m.object);
    const py::handle feeds = feedsArgument.object, outputs = outputsArgument.object;
    Model& native = *m.value;
    // The call's small vectors share one block on the stack.
    std::array<std::byte, 4096> block;
    std::pmr::monotonic_buffer_resource arena(block.data(), block.size());
    std::pmr::vector<size_t> wanted(&arena);
    requestedOutputs(native, outputs, wanted);
    // What a call makes goes to the runtime's own allocator: an element taken
    // out of a sequence may outlive the model.
    OrtAllocator* const allocator = Ort::DefaultAllocator();
    FeedConverter converter(allocator, native.cpuMemory(), &arena);
    RunInputs inputs(&arena);
    inputs.names.reserve(native.inputCount());
    inputs.values.reserve(native.inputCount());
    inputs.owned.reserve(native.inputCount());
    inputs.given.assign(native.inputCount(), false);
    feedInputs(native, feeds, converter, inputs);
    const bool readsOwn = ownInputs(native, inputs);
    inputs.read.insert(inputs.read.end(), converter.ranges().begin(), converter.ranges().end());
    std::pmr::vector<const char*> outputNames(&arena);
    outputNames.reserve(wanted.size());
    for (size_t i : wanted)
        outputNames.push_back(native.outputName(i));
    std::optional<Ort::RunOptions> ownOptions;
    const Ort::RunOptions* runOptions = native.runOptions();
    if (runOptions == nullptr)
        runOptions = &ownOptions.emplace();

    GivenOutputs given(&arena);
    giveOutputs(native, wanted, given);
    std::vector<Ort::Value> values;
    {
        std::optional<Model::InputReads> reads;
        if (readsOwn)
            reads.emplace(native);
        py::gil_scoped_release unlocked;
        try {
            values = Quor::Onnx::runOnce(native.session(), *runOptions, inputs.names, inputs.values, outputNames,
                                         given.handles);
        } catch (const Ort::Exception&) {
            // A file may declare a shape that the run contradicts: such a
            // run is made again with every output left to the runtime.
            if (!given.any)
                throw;
            given.any = false;
            values = Quor::Onnx::runOnce(native.session(), *runOptions, inputs.names, inputs.values, outputNames);
        }
    }
    ResultConverter results(allocator, inputs.read);
    py::dict result;
    for (size_t k = 0; k < wanted.size(); ++k) {
        py::str name = decodedName(outputNames[k]);
        if (!name)
            throw py::error_already_set();
        if (given.any && given.arrays[k])
            result[name] = given.arrays[k];
        else if (native.outputSlot(wanted[k]).kind == ONNX_TYPE_OPTIONAL && !values[k].HasValue())
            result[name] = py::none();
        else
            result[name] = results.convert(std::move(values[k]), Where{"output", outputNames[k]});
    }
    return {std::move(result)};
}

inline void registerRunModel(py::module_& m)
{
    m.def("run", &runModel, py::arg("m"), py::arg("feeds") = py::none(), py::pos_only(), py::arg("outputs") = py::none(),
          "Run the model once over the values in feeds (inputs left out are read from the model's own tensors) and "
          "return {output name: value}, each value the caller's own; the model does not change.");
}

}  // namespace quorlib_buffers
