// The own back end: the split-radix core on two arrays of N floats, for
// power-of-two N only (lengths are rounded up). Real transforms run the
// complex core with a zero imaginary part; the real inverse first expands
// the halfcomplex input into the full Hermitian spectrum.
#pragma once

#include <vector>

#include "fft/SpectrionBase.h"
#include "fft/SplitRadix.h"

namespace voxmill {

class CSpectrionOwn final : public CSpectrionBase {
public:
    // The smallest power of two not below n (2n with pad); 0 when n < 1 or
    // the result would exceed kMaxLength.
    static int LengthFor(int n, bool pad);
    static constexpr int kMaxLength = 1 << 28;

    // length from LengthFor; throws std::bad_alloc when out of memory.
    explicit CSpectrionOwn(int length);

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

private:
    void Split(const std::complex<float>* in);
    void Merge(std::complex<float>* out) const;

    CSplitRadix m_core;
    std::vector<float> m_re;
    std::vector<float> m_im;
};

} // namespace voxmill
