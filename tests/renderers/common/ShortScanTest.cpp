// Short-scan coverage and Parker's weights: every ray counted once in all,
// and the coverage told apart from the source angles.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "renderers/common/ShortScan.h"

namespace voxmill {
namespace {

constexpr double kPi = CShortScan::kPi;
constexpr double kDeg = kPi / 180.0;

std::vector<double> Angles(double first, double step, int count) {
    std::vector<double> a;
    for (int n = 0; n < count; ++n) a.push_back(std::remainder(first + step * n, 2 * kPi));
    return a;
}

TEST(ShortScanWeights, EveryRayCountsOnceBetweenItsTwoViews) {
    const double fan = 14 * kDeg;
    for (const double range : {kPi + 2 * fan, 240 * kDeg}) {
        for (double beta = 0; beta <= range; beta += range / 97) {
            // Column centres lie inside the fan, never on its edge.
            for (double gamma = -fan + fan / 14; gamma < fan; gamma += fan / 7) {
                // The same line seen from the other side: half a turn plus
                // twice the fan angle on, or as far back.
                double other = beta + kPi + 2 * gamma;
                if (other > range) other = beta - kPi + 2 * gamma;
                const double w = CShortScan::Weight(beta, gamma, range);
                EXPECT_GE(w, 0.0);
                EXPECT_LE(w, 1.0);
                const double partner = other >= 0 && other <= range ? CShortScan::Weight(other, -gamma, range) : 0.0;
                EXPECT_NEAR(w + partner, 1.0, 1e-12) << beta / kDeg << " " << gamma / kDeg << " " << range / kDeg;
            }
        }
        EXPECT_EQ(CShortScan::Weight(-0.01, 0, range), 0.0);
        EXPECT_EQ(CShortScan::Weight(range + 0.01, 0, range), 0.0);
        EXPECT_NEAR(CShortScan::Weight(0, 0, range), 0.0, 1e-15);  // the ends fade out
        EXPECT_EQ(CShortScan::Weight(kPi / 2, 0, range), 1.0);
    }
}

TEST(ShortScanCoverage, FullTurnShortScanAndUnevenAreToldApart) {
    const double fan = std::atan(0.25);  // 14.04 degrees
    using C = CShortScan::Coverage;
    EXPECT_EQ(CShortScan::Classify(Angles(0.3, 2 * kDeg, 180), fan).coverage, C::fullCircle);
    EXPECT_EQ(CShortScan::Classify(Angles(0.0, 3 * kDeg, 140), fan).coverage, C::fullCircle);  // 420 degrees
    EXPECT_EQ(CShortScan::Classify({}, fan).coverage, C::single);
    EXPECT_EQ(CShortScan::Classify({1.0}, fan).coverage, C::single);

    // 209 degrees in 1-degree steps: pi + 2 gamma_max is 208.07 degrees.
    CShortScan::Plan p = CShortScan::Classify(Angles(1.0, 1 * kDeg, 210), fan);
    EXPECT_EQ(p.coverage, C::shortScan);
    EXPECT_NEAR(p.range, 209 * kDeg, 1e-9);
    EXPECT_NEAR(p.step, 1 * kDeg, 1e-9);
    EXPECT_EQ(p.sense, 1.0);
    EXPECT_NEAR(p.Scale(), 210 * kDeg / kPi, 1e-9);  // 2 step per view over 2 pi / N
    // Turning the other way: offsets still grow, the sense says so.
    p = CShortScan::Classify(Angles(1.0, -1 * kDeg, 241), fan);
    EXPECT_EQ(p.coverage, C::shortScan);
    EXPECT_EQ(p.sense, -1.0);
    EXPECT_NEAR(p.offsets.back(), 240 * kDeg, 1e-9);
    // Half a step short still weighs, over pi + 2 gamma_max.
    p = CShortScan::Classify(Angles(0.0, 1 * kDeg, 209), fan);
    EXPECT_EQ(p.coverage, C::shortScan);
    EXPECT_NEAR(p.range, kPi + 2 * fan, 1e-12);

    EXPECT_EQ(CShortScan::Classify(Angles(0.0, 1 * kDeg, 200), fan).coverage, C::uneven);   // too short
    EXPECT_EQ(CShortScan::Classify(std::vector<double>(6, 0.5), fan).coverage, C::uneven);  // one angle
    std::vector<double> gap = Angles(0.0, 2 * kDeg, 180);
    gap.erase(gap.begin() + 40, gap.begin() + 70);  // a 62-degree hole in a turn
    EXPECT_EQ(CShortScan::Classify(gap, fan).coverage, C::uneven);
}

TEST(ShortScanCoverage, EntriesWithoutAnAngleKeepTheirPlaceInTheSteps) {
    std::vector<double> a = Angles(0.0, 2 * kDeg, 180);
    a[0] = a[7] = a[179] = std::nan("");
    const CShortScan::Plan p = CShortScan::Classify(a, 0.2);
    EXPECT_EQ(p.coverage, CShortScan::Coverage::fullCircle);
    EXPECT_NEAR(p.step, 2 * kDeg, 1e-9);
    EXPECT_NEAR(p.offsets[8] - p.offsets[6], 4 * kDeg, 1e-9);
}

}  // namespace
}  // namespace voxmill
