#pragma once
// The module functions have up to 36 overloads each, and pybind11 tries them
// in registration order at a cost that grows with the position of the one
// that matches. Beside each pybind11 overload, the registration loop files
// the same C++ function in a table keyed by the exact classes of its
// container arguments. The module attribute then becomes a function that
// looks the call up in that table and hands everything it cannot decide to
// the pybind11 function, which keeps the name's docstring, overload listing
// and errors.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "fallback.hpp"
#include "fast_call.hpp"
#include "types/Traits.hpp"

namespace quorlib_pybind::fast {

// The container classes in registration order; a class's position is its
// digit in the table keys.
inline constexpr size_t maxContainerClasses = 12;
inline std::array<const pybind11::detail::type_info*, maxContainerClasses> containerTypeInfo{};
inline size_t containerClassCount = 0;

// Finding a class's position costs the same for every class: the positions
// sit in a small table indexed by bits of the class's address, chosen once
// all classes exist so that no two classes share a slot.
struct ClassSlots {
    static constexpr size_t size = 64;
    std::array<PyTypeObject*, size> classes{};
    std::array<int, size> positions{};
    unsigned shift = 0;
    bool ready = false;

    size_t slot(PyTypeObject* type) const { return (reinterpret_cast<uintptr_t>(type) >> shift) % size; }

    void build()
    {
        for (shift = 3; shift < 24; ++shift) {
            classes.fill(nullptr);
            ready = true;
            for (size_t i = 0; i < containerClassCount && ready; ++i) {
                PyTypeObject* const type = containerTypeInfo[i]->type;
                const size_t s = slot(type);
                ready = classes[s] == nullptr;
                classes[s] = type;
                positions[s] = static_cast<int>(i);
            }
            if (ready)
                return;
        }
    }
};
inline ClassSlots classSlots;

template <typename C>
void rememberContainerClass()
{
    rememberBoundClass<C>();
    containerTypeInfo.at(containerClassCount++) = pybind11::detail::get_type_info(typeid(C), true);
}

// Once every container class is registered, before any operation is filed.
inline void indexContainerClasses()
{
    classSlots.build();
}

inline int containerIndex(PyTypeObject* type)
{
    if (classSlots.ready) {
        const size_t s = classSlots.slot(type);
        return classSlots.classes[s] == type ? classSlots.positions[s] : -1;
    }
    for (size_t i = 0; i < containerClassCount; ++i)
        if (containerTypeInfo[i]->type == type)
            return static_cast<int>(i);
    return -1;
}

// Files the container arguments that the fast slice left unfiled, so that
// pybind11 finds the Python object of the container it returns.
inline void fileArguments(PyObject* const* args, Py_ssize_t nargs)
{
    for (Py_ssize_t i = 0; i < nargs; ++i) {
        const int index = containerIndex(Py_TYPE(args[i]));
        if (index < 0)
            continue;
        auto* instance = reinterpret_cast<pybind11::detail::instance*>(args[i]);
        if (!instance->simple_layout || !instance->simple_holder_constructed || instance->simple_instance_registered)
            continue;
        pybind11::detail::register_instance(instance, instance->simple_value_holder[0], containerTypeInfo[index]);
        instance->simple_instance_registered = true;
    }
}

struct FunctionTable {
    const char* name = nullptr;
    size_t arity = 0;
    size_t firstContainer = 0;  // the scalars come first, the containers after them
    std::vector<Call> calls;    // indexed by the container classes' positions
    PyObject* pybind11Function = nullptr;
    PyMethodDef definition{};
    PyObject* (*entry)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*) = nullptr;

    PyObject* call(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) const
    {
        if (kwnames == nullptr && static_cast<size_t>(nargs) == arity) {
            size_t key = 0;
            bool known = true;
            for (size_t i = firstContainer; known && i < arity; ++i) {
                const int index = containerIndex(Py_TYPE(args[i]));
                known = index >= 0;
                key = key * maxContainerClasses + static_cast<size_t>(index);
            }
            if (const Call fast = known ? calls[key] : nullptr) {
                PyObject* result = fast(args);
                if (result != notDecided)
                    return result;
            }
        }
        fileArguments(args, nargs);
        return callPybind11(pybind11Function, args, static_cast<size_t>(nargs), kwnames);
    }
};

