#pragma once
// The arguments of the model functions that pybind11 has no caster for:
// a model (a path, str or os.PathLike, encoded as the file system encodes
// names; or a byte buffer, the file's content), an input or output (its
// name or its position), a shape (a sequence of integers), the sizes of
// named dimensions and the shapes of inputs (mappings, or None). An integer
// beyond 64 bits is a ValueError, as an absurd size is; names keep bytes
// that are not UTF-8 through the file system's surrogate escapes.
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "buffer_export.hpp"
#include "types/ModelOptions.hpp"

namespace quorlib_buffers {

namespace py = pybind11;

// A path, or a held export of the model file's bytes.
struct ModelArgument {
    Quor::Onnx::ModelSource source;
    py::object content;
};

struct TensorKeyArgument {
    Quor::Onnx::TensorKey key;
};

struct ShapeArgument {
    std::vector<int64_t> sizes;
};

struct DimsArgument {
    std::vector<std::pair<std::string, int64_t>> sizes;
};

struct ShapesArgument {
    std::vector<std::pair<Quor::Onnx::InputKey, std::vector<int64_t>>> shapes;
};

namespace detail {

// The bytes of a name as the runtime holds it.
inline std::string nameBytes(py::handle name)
{
    const auto encoded = py::reinterpret_steal<py::object>(PyUnicode_AsEncodedString(name.ptr(), "utf-8", "surrogateescape"));
    if (!encoded)
        throw py::error_already_set();
    return std::string(PyBytes_AS_STRING(encoded.ptr()), static_cast<size_t>(PyBytes_GET_SIZE(encoded.ptr())));
}

// An integer of 64 bits, from anything with __index__; false for other objects.
inline bool loadSize(py::handle item, int64_t& value, const char* what)
{
    if (PyFloat_Check(item.ptr()) || !PyIndex_Check(item.ptr()))
        return false;
    const auto index = py::reinterpret_steal<py::object>(PyNumber_Index(item.ptr()));
    if (!index)
        throw py::error_already_set();
    int overflow = 0;
    value = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow)
        throw py::value_error(std::string(what) + " " + py::repr(index).cast<std::string>()
                              + " is beyond any size a tensor can have");
    if (value == -1 && PyErr_Occurred())
        throw py::error_already_set();
    return true;
}

inline bool loadShape(py::handle src, std::vector<int64_t>& sizes)
{
    if (!PySequence_Check(src.ptr()) || PyUnicode_Check(src.ptr()) || PyBytes_Check(src.ptr())
        || PyByteArray_Check(src.ptr()))
        return false;
    const auto items = py::reinterpret_steal<py::object>(PySequence_Fast(src.ptr(), "a shape is a sequence"));
    if (!items)
        throw py::error_already_set();
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(items.ptr());
    sizes.assign(static_cast<size_t>(count), 0);
    for (Py_ssize_t k = 0; k < count; ++k)
        if (!loadSize(PySequence_Fast_GET_ITEM(items.ptr(), k), sizes[static_cast<size_t>(k)], "size"))
            return false;
    return true;
}

// An input or output by name (str) or position (a non-negative int); false
// for anything else.
inline bool loadKey(py::handle src, Quor::Onnx::TensorKey& key)
{
    if (PyUnicode_Check(src.ptr())) {
        key = nameBytes(src);
        return true;
    }
    int64_t position = 0;
    if (PyBool_Check(src.ptr()) || !loadSize(src, position, "position") || position < 0)
        return false;
    key = static_cast<size_t>(position);
    return true;
}

// The (key, value) pairs of a mapping, taken at once: the caller's code
// runs before any of the model's.
inline py::list mappingItems(py::handle src)
{
    const auto items = py::reinterpret_steal<py::object>(PyMapping_Items(src.ptr()));
    if (!items)
        throw py::error_already_set();
    for (py::handle item : items)
        if (!PyTuple_Check(item.ptr()) || PyTuple_GET_SIZE(item.ptr()) != 2)
            throw py::type_error("the mapping's items() gives " + std::string(py::repr(item))
                                 + ", not a (key, value) pair");
    return py::reinterpret_borrow<py::list>(items);
}

// Calls each(key, value) for every item of a mapping argument: None has no
// items, and anything that is not a mapping does not load.
template <typename Each>
bool loadMapping(py::handle src, Each&& each)
{
    if (src.is_none())
        return true;
    if (!PyMapping_Check(src.ptr()) || PySequence_Check(src.ptr()))
        return false;
    for (py::handle item : mappingItems(src))
        each(py::handle(PyTuple_GET_ITEM(item.ptr(), 0)), py::handle(PyTuple_GET_ITEM(item.ptr(), 1)));
    return true;
}

}  // namespace detail
}  // namespace quorlib_buffers

