#pragma once
// Helpers shared by the C++ tests.
#include <complex>
#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "types/Traits.hpp"

namespace quor_test {

using SampleTypes = ::testing::Types<float, double, std::complex<float>, std::complex<double>>;

// A sample whose parts are exactly representable in every sample type; the
// imaginary part is dropped for the real types.
template <typename T>
T sample(double re, double im = 0.0)
{
    if constexpr (Quor::isComplex<T>)
        return T(static_cast<typename T::value_type>(re), static_cast<typename T::value_type>(im));
    else
        return static_cast<T>(re);
}

// The message of the E that `action` throws, or a marker saying what
// happened instead.
template <typename E>
std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.what();
    } catch (...) {
        return "<another exception>";
    }
    return "<nothing thrown>";
}

inline std::string runtimeErrorOf(const std::function<void()>& action)
{
    return errorOf<std::runtime_error>(action);
}

// Checks that `action` throws exactly an E with exactly `message`.
template <typename E>
void expectThrows(const std::function<void()>& action, const std::string& message)
{
    EXPECT_EQ(errorOf<E>(action), message);
}

inline void expectRuntimeError(const std::function<void()>& action, const std::string& message)
{
    expectThrows<std::runtime_error>(action, message);
}

}  // namespace quor_test
