#pragma once
// One inference session for one ONNX model file, with one tensor allocated
// per model input and output, reused for every run. Single float elements of
// input tensors are written and of output tensors read in place.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <numeric>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "types/Ort.hpp"
#include "types/Utf8.hpp"

namespace Quor::Onnx {

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
          m_allocator(sessionAllocator(m_session))
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

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    ~Model() { releaseNames(); }

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

    void run()
    {
        Ort::RunOptions runOptions;
        runOptions.SetRunLogVerbosityLevel(5);
        m_session.Run(runOptions, m_inputNames.data(), m_inputValues.data(), m_inputCount, m_outputNames.data(),
                      m_outputValues.data(), m_outputCount);
        takeSuppliedOutputs();
    }

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
    // need not allocate a vector per element.
    template <typename T>
    void set(size_t inputIdx, std::span<const int64_t> tensorIdx, T value)
    {
        const auto& tensor = view<T>(m_inputs, m_inputNames, inputIdx, "input");
        tensor->set(tensorIdx, value);
    }

    template <typename T>
    T get(size_t outputIdx, std::span<const int64_t> tensorIdx)
    {
        const auto& tensor = view<T>(m_outputs, m_outputNames, outputIdx, "output");
        return tensor->get(tensorIdx);
    }

    // The whole memory of an input (output) tensor, for callers that exchange
    // tensors at once. The tensors never move, so it stays valid as long as
    // the model; `data` is null for strings, which are objects of the runtime.
    struct TensorMemory {
        void* data;
        ONNXTensorElementDataType type;
        std::vector<int64_t> shape;
    };

    TensorMemory inputMemory(size_t inputIdx) { return memory(m_inputArray, inputIdx, "input"); }
    TensorMemory outputMemory(size_t outputIdx) { return memory(m_outputArray, outputIdx, "output"); }

    // Memory lent to the model (ExternalStorage.hpp), for the garbage
    // collector of the Python layer: `visit` is called with each owner the
    // model alone holds, stopping at the first nonzero result, which is
    // returned; `releaseExternalOwners` lets go of all lent memory, leaving
    // a model that refuses to run or fails cleanly instead of reading it.
    template <typename Visit>
    int visitExternalOwners(Visit&&) const
    {
        return 0;
    }
    void releaseExternalOwners() {}

private:
    static TensorMemory memory(std::vector<Ort::Value>& tensors, size_t idx, const char* group)
    {
        checkIndex(tensors.size(), idx, group);
        Ort::Value& tensor = tensors[idx];
        const Ort::TensorTypeAndShapeInfo info = tensor.GetTensorTypeAndShapeInfo();
        const ONNXTensorElementDataType type = info.GetElementType();
        void* data = plainElementSize(type) ? tensor.GetTensorMutableData<void>() : nullptr;
        return {data, type, info.GetShape()};
    }

    static void checkIndex(size_t count, size_t idx, const char* group)
    {
        if (idx >= count)
            throw std::runtime_error(std::string(group) + " index " + std::to_string(idx)
                                     + " out of range: the model has " + std::to_string(count) + " " + group
                                     + "s");
    }

    static Ort::Session openSession(const Ort::Env& environment, const std::string& path)
    {
        Ort::SessionOptions options;
        options.SetGraphOptimizationLevel(ORT_DISABLE_ALL);
        return Ort::Session(environment, path.c_str(), options);
    }

    static Ort::Allocator sessionAllocator(const Ort::Session& session)
    {
        const Ort::MemoryInfo memoryInfo = Ort::MemoryInfo::CreateCpu(OrtArenaAllocator, OrtMemTypeDefault);
        return Ort::Allocator(session, memoryInfo);
    }

    // Bytes per element of the tensor types whose storage is plain memory.
    static size_t plainElementSize(ONNXTensorElementDataType type)
    {
        switch (type) {
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT8:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT8:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_BOOL:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FN:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E4M3FNUZ:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E5M2:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT8E5M2FNUZ: return 1;
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT16:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT16:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16: return 2;
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT32:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT32: return 4;
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_INT64:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_UINT64:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_DOUBLE:
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX64: return 8;
        case ONNX_TENSOR_ELEMENT_DATA_TYPE_COMPLEX128: return 16;
        default: return 0;  // strings are objects the runtime constructs itself
        }
    }

    // Bytes of plain data in a tensor of a shape it was created with, so
    // none of its dimensions is negative.
    static size_t plainBytes(ONNXTensorElementDataType type, const std::vector<int64_t>& shape)
    {
        return std::accumulate(shape.begin(), shape.end(), plainElementSize(type),
                               [](size_t n, int64_t d) { return n * static_cast<size_t>(d); });
    }

    // New tensors hold whatever the allocator's memory held before; start
    // every run from zeros instead.
    static void zeroFill(Ort::Value& tensor, ONNXTensorElementDataType type, const std::vector<int64_t>& shape)
    {
        if (const size_t bytes = plainBytes(type, shape))
            std::memset(tensor.GetTensorMutableData<void>(), 0, bytes);
    }

