// A one-dimensional convolution filter made by a farm (Spectrion::CreateFilter).
// It holds the filter's spectrum twice: as N complex bins for the complex
// convolutions and as N floats in halfcomplex order for the real one. Both
// are zero until SetKernel or SetSpectrum fills them.
//
// The caller owns the filter and deletes it through the virtual destructor,
// before the farm that made it; the farm is pointed to, not owned.
#pragma once

#include <complex>

namespace voxmill {

class Spectrion;

class SpectralFilter {
public:
    virtual ~SpectralFilter() = default;
    // Takes N kernel samples (time domain) and stores their spectra, computed
    // with the owning farm. A null pointer leaves the filter unchanged.
    virtual void SetKernel(const float* kernel) = 0;
    // Takes N complex bins as the spectrum and derives the halfcomplex copy
    // from bins 0 .. N/2. A null pointer leaves the filter unchanged.
    virtual void SetSpectrum(const std::complex<float>* spectrum) = 0;

    SpectralFilter(const SpectralFilter&) = delete;
    SpectralFilter& operator=(const SpectralFilter&) = delete;

    // The farm's length N: every buffer of the filter holds N values.
    int GetLength() const { return m_length; }
    Spectrion* GetFarm() const { return m_farm; }
    const std::complex<float>* GetSpectrum() const { return m_spectrum; }
    const float* GetHalfComplex() const { return m_halfComplex; }

protected:
    SpectralFilter(Spectrion* farm, int length) : m_farm(farm), m_length(length) {}

    // Point at the implementation's own storage of N values each.
    std::complex<float>* m_spectrum = nullptr;
    float* m_halfComplex = nullptr;

private:
    Spectrion* m_farm;
    int m_length;
};

} // namespace voxmill
