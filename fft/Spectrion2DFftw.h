// The two-dimensional farm on FFTW: a real-to-complex plan (real buffer ->
// coefficient buffer) and a complex-to-real plan (coefficients -> real
// buffer) of nx' x ny', made once in estimate mode on the farm's own aligned
// buffers. Data is copied in and out, so inputs are never destroyed.
#pragma once

#include <complex>

#include "fft/AlignedBuffer.h"
#include "fft/FftwPlan.h"
#include "fft/Spectrion2D.h"

namespace voxmill {

class CSpectrion2DFftw final : public Spectrion2D {
public:
    // nx' x ny' for (nx, ny, pad); the count, or 0 when a size is below 1 or
    // nx' * ny' does not fit an int.
    static int SizeFor(int nx, int ny, bool pad, int* nxOut, int* nyOut);

    // Sizes from SizeFor; needs the FFTW library loaded. Throws
    // std::bad_alloc when out of memory or when FFTW cannot plan the size.
    CSpectrion2DFftw(int nx, int ny);

    int GetSize(int nx, int ny, bool pad, int* nxOut, int* nyOut) const override;
    SpectralFilter2D* CreateFilter() override;
    int GetCount() const override { return m_count; }
    int ForwardReal(const float* in, std::complex<float>* out) override;
    int InverseReal(const std::complex<float>* in, float* out) override;
    int GetSpectrumCount() const override { return m_spectrumCount; }
    int ConvolveReal(float* data, const SpectralFilter2D* filter) override;

private:
    void ScaleOut(float* out) const;

    int m_count;
    int m_spectrumCount;
    CAlignedBuffer<float> m_real;
    CAlignedBuffer<std::complex<float>> m_spectrum;
    CFftwPlan m_forward;
    CFftwPlan m_inverse;
};

} // namespace voxmill
