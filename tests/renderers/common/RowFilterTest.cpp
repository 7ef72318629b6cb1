// Row filtering: embedding in the farm's length, what happens to negative
// and non-finite values, and projection loading. Runs on both FFT back ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "renderers/common/ProjectionFilter.h"
#include "renderers/common/RampKernel.h"
#include "renderers/common/RowFilter.h"
#include "tests/renderers/common/FakeProjection.h"

namespace voxmill {
namespace {

bool OwnBackEnd() {
    const char* v = std::getenv("VOXMILL_FFTW");
    return v && std::strcmp(v, "off") == 0;
}

std::vector<float> Delta(int n) {
    std::vector<float> k(static_cast<std::size_t>(n), 0.0f);
    k[0] = 1.0f;
    return k;
}

TEST(RowFilter, LengthIsTheColumnsOrTheNextPowerOfTwo) {
    const auto f = CRowFilter::Create(100);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Columns(), 100);
    if (OwnBackEnd()) EXPECT_EQ(f->Length(), 128);
    else EXPECT_TRUE(f->Length() == 100 || f->Length() == 128);
    EXPECT_FALSE(CRowFilter::Create(0));
    EXPECT_FALSE(CRowFilter::Create(-3));
    EXPECT_FALSE(f->SetKernel(std::vector<float>(7, 0.0f)));
}

TEST(RowFilter, ShortRowIsFilteredInsideAZeroFilledBufferAndNothingBeyondIsTouched) {
    constexpr int kColumns = 5;
    auto f = CRowFilter::Create(kColumns);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->SetKernel(Delta(f->Length())));
    std::vector<float> memory = {99, 1, -2.5f, 3, 0.5f, -4, 99, 99, 99, 99};
    f->Filter(memory.data() + 1);
    const float expected[] = {1, -2.5f, 3, 0.5f, -4};
    for (int c = 0; c < kColumns; ++c) EXPECT_NEAR(memory[static_cast<std::size_t>(c) + 1], expected[c], 1e-5);
    EXPECT_EQ(memory[0], 99.0f);
    for (std::size_t n = kColumns + 1; n < memory.size(); ++n) EXPECT_EQ(memory[n], 99.0f);

    // A one-sample shift shows the zero padding: with N > columns the last
    // sample wraps onto padding, not onto the row's first sample.
    std::vector<float> shift(static_cast<std::size_t>(f->Length()), 0.0f);
    shift[1] = 1.0f;
    ASSERT_TRUE(f->SetKernel(shift));
    std::vector<float> row = {1, 2, 3, 4, 5};
    f->Filter(row.data());
    EXPECT_NEAR(row[0], f->Length() > kColumns ? 0.0f : 5.0f, 1e-5);
    EXPECT_NEAR(row[1], 1.0f, 1e-5);
    EXPECT_NEAR(row[4], 4.0f, 1e-5);
}

TEST(RowFilter, SanitizeKeepsNegativesAndMinusZeroAndZeroesNonFinite) {
    const float inf = std::numeric_limits<float>::infinity();
    const float in[] = {-0.0f, -1.5f, std::nanf(""), inf, -inf, 2.0f, 0.0f};
    float out[7];
    CRowFilter::Sanitize(in, out, 7);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_TRUE(std::signbit(out[0]));
    EXPECT_EQ(out[1], -1.5f);
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(out[3], 0.0f);
    EXPECT_EQ(out[4], 0.0f);
    EXPECT_EQ(out[5], 2.0f);
    EXPECT_FALSE(std::signbit(out[6]));
}

TEST(RowFilter, OverflowingConvolutionComesOutAsZeroes) {
    auto f = CRowFilter::Create(8);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->SetKernel(Delta(f->Length())));
    std::vector<float> row(8, 3e38f);
    f->Filter(row.data());
    for (float v : row) EXPECT_TRUE(std::isfinite(v));
}

TEST(RowFilter, RampFilteredBoxHasNegativeSideLobes) {
    auto f = CRowFilter::Create(32);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->SetKernel(CRampKernel::Build(f->Length(), 0.1, 0.1)));
    std::vector<float> row(32, 0.0f);
    for (int c = 12; c < 20; ++c) row[static_cast<std::size_t>(c)] = 1.0f;
    f->Filter(row.data());
    EXPECT_LT(row[11], 0.0f);
    EXPECT_LT(row[20], 0.0f);
    EXPECT_GT(row[12], 0.0f);
}

TEST(ProjectionFilter, NonFinitePixelCountsAsZeroAndDoesNotSpoilItsRow) {
    test::Acquisition a;
    a.columns = 24;
    a.rows = 6;
    test::AnalyticPhantom ball{{test::Ellipsoid::Ball(0.5, 1.0)}};
    test::FakeProjection clean(a, 0.3), spoilt(a, 0.3);
    clean.Project(ball);
    spoilt.Project(ball);
    clean.Pixels()[3 * 24 + 5] = 0.0f;
    spoilt.Pixels()[3 * 24 + 5] = std::nanf("");
    spoilt.Pixels()[1 * 24 + 2] = -std::numeric_limits<float>::infinity();
    clean.Pixels()[1 * 24 + 2] = 0.0f;

    CProjectionGeometry g;
    ASSERT_EQ(CProjectionGeometry::Read(&clean, &g), S_OK);
    const auto filter = CProjectionFilter::Create(g, 2);
    ASSERT_TRUE(filter);
    std::vector<float> a1(filter->PixelCount()), a2(filter->PixelCount());
    filter->Load(clean.Pixels().data(), a1.data());
    filter->Load(spoilt.Pixels().data(), a2.data());
    filter->FilterAll({a1.data(), a2.data()}, 2);
    EXPECT_EQ(std::memcmp(a1.data(), a2.data(), a1.size() * sizeof(float)), 0);
    float peak = 0;
    for (float v : a2) peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.1f);
}

}  // namespace
}  // namespace voxmill
