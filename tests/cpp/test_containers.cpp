// Vectors, views and matrices: zero fill, checked access and its messages,
// slicing, shared storage, and allocation limits.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <utility>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "types/ExternalStorage.hpp"
#include "types/Matrix.hpp"
#include "types/Vector.hpp"
#include "types/VectorView.hpp"

namespace {

using namespace Quor;
using quor_test::expectRuntimeError;
using quor_test::sample;
using Range = std::pair<size_t, size_t>;

constexpr size_t kHuge = size_t{1} << 63;

template <typename T>
class ContainerTest : public ::testing::Test {};
TYPED_TEST_SUITE(ContainerTest, quor_test::SampleTypes);

// Vector with element i holding i + 1 (and -(i + 1) as imaginary part).
template <typename T>
Vector<T> numbered(size_t n)
{
    Vector<T> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = sample<T>(double(i + 1), -double(i + 1));
    return v;
}

TYPED_TEST(ContainerTest, PublishesSampleTypeAndCannotBeAssigned)
{
    using T = TypeParam;
    static_assert(std::is_same_v<typename Vector<T>::SampleType, T>);
    static_assert(std::is_same_v<typename VectorView<T>::SampleType, T>);
    static_assert(std::is_same_v<typename Matrix<T>::SampleType, T>);
    static_assert(std::is_convertible_v<size_t, Vector<T>>);
    static_assert(std::is_copy_constructible_v<Vector<T>> && !std::is_copy_assignable_v<Vector<T>>);
    static_assert(std::is_copy_constructible_v<VectorView<T>> && !std::is_copy_assignable_v<VectorView<T>>);
    static_assert(std::is_copy_constructible_v<Matrix<T>> && !std::is_copy_assignable_v<Matrix<T>>);
}

TYPED_TEST(ContainerTest, StorageHandleIsAlignedToTheElementSize)
{
    using T = TypeParam;
    constexpr size_t expected = std::max(sizeof(T), alignof(std::shared_ptr<T[]>));
    EXPECT_EQ(alignof(Vector<T>), expected);
    EXPECT_EQ(alignof(VectorView<T>), expected);
    EXPECT_EQ(alignof(Matrix<T>), expected);
    if constexpr (std::is_same_v<T, std::complex<double>>) {
        EXPECT_EQ(alignof(Vector<T>), 16u);
    }
}

TYPED_TEST(ContainerTest, NewVectorIsZeroFilled)
{
    using T = TypeParam;
    Vector<T> v(4);
    EXPECT_EQ(v.numel(), 4u);
    EXPECT_EQ(v.template dim<0>(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(v[i], T{}) << "position " << i;
    const T* raw = v.get();
    EXPECT_TRUE(std::all_of(raw, raw + 4, [](const T& x) { return x == T{}; }));

    // Large arrays come from their own pages; a second one after a written and freed one reads as zero too.
    const size_t large = detail::mappedStorageBytes / sizeof(T) + 3;
    for (int round = 0; round < 2; ++round) {
        Vector<T> big(large);
        const T* first = big.get();
        EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % alignof(T), 0u);
        EXPECT_TRUE(std::all_of(first, first + large, [](const T& x) { return x == T{}; }));
        std::fill(big.get(), big.get() + large, sample<T>(1.0, 2.0));
        EXPECT_EQ(big[large - 1], sample<T>(1.0, 2.0));
    }
}

TYPED_TEST(ContainerTest, VectorIndexBoundsAndMessages)
{
    using T = TypeParam;
    Vector<T> v(5);
    const Vector<T>& cv = v;
    v[4] = sample<T>(2.5, 1.0);
    EXPECT_EQ(cv[4], sample<T>(2.5, 1.0));
    EXPECT_EQ(v.get()[4], sample<T>(2.5, 1.0));
    expectRuntimeError([&] { v[5]; }, "index 5 exceeds max number of elements 5");
    expectRuntimeError([&] { (void)cv[5]; }, "index 5 exceeds max number of elements 5");
    expectRuntimeError([&] { v[kHuge] = T{}; },
                       "index 9223372036854775808 exceeds max number of elements 5");

    Vector<T> empty(0);
    EXPECT_EQ(empty.numel(), 0u);
    expectRuntimeError([&] { empty[0]; }, "index 0 exceeds max number of elements 0");
}

TYPED_TEST(ContainerTest, SlicingAVector)
{
    using T = TypeParam;
    Vector<T> v = numbered<T>(5);

    VectorView<T> all = v[Range{0, 5}];
    EXPECT_EQ(all.numel(), 5u);
    EXPECT_EQ(all.get(), v.get());
    EXPECT_EQ(all[4], v[4]);

    for (Range r : {Range{2, 2}, Range{5, 5}, Range{0, 0}}) {
        VectorView<T> empty = v[r];
        EXPECT_EQ(empty.numel(), 0u);
        expectRuntimeError([&] { empty[0]; }, "index 0 exceeds max number of elements 0");
    }
    expectRuntimeError([&] { v[Range{0, 6}]; }, "index 6 exceeds max number of elements 5");
    expectRuntimeError([&] { v[Range{6, 6}]; }, "index 6 exceeds max number of elements 5");
}

TYPED_TEST(ContainerTest, ViewWindowAndMessages)
{
    using T = TypeParam;
    Vector<T> v = numbered<T>(6);
    VectorView<T> w = v[Range{2, 5}];
    const VectorView<T>& cw = w;

    EXPECT_EQ(w.numel(), 3u);
    EXPECT_EQ(w.template dim<0>(), 3u);
    EXPECT_EQ(w.get(), v.get() + 2);
    EXPECT_EQ(w[0], v[2]);
    EXPECT_EQ(cw[2], v[4]);
    expectRuntimeError([&] { w[3]; }, "index 3 exceeds max number of elements 3");
    expectRuntimeError([&] { (void)cw[3]; }, "index 3 exceeds max number of elements 3");
}

TYPED_TEST(ContainerTest, WritesAreSharedByVectorViewsAndCopies)
{
    using T = TypeParam;
    Vector<T> v(6);
    VectorView<T> w = v[Range{2, 5}];

    w[0] = sample<T>(7.0, -1.0);
    EXPECT_EQ(v[2], sample<T>(7.0, -1.0));
    v[4] = sample<T>(-3.0, 2.0);
    EXPECT_EQ(w[2], sample<T>(-3.0, 2.0));

    Vector<T> copy(v);
    copy[0] = sample<T>(9.0);
    EXPECT_EQ(v[0], sample<T>(9.0));
    EXPECT_EQ(copy.get(), v.get());

    VectorView<T> viewCopy(w);
    viewCopy[1] = sample<T>(5.0, 5.0);
    EXPECT_EQ(v[3], sample<T>(5.0, 5.0));
    EXPECT_EQ(w[1], sample<T>(5.0, 5.0));

    // Only the window is reachable through the view: the elements around it stay put.
    EXPECT_EQ(v[1], T{});
    EXPECT_EQ(v[5], T{});
}

TYPED_TEST(ContainerTest, SlicingAViewComposesOffsets)
{
    using T = TypeParam;
    Vector<T> v = numbered<T>(6);
    VectorView<T> w = v[Range{2, 5}];

    VectorView<T> inner = w[Range{1, 3}];
    EXPECT_EQ(inner.numel(), 2u);
    EXPECT_EQ(inner.get(), v.get() + 3);
    EXPECT_EQ(inner[0], v[3]);
    EXPECT_EQ(inner[1], v[4]);
    expectRuntimeError([&] { inner[2]; }, "index 2 exceeds max number of elements 2");

    VectorView<T> whole = w[Range{0, 3}];
    EXPECT_EQ(whole.numel(), 3u);
    EXPECT_EQ(whole.get(), w.get());

    VectorView<T> deeper = inner[Range{1, 2}];
    EXPECT_EQ(deeper.get(), v.get() + 4);
    deeper[0] = sample<T>(-8.0, 8.0);
    EXPECT_EQ(v[4], sample<T>(-8.0, 8.0));

    expectRuntimeError([&] { w[Range{0, 4}]; }, "index 4 exceeds max number of elements 3");

    VectorView<T> empty = w[Range{3, 3}];
    EXPECT_EQ(empty.numel(), 0u);
    expectRuntimeError([&] { empty[0]; }, "index 0 exceeds max number of elements 0");
}

TYPED_TEST(ContainerTest, ReversedRangeGivesAnEmptyView)
{
    using T = TypeParam;
    Vector<T> v = numbered<T>(6);
    VectorView<T> w = v[Range{1, 6}];

    for (VectorView<T> empty : {v[Range{4, 2}], w[Range{4, 2}], v[Range{kHuge, 0}]}) {
        EXPECT_EQ(empty.numel(), 0u);
        EXPECT_GE(empty.get(), v.get());
        EXPECT_LE(empty.get(), v.get() + v.numel());
        expectRuntimeError([&] { empty[0]; }, "index 0 exceeds max number of elements 0");

        VectorView<T> again = empty[Range{0, 0}];
        EXPECT_EQ(again.numel(), 0u);
        EXPECT_EQ((empty[Range{3, 0}].numel()), 0u);
        expectRuntimeError([&] { empty[Range{0, 1}]; }, "index 1 exceeds max number of elements 0");
    }
    // The end is still checked when the start lies beyond it.
    expectRuntimeError([&] { v[Range{9, 7}]; }, "index 7 exceeds max number of elements 6");
}

TYPED_TEST(ContainerTest, ViewOutlivesItsVector)
{
    using T = TypeParam;
    std::optional<Vector<T>> v(std::in_place, 6);
    (*v)[3] = sample<T>(4.0, -4.0);
    VectorView<T> w = (*v)[Range{2, 5}];
    VectorView<T> inner = w[Range{1, 2}];
    v.reset();

    EXPECT_EQ(w[1], sample<T>(4.0, -4.0));
    w[2] = sample<T>(1.5, 0.5);
    EXPECT_EQ(w[2], sample<T>(1.5, 0.5));

    {
        VectorView<T> dropped = std::move(w);
        (void)dropped;
    }
    EXPECT_EQ(inner[0], sample<T>(4.0, -4.0));
    inner[0] = sample<T>(2.0);
    EXPECT_EQ(inner[0], sample<T>(2.0));
}

TYPED_TEST(ContainerTest, OversizedVectorThrowsBadArrayNewLength)
{
    using T = TypeParam;
    const size_t max = std::numeric_limits<size_t>::max();
    for (size_t n : {max, max / sizeof(T) + 1, size_t{1} << 62, size_t{1} << 61})
        EXPECT_THROW(Vector<T>{n}, std::bad_array_new_length) << "size " << n;
}

TYPED_TEST(ContainerTest, NewMatrixIsZeroFilled)
{
    using T = TypeParam;
    Matrix<T> m(2, 3);
    EXPECT_EQ(m.numel(), 6u);
    EXPECT_EQ(m.template dim<0>(), 2u);
    EXPECT_EQ(m.template dim<1>(), 3u);
    for (size_t r = 0; r < 2; ++r)
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ((m[{r, c}]), T{});
}

TYPED_TEST(ContainerTest, MatrixIsColumnMajor)
{
    using T = TypeParam;
    Matrix<T> m(2, 3);
    m[{1, 2}] = sample<T>(1.0, 1.0);
    m[{1, 0}] = sample<T>(2.0, 2.0);
    m[{0, 1}] = sample<T>(3.0, 3.0);
    const T* raw = m.get();
    EXPECT_EQ(raw[5], sample<T>(1.0, 1.0));
    EXPECT_EQ(raw[1], sample<T>(2.0, 2.0));
    EXPECT_EQ(raw[2], sample<T>(3.0, 3.0));

    // Every position, written through the storage, reads back at (r, c).
    Matrix<T> tall(4, 3);
    for (size_t pos = 0; pos < tall.numel(); ++pos)
        tall.get()[pos] = sample<T>(double(pos), -double(pos));
    const Matrix<T>& ctall = tall;
    for (size_t r = 0; r < 4; ++r)
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ((ctall[{r, c}]), sample<T>(double(r + 4 * c), -double(r + 4 * c)));
}

TYPED_TEST(ContainerTest, MatrixAccessMessages)
{
    using T = TypeParam;
    Matrix<T> m(2, 3);
    const Matrix<T>& cm = m;
    EXPECT_NO_THROW((m[{1, 2}]));

    struct Case {
        Range idx;
        const char* message;
    };
    const Case cases[] = {
        {{0, 3}, "requested array index 6exceeds max number of elements 6"},
        {{6, 0}, "requested array index 6exceeds max number of elements 6"},
        {{1, 3}, "requested array index 7exceeds max number of elements 6"},
        {{2, 0}, "index for dimension 02exceeds max number of elements for that dimension 2"},
        {{5, 0}, "index for dimension 05exceeds max number of elements for that dimension 2"},
        {{3, 1}, "index for dimension 03exceeds max number of elements for that dimension 2"},
        // 2^63 columns times 2 rows wraps to 0, so only the column test sees it.
        {{0, kHuge}, "index for dimension 19223372036854775808exceeds max number of elements for that dimension 3"},
        {{1, kHuge}, "index for dimension 19223372036854775808exceeds max number of elements for that dimension 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "(" << c.idx.first << ", " << c.idx.second << ")");
        expectRuntimeError([&] { m[c.idx] = sample<T>(1.0); }, c.message);
        expectRuntimeError([&] { (void)cm[c.idx]; }, c.message);
    }
    // Failed writes leave the storage untouched.
    for (size_t pos = 0; pos < m.numel(); ++pos)
        EXPECT_EQ(m.get()[pos], T{});
}

TYPED_TEST(ContainerTest, MatrixWithoutElementsRejectsEveryAccess)
{
    using T = TypeParam;
    Matrix<T> noRows(0, 4);
    EXPECT_EQ(noRows.numel(), 0u);
    EXPECT_EQ(noRows.template dim<1>(), 4u);
    expectRuntimeError([&] { noRows[{0, 0}]; }, "requested array index 0exceeds max number of elements 0");
    expectRuntimeError([&] { noRows[{0, 3}]; }, "requested array index 0exceeds max number of elements 0");

    Matrix<T> noCols(3, 0);
    EXPECT_EQ(noCols.numel(), 0u);
    expectRuntimeError([&] { noCols[{2, 0}]; }, "requested array index 2exceeds max number of elements 0");
}

TYPED_TEST(ContainerTest, MatrixCopiesShareElements)
{
    using T = TypeParam;
    Matrix<T> m(2, 2);
    Matrix<T> copy(m);
    copy[{1, 1}] = sample<T>(6.0, -6.0);
    EXPECT_EQ((m[{1, 1}]), sample<T>(6.0, -6.0));
    EXPECT_EQ(copy.get(), m.get());
}

TYPED_TEST(ContainerTest, OversizedMatrixThrowsBadArrayNewLength)
{
    using T = TypeParam;
    const size_t big = size_t{1} << 32;
    // The element count itself overflows 64 bits.
    EXPECT_THROW((Matrix<T>{big, big}), std::bad_array_new_length);
    EXPECT_THROW((Matrix<T>{3, kHuge}), std::bad_array_new_length);
    // The count fits, its size in bytes does not.
    EXPECT_THROW((Matrix<T>{size_t{1} << 31, size_t{1} << 31}), std::bad_array_new_length);
}

// Lent storage: each handle's control block holds one reference to its
// owner, which it reports only while it is the block's only handle.
TYPED_TEST(ContainerTest, LentStorageHoldsOneOwnerReferencePerControlBlock)
{
    using T = TypeParam;
    static int references = 0;
    T elements[6] = {};
    references = 1;
    const ExternalOwner owner{&references, [](void*) { ++references; }, [](void*) { --references; }};
    {
        Matrix<T> m(2, 3, externalStorage<T[]>(elements, owner));
        m[{1, 2}] = sample<T>(4.0, 1.0);
        EXPECT_EQ(elements[5], sample<T>(4.0, 1.0));
        ASSERT_NE(reportedOwner(m.storage()), nullptr);
        EXPECT_EQ(reportedOwner(m.storage())->object, &references);
        const VectorView<T> shared({1, 4}, m.storage());
        EXPECT_EQ(reportedOwner(m.storage()), nullptr);  // two handles: neither reports
        const VectorView<T> separate({0, 3}, separateStorage(shared.storage(), shared.get()));
        EXPECT_EQ(references, 2);
        EXPECT_EQ(separate.get(), elements + 1);
        EXPECT_NE(reportedOwner(separate.storage()), nullptr);
    }
    EXPECT_EQ(references, 0);
    const Vector<T> own(2);
    EXPECT_EQ(externalOwner(own.storage()), nullptr);
}

}  // namespace
