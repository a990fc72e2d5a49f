#pragma once
// One inference session for one ONNX model file, with one tensor per model
// input and output that every run reuses. A model opened by path alone has
// the tensors the file declares, allocated once from the session's
// allocator; it prints a trace while it loads and runs without graph
// optimisation. A model opened with options (ModelOptions.hpp), from a file
// or from its bytes, gives the dimensions the file leaves open their sizes,
// is silent unless asked, and its inputs may change shape or wait for one.
// Either kind can run on memory its caller lends. Single float elements of
// input tensors are written and of output tensors read in place.
//
// What the model keeps of each input and output is a TensorSlot; the
// members that find a session's inputs and outputs are in ModelDiscovery.hpp,
// those that open a model with options in ModelOpening.hpp, those that
// reshape, bind and hand out its tensors in ModelTensors.hpp, its runs (its
// own, and runs over values given per call) in ModelRun.hpp. This header
// includes them all.
#include <algorithm>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "types/ElementTypes.hpp"
#include "types/ExternalStorage.hpp"
#include "types/ModelOptions.hpp"
#include "types/Ort.hpp"
#include "types/TensorMemory.hpp"
#include "types/TensorShape.hpp"
#include "types/TensorSlot.hpp"
#include "types/Utf8.hpp"

namespace Quor::Onnx {

// The element type a C++ type stands for, where a model reads or writes
// single elements of it.
template <typename T>
inline constexpr ONNXTensorElementDataType elementTypeOf = ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED;
template <>
inline constexpr ONNXTensorElementDataType elementTypeOf<float> = ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT;

class Model {
public:
    template <typename T>
    class TensorView {
    public:
        TensorView(Ort::Value* tensor, ONNXTensorElementDataType type, const std::vector<int64_t>& shape,
                   const std::string& name)
            : m_tensor(tensor), m_type(type), m_shape(shape), m_name(name)
        {
        }

        void set(const std::vector<int64_t>& tensorIdx, T value) { set(std::span<const int64_t>(tensorIdx), value); }
        T get(const std::vector<int64_t>& tensorIdx) { return get(std::span<const int64_t>(tensorIdx)); }
        // The same with the position in any contiguous storage.
        void set(std::span<const int64_t> tensorIdx, T value) { m_tensor->At<T>(tensorIdx) = value; }
        T get(std::span<const int64_t> tensorIdx) { return m_tensor->At<T>(tensorIdx); }

    private:
        Ort::Value* m_tensor;
        const ONNXTensorElementDataType m_type;
        const std::vector<int64_t> m_shape;
        const std::string m_name;
    };

    using TensorViewVariant =
        std::variant<std::shared_ptr<TensorView<float>>, std::shared_ptr<TensorView<uint8_t>>,
                     std::shared_ptr<TensorView<uint16_t>>, std::shared_ptr<TensorView<int16_t>>,
                     std::shared_ptr<TensorView<int32_t>>, std::shared_ptr<TensorView<int64_t>>,
                     std::shared_ptr<TensorView<std::string>>, std::shared_ptr<TensorView<bool>>,
                     std::shared_ptr<TensorView<double>>, std::shared_ptr<TensorView<uint32_t>>,
                     std::shared_ptr<TensorView<uint64_t>>, std::shared_ptr<TensorView<std::complex<float>>>,
                     std::shared_ptr<TensorView<std::complex<double>>>>;

    explicit Model(const std::string& path)
        : m_onnxEnvironment(ORT_LOGGING_LEVEL_WARNING, path.c_str()),
          m_options(),
          m_session(openSession(m_onnxEnvironment, path)),
          m_allocator(sessionAllocator(m_session)),
          m_cpuMemory(Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeDefault))
    {
        try {
            makeInputs();
            makeOutputs();
            makeRuntimeArrays();
        } catch (...) {
            releaseNames();
            throw;
        }
    }

    // Opens the model that `source` names as `options` say. A wrong option,
    // a shape that does not fit or an unknown name throws
    // std::invalid_argument; the runtime's own failures throw Ort::Exception,
    // their message prefixed with the model's path. Inputs whose dimensions
    // stay open get no tensor until they are given a shape or bound.
    // Defined in ModelOpening.hpp.
    Model(const ModelSource& source, const ModelOptions& options);

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Views before the tensors they read, tensors before the memory they show.
    ~Model()
    {
        m_outputs.clear();
        m_outputArray.clear();
        m_inputs.clear();
        m_inputArray.clear();
        releaseNames();
    }

