// Level-1 operations, the matrix-vector and matrix-matrix products and the
// least-squares solver, checked against hand-computed values.
#include <climits>
#include <cmath>
#include <complex>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "operations/all.hpp"

namespace {

using namespace Quor;

using quor_test::runtimeErrorOf;
using quor_test::sample;
using OpSampleTypes = quor_test::SampleTypes;
using ComplexSampleTypes = ::testing::Types<std::complex<float>, std::complex<double>>;

constexpr size_t kPastInt = size_t{1} << 31;  // INT_MAX + 1

// ---------------------------------------------------------------------------
// helpers

template <typename T>
T nanValue()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return sample<T>(nan, nan);
}

template <typename T>
bool isNan(const T& v)
{
    if constexpr (isComplex<T>)
        return std::isnan(v.real()) || std::isnan(v.imag());
    else
        return std::isnan(v);
}

template <typename T>
double tolerance()
{
    if constexpr (std::is_same_v<T, float> || std::is_same_v<T, std::complex<float>>)
        return 1e-5;
    else
        return 1e-12;
}

template <typename T>
Vector<T> vectorOf(std::initializer_list<T> values)
{
    Vector<T> v(values.size());
    size_t i = 0;
    for (const T& value : values)
        v[i++] = value;
    return v;
}

template <typename T>
Vector<T> vectorOfReals(std::initializer_list<double> values)
{
    Vector<T> v(values.size());
    size_t i = 0;
    for (double value : values)
        v[i++] = sample<T>(value);
    return v;
}

// Matrix from its rows, written as they read on paper.
template <typename T>
Matrix<T> matrixOfRows(size_t rows, size_t cols, std::initializer_list<T> rowMajor)
{
    Matrix<T> m(rows, cols);
    size_t k = 0;
    for (const T& value : rowMajor) {
        m[{k / cols, k % cols}] = value;
        ++k;
    }
    return m;
}

template <typename T>
Matrix<T> matrixOfRealRows(size_t rows, size_t cols, std::initializer_list<double> rowMajor)
{
    Matrix<T> m(rows, cols);
    size_t k = 0;
    for (double value : rowMajor) {
        m[{k / cols, k % cols}] = sample<T>(value);
        ++k;
    }
    return m;
}

// The flat storage of any container, read through get().
template <typename C>
std::vector<typename C::SampleType> storage(const C& c)
{
    return std::vector<typename C::SampleType>(c.get(), c.get() + c.numel());
}

template <typename T>
std::vector<T> reals(std::initializer_list<double> values)
{
    std::vector<T> out;
    for (double value : values)
        out.push_back(sample<T>(value));
    return out;
}

template <typename T>
void expectNear(const std::vector<T>& actual, const std::vector<T>& expected, double tol)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_LE(std::abs(actual[i] - expected[i]), tol) << "at position " << i;
}

// Runs `action` with stdout and stderr captured and returns what was printed.
std::string printedBy(const std::function<void()>& action)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    action();
    std::string out = ::testing::internal::GetCapturedStdout();
    out += ::testing::internal::GetCapturedStderr();
    return out;
}

// ---------------------------------------------------------------------------
// level-1 operations, all sample types

template <typename T>
class Level1Test : public ::testing::Test {};
TYPED_TEST_SUITE(Level1Test, OpSampleTypes);

TYPED_TEST(Level1Test, MatrixTakesPartInColumnMajorOrder)
{
    using T = TypeParam;
    auto m = matrixOfRealRows<T>(2, 2, {1, 3, 2, 4});
    Vector<T> v(4);
    copy(m, v);
    EXPECT_EQ(storage(v), reals<T>({1, 2, 3, 4}));

    auto ones = vectorOfReals<T>({1, 1, 1, 1});
    EXPECT_EQ(dot(m, ones), sample<T>(10));

    // a 2 x 3 matrix added to a 6-element vector goes (0,0), (1,0), (0,1), ...
    auto wide = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    auto target = vectorOfReals<T>({10, 20, 30, 40, 50, 60});
    sum(wide, target);
    EXPECT_EQ(storage(target), reals<T>({11, 24, 32, 45, 53, 66}));
}

TYPED_TEST(Level1Test, ScaleReachesEveryElementOfAMatrix)
{
    using T = TypeParam;
    auto m = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(&scale(sample<T>(2), m), &m);
    EXPECT_EQ(storage(m), reals<T>({2, 8, 4, 10, 6, 12}));
    // in BLAS calls of at most 4 elements, as a count past the integer range is split
    detail::scaleElements(sample<T>(-1), m.get(), m.numel(), 4);
    EXPECT_EQ(storage(m), reals<T>({-2, -8, -4, -10, -6, -12}));
}

