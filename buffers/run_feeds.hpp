#pragma once
// The values a call of run gives a model, as the runtime takes them: numpy
// arrays (or what numpy makes arrays of) for tensors, used in place where
// they are C-contiguous arrays of the input's element type; numpy arrays of
// str for string tensors; lists for sequences; dicts for maps; None, or
// nothing, for an optional input. An element type other than the input's is
// a TypeError: nothing is cast.
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "numpy_api.hpp"
#include "operations/overlap.hpp"
#include "value_types.hpp"
#include "types/ElementTypes.hpp"
#include "types/Ort.hpp"

namespace quorlib_buffers {

namespace py = pybind11;

// Memory a run reads, so that an output the runtime makes over it is copied.
struct MemoryRange {
    const void* data;
    size_t bytes;

    bool overlaps(const void* start, size_t length) const
    {
        return Quor::overlap::intersect(static_cast<const std::byte*>(data), bytes,
                                        static_cast<const std::byte*>(start), length);
    }
};

// Where in a call's values a value sits, spelled out only for a message:
// "input 'x'", "input 'x' element 2".
struct Where {
    const char* group;
    const char* name;
    const Where* parent = nullptr;
    long element = -1;

    std::string text() const
    {
        if (parent != nullptr)
            return parent->text() + " " + name + (element >= 0 ? " " + std::to_string(element) : "");
        return std::string(group) + " '" + Quor::detail::escapeInvalidUtf8(name) + "'";
    }
};

// Converts the feeds of one call, keeping what the runtime's values show
// until the call returns.
class FeedConverter {
public:
    FeedConverter(OrtAllocator* allocator, const OrtMemoryInfo* memory, std::pmr::memory_resource* arena)
        : m_allocator(allocator), m_memory(memory), m_arrays(arena), m_ranges(arena)
    {
    }

    Ort::Value convert(py::handle value, const ValueType& type, const Where& where)
    {
        switch (type.kind) {
        case ONNX_TYPE_TENSOR: return tensor(value, type.element, where);
        case ONNX_TYPE_SEQUENCE: return sequence(value, *type.inner, where);
        case ONNX_TYPE_MAP: return map(value, type, where);
        case ONNX_TYPE_OPTIONAL: return convert(value, *type.inner, where);
        default:
            throw py::type_error(where.text() + " is of type " + describe(type) + ", which run cannot give a value of");
        }
    }

    const std::pmr::vector<MemoryRange>& ranges() const { return m_ranges; }

private:
    Ort::Value tensor(py::handle value, ONNXTensorElementDataType type, const Where& where)
    {
        if (type == ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING)
            return strings(value, where);
        const int number = numpyTypeOf(type, where);
        py::object array = asArray(value);
        auto* given = reinterpret_cast<PyArrayObject*>(array.ptr());
        if (!holdsElementsOf(given, type))
            throw py::type_error(where.text() + " holds " + Quor::Onnx::elementType(type).numpy + " elements; the value given "
                                 "for it holds " + std::string(py::str(reinterpret_cast<PyObject*>(PyArray_DESCR(given))))
                                 + " elements (run casts nothing)");
        // Used in place where the runtime can read it as it is.
        if (!PyArray_IS_C_CONTIGUOUS(given) || !PyArray_ISALIGNED(given) || !PyArray_ISNOTSWAPPED(given)) {
            array = py::reinterpret_steal<py::object>(PyArray_FromArray(given, PyArray_DescrFromType(number),
                                                                        NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ALIGNED
                                                                            | NPY_ARRAY_ENSURECOPY));
            if (!array)
                throw py::error_already_set();
            given = reinterpret_cast<PyArrayObject*>(array.ptr());
        }
        const auto bytes = static_cast<size_t>(PyArray_NBYTES(given));
        Ort::Value tensor = Ort::Value::CreateTensor(m_memory, PyArray_DATA(given), bytes, dimensions(given),
                                                     static_cast<size_t>(PyArray_NDIM(given)), type);
        m_ranges.push_back({PyArray_DATA(given), bytes});
        m_arrays.push_back(std::move(array));
        return tensor;
    }

    // numpy's array of `value`, of the type `descr` (a reference it takes)
    // or of numpy's choosing.
    static py::object asArray(py::handle value, PyArray_Descr* descr = nullptr)
    {
        auto array = py::reinterpret_steal<py::object>(PyArray_FromAny(value.ptr(), descr, 0, 0, 0, nullptr));
        if (!array)
            throw py::error_already_set();
        return array;
    }

    static int numpyTypeOf(ONNXTensorElementDataType type, const Where& where)
    {
        const int number = numpyType(type);
        if (number < 0)
            throw py::type_error(where.text() + " holds elements of type " + Quor::Onnx::elementType(type).numpy
                                 + ", which numpy has no type for: run cannot give it");
        return number;
    }

    // numpy's sizes are the runtime's: signed 64-bit integers here.
    static const int64_t* dimensions(PyArrayObject* array)
    {
        static_assert(sizeof(npy_intp) == sizeof(int64_t) && std::is_signed_v<npy_intp>);
        return reinterpret_cast<const int64_t*>(PyArray_DIMS(array));
    }

