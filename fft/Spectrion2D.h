// A two-dimensional FFT farm of nx' x ny' real samples (row-major, ny' the
// fast index), available only with the FFTW back end.
//
// Real spectra have nx' x (ny'/2 + 1) complex coefficients, the layout of
// FFTW's multi-dimensional real transforms. Forward transforms are unscaled,
// inverse transforms divide by nx' * ny', and the convolution scales once, so
// a kernel that is 1 at (0, 0) and 0 elsewhere leaves the data unchanged.
// Results are counts of values written, or 0 when a pointer is null or a
// filter has another size (the data is then untouched).
//
// The caller owns a farm and deletes it through the virtual destructor; one
// farm must not be used from two threads at once.
#pragma once

#include <complex>

#include "fft/SpectralFilter2D.h"
#include "fft/SpectrionApi.h"

namespace voxmill {

class Spectrion2D {
public:
    // nx' = nx and ny' = ny, each doubled with pad; returns nx' * ny', or 0
    // (and 0 in both outputs) when a size is below 1 or the count overflows.
    // Either output pointer may be null.
    virtual int GetSize(int nx, int ny, bool pad, int* nxOut, int* nyOut) const = 0;
    // A new filter of the farm's size; null when out of memory.
    virtual SpectralFilter2D* CreateFilter() = 0;
    virtual ~Spectrion2D() = default;
    // nx' * ny', the number of real samples.
    virtual int GetCount() const = 0;
    // Real to complex, unscaled: nx' * ny' samples in, nx' * (ny'/2 + 1)
    // coefficients out. Returns the number of coefficients.
    virtual int ForwardReal(const float* in, std::complex<float>* out) = 0;
    // Complex to real, divided by nx' * ny'; the input is left intact.
    // Returns the number of samples.
    virtual int InverseReal(const std::complex<float>* in, float* out) = 0;
    // nx' * (ny'/2 + 1), the number of coefficients of a real spectrum.
    virtual int GetSpectrumCount() const = 0;
    // Circular 2-D convolution with the filter, in place; returns the count.
    virtual int ConvolveReal(float* data, const SpectralFilter2D* filter) = 0;

    Spectrion2D(const Spectrion2D&) = delete;
    Spectrion2D& operator=(const Spectrion2D&) = delete;

    int GetNx() const { return m_nx; }
    int GetNy() const { return m_ny; }

protected:
    Spectrion2D(int nx, int ny) : m_nx(nx), m_ny(ny) {}

private:
    int m_nx;
    int m_ny;
};

// The 2-D farm of nx x ny samples (each doubled with pad). Null without the
// FFTW library, for sizes below 1 and when out of memory; the caller owns it.
extern "C" SPECTRION_API Spectrion2D* GetSpectrion2D_Best(int nx, int ny, bool pad);

} // namespace voxmill
