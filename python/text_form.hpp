#pragma once
// The text form of a container as `repr` returns it: complete or not at all.
// A string stream that cannot grow stops writing without an error, so the
// text goes into a buffer that reports a failed allocation as MemoryError; a
// text longer than any string can hold is refused before it is begun, and a
// long one checks now and then for a signal such as Ctrl-C.
#include <cstddef>
#include <ios>
#include <limits>
#include <new>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include <Python.h>
#include <pybind11/pybind11.h>

#include "operations/show.hpp"

namespace quorlib_pybind::text {

class CheckedTextBuffer : public std::streambuf {
public:
    // `expected`: a lower bound of the text's length, header line aside.
    explicit CheckedTextBuffer(size_t expected)
    {
        reserveFor(expected > limit ? expected : expected + headerAllowance);
        setp(m_chunk, m_chunk + sizeof m_chunk);
    }

    // The text written so far; the stream must be flushed first.
    std::string& text() { return m_text; }

protected:
    int_type overflow(int_type c) override
    {
        flushChunk();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override
    {
        flushChunk();
        return 0;
    }

private:
    // The longest text a Python string can hold.
    static constexpr size_t limit = static_cast<size_t>(std::numeric_limits<Py_ssize_t>::max());
    static constexpr size_t headerAllowance = 64;

    void reserveFor(size_t length)
    {
        if (length > limit || length > m_text.max_size())
            throw std::bad_alloc();
        m_text.reserve(length);
    }

    void flushChunk()
    {
        const size_t pending = static_cast<size_t>(pptr() - pbase());
        if (pending == 0)
            return;
        if (m_text.size() + pending > m_text.capacity())
            reserveFor(m_text.size() < limit / 2 ? 2 * m_text.size() + pending : m_text.size() + pending);
        m_text.append(pbase(), pending);
        setp(m_chunk, m_chunk + sizeof m_chunk);
        if (m_text.size() >= m_nextSignalCheck) {
            m_nextSignalCheck = m_text.size() + signalCheckInterval;
            if (PyErr_CheckSignals() != 0)
                throw pybind11::error_already_set();
        }
    }

    static constexpr size_t signalCheckInterval = size_t{1} << 20;
    std::string m_text;
    size_t m_nextSignalCheck = signalCheckInterval;
    char m_chunk[4096];
};

template <typename C>
pybind11::str render(const C& container)
{
    CheckedTextBuffer buffer(Quor::detail::minimumTextLength(container));
    std::ostream stream(&buffer);
    // The stream hands on what the buffer throws instead of only marking itself bad.
    stream.exceptions(std::ios::badbit);
    Quor::show(container, stream);
    stream.flush();
    const std::string& text = buffer.text();
    PyObject* result = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr);
    if (result == nullptr)
        throw pybind11::error_already_set();
    return pybind11::reinterpret_steal<pybind11::str>(result);
}

}  // namespace quorlib_pybind::text