    // The runtime writes an output into the tensor given for it only when
    // the output is computed inside the graph under a name listed once. An
    // output that is also an input, or whose name is listed twice, gets a
    // null handle instead, so that the runtime supplies the value.
    void makeRuntimeArrays()
    {
        std::unordered_map<std::string_view, size_t> uses;
        for (const char* name : m_inputNames)
            ++uses[name];
        for (const char* name : m_outputNames)
            ++uses[name];
        m_inputValues.assign(m_inputArray.begin(), m_inputArray.end());
        m_outputValues.reserve(m_outputCount);
        for (size_t i = 0; i < m_outputCount; ++i) {
            OrtValue* const own = m_outputArray[i];
            m_outputValues.push_back(uses[m_outputNames[i]] == 1 ? own : nullptr);
        }
    }

    // Copies each value the runtime supplied into the output's own tensor and
    // releases it, leaving the handle null again for the next run.
    void takeSuppliedOutputs()
    {
        std::vector<std::pair<size_t, Ort::Value>> supplied;
        for (size_t i = 0; i < m_outputCount; ++i)
            if (m_outputValues[i] != static_cast<OrtValue*>(m_outputArray[i]))
                supplied.emplace_back(i, Ort::Value(std::exchange(m_outputValues[i], nullptr)));
        for (auto& [i, value] : supplied) {
            auto fail = [&](const char* reason) {
                return std::runtime_error("output '" + detail::escapeInvalidUtf8(m_outputNames[i]) + "' " + reason);
            };
            if (static_cast<OrtValue*>(value) == nullptr)
                throw fail("received no value from the run");
            const Ort::TensorTypeAndShapeInfo own = m_outputArray[i].GetTensorTypeAndShapeInfo();
            const Ort::TensorTypeAndShapeInfo got = value.GetTensorTypeAndShapeInfo();
            const ONNXTensorElementDataType type = own.GetElementType();
            const std::vector<int64_t> shape = own.GetShape();
            if (got.GetElementType() != type || got.GetShape() != shape)
                throw fail("received a value whose element type or shape differs from the declared one");
            // Strings are left alone: they have no view to be read through.
            if (const size_t bytes = plainBytes(type, shape))
                std::memcpy(m_outputArray[i].GetTensorMutableData<void>(), value.GetTensorMutableData<void>(),
                            bytes);
        }
    }

    // Discovers the inputs (or the outputs) of the session, printing the trace.
    void makeGroup(bool inputs, size_t count, size_t& groupCount, std::vector<const char*>& names,
                   std::vector<Ort::Value>& tensors, std::vector<TensorViewVariant>& views)
    {
        const char* group = inputs ? "input" : "output";
        groupCount = count;
        names.reserve(count);
        views.reserve(count);
        tensors.reserve(count);  // views keep the address of their tensor
        for (size_t i = 0; i < count; ++i) {
            const Ort::AllocatedStringPtr runtimeName = inputs ? m_session.GetInputNameAllocated(i, m_allocator)
                                                               : m_session.GetOutputNameAllocated(i, m_allocator);
            const size_t length = std::strlen(runtimeName.get());
            char* nameCopy = new char[length + 1];
            std::memcpy(nameCopy, runtimeName.get(), length + 1);
            names.push_back(nameCopy);

            std::cout << "Quor::Onnx::Model:: " << group << " name " << i << " '" << nameCopy << "'" << std::endl;

            const Ort::TypeInfo info = inputs ? m_session.GetInputTypeInfo(i) : m_session.GetOutputTypeInfo(i);
            const Ort::ConstTensorTypeAndShapeInfo tensorInfo = info.GetTensorTypeAndShapeInfo();
            const std::vector<int64_t> shape = tensorInfo.GetShape();

            std::cout << "Quor::Onnx::Model:: " << group << " shape " << i << " '{";
            for (size_t d = 0; d < shape.size(); ++d)
                std::cout << (d ? ", " : "") << shape[d];
            std::cout << "}'\n";

            const ONNXTensorElementDataType type = tensorInfo.GetElementType();
            tensors.push_back(Ort::Value::CreateTensor(m_allocator, shape.data(), shape.size(), type));
            zeroFill(tensors.back(), type, shape);

            TensorViewVariant tensor;
            MakeTensor(tensor, &tensors[i], type, shape, std::string(nameCopy));
            views.push_back(tensor);
        }
    }

    template <typename T>
    const std::shared_ptr<TensorView<T>>& view(const std::vector<TensorViewVariant>& slots,
                                        const std::vector<const char*>& names, size_t idx, const char* group)
    {
        checkIndex(slots.size(), idx, group);
        const std::shared_ptr<TensorView<T>>& tensor = std::get<std::shared_ptr<TensorView<T>>>(slots[idx]);
        if (!tensor)
            throw std::runtime_error(std::string(group) + " '" + detail::escapeInvalidUtf8(names[idx])
                                     + "' is not a float tensor: only float tensors can be read or written");
        return tensor;
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
    // The tensors' handles as the runtime takes them, owned by the arrays above.
    std::vector<const OrtValue*> m_inputValues;
    std::vector<OrtValue*> m_outputValues;
};

}  // namespace Quor::Onnx