TYPED_TEST(Level1Test, ShortFirstArgumentTouchesOnlyLeadingElements)
{
    using T = TypeParam;
    auto x = vectorOfReals<T>({1, 2});
    auto y = vectorOfReals<T>({9, 8, 7, 6, 5});
    copy(x, y);
    EXPECT_EQ(storage(y), reals<T>({1, 2, 7, 6, 5}));

    auto a = vectorOfReals<T>({1, 2});
    auto b = vectorOfReals<T>({9, 8, 7, 6, 5});
    swap(a, b);
    EXPECT_EQ(storage(a), reals<T>({9, 8}));
    EXPECT_EQ(storage(b), reals<T>({1, 2, 7, 6, 5}));

    auto c = vectorOfReals<T>({1, 2, 3, 4, 5});
    axpy(sample<T>(3), x, c);
    EXPECT_EQ(storage(c), reals<T>({4, 8, 3, 4, 5}));

    // dot reads only as many elements of y as x holds
    EXPECT_EQ(dot(x, c), sample<T>(1 * 4 + 2 * 8));
}

TYPED_TEST(Level1Test, AxpyIntoAViewChangesOnlyTheParentWindow)
{
    using T = TypeParam;
    auto parent = vectorOfReals<T>({0, 1, 2, 3, 4, 5, 6, 7});
    auto window = parent[{3, 5}];
    auto x = vectorOfReals<T>({10, 100});
    EXPECT_EQ(&axpy(sample<T>(2), x, window), &window);
    EXPECT_EQ(storage(parent), reals<T>({0, 1, 2, 23, 204, 5, 6, 7}));

    // a view as x reads from its offset
    Vector<T> out(2);
    copy(parent[{5, 7}], out);
    EXPECT_EQ(storage(out), reals<T>({5, 6}));
}

TYPED_TEST(Level1Test, SumIsAxpyWithOne)
{
    using T = TypeParam;
    auto x = vectorOfReals<T>({0.5, -1.25, 3});
    auto viaSum = vectorOfReals<T>({1, 2, 3, 4});
    auto viaAxpy = vectorOfReals<T>({1, 2, 3, 4});
    EXPECT_EQ(&sum(x, viaSum), &viaSum);
    axpy(sample<T>(1), x, viaAxpy);
    EXPECT_EQ(storage(viaSum), storage(viaAxpy));
    EXPECT_EQ(storage(viaSum), reals<T>({1.5, 0.75, 6, 4}));
}

TYPED_TEST(Level1Test, OperationsReturnTheirWrittenArgument)
{
    using T = TypeParam;
    auto x = vectorOfReals<T>({1, 2});
    Matrix<T> y(2, 1);
    EXPECT_EQ(&copy(x, y), &y);
    EXPECT_EQ(&axpy(sample<T>(1), x, y), &y);
    EXPECT_EQ(&sum(x, y), &y);
    EXPECT_EQ(storage(y), reals<T>({3, 6}));
}

TYPED_TEST(Level1Test, EmptyFirstContainerChangesNothing)
{
    using T = TypeParam;
    Vector<T> empty(0);
    auto y = vectorOfReals<T>({1, 2, 3});
    const auto before = storage(y);
    copy(empty, y);
    axpy(sample<T>(5), empty, y);
    sum(empty, y);
    swap(empty, y);
    scale(sample<T>(7), empty);
    EXPECT_EQ(storage(y), before);
    EXPECT_EQ(dot(empty, y), sample<T>(0));
    if constexpr (isComplex<T>) {
        EXPECT_EQ(hdot(empty, y), sample<T>(0));
    }

    // a matrix without rows is just as empty
    Matrix<T> noRows(0, 4);
    EXPECT_EQ(dot(noRows, y), sample<T>(0));
    copy(noRows, y);
    EXPECT_EQ(storage(y), before);
}

