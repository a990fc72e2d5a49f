"""What the module exposes and how its container classes behave as Python types."""

import re

import pytest

import quorlibcore
from conftest import KINDS, LETTERS, classes_of

CLASS_NAMES = [stem + letter for letter in LETTERS for stem in KINDS]
ELEMENT = {"s": "float", "d": "float", "c": "complex", "z": "complex"}


def instances(letter):
    vec, _, mat = classes_of(letter)
    v = vec(3)
    return [v, v[0:2], mat(2, 2)]


def test_module_has_the_twelve_container_classes_and_no_others():
    for name in CLASS_NAMES:
        cls = getattr(quorlibcore, name)
        assert isinstance(cls, type)
        assert cls.__name__ == name
        assert cls.__module__ == "quorlibcore"
    container_like = {
        name
        for name, obj in vars(quorlibcore).items()
        if re.fullmatch(r"(vec|view|mat)[a-z]", name) or (isinstance(obj, type) and name.startswith(KINDS))
    }
    assert container_like == set(CLASS_NAMES)
    assert quorlibcore.__doc__ is None


@pytest.mark.parametrize("name", CLASS_NAMES)
def test_classes_are_distinct_and_undocumented(name):
    cls = getattr(quorlibcore, name)
    assert cls.__doc__ is None
    others = [getattr(quorlibcore, n) for n in CLASS_NAMES if n != name]
    assert not any(issubclass(cls, other) for other in others)


def test_instances_have_no_attribute_dictionary(letter):
    for obj in instances(letter):
        with pytest.raises(AttributeError):
            obj.extra = 1
        assert not hasattr(obj, "__dict__")


def test_instances_are_not_buffers(letter):
    for obj in instances(letter):
        with pytest.raises(TypeError):
            memoryview(obj)


def test_instances_have_no_length_or_arithmetic(letter):
    for obj in instances(letter):
        with pytest.raises(TypeError):
            len(obj)
        with pytest.raises(TypeError):
            obj + obj


def test_view_classes_cannot_be_constructed(letter):
    _, view, _ = classes_of(letter)
    for args in [(), (3,)]:
        with pytest.raises(TypeError, match=r": No constructor defined!$"):
            view(*args)


def test_method_signatures(letter):
    vec, view, mat = classes_of(letter)
    elem = ELEMENT[letter]
    v_name, w_name, m_name = (f"quorlibcore.{cls.__name__}" for cls in (vec, view, mat))

    assert vec.__init__.__doc__.startswith(f"__init__(self: {v_name}, arg0: int) -> None")
    assert mat.__init__.__doc__.startswith(f"__init__(self: {m_name}, arg0: int, arg1: int) -> None")

    # Element access is tried before slicing; both name the concrete classes.
    for cls_name, cls in ((v_name, vec), (w_name, view)):
        doc = cls.__getitem__.__doc__
        first = doc.index(f"1. __getitem__(self: {cls_name}, arg0: int) -> {elem}")
        second = doc.index(f"2. __getitem__(self: {cls_name}, arg0: slice) -> {w_name}")
        assert first < second
        assert cls.__setitem__.__doc__.startswith(
            f"__setitem__(self: {cls_name}, arg0: int, arg1: {elem}) -> None"
        )
        assert cls.dim.__doc__.startswith(f"dim(self: {cls_name}, arg0: int) -> int")
        assert cls.numel.__doc__.startswith(f"numel(self: {cls_name}) -> int")
        assert cls.__repr__.__doc__.startswith(f"__repr__(self: {cls_name}) -> str")

    assert f"-> {elem}" in mat.__getitem__.__doc__
    assert mat.__setitem__.__doc__.rstrip().endswith(f"arg1: {elem}) -> None")
