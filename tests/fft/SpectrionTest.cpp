// The FFT library through its exported factories, as the renderers use it.
// CTest runs this binary twice: once as is (FFTW back end) and once with
// VOXMILL_FFTW=off (own back end); each case checks the back end it expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "fft/Spectrion.h"
#include "fft/Spectrion2D.h"
#include "tests/fft/FftReference.h"

namespace voxmill {
namespace {

using fft_test::Complex;
using fft_test::MaxDifference;
using fft_test::RandomComplex;
using fft_test::RandomReal;
using fft_test::Tolerance;

bool ExpectFftw()
{
    const char* value = std::getenv("VOXMILL_FFTW");
    return value == nullptr || std::strcmp(value, "off") != 0;
}

std::unique_ptr<Spectrion> Farm(int n, bool pad = false)
{
    std::unique_ptr<Spectrion> farm(GetSpectrion_Best(n, pad));
    EXPECT_NE(farm, nullptr) << "n = " << n;
    return farm;
}

std::size_t Size(const Spectrion& farm)
{
    return static_cast<std::size_t>(farm.GetLength());
}

TEST(SpectrionFactory, LengthFollowsTheBackEnd)
{
    const bool fftw = ExpectFftw();
    EXPECT_EQ(Farm(100)->GetLength(), fftw ? 100 : 128);
    EXPECT_EQ(Farm(100, true)->GetLength(), fftw ? 200 : 256);
    EXPECT_EQ(Farm(1000)->GetLength(), fftw ? 1000 : 1024);
    EXPECT_EQ(Farm(256)->GetLength(), 256);
    EXPECT_EQ(Farm(1)->GetLength(), 1);
    EXPECT_EQ(Farm(1, true)->GetLength(), 2);

    const auto farm = Farm(7);
    EXPECT_EQ(farm->GetSize(100, false), fftw ? 100 : 128);
    EXPECT_EQ(farm->GetSize(100, true), fftw ? 200 : 256);
    EXPECT_EQ(farm->GetSize(0, false), 0);
}

TEST(SpectrionFactory, RefusesSizesItCannotServe)
{
    EXPECT_EQ(GetSpectrion_Best(0, false), nullptr);
    EXPECT_EQ(GetSpectrion_Best(-5, true), nullptr);
    EXPECT_EQ(GetSpectrion_Best(0x7fffffff, true), nullptr);
    EXPECT_EQ(GetSpectrion2D_Best(0, 4, false), nullptr);
    EXPECT_EQ(GetSpectrion2D_Best(4, -1, false), nullptr);
    EXPECT_EQ(GetSpectrion2D_Best(65536, 65536, false), nullptr);
}

TEST(SpectrionFactory, TwoDimensionalFarmOnlyWithFftw)
{
    std::unique_ptr<Spectrion2D> farm(GetSpectrion2D_Best(3, 5, true));
    if (!ExpectFftw()) {
        EXPECT_EQ(farm, nullptr);
        return;
    }
    ASSERT_NE(farm, nullptr);
    EXPECT_EQ(farm->GetNx(), 6);
    EXPECT_EQ(farm->GetNy(), 10);
    EXPECT_EQ(farm->GetCount(), 60);
    EXPECT_EQ(farm->GetSpectrumCount(), 6 * 6);
    int nx = -1;
    int ny = -1;
    EXPECT_EQ(farm->GetSize(4, 9, false, &nx, &ny), 36);
    EXPECT_EQ(nx, 4);
    EXPECT_EQ(ny, 9);
    EXPECT_EQ(farm->GetSize(0, 9, true, &nx, &ny), 0);
    EXPECT_EQ(nx, 0);
    EXPECT_EQ(ny, 0);
}

TEST(SpectrionFilter, StartsEmptyAndBoundToItsFarm)
{
    const auto farm = Farm(100);
    std::unique_ptr<SpectralFilter> filter(farm->CreateFilter());
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->GetLength(), farm->GetLength());
    EXPECT_EQ(filter->GetFarm(), farm.get());
    for (std::size_t i = 0; i < Size(*farm); ++i) {
        EXPECT_EQ(filter->GetSpectrum()[i], Complex(0.0f, 0.0f));
        EXPECT_EQ(filter->GetHalfComplex()[i], 0.0f);
    }
    // An empty filter passes nothing.
    std::vector<float> data = RandomReal(Size(*farm), 1);
    EXPECT_EQ(farm->ConvolveReal(data.data(), filter.get()), farm->GetLength());
    EXPECT_LT(MaxDifference(data, std::vector<float>(data.size(), 0.0f)), 1e-6);
}

class SpectrionLength : public ::testing::TestWithParam<int> {};

TEST_P(SpectrionLength, ComplexRoundTrip)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    const std::vector<Complex> input = RandomComplex(n, 7);
    std::vector<Complex> spectrum(n);
    std::vector<Complex> back(n);
    EXPECT_EQ(farm->Forward(input.data(), spectrum.data()), farm->GetLength());
    EXPECT_EQ(farm->Inverse(spectrum.data(), back.data()), farm->GetLength());
    EXPECT_LT(MaxDifference(back, input), Tolerance(n, 1.0));

