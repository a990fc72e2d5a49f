// Fits a straight line through noisy points with the least-squares solver,
// then checks the fit with a matrix-vector product.
#include <cmath>
#include <complex>
#include <iostream>
#include <sstream>

#include "operations/all.hpp"
#include "types/Matrix.hpp"
#include "types/Vector.hpp"

int main()
{
    constexpr size_t points = 6;
    const double slope = 2.0, intercept = -1.0;

    Quor::Matrix<double> A(points, 2);    // columns: 1, t
    Quor::Vector<double> b(points);       // observations; becomes the solution
    for (size_t i = 0; i < points; ++i) {
        const double t = static_cast<double>(i);
        A[{i, 0}] = 1.0;
        A[{i, 1}] = t;
        b[i] = intercept + slope * t + (i % 2 ? 0.01 : -0.01);
    }
    Quor::Matrix<double> design = A;  // shares storage: ls overwrites it
    Quor::Matrix<double> original(points, 2);
    Quor::copy(A, original);

    Quor::ls(A, b);
    std::cout << "intercept " << b[0] << ", slope " << b[1] << "\n";

    Quor::Vector<double> coefficients(2), fitted(points);
    Quor::copy(b[std::pair<size_t, size_t>{0, 2}], coefficients);
    Quor::gemv(1.0, 0.0, original, coefficients, fitted);

    std::stringstream text;
    Quor::show(fitted, text);
    std::cout << text.str();

    const bool ok = std::abs(b[0] - intercept) < 0.05 && std::abs(b[1] - slope) < 0.05;
    std::cout << (ok ? "fit ok" : "fit FAILED") << "\n";
    return ok ? 0 : 1;
}
