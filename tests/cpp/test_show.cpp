// Text form of the containers, compared byte for byte.
#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <sstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "operations/show.hpp"
#include "types/Matrix.hpp"
#include "types/Vector.hpp"
#include "types/VectorView.hpp"

namespace {

using namespace Quor;
using quor_test::sample;

template <typename C>
std::string render(const C& container)
{
    std::stringstream out;
    show(container, out);
    return out.str();
}

// Text of the sample (k, -k) for a single digit k.
template <typename T>
std::string digitText(int k)
{
    const std::string re = std::to_string(k) + ".00000000000000e+00";
    if constexpr (Quor::isComplex<T>)
        return "(" + re + "," + (k == 0 ? "" : "-") + re + ")";
    else
        return re;
}

template <typename T>
Matrix<T> digitMatrix(size_t rows, size_t cols)
{
    Matrix<T> m(rows, cols);
    for (size_t r = 0; r < rows; ++r)
        for (size_t c = 0; c < cols; ++c)
            m[{r, c}] = sample<T>(double(r + c), -double(r + c));
    return m;
}

TEST(ShowTest, WorkedVectorExamples)
{
    Vector<double> v(2);
    v[0] = 1.0;
    v[1] = -2.5;
    EXPECT_EQ(render(v), "Column vector of size: 2\n"
                         "[1.00000000000000e+00]\n"
                         "[-2.50000000000000e+00]\n");

    Vector<std::complex<float>> c(1);
    c[0] = {1.0f, 2.0f};
    EXPECT_EQ(render(c), "Column vector of size: 1\n"
                         "[(1.00000000000000e+00,2.00000000000000e+00)]\n");
}

TEST(ShowTest, WorkedMatrixExamples)
{
    Matrix<double> wide(2, 6);
    Matrix<double> four(2, 4);
    for (size_t i = 0; i < 2; ++i)
        for (size_t j = 0; j < 6; ++j) {
            wide[{i, j}] = 10.0 * double(i) + double(j);
            if (j < 4)
                four[{i, j}] = 10.0 * double(i) + double(j);
        }
    EXPECT_EQ(render(wide),
              "Matrix of size: (2, 6)\n"
              "[0.00000000000000e+00, 1.00000000000000e+00, 2.00000000000000e+00, ..., 5.00000000000000e+00]\n"
              "[1.00000000000000e+01, 1.10000000000000e+01, 1.20000000000000e+01, ..., 1.50000000000000e+01]\n");
    EXPECT_EQ(render(four),
              "Matrix of size: (2, 4)\n"
              "[0.00000000000000e+00, 1.00000000000000e+00, 2.00000000000000e+00, 3.00000000000000e+00]\n"
              "[1.00000000000000e+01, 1.10000000000000e+01, 1.20000000000000e+01, 1.30000000000000e+01]\n");
}

TEST(ShowTest, SinglePrecisionIsWidenedToDouble)
{
    Vector<float> v(1);
    v[0] = 0.1f;
    EXPECT_EQ(render(v), "Column vector of size: 1\n[1.00000001490116e-01]\n");

    Matrix<std::complex<float>> m(1, 1);
    m[{0, 0}] = {0.1f, -0.1f};
    EXPECT_EQ(render(m), "Matrix of size: (1, 1)\n[(1.00000001490116e-01,-1.00000001490116e-01)]\n");
}

TEST(ShowTest, NonFiniteValuesArePaddedToTheFieldWidth)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();

    Vector<double> d(4);
    d[0] = inf;
    d[1] = -inf;
    d[2] = nan;
    d[3] = std::copysign(nan, -1.0);
    EXPECT_EQ(render(d), "Column vector of size: 4\n"
                         "[           inf]\n"
                         "[          -inf]\n"
                         "[           nan]\n"
                         "[          -nan]\n");

    Vector<float> s(1);
    s[0] = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(render(s), "Column vector of size: 1\n[          -inf]\n");

    // The width covers the whole parenthesised pair, never each part.
    Vector<std::complex<double>> z(2);
    z[0] = {nan, nan};
    z[1] = {inf, -inf};
    EXPECT_EQ(render(z), "Column vector of size: 2\n"
                         "[     (nan,nan)]\n"
                         "[    (inf,-inf)]\n");

