// The own back end's transform core: an in-place split-radix decimation-in-
// frequency FFT of power-of-two length N over separate real and imaginary
// arrays. L-shaped butterflies with the twiddles w^k and w^3k, a last stage
// of length-2 butterflies, then the bit-reversal permutation, so the result
// is in natural order. The exponent sign is FFTW's (e^(-2 pi i k n / N)), so
// both back ends give the same spectra.
//
// The twiddle table of N entries (cos, sin of 2 pi i / N) is made once, with
// pi rounded to 3.1415927 as the transform has always used.
#pragma once

#include <vector>

namespace voxmill {

class CSplitRadix {
public:
    // length must be a power of two, at least 1.
    explicit CSplitRadix(int length);

    int GetLength() const { return m_length; }

    // Unscaled forward transform in place.
    void Forward(float* re, float* im) const;
    // Inverse in place, divided by N: the forward core run on the conjugate.
    void Inverse(float* re, float* im) const;
    // The inverse when only the real part of the result is wanted.
    void InverseRealPart(float* re, float* im) const;

private:
    void Butterflies(float* re, float* im) const;
    void LastStage(float* re, float* im) const;
    void BitReverse(float* re, float* im) const;

    int m_length;
    int m_log2;
    std::vector<float> m_cos;
    std::vector<float> m_sin;
};

} // namespace voxmill
