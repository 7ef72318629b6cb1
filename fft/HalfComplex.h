// Spectrum arithmetic shared by the back ends. A halfcomplex array of length
// n holds bin 0 at 0, bin k as (k, n - k) for 1 <= k < (n + 1)/2, and for
// even n bin n/2 at n/2.
#pragma once

#include <complex>

namespace voxmill {

// data *= filter bin by bin, both halfcomplex; bins 0 and n/2 are real products.
void MultiplyHalfComplex(float* data, const float* filter, int n);
// The same with every product multiplied by scale.
void MultiplyHalfComplex(float* data, const float* filter, int n, float scale);
// out = a * b bin by bin over n complex values (out may be a or b).
void MultiplySpectra(const std::complex<float>* a, const std::complex<float>* b, std::complex<float>* out, int n);
// Same, on separate real and imaginary arrays in place.
void MultiplySplit(float* re, float* im, const std::complex<float>* filter, int n);
// The halfcomplex form of bins 0 .. n/2 of a complex spectrum.
void HalfComplexFromSpectrum(const std::complex<float>* spectrum, float* halfComplex, int n);

} // namespace voxmill