    void makeInputs()
    {
        makeGroup(true, m_session.GetInputCount(), m_inputCount, m_inputNames, m_inputArray, m_inputs);
    }

    void makeOutputs()
    {
        makeGroup(false, m_session.GetOutputCount(), m_outputCount, m_outputNames, m_outputArray, m_outputs);
    }

    void MakeTensor(TensorViewVariant& tensor, Ort::Value* value, ONNXTensorElementDataType type,
                    const std::vector<int64_t>& shape, const std::string& name)
    {
        switch (type) {
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT:
            std::cout << "Quor::Onnx::MakeTensor:: making tensor of type 'float'" << std::endl;
            tensor = std::make_shared<TensorView<float>>(value, type, shape, name);
            break;
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED:
            throw std::runtime_error("Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED'");
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16:
            throw std::runtime_error("Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16'");
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16:
            throw std::runtime_error("Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16'");
        default:
            break;  // allocated, but without a view
        }
    }

    // Runs the model on its input tensors into its output tensors. An output
    // keeps its memory while runs leave its shape unchanged; defined in
    // ModelRun.hpp.
    void run();

    template <typename T>
    void set(size_t inputIdx, const std::vector<int64_t>& tensorIdx, T value)
    {
        set<T>(inputIdx, std::span<const int64_t>(tensorIdx), value);
    }

    template <typename T>
    T get(size_t outputIdx, const std::vector<int64_t>& tensorIdx)
    {
        return get<T>(outputIdx, std::span<const int64_t>(tensorIdx));
    }

    // The same with the position in any contiguous storage, so that a caller
    // need not allocate a vector per element. A position that addresses an
    // element is served from the tensor's memory at once; every other case
    // takes the checked road, where the runtime judges the position.
    template <typename T>
    void set(size_t inputIdx, std::span<const int64_t> tensorIdx, T value)
    {
        if (inputIdx < m_inputSlots.size()) {
            const TensorSlot& slot = m_inputSlots[inputIdx];
            if (slot.type == elementTypeOf<T> && slot.data() != nullptr && !slot.readonly && m_inputReaders == 0)
                if (const std::optional<size_t> at = slot.offset(tensorIdx)) {
                    static_cast<T*>(slot.data())[*at] = value;
                    return;
                }
        }
        const auto& tensor = view<T>(true, inputIdx);
        if (m_inputSlots[inputIdx].readonly)
            throw std::runtime_error("input '" + nameOf(true, inputIdx)
                                     + "' is bound to read-only memory: it cannot be written");
        checkNotRead();
        tensor->set(tensorIdx, value);
    }

    template <typename T>
    T get(size_t outputIdx, std::span<const int64_t> tensorIdx)
    {
        if (outputIdx < m_outputSlots.size()) {
            const TensorSlot& slot = m_outputSlots[outputIdx];
            if (slot.type == elementTypeOf<T> && slot.data() != nullptr)
                if (const std::optional<size_t> at = slot.offset(tensorIdx))
                    return static_cast<const T*>(slot.data())[*at];
        }
        const auto& tensor = view<T>(false, outputIdx);
        return tensor->get(tensorIdx);
    }

    size_t inputCount() const { return m_inputCount; }
    size_t outputCount() const { return m_outputCount; }

    // The input (output) that `key` names: its position, or its name. An
    // unknown name throws std::invalid_argument listing the names there are.
    size_t inputIndex(const TensorKey& key) const { return index(true, key); }
    size_t outputIndex(const TensorKey& key) const { return index(false, key); }

    // The whole memory of an input (output) tensor, for callers that exchange
    // tensors at once: `keep` keeps it valid, also when the model gives the
    // tensor up for another (a new shape, a bound buffer, a run's new value).
    // Memory from the allocator of a model opened by path alone needs the
    // model too. `data` is null for strings, which are objects of the runtime.
    struct TensorMemory {
        void* data;
        ONNXTensorElementDataType type;
        std::vector<int64_t> shape;
        std::shared_ptr<void> keep;
        bool readonly;  // lent read-only
    };

    TensorMemory inputMemory(size_t inputIdx) { return memory(true, inputIdx); }
    TensorMemory outputMemory(size_t outputIdx) { return memory(false, outputIdx); }