inline std::vector<FunctionTable*> functionTables;

template <typename T>
inline constexpr bool isContainerParameter = Quor::Container<std::remove_cvref_t<T>>;

template <typename Function>
struct Parameters;
template <typename Result, typename... Params>
struct Parameters<Result (*)(Params...)> {
    static constexpr size_t count = sizeof...(Params);
    static constexpr size_t scalars = (size_t{!isContainerParameter<Params>} + ... + 0);
    static constexpr bool scalarsFirst = [] {
        constexpr std::array<bool, count> container{isContainerParameter<Params>...};
        for (size_t i = 0; i < count; ++i)
            if (container[i] != (i >= scalars))
                return false;
        return true;
    }();

    // The table key of this overload.
    static size_t key()
    {
        size_t key = 0;
        auto digit = [&]<typename P>() {
            if constexpr (isContainerParameter<P>)
                key = key * maxContainerClasses
                    + static_cast<size_t>(containerIndex(boundClass<std::remove_cvref_t<P>>));
        };
        (digit.template operator()<Params>(), ...);
        return key;
    }
};

// One module function, named by a compile-time string; each name has an entry
// point of its own.
template <typename Name>
struct Function {
    static inline FunctionTable table;

    static PyObject* entry(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)
    {
        return table.call(args, nargs, kwnames);
    }

    template <auto function>
    static void add()
    {
        using P = Parameters<decltype(function)>;
        static_assert(P::scalarsFirst, "scalars come before the containers");
        if (table.name == nullptr) {
            table.name = Name::c_str();
            table.arity = P::count;
            table.firstContainer = P::scalars;
            size_t size = 1;
            for (size_t i = P::scalars; i < P::count; ++i)
                size *= maxContainerClasses;
            table.calls.assign(size, nullptr);
            table.entry = &entry;
            functionTables.push_back(&table);
        }
        if (table.arity != P::count || table.firstContainer != P::scalars)
            throw std::logic_error(std::string("overloads of ") + table.name + " differ in their parameters");
        table.calls.at(P::key()) = &FastCall<function>::call;
    }
};

// Defines one overload on the module, and files it for the fast path.
template <auto function, typename Name>
void defineOperation(pybind11::module_& m, Name, const char* doc)
{
    m.def(Name::c_str(), function, doc);
    Function<Name>::template add<function>();
}

// Replaces each overloaded pybind11 function on the module by its fast entry.
// The replacement is a built-in function like pybind11's own, with the same
// name, docstring, module and `__self__`; the pybind11 function stays alive
// inside it as the fallback.
inline void installFunctions(pybind11::module_& m)
{
    for (FunctionTable* table : functionTables) {
        PyObject* original = pybind11::object(m.attr(table->name)).release().ptr();
        if (!PyCFunction_Check(original))
            throw std::logic_error(std::string(table->name) + " is not a built-in function");
        table->pybind11Function = original;  // kept for the module's lifetime
        const PyMethodDef* pybind11Definition = reinterpret_cast<PyCFunctionObject*>(original)->m_ml;
        table->definition = {table->name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(table->entry)),
                             METH_FASTCALL | METH_KEYWORDS, pybind11Definition->ml_doc};
        const pybind11::object moduleName = pybind11::getattr(pybind11::handle(original), "__module__");
        PyObject* replacement =
            PyCFunction_NewEx(&table->definition, PyCFunction_GET_SELF(original), moduleName.ptr());
        if (replacement == nullptr)
            throw pybind11::error_already_set();
        m.attr(table->name) = pybind11::reinterpret_steal<pybind11::object>(replacement);
    }
}

}  // namespace quorlib_pybind::fast
