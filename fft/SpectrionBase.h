// What both one-dimensional back ends share: filter creation, the in-place
// forms of the transforms (through the out-of-place ones, which must accept
// in == out), argument checks, and convolutions built from the transforms.
// A back end overrides the convolutions when it can save copies.
#pragma once

#include "fft/Spectrion.h"

namespace voxmill {

class CSpectrionBase : public Spectrion {
public:
    SpectralFilter* CreateFilter() override;

    using Spectrion::Forward;
    using Spectrion::ForwardReal;
    using Spectrion::Inverse;
    using Spectrion::InverseReal;
    int Forward(std::complex<float>* data) override { return Forward(data, data); }
    int ForwardReal(float* data) override { return ForwardReal(data, data); }
    int Inverse(std::complex<float>* data) override { return Inverse(data, data); }
    int InverseReal(float* data) override { return InverseReal(data, data); }

    int Convolve(std::complex<float>* data, const SpectralFilter* filter) override;
    int ConvolveReal(float* data, const SpectralFilter* filter) override;
    int ConvolveSplit(float* re, float* im, const SpectralFilter* filter) override;

protected:
    explicit CSpectrionBase(int length) : Spectrion(length) {}

    // A filter this farm can apply: present and of the farm's length.
    bool Accepts(const SpectralFilter* filter) const;
};

} // namespace voxmill