namespace pybind11::detail {

template <>
struct type_caster<quorlib_buffers::ModelArgument> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::ModelArgument,
                         const_name("str | os.PathLike[str] | os.PathLike[bytes] | typing_extensions.Buffer"));

    // str and os.PathLike are paths, and a path's __fspath__ may raise, as
    // os.fspath lets it; any other object with a buffer holds the model's
    // bytes (bytes and bytearray among them: a path in bytes is given as
    // os.fsdecode(path)).
    bool load(handle src, bool)
    {
        if (PyUnicode_Check(src.ptr()) || PyObject_HasAttrString(reinterpret_cast<PyObject*>(Py_TYPE(src.ptr())),
                                                                 "__fspath__")) {
            const auto path = reinterpret_steal<object>(PyOS_FSPath(src.ptr()));
            if (!path)
                throw error_already_set();
            object bytes = path;
            if (PyUnicode_Check(path.ptr())) {
                bytes = reinterpret_steal<object>(PyUnicode_EncodeFSDefault(path.ptr()));
                if (!bytes)
                    throw error_already_set();
            }
            value.source.path.assign(PyBytes_AS_STRING(bytes.ptr()),
                                     static_cast<size_t>(PyBytes_GET_SIZE(bytes.ptr())));
            // The runtime takes a C string: a NUL inside would silently open
            // the file named by the prefix.
            if (value.source.path.find('\0') != std::string::npos)
                throw value_error("embedded null byte");
            return true;
        }
        if (!PyObject_CheckBuffer(src.ptr()))
            return false;
        value.content = quorlib_buffers::takeExport(src.ptr(), PyBUF_SIMPLE);
        const Py_buffer& view = quorlib_buffers::exportView(value.content);
        value.source.content = {static_cast<const std::byte*>(view.buf), static_cast<size_t>(view.len)};
        value.source.inMemory = true;
        return true;
    }
};

template <>
struct type_caster<quorlib_buffers::TensorKeyArgument> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::TensorKeyArgument, const_name("str | int"));

    bool load(handle src, bool) { return quorlib_buffers::detail::loadKey(src, value.key); }
};

template <>
struct type_caster<quorlib_buffers::ShapeArgument> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::ShapeArgument, const_name("typing.Sequence[int]"));

    bool load(handle src, bool) { return quorlib_buffers::detail::loadShape(src, value.sizes); }
};

template <>
struct type_caster<quorlib_buffers::DimsArgument> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::DimsArgument, const_name("typing.Mapping[str, int] | None"));

    bool load(handle src, bool)
    {
        return quorlib_buffers::detail::loadMapping(src, [&](handle key, handle size) {
            int64_t n = 0;
            if (!PyUnicode_Check(key.ptr()) || !quorlib_buffers::detail::loadSize(size, n, "size"))
                throw type_error("dims maps names of dimensions (str) to their sizes (int); it maps "
                                 + std::string(repr(key)) + " to " + std::string(repr(size)));
            value.sizes.emplace_back(quorlib_buffers::detail::nameBytes(key), n);
        });
    }
};

template <>
struct type_caster<quorlib_buffers::ShapesArgument> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::ShapesArgument,
                         const_name("typing.Mapping[str | int, typing.Sequence[int]] | None"));

    bool load(handle src, bool)
    {
        return quorlib_buffers::detail::loadMapping(src, [&](handle key, handle shape) {
            std::vector<int64_t> sizes;
            int64_t index = 0;
            const bool byName = PyUnicode_Check(key.ptr());
            const bool byIndex = !byName && !PyBool_Check(key.ptr()) && PyLong_Check(key.ptr());
            if ((!byName && !byIndex) || !quorlib_buffers::detail::loadShape(shape, sizes))
                throw type_error("shapes maps inputs (a name or an index) to shapes (sequences of int); it maps "
                                 + std::string(repr(key)) + " to " + std::string(repr(shape)));
            if (byName)
                value.shapes.emplace_back(quorlib_buffers::detail::nameBytes(key), std::move(sizes));
            else {
                if (!quorlib_buffers::detail::loadSize(key, index, "input index") || index < 0)
                    throw value_error("shapes gives input " + std::string(repr(key))
                                      + "; inputs are counted from 0");
                value.shapes.emplace_back(static_cast<size_t>(index), std::move(sizes));
            }
        });
    }
};

}  // namespace pybind11::detail
