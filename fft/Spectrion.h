// A one-dimensional FFT farm: transforms and circular convolutions of one
// fixed length N, behind one interface for both back ends (FFTW when it can
// be loaded, the library's own power-of-two transform otherwise).
//
// Conventions every back end keeps:
// - complex values are std::complex<float>; every buffer holds exactly N values;
// - forward transforms are unscaled with the exponent sign of FFTW
//   (X[k] = sum x[n] e^(-2 pi i k n / N)); inverse transforms divide by N;
// - real spectra are in halfcomplex order: element 0 is bin 0, element k and
//   N - k are the real and imaginary parts of bin k, and for even N element
//   N/2 is bin N/2;
// - every transform and convolution returns N, or 0 when a pointer is null or
//   a filter does not have the farm's length (the data is then untouched).
//
// The caller owns a farm and deletes it through the virtual destructor. A farm
// reuses its work buffers, so one farm must not be used from two threads at
// once; separate farms may be made and used on separate threads.
#pragma once

#include <complex>

#include "fft/SpectralFilter.h"
#include "fft/SpectrionApi.h"

namespace voxmill {

class Spectrion {
public:
    // The length this back end would use for (n, pad): FFTW takes n (2n with
    // pad), the own back end the next power of two; 0 when n < 1 or too large.
    virtual int GetSize(int n, bool pad) const = 0;
    // A new filter of length N bound to this farm; null when out of memory.
    virtual SpectralFilter* CreateFilter() = 0;
    virtual ~Spectrion() = default;

    virtual int Forward(const std::complex<float>* in, std::complex<float>* out) = 0;
    virtual int Forward(std::complex<float>* data) = 0;
    virtual int ForwardReal(const float* in, float* out) = 0;
    virtual int ForwardReal(float* data) = 0;
    virtual int Inverse(const std::complex<float>* in, std::complex<float>* out) = 0;
    virtual int Inverse(std::complex<float>* data) = 0;
    // Halfcomplex to real; the input is left intact.
    virtual int InverseReal(const float* in, float* out) = 0;
    virtual int InverseReal(float* data) = 0;
    virtual int ForwardSplit(float* re, float* im) = 0;
    virtual int InverseSplit(float* re, float* im) = 0;

    // Circular convolutions of length N with the filter's spectrum, in place.
    virtual int Convolve(std::complex<float>* data, const SpectralFilter* filter) = 0;
    virtual int ConvolveReal(float* data, const SpectralFilter* filter) = 0;
    virtual int ConvolveSplit(float* re, float* im, const SpectralFilter* filter) = 0;

    Spectrion(const Spectrion&) = delete;
    Spectrion& operator=(const Spectrion&) = delete;

    // The farm's length N.
    int GetLength() const { return m_length; }

protected:
    explicit Spectrion(int length) : m_length(length) {}

private:
    int m_length;
};

// The best farm for n samples (2n with pad): FFTW when it was loaded, else the
// own back end. The caller owns the result; null when n < 1 or out of memory.
extern "C" SPECTRION_API Spectrion* GetSpectrion_Best(int n, bool pad);

} // namespace voxmill
