// The library's two-dimensional filter: owns the nx' x (ny'/2 + 1)
// coefficients the base class points at, zero at creation. A kernel is
// transformed once, by the owning farm, when it is set.
#pragma once

#include <complex>
#include <vector>

#include "fft/SpectralFilter2D.h"

namespace voxmill {

class CSpectralFilter2DImpl final : public SpectralFilter2D {
public:
    // Throws std::bad_alloc when the coefficients cannot be allocated.
    CSpectralFilter2DImpl(Spectrion2D* farm, int nx, int ny, int spectrumCount);

    void SetKernel(const float* kernel) override;
    void SetSpectrum(const std::complex<float>* spectrum) override;

private:
    std::vector<std::complex<float>> m_storage;
};

} // namespace voxmill
