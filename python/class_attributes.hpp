#pragma once
// `q.vecd.numel`, `type(v).dim`: reading a method attribute from a class.
// The interpreter specialises attribute reads only on classes whose metaclass
// is `type` itself; a pybind11 class's metaclass first looks the name up for
// its static properties, then hands the read to `type`, which looks it up in
// the metaclass and in the class again and asks the attribute to bind to
// nothing. For a method attribute of ours, that is three lookups to return the
// attribute itself. The metaclass's read is fronted here by one that returns
// it from a cache, or after one lookup where the metaclass cannot have a data
// descriptor of that name (which `type` would prefer); every other read is
// pybind11's.
#include <cstdint>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "fast_methods.hpp"

namespace quorlib_pybind::fast {

inline getattrofunc pybind11ClassAttribute = nullptr;
inline PyTypeObject* fastMethodType = nullptr;
inline PyTypeObject* pybind11Metaclass = nullptr;

// Whether pybind11's metaclass holds a data descriptor of its own, looked at
// again whenever its version tag says that its dict changed.
inline unsigned int metaclassVersionSeen = 0;
inline bool metaclassHoldsDataDescriptor = true;

inline bool holdsDataDescriptor(PyTypeObject* meta)
{
    if (meta->tp_version_tag != metaclassVersionSeen || metaclassVersionSeen == 0) {
        if (!PyType_HasFeature(meta, Py_TPFLAGS_VALID_VERSION_TAG))
            return true;
        metaclassVersionSeen = meta->tp_version_tag;
        metaclassHoldsDataDescriptor = false;
        PyObject *name = nullptr, *value = nullptr;
        for (Py_ssize_t pos = 0; PyDict_Next(meta->tp_dict, &pos, &name, &value);)
            metaclassHoldsDataDescriptor |= Py_TYPE(value)->tp_descr_set != nullptr;
    }
    return metaclassHoldsDataDescriptor;
}

// The reads served here, cached as the interpreter caches its own lookups, so
// that a repeated read looks up nothing (not even the thread state that the
// interpreter's cache is found through). An entry holds while its class keeps
// the version tag it had: any change to the class or to a base gives the class
// another, and tags are not reused. The entry owns its name, so that the
// name's address stays that name's.
struct ClassRead {
    PyObject* cls = nullptr;
    unsigned int version = 0;
    PyObject* name = nullptr;
    PyObject* method = nullptr;  // borrowed from the class's dict
};
inline ClassRead classReads[64];

inline ClassRead& classReadSlot(PyObject* name, unsigned int version)
{
    return classReads[((reinterpret_cast<uintptr_t>(name) >> 4) ^ version) & 63];
}

// The method attribute `type` gives for `cls.name`, or nullptr for a read of
// another kind.
inline PyObject* methodAttributeOf(PyTypeObject* cls, PyObject* name)
{
    PyObject* found = _PyType_Lookup(cls, name);
    if (found == nullptr || Py_TYPE(found) != fastMethodType)
        return nullptr;
    // The data descriptors of `type` and `object` all have dunder names.
    PyObject* shadow = PyUnicode_READ_CHAR(name, 0) == '_' ? _PyType_Lookup(Py_TYPE(cls), name) : nullptr;
    return shadow == nullptr || Py_TYPE(shadow)->tp_descr_set == nullptr ? found : nullptr;
}

inline PyObject* classAttribute(PyObject* object, PyObject* name)
{
    auto* cls = reinterpret_cast<PyTypeObject*>(object);
    if (Py_TYPE(cls) == pybind11Metaclass && PyUnicode_CheckExact(name) && !holdsDataDescriptor(Py_TYPE(cls))) {
        ClassRead& slot = classReadSlot(name, cls->tp_version_tag);
        if (slot.cls == object && slot.name == name && slot.version == cls->tp_version_tag && slot.version != 0)
            return Py_NewRef(slot.method);  // what binding it to no instance gives
        if (PyObject* method = methodAttributeOf(cls, name)) {
            if (cls->tp_version_tag != 0) {  // the lookup gave the class a tag, if it can have one
                ClassRead& fresh = classReadSlot(name, cls->tp_version_tag);
                Py_XSETREF(fresh.name, Py_NewRef(name));
                fresh.cls = object;
                fresh.version = cls->tp_version_tag;
                fresh.method = method;
            }
            return Py_NewRef(method);
        }
    }
    return pybind11ClassAttribute(object, name);
}

// Once per process: pybind11's metaclass is shared by every pybind11 module
// of the process, whose classes see no difference.
inline void installClassAttributes()
{
    PyTypeObject* metaclass = pybind11::detail::get_internals().default_metaclass;
    if (metaclass->tp_getattro == &classAttribute)
        return;
    fastMethodType = methodType();
    pybind11Metaclass = metaclass;
    pybind11ClassAttribute = metaclass->tp_getattro;
    metaclass->tp_getattro = &classAttribute;
}

}  // namespace quorlib_pybind::fast
