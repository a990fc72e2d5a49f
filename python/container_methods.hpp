#pragma once
// The bodies of the container and model methods, written once: the pybind11
// bindings and the fast paths (fast_methods.hpp) call the same functions, so
// the two can only differ in how arguments reach them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "text_form.hpp"
#include "types/ExternalStorage.hpp"
#include "types/Model.hpp"

namespace quorlib_pybind::methods {

namespace py = pybind11;

using Position = std::pair<size_t, size_t>;

template <typename C>
pybind11::str render(const C& container)
{
    return text::render(container);
}

inline std::runtime_error invalidDimension(size_t idx, const char* kind)
{
    return std::runtime_error("dimension " + std::to_string(idx) + " invalid for " + kind);
}

template <typename C>
size_t numel(const C& c)
{
    return c.numel();
}

template <typename C>
size_t vectorDim(const C& v, size_t idx)
{
    if (idx != 0)
        throw invalidDimension(idx, "vector");
    return v.numel();
}

template <typename M>
size_t matrixDim(const M& x, size_t idx)
{
    if (idx == 0)
        return x.template dim<0>();
    if (idx == 1)
        return x.template dim<1>();
    throw invalidDimension(idx, "matrix");
}

// Element access with an index (vectors, views) or a (row, column) pair
// (matrices), through the containers' checked element access.
template <typename C, typename Key>
typename C::SampleType item(C& c, Key idx)
{
    return c[idx];
}

template <typename C, typename Key>
void setItem(C& c, Key idx, typename C::SampleType value)
{
    c[idx] = value;
}

template <typename C>
auto slice(C& v, const py::slice& slice)
{
    size_t start = 0, stop = 0, step = 0, sliceLength = 0;
    if (!slice.compute(v.numel(), &start, &stop, &step, &sliceLength))
        throw py::error_already_set();
    // Negative steps arrive here as huge unsigned values.
    if (step > 1)
        throw std::runtime_error("stepsizes larger than 1 invalid for vector");
    auto view = v[Position{start, stop}];
    // Over lent memory, each view object holds a reference of its own to the
    // lender, which it can report to the garbage collector.
    if (Quor::externalOwner(view.storage()) != nullptr) [[unlikely]]
        return decltype(view)({0, view.numel()}, Quor::separateStorage(view.storage(), view.get()));
    return view;
}

inline void modelRun(Quor::Onnx::Model& model) { model.run(); }

inline void modelSet(Quor::Onnx::Model& model, size_t inputIdx, std::span<const int64_t> tensorIdx, float value)
{
    model.set<float>(inputIdx, tensorIdx, value);
}

inline float modelGet(Quor::Onnx::Model& model, size_t outputIdx, std::span<const int64_t> tensorIdx)
{
    return model.get<float>(outputIdx, tensorIdx);
}

}  // namespace quorlib_pybind::methods