TYPED_TEST(Level1Test, ShortSecondContainerIsRefusedBeforeBlas)
{
    using T = TypeParam;
    auto x = vectorOfReals<T>({1, 2, 3});
    Matrix<T> y = matrixOfRealRows<T>(1, 2, {7, 8});
    const auto xBefore = storage(x);
    const auto yBefore = storage(y);
    const std::string tail = ": the second container holds 2 elements, fewer than the 3 of the first";

    const std::vector<std::pair<std::string, std::function<void()>>> calls = {
        {"axpy", [&] { axpy(sample<T>(2), x, y); }},
        {"sum", [&] { sum(x, y); }},
        {"swap", [&] { swap(x, y); }},
        {"copy", [&] { copy(x, y); }},
        {"dot", [&] { dot(x, y); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_EQ(runtimeErrorOf(call), name + tail);
        EXPECT_EQ(storage(x), xBefore) << name;
        EXPECT_EQ(storage(y), yBefore) << name;
    }
    if constexpr (isComplex<T>) {
        EXPECT_EQ(runtimeErrorOf([&] { hdot(x, y); }), "hdot" + tail);
    }

    // a view is measured by its own length, not by its parent's storage
    auto parent = vectorOfReals<T>({0, 0, 0, 0, 0, 0});
    auto window = parent[{1, 3}];
    EXPECT_EQ(runtimeErrorOf([&] { copy(x, window); }), "copy" + tail);
    EXPECT_EQ(storage(parent), reals<T>({0, 0, 0, 0, 0, 0}));
}

TYPED_TEST(Level1Test, OverlappingViewAndParentAreAccepted)
{
    using T = TypeParam;
    auto v = vectorOfReals<T>({1, 2, 3, 4, 5, 6});
    auto head = v[{0, 5}];
    auto tail = v[{1, 6}];
    // Values are checked from Python; partly overlapping ranges are not swapped.
    copy(head, tail);
    sum(tail, head);
    axpy(sample<T>(2), v, v);
    EXPECT_THROW(swap(head, tail), std::runtime_error);
    (void)dot(head, v);
    EXPECT_EQ(v.numel(), 6u);
}

// ---------------------------------------------------------------------------
// complex arithmetic of the level-1 operations

template <typename T>
class ComplexLevel1Test : public ::testing::Test {};
TYPED_TEST_SUITE(ComplexLevel1Test, ComplexSampleTypes);

TYPED_TEST(ComplexLevel1Test, DotIsUnconjugatedAndHdotConjugatesTheFirst)
{
    using T = TypeParam;
    auto x = vectorOf<T>({sample<T>(1, 1)});
    auto y = vectorOf<T>({sample<T>(1, 1)});
    EXPECT_EQ(dot(x, y), sample<T>(0, 2));
    EXPECT_EQ(hdot(x, y), sample<T>(2, 0));

    auto i = vectorOf<T>({sample<T>(0, 1)});
    auto one = vectorOf<T>({sample<T>(1)});
    EXPECT_EQ(hdot(i, one), sample<T>(0, -1));
    EXPECT_EQ(hdot(one, i), sample<T>(0, 1));
}

TYPED_TEST(ComplexLevel1Test, HdotOfLongerVectors)
{
    using T = TypeParam;
    auto x = vectorOf<T>({sample<T>(1, 2), sample<T>(-3, 1), sample<T>(0, -2)});
    auto y = vectorOf<T>({sample<T>(2, -1), sample<T>(1, 1), sample<T>(4, 0)});
    // (1+2i)(2-i) + (-3+i)(1+i) + (-2i)(4) = (4+3i) + (-4-2i) + (-8i)
    EXPECT_EQ(dot(x, y), sample<T>(0, -7));
    // (1-2i)(2-i) + (-3-i)(1+i) + (2i)(4) = (-5i) + (-2-4i) + (8i)
    EXPECT_EQ(hdot(x, y), sample<T>(-2, -1));
    EXPECT_EQ(hdot(y, x), std::conj(hdot(x, y)));
    // |1+2i|^2 + |-3+i|^2 + |-2i|^2
    EXPECT_EQ(hdot(x, x), sample<T>(19, 0));
}

TYPED_TEST(ComplexLevel1Test, ComplexScalarsMultiplyAsComplexNumbers)
{
    using T = TypeParam;
    auto x = vectorOf<T>({sample<T>(1, 2), sample<T>(3, -1)});
    scale(sample<T>(0, 1), x);
    EXPECT_EQ(storage(x), (std::vector<T>{sample<T>(-2, 1), sample<T>(1, 3)}));

    auto y = vectorOf<T>({sample<T>(1), sample<T>(0, 1)});
    axpy(sample<T>(1, 1), x, y);
    // (1+i)(-2+i) = -3-i; (1+i)(1+3i) = -2+4i
    EXPECT_EQ(storage(y), (std::vector<T>{sample<T>(-2, -1), sample<T>(-2, 5)}));
}

// ---------------------------------------------------------------------------
// matrix-vector product

template <typename T>
class GemvTest : public ::testing::Test {};
TYPED_TEST_SUITE(GemvTest, OpSampleTypes);

TYPED_TEST(GemvTest, ComputesAlphaAxPlusBetaY)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    auto x = vectorOfReals<T>({1, -1, 2});
    auto y = vectorOfReals<T>({3, -2});
    EXPECT_EQ(&gemv(sample<T>(2), sample<T>(3), A, x, y), &y);
    EXPECT_EQ(storage(y), reals<T>({19, 16}));
    // A and x are read only
    EXPECT_EQ(storage(A), reals<T>({1, 4, 2, 5, 3, 6}));
    EXPECT_EQ(storage(x), reals<T>({1, -1, 2}));
}

TYPED_TEST(GemvTest, BetaZeroReplacesY)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    auto x = vectorOfReals<T>({1, -1, 2});
    auto y = vectorOfReals<T>({1000, -1000});
    gemv(sample<T>(1), sample<T>(0), A, x, y);
    EXPECT_EQ(storage(y), reals<T>({5, 11}));
}