    std::vector<Complex> inPlace = input;
    farm->Forward(inPlace.data());
    EXPECT_LT(MaxDifference(inPlace, spectrum), Tolerance(n, n));
    farm->Inverse(inPlace.data());
    EXPECT_LT(MaxDifference(inPlace, input), Tolerance(n, 1.0));
}

TEST_P(SpectrionLength, RealRoundTripKeepsTheInput)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    const std::vector<float> input = RandomReal(n, 11);
    std::vector<float> halfComplex(n);
    std::vector<float> back(n);
    EXPECT_EQ(farm->ForwardReal(input.data(), halfComplex.data()), farm->GetLength());
    const std::vector<float> spectrum = halfComplex;
    EXPECT_EQ(farm->InverseReal(halfComplex.data(), back.data()), farm->GetLength());
    EXPECT_EQ(halfComplex, spectrum) << "InverseReal must leave its input intact";
    EXPECT_LT(MaxDifference(back, input), Tolerance(n, 1.0));

    std::vector<float> inPlace = input;
    farm->ForwardReal(inPlace.data());
    EXPECT_LT(MaxDifference(inPlace, spectrum), Tolerance(n, n));
    farm->InverseReal(inPlace.data());
    EXPECT_LT(MaxDifference(inPlace, input), Tolerance(n, 1.0));
}

TEST_P(SpectrionLength, SplitRoundTripMatchesComplex)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    const std::vector<Complex> input = RandomComplex(n, 13);
    std::vector<float> re(n);
    std::vector<float> im(n);
    for (std::size_t i = 0; i < n; ++i) {
        re[i] = input[i].real();
        im[i] = input[i].imag();
    }
    std::vector<Complex> spectrum(n);
    farm->Forward(input.data(), spectrum.data());
    EXPECT_EQ(farm->ForwardSplit(re.data(), im.data()), farm->GetLength());
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_NEAR(re[i], spectrum[i].real(), Tolerance(n, n)) << i;
        ASSERT_NEAR(im[i], spectrum[i].imag(), Tolerance(n, n)) << i;
    }
    EXPECT_EQ(farm->InverseSplit(re.data(), im.data()), farm->GetLength());
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_NEAR(re[i], input[i].real(), Tolerance(n, 1.0)) << i;
        ASSERT_NEAR(im[i], input[i].imag(), Tolerance(n, 1.0)) << i;
    }
}

// Against a direct DFT, so both back ends are held to the same spectra.
TEST_P(SpectrionLength, ForwardMatchesDirectDft)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    const std::vector<Complex> input = RandomComplex(n, 17);
    std::vector<Complex> spectrum(n);
    farm->Forward(input.data(), spectrum.data());
    EXPECT_LT(MaxDifference(spectrum, fft_test::DirectDft(input)), Tolerance(n, 2.0 * std::sqrt(n)));

    const std::vector<float> real = RandomReal(n, 19);
    std::vector<float> halfComplex(n);
    farm->ForwardReal(real.data(), halfComplex.data());
    const auto expected = fft_test::DirectDft(std::vector<Complex>(real.begin(), real.end()));
    const double tolerance = Tolerance(n, 2.0 * std::sqrt(n));
    EXPECT_NEAR(halfComplex[0], expected[0].real(), tolerance);
    for (std::size_t k = 1; k < (n + 1) / 2; ++k) {
        ASSERT_NEAR(halfComplex[k], expected[k].real(), tolerance) << k;
        ASSERT_NEAR(halfComplex[n - k], expected[k].imag(), tolerance) << k;
    }
    if (n % 2 == 0) {
        EXPECT_NEAR(halfComplex[n / 2], expected[n / 2].real(), tolerance);
    }
}

