// A two-dimensional convolution filter made by a 2-D farm
// (Spectrion2D::CreateFilter). It holds the nx' x (ny'/2 + 1) coefficients of
// its kernel's real-to-complex transform (row-major, the layout of FFTW's
// multi-dimensional real transforms), zero until a kernel or spectrum is set.
//
// The caller owns the filter and deletes it before the farm that made it.
#pragma once

#include <complex>

namespace voxmill {

class Spectrion2D;

class SpectralFilter2D {
public:
    virtual ~SpectralFilter2D() = default;
    // Takes nx' x ny' kernel samples (row-major, ny' the fast index) and
    // stores their real-to-complex coefficients. Null leaves the filter as is.
    virtual void SetKernel(const float* kernel) = 0;
    // Takes a full spectrum of nx' x ny' complex bins; the real convolution
    // uses its columns 0 .. ny'/2, so it should be Hermitian. Null is ignored.
    virtual void SetSpectrum(const std::complex<float>* spectrum) = 0;

    SpectralFilter2D(const SpectralFilter2D&) = delete;
    SpectralFilter2D& operator=(const SpectralFilter2D&) = delete;

    int GetNx() const { return m_nx; }
    int GetNy() const { return m_ny; }
    Spectrion2D* GetFarm() const { return m_farm; }
    // nx' x (ny'/2 + 1) coefficients.
    const std::complex<float>* GetSpectrum() const { return m_spectrum; }

protected:
    SpectralFilter2D(Spectrion2D* farm, int nx, int ny) : m_farm(farm), m_nx(nx), m_ny(ny) {}

    // Points at the implementation's own storage.
    std::complex<float>* m_spectrum = nullptr;

private:
    Spectrion2D* m_farm;
    int m_nx;
    int m_ny;
};

} // namespace voxmill