    // Strings go in as UTF-8; bytes as they are.
    Ort::Value strings(py::handle value, const Where& where)
    {
        const py::object array = asArray(value);
        auto* given = reinterpret_cast<PyArrayObject*>(array.ptr());
        const char kind = PyArray_DESCR(given)->kind;
        if (kind != 'U' && kind != 'S' && kind != 'O')
            throw py::type_error(where.text() + " holds strings; the value given for it holds "
                                 + std::string(py::str(reinterpret_cast<PyObject*>(PyArray_DESCR(given))))
                                 + " elements (str, bytes or object arrays of them)");
        const auto flat = py::reinterpret_steal<py::object>(PyArray_Ravel(given, NPY_CORDER));
        if (!flat)
            throw py::error_already_set();
        auto* items = reinterpret_cast<PyArrayObject*>(flat.ptr());
        Ort::Value tensor = Ort::Value::CreateTensor(m_allocator, dimensions(given),
                                                     static_cast<size_t>(PyArray_NDIM(given)),
                                                     ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING);
        for (npy_intp k = 0; k < PyArray_SIZE(items); ++k) {
            const auto item = py::reinterpret_steal<py::object>(
                PyArray_GETITEM(items, static_cast<const char*>(PyArray_GETPTR1(items, k))));
            if (!item)
                throw py::error_already_set();
            tensor.SetString(static_cast<size_t>(k), text(item, where));
        }
        return tensor;
    }

    // The bytes of a str (UTF-8) or bytes object, valid while it lives.
    static std::string_view text(py::handle item, const Where& where)
    {
        if (PyBytes_Check(item.ptr()))
            return {PyBytes_AS_STRING(item.ptr()), static_cast<size_t>(PyBytes_GET_SIZE(item.ptr()))};
        if (!PyUnicode_Check(item.ptr()))
            throw py::type_error(where.text() + " holds strings; the value given for it holds "
                                 + std::string(py::repr(item)));
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(item.ptr(), &size);
        if (utf8 == nullptr)
            throw py::error_already_set();
        return {utf8, static_cast<size_t>(size)};
    }

    // The runtime copies the elements into a sequence of its own.
    Ort::Value sequence(py::handle value, const ValueType& element, const Where& where)
    {
        if (!PyList_Check(value.ptr()) && !PyTuple_Check(value.ptr()))
            throw py::type_error(where.text() + " is a sequence: give it a list, not " + std::string(py::repr(value.get_type())));
        const auto items = py::reinterpret_borrow<py::sequence>(value);
        if (items.size() == 0)
            throw py::value_error(where.text() + " is a sequence, and the runtime cannot be given an empty one: its C "
                                  "interface makes a sequence of at least one value");
        std::vector<Ort::Value> values;
        std::vector<const OrtValue*> handles;
        for (size_t k = 0; k < items.size(); ++k) {
            values.push_back(convert(items[k], element, Where{nullptr, "element", &where, static_cast<long>(k)}));
            handles.push_back(values.back());
        }
        return Ort::Value::CreateComposite(handles, ONNX_TYPE_SEQUENCE);
    }

    // The runtime copies the keys and values into a map of its own.
    Ort::Value map(py::handle value, const ValueType& type, const Where& where)
    {
        if (!PyDict_Check(value.ptr()))
            throw py::type_error(where.text() + " is a map: give it a dict, not " + std::string(py::repr(value.get_type())));
        const auto dict = py::reinterpret_borrow<py::dict>(value);
        py::list keys, values;
        for (auto [key, item] : dict) {
            keys.append(key);
            values.append(item);
        }
        const ValueType keyType{ONNX_TYPE_TENSOR, type.element, nullptr};
        const ValueType& valueTypeOf = *type.inner;
        Ort::Value keyTensor = column(keys, keyType.element, Where{nullptr, "keys", &where});
        Ort::Value valueTensor = column(values, valueTypeOf.element, Where{nullptr, "values", &where});
        const OrtValue* handles[] = {keyTensor, valueTensor};
        return Ort::Value::CreateComposite(handles, ONNX_TYPE_MAP);
    }

    // A one-dimensional tensor of `items`, converted by numpy to the type.
    Ort::Value column(const py::list& items, ONNXTensorElementDataType type, const Where& where)
    {
        if (type == ONNX_TENSOR_ELEMENT_DATA_TYPE_STRING)
            return strings(items, where);
        const int number = numpyTypeOf(type, where);
        // numpy would cut 1.5 down to 1 without a word.
        if (number != NPY_FLOAT32 && number != NPY_FLOAT64)
            for (py::handle item : items)
                if (PyFloat_Check(item.ptr()) || !PyIndex_Check(item.ptr()))
                    throw py::type_error(where.text() + " are " + Quor::Onnx::elementType(type).numpy + "; "
                                         + std::string(py::repr(item)) + " is not an integer");
        return tensor(asArray(items, PyArray_DescrFromType(number)), type, where);
    }

    OrtAllocator* m_allocator;
    const OrtMemoryInfo* m_memory;
    std::pmr::vector<py::object> m_arrays;  // whose memory the tensors show
    std::pmr::vector<MemoryRange> m_ranges;
};

}  // namespace quorlib_buffers