TEST_P(SpectrionLength, ConvolutionsMatchDirectCircularConvolution)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    std::unique_ptr<SpectralFilter> filter(farm->CreateFilter());
    ASSERT_NE(filter, nullptr);
    const std::vector<float> kernel = RandomReal(n, 23);
    filter->SetKernel(kernel.data());
    const double tolerance = Tolerance(n, static_cast<double>(n));

    std::vector<float> real = RandomReal(n, 29);
    const std::vector<float> expectedReal = fft_test::CircularConvolution(real, kernel);
    // A row one float off its buffer's alignment, with guards on both sides.
    std::vector<float> shifted(n + 2, 99.0f);
    std::copy(real.begin(), real.end(), shifted.begin() + 1);
    EXPECT_EQ(farm->ConvolveReal(real.data(), filter.get()), farm->GetLength());
    EXPECT_LT(MaxDifference(real, expectedReal), tolerance);
    EXPECT_EQ(farm->ConvolveReal(shifted.data() + 1, filter.get()), farm->GetLength());
    EXPECT_LT(MaxDifference(std::vector<float>(shifted.begin() + 1, shifted.end() - 1), expectedReal), tolerance);
    EXPECT_EQ(shifted.front(), 99.0f);
    EXPECT_EQ(shifted.back(), 99.0f);

    std::vector<Complex> data = RandomComplex(n, 31);
    const std::vector<Complex> expected =
        fft_test::CircularConvolution(data, std::vector<Complex>(kernel.begin(), kernel.end()));
    std::vector<float> re(n);
    std::vector<float> im(n);
    for (std::size_t i = 0; i < n; ++i) {
        re[i] = data[i].real();
        im[i] = data[i].imag();
    }
    EXPECT_EQ(farm->Convolve(data.data(), filter.get()), farm->GetLength());
    EXPECT_LT(MaxDifference(data, expected), tolerance);

    EXPECT_EQ(farm->ConvolveSplit(re.data(), im.data(), filter.get()), farm->GetLength());
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_NEAR(re[i], expected[i].real(), tolerance) << i;
        ASSERT_NEAR(im[i], expected[i].imag(), tolerance) << i;
    }
}

TEST_P(SpectrionLength, UnitImpulseKernelReturnsTheData)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    std::unique_ptr<SpectralFilter> filter(farm->CreateFilter());
    ASSERT_NE(filter, nullptr);
    std::vector<float> impulse(n, 0.0f);
    impulse[0] = 1.0f;
    filter->SetKernel(impulse.data());
    const std::vector<float> input = RandomReal(n, 37);
    std::vector<float> data = input;
    EXPECT_EQ(farm->ConvolveReal(data.data(), filter.get()), farm->GetLength());
    EXPECT_LT(MaxDifference(data, input), Tolerance(n, 1.0));
}

TEST_P(SpectrionLength, SetSpectrumActsLikeTheKernelItCameFrom)
{
    const auto farm = Farm(GetParam());
    const std::size_t n = Size(*farm);
    const std::vector<float> kernel = RandomReal(n, 41);
    std::vector<Complex> spectrum(kernel.begin(), kernel.end());
    farm->Forward(spectrum.data());

    std::unique_ptr<SpectralFilter> fromKernel(farm->CreateFilter());
    std::unique_ptr<SpectralFilter> fromSpectrum(farm->CreateFilter());
    ASSERT_TRUE(fromKernel && fromSpectrum);
    fromKernel->SetKernel(kernel.data());
    fromSpectrum->SetSpectrum(spectrum.data());
    for (std::size_t i = 0; i < n; ++i)
        ASSERT_EQ(fromSpectrum->GetSpectrum()[i], spectrum[i]) << i;

    std::vector<float> a = RandomReal(n, 43);
    std::vector<float> b = a;
    farm->ConvolveReal(a.data(), fromKernel.get());
    farm->ConvolveReal(b.data(), fromSpectrum.get());
    EXPECT_LT(MaxDifference(a, b), Tolerance(n, n));
}