TYPED_TEST(GemvTest, MatvecAccumulates)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    auto x = vectorOfReals<T>({1, -1, 2});
    auto y = vectorOfReals<T>({3, -2});
    EXPECT_EQ(&matvec(A, x, y), &y);
    matvec(A, x, y);
    EXPECT_EQ(storage(y), reals<T>({13, 20}));  // 2 * (5, 11) + (3, -2)
}

TYPED_TEST(GemvTest, ShapeMessagesCheckXFirst)
{
    using T = TypeParam;
    Matrix<T> A(2, 3);
    Vector<T> x2(2), x3(3);
    auto y3 = vectorOfReals<T>({1, 2, 3});
    auto y2 = vectorOfReals<T>({1, 2});
    const std::string xMessage =
        "In gemv expression y = aAx + by, matrix A dimension 1: 3, doesn't match vector x dimension 0: 2";
    const std::string yMessage =
        "In gemv expression y = aAx + by, matrix A dimension 0: 2, doesn't match vector y dimension 0: 3";

    EXPECT_EQ(runtimeErrorOf([&] { gemv(sample<T>(1), sample<T>(0), A, x2, y2); }), xMessage);
    EXPECT_EQ(runtimeErrorOf([&] { gemv(sample<T>(1), sample<T>(0), A, x3, y3); }), yMessage);
    EXPECT_EQ(runtimeErrorOf([&] { gemv(sample<T>(1), sample<T>(0), A, x2, y3); }), xMessage);
    EXPECT_EQ(runtimeErrorOf([&] { matvec(A, x2, y3); }), xMessage);
    EXPECT_EQ(runtimeErrorOf([&] { matvec(A, x3, y3); }), yMessage);
    EXPECT_EQ(storage(y3), reals<T>({1, 2, 3}));

    // the same words for matrices standing in for the vectors
    Matrix<T> xm(4, 1), ym(5, 2);
    EXPECT_EQ(runtimeErrorOf([&] { validate_gemv(A, xm, ym); }),
              "In gemv expression y = aAx + by, matrix A dimension 1: 3, doesn't match vector x dimension 0: 4");
    Matrix<T> xOk(3, 2);
    EXPECT_EQ(runtimeErrorOf([&] { validate_gemv(A, xOk, ym); }),
              "In gemv expression y = aAx + by, matrix A dimension 0: 2, doesn't match vector y dimension 0: 5");
}

TYPED_TEST(GemvTest, MatricesActAsTheirFirstColumn)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    // x: 3 x 2, first column (1, -1, 2), second column must not be read
    auto x = matrixOfRealRows<T>(3, 2, {1, 100, -1, 100, 2, 100});
    Matrix<T> ySingle(2, 1);
    gemv(sample<T>(1), sample<T>(0), A, x, ySingle);
    EXPECT_EQ(storage(ySingle), reals<T>({5, 11}));

    auto yWide = matrixOfRealRows<T>(2, 4, {1, 2, 3, 4, 5, 6, 7, 8});
    matvec(A, x, yWide);
    EXPECT_EQ(storage(yWide), reals<T>({6, 16, 2, 6, 3, 7, 4, 8}));
}

TYPED_TEST(GemvTest, ViewAsYWritesIntoTheParentWindow)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    auto xParent = vectorOfReals<T>({9, 1, -1, 2, 9});
    auto x = xParent[{1, 4}];
    auto parent = vectorOfReals<T>({1, 1, 1, 1, 1, 1});
    auto y = parent[{2, 4}];
    EXPECT_EQ(&gemv(sample<T>(1), sample<T>(1), A, x, y), &y);
    EXPECT_EQ(storage(parent), reals<T>({1, 1, 6, 12, 1, 1}));
}

TYPED_TEST(GemvTest, MatrixWithoutColumnsHasNoStorageForXOrY)
{
    using T = TypeParam;
    Matrix<T> A(2, 3);
    Matrix<T> xEmpty(3, 0);
    auto y = vectorOfReals<T>({4, 5});
    EXPECT_EQ(runtimeErrorOf([&] { gemv(sample<T>(1), sample<T>(0), A, xEmpty, y); }),
              "gemv: vector x holds 0 elements, fewer than the 3 the product needs");
    EXPECT_EQ(storage(y), reals<T>({4, 5}));

    Vector<T> x(3);
    Matrix<T> yEmpty(2, 0);
    EXPECT_EQ(runtimeErrorOf([&] { matvec(A, x, yEmpty); }),
              "gemv: vector y holds 0 elements, fewer than the 2 the product needs");
}

TYPED_TEST(GemvTest, MatrixWithoutColumnsScalesY)
{
    using T = TypeParam;
    Matrix<T> A(2, 0);
    Vector<T> x(0);
    auto y = vectorOfReals<T>({3, -4});
    std::string printed = printedBy([&] { gemv(sample<T>(5), sample<T>(2), A, x, y); });
    EXPECT_EQ(storage(y), reals<T>({6, -8}));

    Vector<T> poisoned(2);
    poisoned[0] = nanValue<T>();
    poisoned[1] = nanValue<T>();
    printed += printedBy([&] { gemv(sample<T>(1), sample<T>(0), A, x, poisoned); });
    EXPECT_EQ(storage(poisoned), reals<T>({0, 0}));
    EXPECT_EQ(printed, "");
}

