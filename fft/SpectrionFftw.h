// The FFTW back end of the one-dimensional farm, for any length N. Four
// plans are made once, in estimate mode, on the farm's own aligned buffers:
// complex forward (complexA -> complexB) and backward (complexB -> complexA),
// real-to-halfcomplex (realA -> realB) and halfcomplex-to-real
// (realB -> realA). Data is copied in and out, so callers' buffers need no
// alignment and inputs are never destroyed; each convolution runs its
// forward and backward plan back to back on the farm's buffers. The real
// convolution transforms the caller's row where it lies when the row is
// aligned like the plans' arrays. Inverses multiply by 1/N, which equals
// dividing by N to within one rounding.
#pragma once

#include <complex>

#include "fft/AlignedBuffer.h"
#include "fft/FftwPlan.h"
#include "fft/SpectrionBase.h"

namespace voxmill {

class CSpectrionFftw final : public CSpectrionBase {
public:
    // n, or 2n with pad; 0 when n < 1 or 2n overflows.
    static int LengthFor(int n, bool pad);

    // Needs the FFTW library loaded; throws std::bad_alloc when out of memory
    // or when FFTW cannot plan the length.
    explicit CSpectrionFftw(int length);

    int GetSize(int n, bool pad) const override { return LengthFor(n, pad); }

    using CSpectrionBase::Forward;
    using CSpectrionBase::ForwardReal;
    using CSpectrionBase::Inverse;
    using CSpectrionBase::InverseReal;
    int Forward(const std::complex<float>* in, std::complex<float>* out) override;
    int ForwardReal(const float* in, float* out) override;
    int Inverse(const std::complex<float>* in, std::complex<float>* out) override;
    int InverseReal(const float* in, float* out) override;
    int ForwardSplit(float* re, float* im) override;
    int InverseSplit(float* re, float* im) override;

    int Convolve(std::complex<float>* data, const SpectralFilter* filter) override;
    int ConvolveReal(float* data, const SpectralFilter* filter) override;
    int ConvolveSplit(float* re, float* im, const SpectralFilter* filter) override;

private:
    void PackSplit(const float* re, const float* im, std::complex<float>* to) const;
    void UnpackSplit(const std::complex<float>* from, float* re, float* im, float scale) const;
    void ScaleOut(const std::complex<float>* from, std::complex<float>* out) const;
    void ScaleOut(const float* from, float* out) const;

    CAlignedBuffer<std::complex<float>> m_complexA;
    CAlignedBuffer<std::complex<float>> m_complexB;
    CAlignedBuffer<float> m_realA;
    CAlignedBuffer<float> m_realB;
    CFftwPlan m_forward;
    CFftwPlan m_backward;
    CFftwPlan m_forwardReal;
    CFftwPlan m_inverseReal;
};

} // namespace voxmill
