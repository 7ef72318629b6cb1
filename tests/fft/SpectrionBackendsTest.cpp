// The FFTW and own back ends side by side in one process: on the
// power-of-two lengths both serve, every operation must agree to rounding.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "fft/Spectrion.h"
#include "fft/SpectrionBackends.h"
#include "tests/fft/FftReference.h"

namespace voxmill {
namespace {

using fft_test::Complex;
using fft_test::MaxDifference;
using fft_test::RandomComplex;
using fft_test::RandomReal;
using fft_test::Tolerance;

class SpectrionBackEnds : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        if (!IsFftwAvailable())
            GTEST_SKIP() << "FFTW is not available to compare with";
        m_fftw.reset(CreateFftwSpectrion(GetParam(), false));
        m_own.reset(CreateOwnSpectrion(GetParam(), false));
        ASSERT_NE(m_fftw, nullptr);
        ASSERT_NE(m_own, nullptr);
        ASSERT_EQ(m_fftw->GetLength(), m_own->GetLength());
        m_n = static_cast<std::size_t>(GetParam());
    }

    std::unique_ptr<Spectrion> m_fftw;
    std::unique_ptr<Spectrion> m_own;
    std::size_t m_n = 0;
};

TEST_P(SpectrionBackEnds, TransformsAgree)
{
    const double tolerance = Tolerance(m_n, 2.0 * std::sqrt(m_n));
    const std::vector<Complex> input = RandomComplex(m_n, 3);
    std::vector<Complex> a(m_n);
    std::vector<Complex> b(m_n);
    m_fftw->Forward(input.data(), a.data());
    m_own->Forward(input.data(), b.data());
    EXPECT_LT(MaxDifference(a, b), tolerance);
    m_fftw->Inverse(input.data(), a.data());
    m_own->Inverse(input.data(), b.data());
    EXPECT_LT(MaxDifference(a, b), tolerance / static_cast<double>(m_n));

    const std::vector<float> real = RandomReal(m_n, 5);
    std::vector<float> ra(m_n);
    std::vector<float> rb(m_n);
    m_fftw->ForwardReal(real.data(), ra.data());
    m_own->ForwardReal(real.data(), rb.data());
    EXPECT_LT(MaxDifference(ra, rb), tolerance);
    m_fftw->InverseReal(real.data(), ra.data());
    m_own->InverseReal(real.data(), rb.data());
    EXPECT_LT(MaxDifference(ra, rb), tolerance / static_cast<double>(m_n));
}

TEST_P(SpectrionBackEnds, ConvolutionsAgree)
{
    std::unique_ptr<SpectralFilter> fa(m_fftw->CreateFilter());
    std::unique_ptr<SpectralFilter> fb(m_own->CreateFilter());
    ASSERT_TRUE(fa && fb);
    const std::vector<float> kernel = RandomReal(m_n, 7);
    fa->SetKernel(kernel.data());
    fb->SetKernel(kernel.data());
    const double tolerance = Tolerance(m_n, static_cast<double>(m_n));
    EXPECT_LT(MaxDifference(std::vector<float>(fa->GetHalfComplex(), fa->GetHalfComplex() + m_n),
                            std::vector<float>(fb->GetHalfComplex(), fb->GetHalfComplex() + m_n)),
              tolerance);

    std::vector<float> ra = RandomReal(m_n, 9);
    std::vector<float> rb = ra;
    m_fftw->ConvolveReal(ra.data(), fa.get());
    m_own->ConvolveReal(rb.data(), fb.get());
    EXPECT_LT(MaxDifference(ra, rb), tolerance);

    std::vector<Complex> ca = RandomComplex(m_n, 11);
    std::vector<Complex> cb = ca;
    m_fftw->Convolve(ca.data(), fa.get());
    m_own->Convolve(cb.data(), fb.get());
    EXPECT_LT(MaxDifference(ca, cb), tolerance);

    std::vector<float> rea = RandomReal(m_n, 13);
    std::vector<float> ima = RandomReal(m_n, 15);
    std::vector<float> reb = rea;
    std::vector<float> imb = ima;
    m_fftw->ConvolveSplit(rea.data(), ima.data(), fa.get());
    m_own->ConvolveSplit(reb.data(), imb.data(), fb.get());
    EXPECT_LT(MaxDifference(rea, reb), tolerance);
    EXPECT_LT(MaxDifference(ima, imb), tolerance);
}

// A filter made by one back end works on the other's farm of the same length.
TEST_P(SpectrionBackEnds, FiltersAreInterchangeable)
{
    std::unique_ptr<SpectralFilter> fa(m_fftw->CreateFilter());
    ASSERT_NE(fa, nullptr);
    const std::vector<float> kernel = RandomReal(m_n, 17);
    fa->SetKernel(kernel.data());
    std::vector<float> data = RandomReal(m_n, 19);
    const std::vector<float> expected = fft_test::CircularConvolution(data, kernel);
    EXPECT_EQ(m_own->ConvolveReal(data.data(), fa.get()), m_own->GetLength());
    EXPECT_LT(MaxDifference(data, expected), Tolerance(m_n, static_cast<double>(m_n)));
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, SpectrionBackEnds, ::testing::Values(1, 2, 4, 16, 64, 256, 1024, 4096));

TEST(SpectrionOwnBackEnd, RoundsUpToPowersOfTwoAndRefusesTheRest)
{
    const std::unique_ptr<Spectrion> farm(CreateOwnSpectrion(1000, true));
    ASSERT_NE(farm, nullptr);
    EXPECT_EQ(farm->GetLength(), 2048);
    EXPECT_EQ(farm->GetSize(3, false), 4);
    EXPECT_EQ(farm->GetSize(1 << 27, true), 1 << 28);
    EXPECT_EQ(farm->GetSize((1 << 28) + 1, false), 0);
    EXPECT_EQ(CreateOwnSpectrion(0, false), nullptr);
}

} // namespace
} // namespace voxmill
