#include "fft/SpectrionBase.h"

#include <new>

#include "fft/HalfComplex.h"
#include "fft/SpectralFilterImpl.h"

namespace voxmill {

SpectralFilter* CSpectrionBase::CreateFilter()
{
    try {
        return new CSpectralFilterImpl(this, GetLength());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CSpectrionBase::Accepts(const SpectralFilter* filter) const
{
    return filter != nullptr && filter->GetLength() == GetLength() && filter->GetSpectrum() != nullptr
        && filter->GetHalfComplex() != nullptr;
}

int CSpectrionBase::Convolve(std::complex<float>* data, const SpectralFilter* filter)
{
    if (data == nullptr || !Accepts(filter))
        return 0;
    Forward(data);
    MultiplySpectra(data, filter->GetSpectrum(), data, GetLength());
    return Inverse(data);
}

int CSpectrionBase::ConvolveReal(float* data, const SpectralFilter* filter)
{
    if (data == nullptr || !Accepts(filter))
        return 0;
    ForwardReal(data);
    MultiplyHalfComplex(data, filter->GetHalfComplex(), GetLength());
    return InverseReal(data);
}

int CSpectrionBase::ConvolveSplit(float* re, float* im, const SpectralFilter* filter)
{
    if (re == nullptr || im == nullptr || !Accepts(filter))
        return 0;
    ForwardSplit(re, im);
    MultiplySplit(re, im, filter->GetSpectrum(), GetLength());
    return InverseSplit(re, im);
}

} // namespace voxmill
