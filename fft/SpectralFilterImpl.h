// The library's one filter class: owns the N complex bins and the N
// halfcomplex floats the base class points at, both zero at creation.
#pragma once

#include <complex>
#include <vector>

#include "fft/SpectralFilter.h"

namespace voxmill {

class CSpectralFilterImpl final : public SpectralFilter {
public:
    // Throws std::bad_alloc when the spectra cannot be allocated.
    CSpectralFilterImpl(Spectrion* farm, int length);

    void SetKernel(const float* kernel) override;
    void SetSpectrum(const std::complex<float>* spectrum) override;

private:
    std::vector<std::complex<float>> m_complexStorage;
    std::vector<float> m_halfComplexStorage;
};

} // namespace voxmill
