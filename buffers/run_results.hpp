#pragma once
// The values a call of run hands back, each the caller's own: numpy arrays
// for tensors (over the memory the runtime allocated for this call, which
// the array keeps, without a copy), arrays of str objects for string
// tensors, lists for sequences, dicts for maps, None for an optional output
// that holds no value. An output over memory a run read (an input passed
// through) is copied, so that it never changes with the input.
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "model_info.hpp"
#include "numpy_api.hpp"
#include "run_feeds.hpp"
#include "types/ElementTypes.hpp"
#include "types/Ort.hpp"

namespace quorlib_buffers {

class ResultConverter {
public:
    ResultConverter(OrtAllocator* allocator, std::span<const MemoryRange> read)
        : m_allocator(allocator), m_read(read)
    {
    }

    py::object convert(Ort::Value value, const Where& where)
    {
        switch (value.GetValueType()) {
        case ONNX_TYPE_TENSOR: return tensor(std::move(value), where);
        case ONNX_TYPE_SEQUENCE: {
            const size_t count = value.GetCount();
            py::list items(count);
            for (size_t k = 0; k < count; ++k)
                items[k] = convert(value.GetElement(k, m_allocator), Where{nullptr, "element", &where, static_cast<long>(k)});
            return items;
        }
        case ONNX_TYPE_MAP: {
            const py::list keys = column(value.GetElement(0, m_allocator), Where{nullptr, "keys", &where});
            const py::list values = column(value.GetElement(1, m_allocator), Where{nullptr, "values", &where});
            py::dict map;
            for (size_t k = 0; k < keys.size(); ++k)
                map[keys[k]] = values[k];
            return map;
        }
        default:
            throw std::runtime_error(where.text() + " is a " + std::string(Quor::Onnx::valueKindName(value.GetValueType()))
                                     + ", which run cannot hand over");
        }
    }

private:
    py::object tensor(Ort::Value value, const Where& where)
    {
        const Ort::TensorTypeAndShapeInfo info = value.GetTensorTypeAndShapeInfo();
        const ONNXTensorElementDataType type = info.GetElementType();
        const std::vector<int64_t> shape = info.GetShape();
        static_assert(sizeof(npy_intp) == sizeof(int64_t));
        const std::span<const npy_intp> dims(reinterpret_cast<const npy_intp*>(shape.data()), shape.size());
        if (type == ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING)
            return strings(value, dims);
        const int number = numpyType(type);
        if (number < 0)
            throw std::runtime_error(where.text() + " holds elements of type " + Quor::Onnx::enumeratorName(type)
                                     + ", which numpy has no type for");
        void* data = value.GetTensorMutableData<void>();
        const size_t bytes = Quor::Onnx::plainBytes(type, shape);
        const bool shared = std::any_of(m_read.begin(), m_read.end(),
                                        [&](const MemoryRange& range) { return range.overlaps(data, bytes); });
        if (shared) {
            auto copy = py::reinterpret_steal<py::object>(
                PyArray_SimpleNew(static_cast<int>(dims.size()), const_cast<npy_intp*>(dims.data()), number));
            if (!copy)
                throw py::error_already_set();
            if (bytes)
                std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(copy.ptr())), data, bytes);
            return copy;
        }
        // The array keeps the runtime's value, and with it the memory.
        auto* held = new Ort::Value(std::move(value));
        py::capsule owner(held, [](void* p) { delete static_cast<Ort::Value*>(p); });
        auto array = py::reinterpret_steal<py::object>(PyArray_NewFromDescr(
            &PyArray_Type, PyArray_DescrFromType(number), static_cast<int>(dims.size()),
            const_cast<npy_intp*>(dims.data()), nullptr, data, NPY_ARRAY_CARRAY, nullptr));
        if (!array)
            throw py::error_already_set();
        if (PyArray_SetBaseObject(reinterpret_cast<PyArrayObject*>(array.ptr()), owner.release().ptr()) < 0)
            throw py::error_already_set();
        return array;
    }

    // An array of str objects, as onnxruntime gives them; text that is not
    // UTF-8 keeps its bytes as surrogate escapes.
    static py::object strings(const Ort::Value& value, std::span<const npy_intp> dims)
    {
        npy_intp count = 1;
        for (npy_intp d : dims)
            count *= d;
        std::string bytes;
        std::vector<size_t> offsets;
        value.GetStrings(static_cast<size_t>(count), bytes, offsets);
        auto array = py::reinterpret_steal<py::object>(
            PyArray_SimpleNew(static_cast<int>(dims.size()), const_cast<npy_intp*>(dims.data()), NPY_OBJECT));
        if (!array)
            throw py::error_already_set();
        auto** items = static_cast<PyObject**>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array.ptr())));
        for (npy_intp k = 0; k < count; ++k) {
            const size_t begin = offsets[static_cast<size_t>(k)];
            const size_t end = k + 1 < count ? offsets[static_cast<size_t>(k) + 1] : bytes.size();
            py::str text = decodedName(bytes.substr(begin, end - begin));
            if (!text)
                throw py::error_already_set();
            Py_XSETREF(items[k], text.release().ptr());
        }
        return array;
    }

    // The elements of a map's keys or values, as Python objects.
    py::list column(Ort::Value value, const Where& where)
    {
        const py::object array = tensor(std::move(value), where);
        auto items = py::reinterpret_steal<py::list>(PyArray_ToList(reinterpret_cast<PyArrayObject*>(array.ptr())));
        if (!items)
            throw py::error_already_set();
        return items;
    }

    OrtAllocator* m_allocator;
    std::span<const MemoryRange> m_read;
};

}  // namespace quorlib_buffers
