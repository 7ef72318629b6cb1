// The ramp kernel's samples, its symmetry and its scale.
#include <gtest/gtest.h>

#include <cmath>

#include "renderers/common/RampKernel.h"

namespace voxmill {
namespace {

constexpr double kPi = 3.141592653589793;

TEST(RampKernel, SamplesOfTheBandLimitedRampTimesTheScale) {
    const double tau = 0.0625, scale = 0.75;
    const auto h = CRampKernel::Build(16, tau, scale);
    ASSERT_EQ(h.size(), 16u);
    EXPECT_FLOAT_EQ(h[0], static_cast<float>(scale / (8 * tau * tau)));
    EXPECT_FLOAT_EQ(h[1], static_cast<float>(-scale / (2 * kPi * kPi * tau * tau)));
    EXPECT_EQ(h[2], 0.0f);
    EXPECT_FLOAT_EQ(h[3], static_cast<float>(-scale / (2 * kPi * kPi * 9 * tau * tau)));
    EXPECT_EQ(h[8], 0.0f);  // distance 8 is even
    EXPECT_FLOAT_EQ(h[15], h[1]);
    EXPECT_FLOAT_EQ(h[13], h[3]);
}

TEST(RampKernel, EntryAtHalfLengthIsNonZeroExactlyWhenHalfIsOdd) {
    for (int n : {2, 4, 6, 8, 10, 12, 50, 64, 100, 128}) {
        const auto h = CRampKernel::Build(n, 0.1, 1.0);
        EXPECT_EQ(h[static_cast<std::size_t>(n / 2)] != 0.0f, (n / 2) % 2 == 1) << "N = " << n;
    }
}

TEST(RampKernel, SymmetricForEveryLength) {
    for (int n : {3, 5, 7, 9, 49, 50, 51}) {
        const auto h = CRampKernel::Build(n, 0.02, 1.0);
        for (int j = 1; j < n; ++j) EXPECT_EQ(h[static_cast<std::size_t>(j)], h[static_cast<std::size_t>(n - j)]) << n;
    }
    // N = 7: entries 3 and 4 both belong to distance 3.
    const auto h = CRampKernel::Build(7, 1.0, 1.0);
    EXPECT_FLOAT_EQ(h[3], static_cast<float>(-1.0 / (2 * kPi * kPi * 9)));
    EXPECT_EQ(h[3], h[4]);
}

TEST(RampKernel, DegenerateRequestsGiveNoKernel) {
    EXPECT_TRUE(CRampKernel::Build(0, 1.0, 1.0).empty());
    EXPECT_TRUE(CRampKernel::Build(-4, 1.0, 1.0).empty());
    EXPECT_TRUE(CRampKernel::Build(8, 0.0, 1.0).empty());
    EXPECT_TRUE(CRampKernel::Build(8, std::nan(""), 1.0).empty());
    EXPECT_EQ(CRampKernel::Build(1, 1.0, 2.0), std::vector<float>{0.25f});
}

TEST(RampKernel, AxisScaleIsEightOverNInTheDefaultGeometry) {
    // A 4 x 4 detector of N columns with Ds = Dd = 4.
    for (int n : {64, 128, 256}) EXPECT_DOUBLE_EQ(CRampKernel::AxisScale(4.0 / n, 8.0, 4.0), 8.0 / n);
    // Twice the magnification, twice the scale.
    EXPECT_DOUBLE_EQ(CRampKernel::AxisScale(0.5, 12.0, 3.0), 2.0);
}

}  // namespace
}  // namespace voxmill