    // Separators after a padded element are not padded themselves.
    Matrix<double> m(1, 5);
    m[{0, 0}] = inf;
    m[{0, 4}] = nan;
    EXPECT_EQ(render(m), "Matrix of size: (1, 5)\n"
                         "[           inf, 0.00000000000000e+00, 0.00000000000000e+00, ..., "
                         "           nan]\n");
}

TEST(ShowTest, LeavesTheStreamInScientificFormat)
{
    std::stringstream out;
    out << "before\n";
    show(Vector<double>(1), out);
    out << 0.5;
    EXPECT_EQ(out.str(), "before\nColumn vector of size: 1\n[0.00000000000000e+00]\n5.00000000000000e-01");
}

template <typename T>
class ShowTypedTest : public ::testing::Test {};
TYPED_TEST_SUITE(ShowTypedTest, quor_test::SampleTypes);

TYPED_TEST(ShowTypedTest, EmptyVectorAndViewShowOnlyTheHeader)
{
    using T = TypeParam;
    Vector<T> v(3);
    EXPECT_EQ(render(Vector<T>(0)), "Column vector of size: 0\n");
    EXPECT_EQ(render(v[{1, 1}]), "Column vector of size: 0\n");
    EXPECT_EQ(render(v[{2, 1}]), "Column vector of size: 0\n");
}

TYPED_TEST(ShowTypedTest, ViewShowsItsOwnWindow)
{
    using T = TypeParam;
    Vector<T> v(6);
    for (size_t i = 0; i < 6; ++i)
        v[i] = sample<T>(double(i), -double(i));
    auto w = v[{3, 6}];
    const std::string expected = "Column vector of size: 3\n[" + digitText<T>(3) + "]\n[" + digitText<T>(4)
                                 + "]\n[" + digitText<T>(5) + "]\n";
    EXPECT_EQ(render(w), expected);
    EXPECT_EQ(render(v[{2, 6}][{1, 4}]), expected);
}

TYPED_TEST(ShowTypedTest, MatrixWithoutRowsOrColumns)
{
    using T = TypeParam;
    EXPECT_EQ(render(Matrix<T>(0, 3)), "Matrix of size: (0, 3)\n");
    EXPECT_EQ(render(Matrix<T>(0, 0)), "Matrix of size: (0, 0)\n");
    EXPECT_EQ(render(Matrix<T>(2, 0)), "Matrix of size: (2, 0)\n[]\n[]\n");
}

// Columns shown for each width: up to four all of them, beyond that the
// first three, the marker and the last.
TYPED_TEST(ShowTypedTest, RowsShortenBeyondFourColumns)
{
    using T = TypeParam;
    const auto d = [](int k) { return digitText<T>(k); };
    const std::pair<size_t, std::string> cases[] = {
        {1, "[" + d(1) + "]\n"},
        {2, "[" + d(1) + ", " + d(2) + "]\n"},
        {4, "[" + d(1) + ", " + d(2) + ", " + d(3) + ", " + d(4) + "]\n"},
        {5, "[" + d(1) + ", " + d(2) + ", " + d(3) + ", ..., " + d(5) + "]\n"},
        {9, "[" + d(1) + ", " + d(2) + ", " + d(3) + ", ..., " + d(9) + "]\n"},
    };
    for (const auto& [cols, secondRow] : cases) {
        SCOPED_TRACE(cols);
        const std::string text = render(digitMatrix<T>(3, cols));
        const std::string header = "Matrix of size: (3, " + std::to_string(cols) + ")\n";
        ASSERT_EQ(text.substr(0, header.size()), header);
        // Row r starts at r, so row 1 is 1, 2, ...; three rows, one line each.
        const size_t first = text.find('\n') + 1;
        const size_t second = text.find('\n', first) + 1;
        const size_t third = text.find('\n', second) + 1;
        EXPECT_EQ(text.substr(second, third - second), secondRow);
        EXPECT_EQ(text.substr(third).find("[" + d(2)), 0u);
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    }
}

}  // namespace
