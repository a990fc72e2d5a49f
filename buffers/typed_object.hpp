#pragma once
// A Python object taken or returned as it is, under a type of its own for
// pybind11's signatures (and so for the stubs): `Typed<Name>` where
// `Name::text` is the annotation. Taking one accepts anything; the function
// checks what it got with messages of its own. And the named tuple types
// this module makes at import.
#include <initializer_list>
#include <utility>

#include <pybind11/pybind11.h>

namespace quorlib_buffers {

template <typename Name>
struct Typed {
    pybind11::object object;
};

// A typing.NamedTuple of `fields` (name, type), set on `m` as `name`;
// kept for the life of the process.
inline pybind11::object namedTuple(pybind11::module_& m, const char* name,
                                   std::initializer_list<std::pair<const char*, pybind11::object>> fields,
                                   const char* doc)
{
    pybind11::list items;
    for (const auto& [field, type] : fields)
        items.append(pybind11::make_tuple(field, type));
    pybind11::object type = pybind11::module_::import("typing").attr("NamedTuple")(name, items);
    type.attr("__module__") = m.attr("__name__");
    type.attr("__doc__") = doc;
    m.attr(name) = type;
    return type;
}

}  // namespace quorlib_buffers

namespace pybind11::detail {

template <typename Name>
struct type_caster<quorlib_buffers::Typed<Name>> {
    PYBIND11_TYPE_CASTER(quorlib_buffers::Typed<Name>, Name::text);

    bool load(handle src, bool)
    {
        value.object = reinterpret_borrow<object>(src);
        return true;
    }

    static handle cast(const quorlib_buffers::Typed<Name>& src, return_value_policy, handle)
    {
        return src.object.inc_ref();
    }
};

}  // namespace pybind11::detail
