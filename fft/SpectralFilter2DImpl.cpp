#include "fft/SpectralFilter2DImpl.h"

#include <algorithm>
#include <cstddef>

#include "fft/Spectrion2D.h"

namespace voxmill {

CSpectralFilter2DImpl::CSpectralFilter2DImpl(Spectrion2D* farm, int nx, int ny, int spectrumCount)
    : SpectralFilter2D(farm, nx, ny), m_storage(static_cast<std::size_t>(spectrumCount))
{
    m_spectrum = m_storage.data();
}

void CSpectralFilter2DImpl::SetKernel(const float* kernel)
{
    if (kernel == nullptr)
        return;
    GetFarm()->ForwardReal(kernel, m_spectrum);
}

void CSpectralFilter2DImpl::SetSpectrum(const std::complex<float>* spectrum)
{
    if (spectrum == nullptr)
        return;
    const auto ny = static_cast<std::size_t>(GetNy());
    const std::size_t half = ny / 2 + 1;
    for (std::size_t x = 0; x < static_cast<std::size_t>(GetNx()); ++x)
        std::copy(spectrum + x * ny, spectrum + x * ny + half, m_storage.begin() + static_cast<std::ptrdiff_t>(x * half));
}

} // namespace voxmill