TYPED_TEST(GemvTest, MatrixWithoutRowsIsAQuietNoOp)
{
    using T = TypeParam;
    Matrix<T> A(0, 3);
    auto x = vectorOfReals<T>({1, 2, 3});
    Vector<T> y(0);
    Matrix<T> yRowless(0, 2);
    const std::string printed = printedBy([&] {
        gemv(sample<T>(1), sample<T>(0), A, x, y);
        matvec(A, x, yRowless);
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(storage(x), reals<T>({1, 2, 3}));
}

template <typename T>
class ComplexGemvTest : public ::testing::Test {};
TYPED_TEST_SUITE(ComplexGemvTest, ComplexSampleTypes);

TYPED_TEST(ComplexGemvTest, MultipliesByTheMatrixItself)
{
    using T = TypeParam;
    // A = [[1, i], [2, 1 - i]]
    auto A = matrixOfRows<T>(2, 2, {sample<T>(1), sample<T>(0, 1), sample<T>(2), sample<T>(1, -1)});
    auto x = vectorOf<T>({sample<T>(1, 1), sample<T>(0, 2)});
    auto y = vectorOf<T>({sample<T>(1), sample<T>(0, 1)});
    // A x = (1 + i + i*2i, 2 + 2i + (1 - i)2i) = (-1 + i, 4 + 4i)
    // conj(A) x would give (3 + i, ...), A^T x would give (1 + 5i, ...)
    gemv(sample<T>(0, 1), sample<T>(2), A, x, y);
    // i(-1 + i) + 2 = 1 - i;  i(4 + 4i) + 2i = -4 + 6i
    EXPECT_EQ(storage(y), (std::vector<T>{sample<T>(1, -1), sample<T>(-4, 6)}));
}

// ---------------------------------------------------------------------------
// matrix-matrix product

template <typename T>
class GemmTest : public ::testing::Test {};
TYPED_TEST_SUITE(GemmTest, OpSampleTypes);

TYPED_TEST(GemmTest, ComputesEveryElementWithItsLeadingDimensions)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    auto X = matrixOfRealRows<T>(3, 4, {1, 0, 2, 1, 0, 1, 1, 2, 1, 1, 0, 1});
    auto Y = matrixOfRealRows<T>(2, 4, {1, 1, 1, 1, 2, 2, 2, 2});
    EXPECT_EQ(&gemm(sample<T>(2), sample<T>(-1), A, X, Y), &Y);
    // 2 * [[4, 5, 4, 8], [10, 11, 13, 20]] - Y
    const auto expected = matrixOfRealRows<T>(2, 4, {7, 9, 7, 15, 18, 20, 24, 38});
    EXPECT_EQ(storage(Y), storage(expected));
}

TYPED_TEST(GemmTest, BetaZeroReplacesYAndMatmulAccumulates)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 2, {1, 2, 3, 4});
    auto X = matrixOfRealRows<T>(2, 1, {1, -1});
    auto Y = matrixOfRealRows<T>(2, 1, {500, 600});
    gemm(sample<T>(3), sample<T>(0), A, X, Y);
    EXPECT_EQ(storage(Y), reals<T>({-3, -3}));

    auto Z = matrixOfRealRows<T>(2, 1, {10, 20});
    EXPECT_EQ(&matmul(A, X, Z), &Z);
    matmul(A, X, Z);
    EXPECT_EQ(storage(Z), reals<T>({8, 18}));  // 2 * (-1, -1) + (10, 20)
}