// Odd and even lengths for FFTW; the own back end rounds them to powers of two.
INSTANTIATE_TEST_SUITE_P(Lengths, SpectrionLength, ::testing::Values(2, 3, 8, 15, 100, 256, 1000));

TEST(SpectrionLayout, HalfComplexOrderOfAKnownSignal)
{
    constexpr int n = 16;
    const auto farm = Farm(n);
    ASSERT_EQ(farm->GetLength(), n);
    // 0.5 + cos(3 t) + 2 sin(5 t) + 0.25 cos(8 t), t = 2 pi i / n.
    std::vector<float> signal(n);
    for (int i = 0; i < n; ++i) {
        const double t = 2.0 * std::numbers::pi * i / n;
        signal[static_cast<std::size_t>(i)] =
            static_cast<float>(0.5 + std::cos(3 * t) + 2.0 * std::sin(5 * t) + 0.25 * std::cos(8 * t));
    }
    std::vector<float> expected(n, 0.0f);
    expected[0] = 0.5f * n;       // bin 0
    expected[3] = 0.5f * n;       // real part of bin 3
    expected[n - 5] = -1.0f * n;  // imaginary part of bin 5: 2 sin has -i n at +5
    expected[n / 2] = 0.25f * n;  // bin n/2
    std::vector<float> halfComplex(n);
    farm->ForwardReal(signal.data(), halfComplex.data());
    for (int i = 0; i < n; ++i)
        EXPECT_NEAR(halfComplex[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)], 1e-5) << i;

    // The complex transform uses the same sign: e^(+i 3 t) lands in bin 3.
    std::vector<Complex> wave(n);
    for (int i = 0; i < n; ++i)
        wave[static_cast<std::size_t>(i)] = std::polar(1.0f, static_cast<float>(3.0 * 2.0 * std::numbers::pi * i / n));
    farm->Forward(wave.data());
    for (int k = 0; k < n; ++k)
        EXPECT_LT(std::abs(wave[static_cast<std::size_t>(k)] - Complex(k == 3 ? n : 0.0f, 0.0f)), 1e-5) << k;
}

TEST(SpectrionLayout, SetSpectrumFillsHalfComplexOrder)
{
    const auto farm = Farm(8);
    std::unique_ptr<SpectralFilter> filter(farm->CreateFilter());
    ASSERT_NE(filter, nullptr);
    std::vector<Complex> spectrum(8);
    for (int k = 0; k < 8; ++k)
        spectrum[static_cast<std::size_t>(k)] = {static_cast<float>(10 + k), static_cast<float>(-k)};
    filter->SetSpectrum(spectrum.data());
    const std::vector<float> expected = {10, 11, 12, 13, 14, -3, -2, -1};
    EXPECT_EQ(std::vector<float>(filter->GetHalfComplex(), filter->GetHalfComplex() + 8), expected);
}

TEST(SpectrionLengthOne, EveryTransformLeavesTheDataUnchanged)
{
    const auto farm = Farm(1);
    ASSERT_EQ(farm->GetLength(), 1);
    Complex c(0.75f, -2.5f);
    farm->Forward(&c);
    EXPECT_EQ(c, Complex(0.75f, -2.5f));
    farm->Inverse(&c);
    EXPECT_EQ(c, Complex(0.75f, -2.5f));
    float r = 3.25f;
    farm->ForwardReal(&r);
    EXPECT_EQ(r, 3.25f);
    farm->InverseReal(&r);
    EXPECT_EQ(r, 3.25f);
    float re = -1.5f;
    float im = 0.5f;
    farm->ForwardSplit(&re, &im);
    farm->InverseSplit(&re, &im);
    EXPECT_EQ(re, -1.5f);
    EXPECT_EQ(im, 0.5f);

    std::unique_ptr<SpectralFilter> filter(farm->CreateFilter());
    ASSERT_NE(filter, nullptr);
    const float one = 1.0f;
    filter->SetKernel(&one);
    farm->ConvolveReal(&r, filter.get());
    farm->Convolve(&c, filter.get());
    farm->ConvolveSplit(&re, &im, filter.get());
    EXPECT_EQ(r, 3.25f);
    EXPECT_EQ(c, Complex(0.75f, -2.5f));
    EXPECT_EQ(re, -1.5f);
    EXPECT_EQ(im, 0.5f);
}

