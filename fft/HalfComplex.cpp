#include "fft/HalfComplex.h"

namespace voxmill {

void MultiplyHalfComplex(float* data, const float* filter, int n)
{
    if (n < 1)
        return;
    data[0] *= filter[0];
    for (int k = 1; k < (n + 1) / 2; ++k) {
        const float a = data[k];
        const float b = data[n - k];
        const float c = filter[k];
        const float d = filter[n - k];
        data[k] = a * c - b * d;
        data[n - k] = a * d + b * c;
    }
    if (n % 2 == 0)
        data[n / 2] *= filter[n / 2];
}

void MultiplyHalfComplex(float* data, const float* filter, int n, float scale)
{
    if (n < 1)
        return;
    data[0] *= filter[0] * scale;
    for (int k = 1; k < (n + 1) / 2; ++k) {
        const float a = data[k];
        const float b = data[n - k];
        const float c = filter[k];
        const float d = filter[n - k];
        data[k] = (a * c - b * d) * scale;
        data[n - k] = (a * d + b * c) * scale;
    }
    if (n % 2 == 0)
        data[n / 2] *= filter[n / 2] * scale;
}

void MultiplySpectra(const std::complex<float>* a, const std::complex<float>* b, std::complex<float>* out, int n)
{
    // Written out rather than with operator*, whose C99 Annex G handling of
    // infinities costs a library call per bin.
    for (int k = 0; k < n; ++k) {
        const float ar = a[k].real();
        const float ai = a[k].imag();
        const float br = b[k].real();
        const float bi = b[k].imag();
        out[k] = {ar * br - ai * bi, ar * bi + ai * br};
    }
}

void MultiplySplit(float* re, float* im, const std::complex<float>* filter, int n)
{
    for (int k = 0; k < n; ++k) {
        const float ar = re[k];
        const float ai = im[k];
        const float br = filter[k].real();
        const float bi = filter[k].imag();
        re[k] = ar * br - ai * bi;
        im[k] = ar * bi + ai * br;
    }
}

void HalfComplexFromSpectrum(const std::complex<float>* spectrum, float* halfComplex, int n)
{
    if (n < 1)
        return;
    halfComplex[0] = spectrum[0].real();
    for (int k = 1; k < (n + 1) / 2; ++k) {
        halfComplex[k] = spectrum[k].real();
        halfComplex[n - k] = spectrum[k].imag();
    }
    if (n % 2 == 0)
        halfComplex[n / 2] = spectrum[n / 2].real();
}

} // namespace voxmill
