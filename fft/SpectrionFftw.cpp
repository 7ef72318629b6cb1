#include "fft/SpectrionFftw.h"

#include <algorithm>
#include <climits>

#include "fft/HalfComplex.h"

namespace voxmill {

namespace {

using Fftw = CFftwLibrary;

CFftwPlan ComplexPlan(int n, std::complex<float>* in, std::complex<float>* out, int sign)
{
    return CFftwPlan([&](Fftw& fftw) {
        return fftw.PlanDft1d(n, Fftw::AsFftw(in), Fftw::AsFftw(out), sign, Fftw::kEstimate);
    });
}

CFftwPlan RealPlan(int n, float* in, float* out, int kind)
{
    return CFftwPlan([&](Fftw& fftw) { return fftw.PlanR2r1d(n, in, out, kind, Fftw::kEstimate); });
}

} // namespace

int CSpectrionFftw::LengthFor(int n, bool pad)
{
    if (n < 1 || (pad && n > INT_MAX / 2))
        return 0;
    return pad ? 2 * n : n;
}

CSpectrionFftw::CSpectrionFftw(int length)
    : CSpectrionBase(length),
      m_complexA(static_cast<std::size_t>(length)),
      m_complexB(static_cast<std::size_t>(length)),
      m_realA(static_cast<std::size_t>(length)),
      m_realB(static_cast<std::size_t>(length)),
      m_forward(ComplexPlan(length, m_complexA.Data(), m_complexB.Data(), Fftw::kForward)),
      m_backward(ComplexPlan(length, m_complexB.Data(), m_complexA.Data(), Fftw::kBackward)),
      m_forwardReal(RealPlan(length, m_realA.Data(), m_realB.Data(), Fftw::kR2HC)),
      m_inverseReal(RealPlan(length, m_realB.Data(), m_realA.Data(), Fftw::kHC2R))
{
}

void CSpectrionFftw::ScaleOut(const std::complex<float>* from, std::complex<float>* out) const
{
    const float scale = 1.0f / static_cast<float>(GetLength());
    for (int i = 0; i < GetLength(); ++i)
        out[i] = {from[i].real() * scale, from[i].imag() * scale};
}

void CSpectrionFftw::ScaleOut(const float* from, float* out) const
{
    const float scale = 1.0f / static_cast<float>(GetLength());
    for (int i = 0; i < GetLength(); ++i)
        out[i] = from[i] * scale;
}

void CSpectrionFftw::PackSplit(const float* re, const float* im, std::complex<float>* to) const
{
    for (int i = 0; i < GetLength(); ++i)
        to[i] = {re[i], im[i]};
}

void CSpectrionFftw::UnpackSplit(const std::complex<float>* from, float* re, float* im, float scale) const
{
    for (int i = 0; i < GetLength(); ++i) {
        re[i] = from[i].real() * scale;
        im[i] = from[i].imag() * scale;
    }
}

int CSpectrionFftw::Forward(const std::complex<float>* in, std::complex<float>* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    std::copy(in, in + GetLength(), m_complexA.Data());
    m_forward.Execute();
    std::copy(m_complexB.Data(), m_complexB.Data() + GetLength(), out);
    return GetLength();
}

int CSpectrionFftw::Inverse(const std::complex<float>* in, std::complex<float>* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    std::copy(in, in + GetLength(), m_complexB.Data());
    m_backward.Execute();
    ScaleOut(m_complexA.Data(), out);
    return GetLength();
}

int CSpectrionFftw::ForwardReal(const float* in, float* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    std::copy(in, in + GetLength(), m_realA.Data());
    m_forwardReal.Execute();
    std::copy(m_realB.Data(), m_realB.Data() + GetLength(), out);
    return GetLength();
}

int CSpectrionFftw::InverseReal(const float* in, float* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    // The halfcomplex-to-real plan overwrites its input, which is a copy.
    std::copy(in, in + GetLength(), m_realB.Data());
    m_inverseReal.Execute();
    ScaleOut(m_realA.Data(), out);
    return GetLength();
}

int CSpectrionFftw::ForwardSplit(float* re, float* im)
{
    if (re == nullptr || im == nullptr)
        return 0;
    PackSplit(re, im, m_complexA.Data());
    m_forward.Execute();
    UnpackSplit(m_complexB.Data(), re, im, 1.0f);
    return GetLength();
}

int CSpectrionFftw::InverseSplit(float* re, float* im)
{
    if (re == nullptr || im == nullptr)
        return 0;
    PackSplit(re, im, m_complexB.Data());
    m_backward.Execute();
    UnpackSplit(m_complexA.Data(), re, im, 1.0f / static_cast<float>(GetLength()));
    return GetLength();
}

int CSpectrionFftw::Convolve(std::complex<float>* data, const SpectralFilter* filter)
{
    if (data == nullptr || !Accepts(filter))
        return 0;
    std::copy(data, data + GetLength(), m_complexA.Data());
    m_forward.Execute();
    MultiplySpectra(m_complexB.Data(), filter->GetSpectrum(), m_complexB.Data(), GetLength());
    m_backward.Execute();
    ScaleOut(m_complexA.Data(), data);
    return GetLength();
}

int CSpectrionFftw::ConvolveReal(float* data, const SpectralFilter* filter)
{
    if (data == nullptr || !Accepts(filter))
        return 0;
    const float scale = 1.0f / static_cast<float>(GetLength());
    // The renderers filter row after row of one buffer; rows aligned like the
    // plan's arrays are transformed where they lie, without copies.
    if (CFftwLibrary::Instance().AlignmentOf(data) == CFftwLibrary::Instance().AlignmentOf(m_realA.Data())) {
        m_forwardReal.Execute(data, m_realB.Data());
        MultiplyHalfComplex(m_realB.Data(), filter->GetHalfComplex(), GetLength(), scale);
        m_inverseReal.Execute(m_realB.Data(), data);
        return GetLength();
    }
    std::copy(data, data + GetLength(), m_realA.Data());
    m_forwardReal.Execute();
    MultiplyHalfComplex(m_realB.Data(), filter->GetHalfComplex(), GetLength(), scale);
    m_inverseReal.Execute();
    std::copy(m_realA.Data(), m_realA.Data() + GetLength(), data);
    return GetLength();
}

int CSpectrionFftw::ConvolveSplit(float* re, float* im, const SpectralFilter* filter)
{
    if (re == nullptr || im == nullptr || !Accepts(filter))
        return 0;
    PackSplit(re, im, m_complexA.Data());
    m_forward.Execute();
    MultiplySpectra(m_complexB.Data(), filter->GetSpectrum(), m_complexB.Data(), GetLength());
    m_backward.Execute();
    UnpackSplit(m_complexA.Data(), re, im, 1.0f / static_cast<float>(GetLength()));
    return GetLength();
}

} // namespace voxmill