TEST(SpectrionArguments, NullsAndForeignFiltersAreRefusedWithoutTouchingData)
{
    const auto farm = Farm(64);
    const auto other = Farm(32);
    std::unique_ptr<SpectralFilter> foreign(other->CreateFilter());
    std::unique_ptr<SpectralFilter> filter(farm->CreateFilter());
    ASSERT_TRUE(foreign && filter);
    std::vector<float> kernel(64, 0.0f);
    kernel[1] = 1.0f;
    filter->SetKernel(kernel.data());
    filter->SetKernel(nullptr);
    filter->SetSpectrum(nullptr);
    EXPECT_NEAR(filter->GetHalfComplex()[0], 1.0f, 1e-6) << "a null kernel must leave the filter as it was";

    const std::vector<float> input = RandomReal(64, 47);
    std::vector<float> data = input;
    std::vector<float> im(64, 0.0f);
    std::vector<Complex> complexData(input.begin(), input.end());
    EXPECT_EQ(farm->ConvolveReal(data.data(), nullptr), 0);
    EXPECT_EQ(farm->ConvolveReal(data.data(), foreign.get()), 0);
    EXPECT_EQ(farm->Convolve(complexData.data(), foreign.get()), 0);
    EXPECT_EQ(farm->ConvolveSplit(data.data(), im.data(), foreign.get()), 0);
    EXPECT_EQ(farm->ConvolveSplit(data.data(), nullptr, filter.get()), 0);
    EXPECT_EQ(farm->ConvolveReal(nullptr, filter.get()), 0);
    EXPECT_EQ(farm->Forward(nullptr, complexData.data()), 0);
    EXPECT_EQ(farm->InverseReal(data.data(), nullptr), 0);
    EXPECT_EQ(farm->ForwardSplit(nullptr, im.data()), 0);
    EXPECT_EQ(data, input);
    EXPECT_EQ(complexData, std::vector<Complex>(input.begin(), input.end()));
}

// Renderers may build farms on several threads; each uses its own farm.
TEST(SpectrionThreads, FarmsMadeAndUsedOnSeveralThreads)
{
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < 25; ++round) {
                const int n = 60 + 7 * round + t;
                std::unique_ptr<Spectrion> farm(GetSpectrion_Best(n, round % 2 == 0));
                std::unique_ptr<SpectralFilter> filter(farm ? farm->CreateFilter() : nullptr);
                if (!filter) {
                    ++failures[static_cast<std::size_t>(t)];
                    continue;
                }
                const std::size_t length = Size(*farm);
                std::vector<float> kernel(length, 0.0f);
                kernel[1] = 1.0f;  // a shift by one sample
                filter->SetKernel(kernel.data());
                const std::vector<float> input = RandomReal(length, static_cast<unsigned>(round));
                std::vector<float> data = input;
                farm->ConvolveReal(data.data(), filter.get());
                for (std::size_t i = 0; i < length; ++i)
                    if (std::abs(data[(i + 1) % length] - input[i]) > 1e-4f) {
                        ++failures[static_cast<std::size_t>(t)];
                        break;
                    }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

// --- two-dimensional farm (FFTW only) ---

class Spectrion2DTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ExpectFftw())
            GTEST_SKIP() << "the two-dimensional farm needs FFTW";
    }

    static std::unique_ptr<Spectrion2D> Farm2D(int nx, int ny)
    {
        std::unique_ptr<Spectrion2D> farm(GetSpectrion2D_Best(nx, ny, false));
        EXPECT_NE(farm, nullptr);
        return farm;
    }
};

