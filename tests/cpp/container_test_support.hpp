#pragma once
// Helpers shared by the container and text-form tests.
#include <complex>
#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace quor_test {

using SampleTypes = ::testing::Types<float, double, std::complex<float>, std::complex<double>>;

template <typename T>
inline constexpr bool isComplexSample = false;
template <typename R>
inline constexpr bool isComplexSample<std::complex<R>> = true;

// A sample whose parts are exactly representable in every sample type; the
// imaginary part is dropped for the real types.
template <typename T>
T sample(double re, double im = 0.0)
{
    if constexpr (isComplexSample<T>)
        return T(static_cast<typename T::value_type>(re), static_cast<typename T::value_type>(im));
    else
        return static_cast<T>(re);
}

// Runs `action` and checks that it throws std::runtime_error with exactly `message`.
inline void expectRuntimeError(const std::function<void()>& action, const std::string& message)
{
    try {
        action();
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), message);
        return;
    } catch (...) {
        ADD_FAILURE() << "expected std::runtime_error \"" << message << "\", got another exception";
        return;
    }
    ADD_FAILURE() << "expected std::runtime_error \"" << message << "\", nothing was thrown";
}

}  // namespace quor_test
