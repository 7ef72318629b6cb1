#include "fft/SpectralFilterImpl.h"

#include <algorithm>

#include "fft/HalfComplex.h"
#include "fft/Spectrion.h"

namespace voxmill {

CSpectralFilterImpl::CSpectralFilterImpl(Spectrion* farm, int length)
    : SpectralFilter(farm, length),
      m_complexStorage(static_cast<std::size_t>(length)),
      m_halfComplexStorage(static_cast<std::size_t>(length))
{
    m_spectrum = m_complexStorage.data();
    m_halfComplex = m_halfComplexStorage.data();
}

void CSpectralFilterImpl::SetKernel(const float* kernel)
{
    if (kernel == nullptr)
        return;
    const int n = GetLength();
    for (int i = 0; i < n; ++i)
        m_complexStorage[static_cast<std::size_t>(i)] = {kernel[i], 0.0f};
    std::copy(kernel, kernel + n, m_halfComplexStorage.begin());
    GetFarm()->Forward(m_spectrum);
    GetFarm()->ForwardReal(m_halfComplex);
}

void CSpectralFilterImpl::SetSpectrum(const std::complex<float>* spectrum)
{
    if (spectrum == nullptr)
        return;
    std::copy(spectrum, spectrum + GetLength(), m_complexStorage.begin());
    HalfComplexFromSpectrum(m_spectrum, m_halfComplex, GetLength());
}

} // namespace voxmill