    // An input or output as a program inspects it.
    struct TensorDescription {
        std::string name;
        ONNXType kind;
        ONNXTensorElementDataType type;
        std::optional<std::vector<int64_t>> shape;  // none while there is no tensor
        DeclaredShape declared;
    };

    TensorDescription describeInput(size_t inputIdx) const { return description(true, inputIdx); }
    TensorDescription describeOutput(size_t outputIdx) const { return description(false, outputIdx); }

    // Gives input `inputIdx` a new zero-filled tensor of a shape that fits
    // the session's: sizes the file or the options fixed stay. A shape that
    // does not fit, or would not fit into memory, throws
    // std::invalid_argument and changes nothing.
    void setInputShape(size_t inputIdx, std::span<const int64_t> shape);

    // Input (output) `idx` becomes a tensor over `data`, memory of `type`
    // elements in C order that `keep` keeps valid; nothing is copied. A type
    // or shape that does not fit, or memory that overlaps an input's and an
    // output's, throws and changes nothing.
    void bindInput(size_t inputIdx, void* data, ONNXTensorElementDataType type, std::span<const int64_t> shape,
                   std::shared_ptr<void> keep, bool readonly);

    void bindOutput(size_t outputIdx, void* data, ONNXTensorElementDataType type, std::span<const int64_t> shape,
                    std::shared_ptr<void> keep);

    // What the file says of itself.
    struct Metadata {
        std::string producerName, graphName, graphDescription, domain, description;
        int64_t version;
        std::vector<std::pair<std::string, std::string>> custom;
    };

    Metadata metadata()
    {
        const Ort::ModelMetadata metadata = m_session.GetModelMetadata();
        return {metadata.GetProducerName(m_allocator), metadata.GetGraphName(m_allocator),
                metadata.GetGraphDescription(m_allocator), metadata.GetDomain(m_allocator),
                metadata.GetDescription(m_allocator), metadata.GetVersion(), metadata.GetCustomMetadata(m_allocator)};
    }

    // Runs over values given per call (ModelRun.hpp): the session, the names
    // it knows, and what the model lends such runs. While a run reads the
    // model's own input tensors it holds an InputReads, and nothing may
    // write or replace them: set, setInputShape and bindInput throw.
    class InputReads;
    const Ort::Session& session() const { return m_session; }
    // Null for a model opened by path alone, which makes them for each run.
    const Ort::RunOptions* runOptions() const { return m_runOptions ? &*m_runOptions : nullptr; }
    const OrtMemoryInfo* cpuMemory() const { return m_cpuMemory; }
    const char* inputName(size_t inputIdx) const { return m_inputNames[inputIdx]; }
    const char* outputName(size_t outputIdx) const { return m_outputNames[outputIdx]; }
    const TensorSlot& inputSlot(size_t inputIdx) const { return m_inputSlots[inputIdx]; }
    const TensorSlot& outputSlot(size_t outputIdx) const { return m_outputSlots[outputIdx]; }
    // The model's own tensor for input `inputIdx`, with what keeps its memory,
    // or an error saying why there is none.
    std::pair<const OrtValue*, std::shared_ptr<void>> ownInput(size_t inputIdx) const;

    // Memory lent to the model (ExternalStorage.hpp), for the garbage
    // collector of the Python layer: `visit` is called with each owner the
    // model alone holds, stopping at the first nonzero result, which is
    // returned; `releaseExternalOwners` lets go of all lent memory, leaving
    // a model that refuses to run or fails cleanly instead of reading it.
    template <typename Visit>
    int visitExternalOwners(Visit&& visit) const
    {
        for (const std::vector<TensorSlot>* slots : {&m_inputSlots, &m_outputSlots})
            for (const TensorSlot& slot : *slots)
                if (const ExternalOwner* owner = reportedOwner(slot.keep()))
                    if (const int result = visit(owner->object))
                        return result;
        return 0;
    }

    void releaseExternalOwners();

private:
    // Defined in ModelTensors.hpp.
    TensorMemory memory(bool input, size_t idx);
    TensorDescription description(bool input, size_t idx) const;
    size_t index(bool input, const TensorKey& key) const;
    std::optional<size_t> named(bool input, const std::string& name) const;
    std::string nameList(bool input) const;

    static void checkIndex(size_t count, size_t idx, const char* group)
    {
        if (idx >= count)
            throw std::runtime_error(std::string(group) + " index " + std::to_string(idx)
                                     + " out of range: the model has " + std::to_string(count) + " " + group
                                     + "s");
    }