TYPED_TEST(GemmTest, ShapeMessagesInCheckOrder)
{
    using T = TypeParam;
    Matrix<T> A(2, 3), X34(3, 4), X45(4, 5);
    auto Y34 = matrixOfRealRows<T>(3, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    Matrix<T> Y25(2, 5), Y24(2, 4);
    const auto before = storage(Y34);
    const auto run = [&](auto& a, auto& x, auto& y) {
        return runtimeErrorOf([&] { gemm(sample<T>(1), sample<T>(0), a, x, y); });
    };

    EXPECT_EQ(run(A, X34, Y34),
              "In gemm expression Y = aAX + bY, matrix A dimension 0: 2, doesn't match matrix Y dimension 0: 3");
    EXPECT_EQ(storage(Y34), before);
    EXPECT_EQ(run(A, X34, Y25),
              "In gemv expression Y = aAX + bY, matrix X dimension 1: 4, doesn't match matrix Y dimension 1: 5");
    EXPECT_EQ(run(A, X45, Y25),
              "In gemv expression Y = aAX + bY, matrix A dimension 1: 3, doesn't match matrix X dimension 0: 4");
    // rows and inner dimension both wrong: the rows are reported
    Matrix<T> Y35(3, 5);
    EXPECT_EQ(run(A, X45, Y35),
              "In gemm expression Y = aAX + bY, matrix A dimension 0: 2, doesn't match matrix Y dimension 0: 3");
    // columns and inner dimension both wrong: the columns are reported
    EXPECT_EQ(run(A, X45, Y24),
              "In gemv expression Y = aAX + bY, matrix X dimension 1: 5, doesn't match matrix Y dimension 1: 4");
    EXPECT_EQ(runtimeErrorOf([&] { matmul(A, X45, Y25); }),
              "In gemv expression Y = aAX + bY, matrix A dimension 1: 3, doesn't match matrix X dimension 0: 4");
}

TYPED_TEST(GemmTest, EmptyInnerDimensionScalesY)
{
    using T = TypeParam;
    Matrix<T> A(2, 0), X(0, 3);
    auto Y = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    std::string printed = printedBy([&] { gemm(sample<T>(7), sample<T>(-2), A, X, Y); });
    EXPECT_EQ(storage(Y), reals<T>({-2, -8, -4, -10, -6, -12}));

    Matrix<T> poisoned(2, 3);
    for (size_t k = 0; k < 6; ++k)
        poisoned.get()[k] = nanValue<T>();
    printed += printedBy([&] { gemm(sample<T>(1), sample<T>(0), A, X, poisoned); });
    EXPECT_EQ(storage(poisoned), reals<T>({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(printed, "");
}

TYPED_TEST(GemmTest, EmptyResultIsAQuietNoOp)
{
    using T = TypeParam;
    auto X = matrixOfRealRows<T>(3, 2, {1, 2, 3, 4, 5, 6});
    Matrix<T> noRows(0, 3), Y0(0, 2);
    auto A = matrixOfRealRows<T>(2, 3, {1, 2, 3, 4, 5, 6});
    Matrix<T> X0(3, 0), Yn(2, 0);
    const std::string printed = printedBy([&] {
        gemm(sample<T>(1), sample<T>(0), noRows, X, Y0);
        matmul(A, X0, Yn);
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(storage(X), reals<T>({1, 3, 5, 2, 4, 6}));
    EXPECT_EQ(storage(A), reals<T>({1, 4, 2, 5, 3, 6}));
}

TYPED_TEST(GemmTest, DimensionsBeyondIntAreRefused)
{
    using T = TypeParam;
    // Shapes whose dimension passes INT_MAX while holding no elements at all.
    Matrix<T> tallEmpty(kPastInt, 0), wideEmpty(0, kPastInt), none(0, 0);
    const auto messageOf = [&](auto& a, auto& x, auto& y) {
        return runtimeErrorOf([&] { gemm(sample<T>(1), sample<T>(0), a, x, y); });
    };
    const std::string rows = messageOf(tallEmpty, none, tallEmpty);
    EXPECT_EQ(rows, "gemm: row count 2147483648 exceeds the largest BLAS integer 2147483647");
    const std::string cols = messageOf(none, wideEmpty, wideEmpty);
    EXPECT_EQ(cols, "gemm: column count 2147483648 exceeds the largest BLAS integer 2147483647");
    const std::string inner = messageOf(wideEmpty, tallEmpty, none);
    EXPECT_EQ(inner, "gemm: inner dimension 2147483648 exceeds the largest BLAS integer 2147483647");
}

template <typename T>
class ComplexGemmTest : public ::testing::Test {};
TYPED_TEST_SUITE(ComplexGemmTest, ComplexSampleTypes);

TYPED_TEST(ComplexGemmTest, UsesTheMatricesAsTheyAre)
{
    using T = TypeParam;
    auto A = matrixOfRows<T>(2, 2, {sample<T>(1), sample<T>(0, 1), sample<T>(0), sample<T>(1)});
    auto X = matrixOfRows<T>(2, 2, {sample<T>(1), sample<T>(0), sample<T>(0, 1), sample<T>(1)});
    Matrix<T> Y(2, 2);
    // A X = [[0, i], [i, 1]]; conj(A) X = [[2, -i], [i, 1]]; A^T X = [[1, 0], [2i, 1]]
    gemm(sample<T>(1), sample<T>(0), A, X, Y);
    EXPECT_EQ(storage(Y), (std::vector<T>{sample<T>(0), sample<T>(0, 1), sample<T>(0, 1), sample<T>(1)}));
    // a complex alpha
    gemm(sample<T>(0, 1), sample<T>(1), A, X, Y);
    EXPECT_EQ(storage(Y), (std::vector<T>{sample<T>(0), sample<T>(-1, 1), sample<T>(-1, 1), sample<T>(1, 1)}));
}

// ---------------------------------------------------------------------------
// least squares

template <typename T>
class LsTest : public ::testing::Test {};
TYPED_TEST_SUITE(LsTest, OpSampleTypes);

TYPED_TEST(LsTest, OverdeterminedLeavesSolutionAndResidual)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(3, 2, {1, 0, 0, 1, 1, 1});
    const auto aBefore = storage(A);
    auto b = vectorOfReals<T>({1, 2, 4});
    ls(A, b);
    // normal equations [[2, 1], [1, 2]] x = (5, 6)
    expectNear(std::vector<T>(b.get(), b.get() + 2), reals<T>({4.0 / 3, 7.0 / 3}), tolerance<T>());
    // the residual (-1/3, -1/3, 1/3) has a sum of squares of 1/3
    EXPECT_NEAR(std::norm(b[2]), 1.0 / 3, tolerance<T>());
    EXPECT_EQ(A.template dim<0>(), 3u);
    EXPECT_EQ(A.template dim<1>(), 2u);
    EXPECT_NE(storage(A), aBefore);
}

TYPED_TEST(LsTest, SquareSystemIsSolvedExactly)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 2, {2, 1, 1, 3});
    auto b = vectorOfReals<T>({3, 5});
    ls(A, b);
    expectNear(storage(b), reals<T>({0.8, 1.4}), tolerance<T>());
}

TYPED_TEST(LsTest, UnderdeterminedGivesMinimumNorm)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 3, {1, 1, 0, 0, 0, 1});
    auto b = vectorOfReals<T>({2, 3, 99});
    ls(A, b);
    expectNear(storage(b), reals<T>({1, 1, 3}), tolerance<T>());
}

TYPED_TEST(LsTest, ViewAndMatrixRightHandSides)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(2, 2, {2, 1, 1, 3});
    auto parent = vectorOfReals<T>({-1, -2, 3, 5, -3});
    auto b = parent[{2, 4}];
    ls(A, b);
    expectNear(storage(parent), reals<T>({-1, -2, 0.8, 1.4, -3}), tolerance<T>());

    auto A2 = matrixOfRealRows<T>(2, 2, {2, 1, 1, 3});
    auto B = matrixOfRealRows<T>(2, 3, {3, 7, 8, 5, 9, 10});
    ls(A2, B);
    expectNear(storage(B), reals<T>({0.8, 1.4, 7, 9, 8, 10}), tolerance<T>());
}

