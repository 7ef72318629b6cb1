#include "fft/Spectrion2DFftw.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "fft/HalfComplex.h"
#include "fft/SpectralFilter2DImpl.h"

namespace voxmill {

namespace {

using Fftw = CFftwLibrary;

} // namespace

int CSpectrion2DFftw::SizeFor(int nx, int ny, bool pad, int* nxOut, int* nyOut)
{
    std::int64_t x = nx;
    std::int64_t y = ny;
    if (pad) {
        x *= 2;
        y *= 2;
    }
    const bool valid = nx >= 1 && ny >= 1 && x * y <= INT_MAX;
    if (nxOut != nullptr)
        *nxOut = valid ? static_cast<int>(x) : 0;
    if (nyOut != nullptr)
        *nyOut = valid ? static_cast<int>(y) : 0;
    return valid ? static_cast<int>(x * y) : 0;
}

CSpectrion2DFftw::CSpectrion2DFftw(int nx, int ny)
    : Spectrion2D(nx, ny),
      m_count(nx * ny),
      m_spectrumCount(nx * (ny / 2 + 1)),
      m_real(static_cast<std::size_t>(m_count)),
      m_spectrum(static_cast<std::size_t>(m_spectrumCount)),
      m_forward([&](Fftw& fftw) {
          return fftw.PlanDftR2c2d(nx, ny, m_real.Data(), Fftw::AsFftw(m_spectrum.Data()), Fftw::kEstimate);
      }),
      m_inverse([&](Fftw& fftw) {
          return fftw.PlanDftC2r2d(nx, ny, Fftw::AsFftw(m_spectrum.Data()), m_real.Data(), Fftw::kEstimate);
      })
{
}

int CSpectrion2DFftw::GetSize(int nx, int ny, bool pad, int* nxOut, int* nyOut) const
{
    return SizeFor(nx, ny, pad, nxOut, nyOut);
}

SpectralFilter2D* CSpectrion2DFftw::CreateFilter()
{
    try {
        return new CSpectralFilter2DImpl(this, GetNx(), GetNy(), m_spectrumCount);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CSpectrion2DFftw::ScaleOut(float* out) const
{
    const float count = static_cast<float>(m_count);
    for (int i = 0; i < m_count; ++i)
        out[i] = m_real[static_cast<std::size_t>(i)] / count;
}

int CSpectrion2DFftw::ForwardReal(const float* in, std::complex<float>* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    std::copy(in, in + m_count, m_real.Data());
    m_forward.Execute();
    std::copy(m_spectrum.Data(), m_spectrum.Data() + m_spectrumCount, out);
    return m_spectrumCount;
}

int CSpectrion2DFftw::InverseReal(const std::complex<float>* in, float* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    // The complex-to-real plan overwrites its input, which is a copy.
    std::copy(in, in + m_spectrumCount, m_spectrum.Data());
    m_inverse.Execute();
    ScaleOut(out);
    return m_count;
}

int CSpectrion2DFftw::ConvolveReal(float* data, const SpectralFilter2D* filter)
{
    if (data == nullptr || filter == nullptr || filter->GetNx() != GetNx() || filter->GetNy() != GetNy()
        || filter->GetSpectrum() == nullptr)
        return 0;
    std::copy(data, data + m_count, m_real.Data());
    m_forward.Execute();
    MultiplySpectra(m_spectrum.Data(), filter->GetSpectrum(), m_spectrum.Data(), m_spectrumCount);
    m_inverse.Execute();
    ScaleOut(data);
    return m_count;
}

} // namespace voxmill