    std::string nameOf(bool input, size_t idx) const
    {
        return detail::escapeInvalidUtf8((input ? m_inputNames : m_outputNames)[idx]);
    }

    // "input 0 'x'"
    std::string label(bool input, size_t idx) const
    {
        return std::string(input ? "input " : "output ") + std::to_string(idx) + " '" + nameOf(input, idx) + "'";
    }

    // The slot of a tensor input (output), or an error for anything else.
    const TensorSlot& tensorSlot(bool input, size_t idx) const
    {
        const std::vector<TensorSlot>& slots = input ? m_inputSlots : m_outputSlots;
        checkIndex(slots.size(), idx, input ? "input" : "output");
        if (!slots[idx].isTensor())
            throw std::runtime_error(label(input, idx) + " is a " + valueKindName(slots[idx].kind)
                                     + ", not a tensor");
        return slots[idx];
    }

    std::runtime_error noTensor(bool input, size_t idx) const
    {
        if (input)
            return missingInput(idx);
        return std::runtime_error(label(false, idx)
                                  + " has no shape until the model has run: its shape depends on the values of the "
                                    "inputs, or the runtime cannot derive it");
    }

    std::runtime_error missingInput(size_t idx) const
    {
        const TensorSlot& slot = m_inputSlots[idx];
        if (!slot.isTensor())
            return std::runtime_error(label(true, idx) + " is a " + valueKindName(slot.kind)
                                      + ": only tensor inputs can be given");
        if (slot.released)
            return std::runtime_error(label(true, idx)
                                      + " has no tensor: the memory bound to it was released; bind it or set its "
                                        "shape again");
        return std::runtime_error(label(true, idx) + " " + describe(slot.open)
                                  + " has no tensor yet: its shape has open dimensions; give it a shape or bind "
                                    "memory to it, or pass it to a run in its feeds");
    }

    // Nothing writes or replaces the model's own inputs while a run in
    // another thread reads them.
    void checkNotRead() const
    {
        if (m_inputReaders != 0)
            throw std::runtime_error("the model is running in another thread, which reads its input tensors: they "
                                     "cannot be written or replaced until that run returns");
    }

    static Ort::Session openSession(const Ort::Env& environment, const std::string& path)
    {
        Ort::SessionOptions options;
        options.SetGraphOptimizationLevel(ORT_DISABLE_ALL);
        return Ort::Session(environment, path.c_str(), options);
    }

    // Defined in ModelOpening.hpp.
    static void checkOptions(const ModelOptions& options);
    static std::vector<DeclaredShape> fileShapes(const Ort::Session& probe);
    void giveDimSizes(const ModelOptions& options);
    void checkDimNames(const ModelOptions& options) const;

    static Ort::Allocator sessionAllocator(const Ort::Session& session)
    {
        const Ort::MemoryInfo memoryInfo = Ort::MemoryInfo::CreateCpu(OrtArenaAllocator, OrtMemTypeDefault);
        return Ort::Allocator(session, memoryInfo);
    }

    // New tensors hold whatever the allocator's memory held before; start
    // every run from zeros instead.
    static void zeroFill(Ort::Value& tensor, ONNXTensorElementDataType type, const std::vector<int64_t>& shape)
    {
        if (const size_t bytes = plainBytes(type, shape))
            std::memset(tensor.GetTensorMutableData<void>(), 0, bytes);
    }

    // Defined in ModelTensors.hpp.
    HeldTensor ownTensor(ONNXTensorElementDataType type, std::span<const int64_t> shape, size_t bytes);
    size_t checkShape(bool input, size_t idx, std::span<const int64_t> shape) const;
    HeldTensor lentTensor(bool input, size_t idx, void* data, ONNXTensorElementDataType type,
                          std::span<const int64_t> shape, std::shared_ptr<void> keep);
    void checkOverlap(bool input, size_t idx, const void* data, size_t bytes) const;
    std::shared_ptr<void> replaceTensor(bool input, size_t idx, HeldTensor held, std::vector<int64_t> shape,
                                        TensorOrigin origin);
    void placeInput(size_t idx, HeldTensor tensor, std::span<const int64_t> shape, bool readonly,
                    TensorOrigin origin);

