"""Shared fixtures: the four type letters and the classes that belong to each."""

import os

import pytest
from hypothesis import settings

import quorlibcore
from container_support import COMPLEX_LETTERS, KINDS, LETTERS

# Continuous integration replays the same examples on every run, so that a
# red run points at a change, not at a newly drawn example; local runs keep
# exploring. QUORLIB_DEEP=k draws k times the usual examples (`make test-deep`),
# all fresh: no example database, so earlier runs cannot stand in for new draws.
depth = int(os.environ.get("QUORLIB_DEEP") or 1)
settings.register_profile("local", max_examples=200)
settings.register_profile("ci", derandomize=True, print_blob=True, max_examples=200)
settings.register_profile("deep", max_examples=200 * depth, database=None, print_blob=True)
settings.load_profile("deep" if depth > 1 else "ci" if os.environ.get("CI") else "local")


def classes_of(letter):
    """The vector, view and matrix classes of one type letter."""
    return tuple(getattr(quorlibcore, stem + letter) for stem in KINDS)


def sample(letter, re, im=0.0):
    """A value of the element type of `letter`; the imaginary part is dropped for real letters."""
    return complex(re, im) if letter in COMPLEX_LETTERS else float(re)


@pytest.fixture(params=LETTERS)
def letter(request):
    return request.param


@pytest.fixture
def vec(letter):
    return getattr(quorlibcore, "vec" + letter)


@pytest.fixture
def mat(letter):
    return getattr(quorlibcore, "mat" + letter)


@pytest.fixture
def view_cls(letter):
    return getattr(quorlibcore, "view" + letter)


@pytest.fixture
def numbered(vec, letter):
    """Factory for a vector whose element i holds sample(i, -i)."""

    def make(n):
        v = vec(n)
        for i in range(n):
            v[i] = sample(letter, i, -i)
        return v

    return make


@pytest.fixture
def value(letter):
    """sample() bound to the current type letter."""
    return lambda re, im=0.0: sample(letter, re, im)
