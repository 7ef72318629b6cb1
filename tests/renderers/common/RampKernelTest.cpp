// The ramp kernel's samples, its symmetry and its scale.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "renderers/common/RampKernel.h"
#include "renderers/common/RowFilter.h"

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

// The real spectrum of an even kernel of N samples, bin by bin.
std::vector<double> Spectrum(const std::vector<float>& h) {
    const std::size_t n = h.size();
    std::vector<double> out(n);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = 0; j < n; ++j)
            out[k] += h[j] * std::cos(2 * kPi * static_cast<double>(j * k % n) / static_cast<double>(n));
    return out;
}

TEST(RampKernelWindow, RamLakAtFullCutoffKeepsTheKernelsBits) {
    for (int n : {7, 64, 100}) {
        const auto h = CRampKernel::Build(n, 0.05, 1.3);
        const auto w = CRampKernel::Windowed(h, CRampKernel::kRamLak, 1.0);
        ASSERT_EQ(w.size(), h.size());
        EXPECT_EQ(std::memcmp(w.data(), h.data(), h.size() * sizeof(float)), 0) << n;
    }
}

TEST(RampKernelWindow, FormulasAtTheCentreHalfwayAndTheCutoff) {
    using K = CRampKernel;
    for (int w = 0; w < K::kWindowCount; ++w) EXPECT_DOUBLE_EQ(K::WindowValue(w, 0.0, 1.0), 1.0) << w;
    EXPECT_NEAR(K::WindowValue(K::kSheppLogan, 1.0, 1.0), 2.0 / kPi, 1e-15);
    EXPECT_NEAR(K::WindowValue(K::kCosine, 1.0, 1.0), 0.0, 1e-15);
    EXPECT_NEAR(K::WindowValue(K::kHamming, 1.0, 1.0), 0.08, 1e-15);
    EXPECT_NEAR(K::WindowValue(K::kHann, 1.0, 1.0), 0.0, 1e-15);
    EXPECT_NEAR(K::WindowValue(K::kHann, 0.5, 1.0), 0.5, 1e-15);
    EXPECT_NEAR(K::WindowValue(K::kHamming, 0.25, 0.5), 0.54, 1e-15);  // halfway to a cutoff of 1/2
    // Above the cutoff every window, Ram-Lak included, is zero.
    for (int w = 0; w < K::kWindowCount; ++w) EXPECT_EQ(K::WindowValue(w, 0.51, 0.5), 0.0) << w;
    EXPECT_EQ(K::WindowValue(K::kRamLak, 0.3, 0.0), 0.0);
}

// Each window's response, measured as the program filters: an impulse
// through the row filter, the filtered row's spectrum against the ramp's
// times the window's formula, relative to the ramp's peak.
TEST(RampKernelWindow, FilteredImpulseHasTheRampTimesTheWindowAsItsSpectrum) {
    constexpr int kColumns = 128;
    auto filter = CRowFilter::Create(kColumns);
    ASSERT_TRUE(filter);
    const int n = filter->Length();
    const auto ramp = CRampKernel::Build(n, 1.0, 4.0);
    std::vector<float> impulse(static_cast<std::size_t>(n), 0.0f);
    ASSERT_TRUE(filter->SetKernel(ramp));
    impulse[0] = 1.0f;
    std::vector<float> row(impulse.begin(), impulse.begin() + kColumns);
    filter->Filter(row.data());
    const auto rampResponse = Spectrum(std::vector<float>(row.begin(), row.begin() + (n == kColumns ? n : 0)));
    const auto rampSpectrum = Spectrum(ramp);
    double peak = 0;
    for (double v : rampSpectrum) peak = std::max(peak, std::abs(v));
    ASSERT_GT(peak, 0.9);
    for (double cutoff : {1.0, 0.6}) {
        for (int w = CRampKernel::kSheppLogan; w < CRampKernel::kWindowCount; ++w) {
            ASSERT_TRUE(filter->SetKernel(CRampKernel::Windowed(ramp, w, cutoff)));
            std::vector<float> out(impulse.begin(), impulse.begin() + kColumns);
            filter->Filter(out.data());
            // The row is the whole farm when the lengths agree; else the
            // kernel itself stands for what the farm holds.
            const auto response = Spectrum(n == kColumns ? out : CRampKernel::Windowed(ramp, w, cutoff));
            double worst = 0;
            for (int k = 0; k < n; ++k) {
                const double f = std::min(k, n - k) / (n / 2.0);
                const double expected = rampSpectrum[static_cast<std::size_t>(k)] * CRampKernel::WindowValue(w, f, cutoff);
                worst = std::max(worst, std::abs(response[static_cast<std::size_t>(k)] - expected) / peak);
            }
            EXPECT_LT(worst, 1e-5) << "window " << w << " cutoff " << cutoff;
        }
    }
    if (n == kColumns) {
        for (int k = 0; k < n; ++k)
            EXPECT_NEAR(rampResponse[static_cast<std::size_t>(k)], rampSpectrum[static_cast<std::size_t>(k)], 1e-5 * peak);
    }
}

TEST(RampKernelWindow, PaddedKernelIsWindowedOverItsOwnLength) {
    const auto padded = CRampKernel::BuildPadded(64, 0.5, 1.0);
    const auto hann = CRampKernel::Windowed(padded, CRampKernel::kHann, 1.0);
    const auto spectrum = Spectrum(padded), windowed = Spectrum(hann);
    for (int k = 0; k < 64; ++k)
        EXPECT_NEAR(windowed[static_cast<std::size_t>(k)],
                    spectrum[static_cast<std::size_t>(k)] *
                        CRampKernel::WindowValue(CRampKernel::kHann, std::min(k, 64 - k) / 32.0, 1.0),
                    1e-5);
}

}  // namespace
}  // namespace voxmill