    // Defined in ModelRun.hpp.
    void makeRuntimeArrays();
    bool givesOutput(size_t idx) const;
    void runWith(const Ort::RunOptions& runOptions);
    void runAgain(const Ort::RunOptions& runOptions);
    void takeRunValue(size_t idx, Ort::Value value);
    void keepRunValue(size_t idx, Ort::Value value);
    bool showsInputMemory(const void* data, size_t bytes) const;

    // Defined in ModelDiscovery.hpp.
    void makeGroup(bool inputs, size_t count, size_t& groupCount, std::vector<const char*>& names,
                   std::vector<Ort::Value>& tensors, std::vector<TensorViewVariant>& views);
    const char* copyName(bool inputs, size_t idx, std::vector<const char*>& names);
    void discover(bool inputs);
    void printTrace() const;

    // Defined in ModelOpening.hpp.
    size_t shapesIndex(const TensorKey& key) const;
    std::string inputList(bool declared = false) const;
    void giveInputShapes(const ModelOptions& options);
    void makeOutputTensors();

    // The view of an input (output) with a tensor to read, or an error
    // saying why there is none.
    template <typename T>
    const std::shared_ptr<TensorView<T>>& view(bool input, size_t idx)
    {
        const std::vector<TensorViewVariant>& slots = input ? m_inputs : m_outputs;
        const char* group = input ? "input" : "output";
        checkIndex(slots.size(), idx, group);
        const std::shared_ptr<TensorView<T>>& tensor = std::get<std::shared_ptr<TensorView<T>>>(slots[idx]);
        if (!tensor) {
            const TensorSlot& slot = (input ? m_inputSlots : m_outputSlots)[idx];
            const std::string name = std::string(group) + " '" + nameOf(input, idx) + "'";
            if (!slot.isTensor())
                throw std::runtime_error(name + " is a " + valueKindName(slot.kind) + ", not a tensor: only float "
                                                "tensors can be read or written");
            if (plainElementSize(slot.type) && !hasStructFormat(slot.type))
                throw std::runtime_error(name + " has element type '" + enumeratorName(slot.type)
                                         + "', which has no struct format: only float tensors can be read or "
                                           "written");
            throw std::runtime_error(name + " is not a float tensor: only float tensors can be read or written");
        }
        if (static_cast<OrtValue*>((input ? m_inputArray : m_outputArray)[idx]) == nullptr)
            throw noTensor(input, idx);
        return tensor;
    }

    // Element types that Python's buffers and numpy have no format for.
    static bool hasStructFormat(ONNXTensorElementDataType type)
    {
        return type != ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16 && type < ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FN;
    }

    void releaseNames()
    {
        for (const char* name : m_inputNames)
            delete[] name;
        for (const char* name : m_outputNames)
            delete[] name;
        m_inputNames.clear();
        m_outputNames.clear();
    }

    Ort::Env m_onnxEnvironment;
    Ort::SessionOptions m_options;
    Ort::Session m_session;
    Ort::Allocator m_allocator;
    size_t m_inputCount = 0;
    std::vector<const char*> m_inputNames;
    std::vector<Ort::Value> m_inputArray;
    std::vector<TensorViewVariant> m_inputs;
    size_t m_outputCount = 0;
    std::vector<const char*> m_outputNames;
    std::vector<Ort::Value> m_outputArray;
    std::vector<TensorViewVariant> m_outputs;
    // Describes the memory the tensors of the model's own blocks, lent
    // buffers and adopted run values are made over.
    Ort::MemoryInfo m_cpuMemory;
    std::vector<TensorSlot> m_inputSlots;
    std::vector<TensorSlot> m_outputSlots;
    // The tensors' handles as the runtime takes them, owned by the arrays
    // above; an output's is null where the runtime supplies the value.
    std::vector<const OrtValue*> m_inputValues;
    std::vector<OrtValue*> m_outputValues;
    // Made once for a model opened with options; a model opened by path
    // alone makes them for each run.
    std::optional<Ort::RunOptions> m_runOptions;
    // An input changed its shape (or lost its tensor) since the last run,
    // so that outputs may change theirs too.
    bool m_inputsChanged = true;
    // Runs in other threads that read the model's own inputs.
    size_t m_inputReaders = 0;
};

}  // namespace Quor::Onnx

// The longer members, one header for each part of the model's life.
#include "types/ModelDiscovery.hpp"
#include "types/ModelOpening.hpp"
#include "types/ModelRun.hpp"
#include "types/ModelTensors.hpp"