TYPED_TEST(LsTest, ShortRightHandSideIsRefusedBeforeLapack)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(3, 2, {1, 0, 0, 1, 1, 1});
    auto b = vectorOfReals<T>({1, 2});
    EXPECT_EQ(runtimeErrorOf([&] { ls(A, b); }),
              "ls: b holds 2 elements, fewer than the 3 a 3x2 matrix needs");
    EXPECT_EQ(storage(A), reals<T>({1, 0, 1, 0, 1, 1}));
    EXPECT_EQ(storage(b), reals<T>({1, 2}));

    // the wide case needs n elements
    Matrix<T> wide(2, 4);
    auto b3 = vectorOfReals<T>({1, 2, 3});
    EXPECT_EQ(runtimeErrorOf([&] { ls(wide, b3); }),
              "ls: b holds 3 elements, fewer than the 4 a 2x4 matrix needs");
    EXPECT_EQ(storage(b3), reals<T>({1, 2, 3}));
}

TYPED_TEST(LsTest, EmptyShapes)
{
    using T = TypeParam;
    // no unknowns: nothing to solve, b untouched
    Matrix<T> noCols(3, 0);
    auto b = vectorOfReals<T>({1, 2, 3});
    std::string printed = printedBy([&] { ls(noCols, b); });
    EXPECT_EQ(storage(b), reals<T>({1, 2, 3}));

    // no equations: the minimum-norm solution is zero
    Matrix<T> noRows(0, 2);
    auto x = vectorOfReals<T>({5, 6});
    printed += printedBy([&] { ls(noRows, x); });
    EXPECT_EQ(storage(x), reals<T>({0, 0}));
    EXPECT_EQ(printed, "");
}

TYPED_TEST(LsTest, ExactlySingularFactorIsReported)
{
    using T = TypeParam;
    auto A = matrixOfRealRows<T>(3, 2, {1, 0, 2, 0, 3, 0});
    auto b = vectorOfReals<T>({1, 2, 3});
    const std::string message = runtimeErrorOf([&] { ls(A, b); });
    EXPECT_NE(message.find("not of full rank"), std::string::npos) << message;
    EXPECT_NE(message.find("intermediate values"), std::string::npos) << message;
}