TEST_F(Spectrion2DTest, RealRoundTripKeepsTheInput)
{
    for (const auto& [nx, ny] : {std::pair{4, 6}, std::pair{5, 7}, std::pair{1, 9}}) {
        const auto farm = Farm2D(nx, ny);
        ASSERT_NE(farm, nullptr);
        const auto count = static_cast<std::size_t>(farm->GetCount());
        const std::vector<float> input = RandomReal(count, 53);
        std::vector<Complex> spectrum(static_cast<std::size_t>(farm->GetSpectrumCount()));
        std::vector<float> back(count);
        EXPECT_EQ(farm->ForwardReal(input.data(), spectrum.data()), farm->GetSpectrumCount());
        // Coefficient (0, 0) is the plain sum.
        double sum = 0.0;
        for (float v : input)
            sum += v;
        EXPECT_NEAR(spectrum[0].real(), sum, 1e-4);
        const std::vector<Complex> kept = spectrum;
        EXPECT_EQ(farm->InverseReal(spectrum.data(), back.data()), farm->GetCount());
        EXPECT_EQ(spectrum, kept) << "InverseReal must leave its input intact";
        EXPECT_LT(MaxDifference(back, input), Tolerance(count, 1.0)) << nx << " x " << ny;
    }
}

TEST_F(Spectrion2DTest, ConvolutionMatchesDirectCircularConvolution)
{
    for (const auto& [nx, ny] : {std::pair{4, 6}, std::pair{5, 7}}) {
        const auto farm = Farm2D(nx, ny);
        ASSERT_NE(farm, nullptr);
        std::unique_ptr<SpectralFilter2D> filter(farm->CreateFilter());
        ASSERT_NE(filter, nullptr);
        const auto count = static_cast<std::size_t>(farm->GetCount());
        const std::vector<float> kernel = RandomReal(count, 59);
        const std::vector<float> input = RandomReal(count, 61);
        filter->SetKernel(kernel.data());
        std::vector<float> data = input;
        EXPECT_EQ(farm->ConvolveReal(data.data(), filter.get()), farm->GetCount());
        for (int x = 0; x < nx; ++x)
            for (int y = 0; y < ny; ++y) {
                double sum = 0.0;
                for (int a = 0; a < nx; ++a)
                    for (int b = 0; b < ny; ++b)
                        sum += input[static_cast<std::size_t>(a * ny + b)]
                            * kernel[static_cast<std::size_t>(((x - a + nx) % nx) * ny + (y - b + ny) % ny)];
                ASSERT_NEAR(data[static_cast<std::size_t>(x * ny + y)], sum, 1e-4) << x << ", " << y;
            }
    }
}

TEST_F(Spectrion2DTest, UnitImpulseAndFlatSpectrumReturnTheData)
{
    const auto farm = Farm2D(6, 8);
    ASSERT_NE(farm, nullptr);
    std::unique_ptr<SpectralFilter2D> impulse(farm->CreateFilter());
    std::unique_ptr<SpectralFilter2D> flat(farm->CreateFilter());
    ASSERT_TRUE(impulse && flat);
    std::vector<float> kernel(48, 0.0f);
    kernel[0] = 1.0f;
    impulse->SetKernel(kernel.data());
    const std::vector<Complex> ones(48, Complex(1.0f, 0.0f));
    flat->SetSpectrum(ones.data());

    const std::vector<float> input = RandomReal(48, 67);
    std::vector<float> data = input;
    farm->ConvolveReal(data.data(), impulse.get());
    EXPECT_LT(MaxDifference(data, input), 1e-5);
    farm->ConvolveReal(data.data(), flat.get());
    EXPECT_LT(MaxDifference(data, input), 1e-5);
}

TEST_F(Spectrion2DTest, ForeignFilterIsRefused)
{
    const auto farm = Farm2D(4, 4);
    const auto other = Farm2D(4, 5);
    ASSERT_TRUE(farm && other);
    std::unique_ptr<SpectralFilter2D> foreign(other->CreateFilter());
    std::vector<float> data(16, 1.0f);
    EXPECT_EQ(farm->ConvolveReal(data.data(), foreign.get()), 0);
    EXPECT_EQ(farm->ConvolveReal(data.data(), nullptr), 0);
    EXPECT_EQ(data, std::vector<float>(16, 1.0f));
}

} // namespace
} // namespace voxmill