TYPED_TEST(LsTest, NonFiniteInputIsRefusedBeforeTheSolverRuns)
{
    using T = TypeParam;
    const std::string tail = " holds a non-finite value (NaN or infinity), so no solution was computed; A and b "
                             "are unchanged";
    auto A = matrixOfRealRows<T>(2, 2, {1, 0, 0, 1});
    auto b = vectorOfReals<T>({1, 1});
    A[{1, 1}] = sample<T>(std::numeric_limits<double>::infinity());
    EXPECT_EQ(runtimeErrorOf([&] { ls(A, b); }), "ls: A" + tail);
    EXPECT_EQ(storage(b), reals<T>({1, 1}));

    auto A2 = matrixOfRealRows<T>(2, 2, {2, 1, 1, 3});
    b[0] = nanValue<T>();
    EXPECT_EQ(runtimeErrorOf([&] { ls(A2, b); }), "ls: b" + tail);
    EXPECT_EQ(storage(A2), reals<T>({2, 1, 1, 3}));
    EXPECT_TRUE(isNan(b[0]));
}

// ls factors and solves itself where gels would not scale; its digits must be
// the driver's, there and where gels scales A or b.
TYPED_TEST(LsTest, DigitsAreThoseOfTheDriver)
{
    using T = TypeParam;
    using R = decltype(std::abs(T{}));
    const R tiny = std::numeric_limits<R>::min(), huge = std::numeric_limits<R>::max() * R(1e-6);
    for (auto [rows, cols] : {std::pair{7, 3}, {4, 4}, {3, 6}})
        for (auto [aScale, bScale] : {std::pair{R{1}, R{1}}, {R{1}, R{0}}, {R{1}, tiny}, {R{1}, huge}, {tiny, tiny},
                                      {huge, huge}}) {
            Matrix<T> A(rows, cols);
            Vector<T> b(std::max(rows, cols));
            for (int k = 0; k < rows * cols; ++k)  // diagonally dominant, so well conditioned
                A.get()[k] = sample<T>((k % (rows + 1) == 0 ? 4 : 0) + std::cos(k * 1.7), std::sin(k * 0.3)) * aScale;
            for (int k = 0; k < rows; ++k)
                b.get()[k] = sample<T>(std::sin(k + 0.5) * bScale, std::cos(k * 2.1) * bScale);
            SCOPED_TRACE(::testing::Message() << rows << "x" << cols << ", A scaled by " << aScale << ", b by "
                                              << bScale);
            std::vector<T> a0(A.get(), A.get() + A.numel()), b0(b.get(), b.get() + b.numel());
            const int ldb = int(b0.size());
            T optimum{};
            blas::Routines<T>::gelsWork(LAPACK_COL_MAJOR, 'N', rows, cols, 1, a0.data(), rows, b0.data(), ldb,
                                        &optimum, -1);
            std::vector<T> work(size_t(std::real(optimum)));
            ASSERT_EQ(blas::Routines<T>::gelsWork(LAPACK_COL_MAJOR, 'N', rows, cols, 1, a0.data(), rows, b0.data(),
                                                  ldb, work.data(), lapack_int(work.size())),
                      0);
            ls(A, b);
            if (aScale == R{1} && (bScale == R{1} || bScale == R{0}))  // ls factors and solves itself
                EXPECT_EQ(storage(b), b0);
            else  // gels scales, and leaves the residual rows scaled: only the solution is its
                expectNear(std::vector<T>(b.get(), b.get() + cols), std::vector<T>(b0.begin(), b0.begin() + cols),
                           tolerance<T>() * std::abs(b0[0]));
        }
}

template <typename T>
class ComplexLsTest : public ::testing::Test {};
TYPED_TEST_SUITE(ComplexLsTest, ComplexSampleTypes);

TYPED_TEST(ComplexLsTest, SolvesWithComplexCoefficients)
{
    using T = TypeParam;
    // A = [[1, i], [0, 2]], x = (1 + i, -i): A x = (1 + i + 1, -2i)
    auto A = matrixOfRows<T>(2, 2, {sample<T>(1), sample<T>(0, 1), sample<T>(0), sample<T>(2)});
    auto b = vectorOf<T>({sample<T>(2, 1), sample<T>(0, -2)});
    ls(A, b);
    expectNear(storage(b), std::vector<T>{sample<T>(1, 1), sample<T>(0, -1)}, tolerance<T>());
}

// ---------------------------------------------------------------------------
// the integer range of BLAS

TEST(BlasIntegers, CountsAboveIntMaxAreRefused)
{
    EXPECT_EQ(blas::toInt(static_cast<size_t>(INT_MAX), "op", "count"), INT_MAX);
    EXPECT_EQ(runtimeErrorOf([] { blas::toInt(kPastInt, "scale", "element count"); }),
              "scale: element count 2147483648 exceeds the largest BLAS integer 2147483647");
    EXPECT_EQ(blas::leadingDimension(0, "gemv"), 1);
    EXPECT_EQ(blas::leadingDimension(7, "gemv"), 7);
    EXPECT_EQ(runtimeErrorOf([] { blas::leadingDimension(kPastInt, "gemm"); }),
              "gemm: leading dimension 2147483648 exceeds the largest BLAS integer 2147483647");
}

}  // namespace
