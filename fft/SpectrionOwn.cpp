#include "fft/SpectrionOwn.h"

#include <algorithm>

namespace voxmill {

int CSpectrionOwn::LengthFor(int n, bool pad)
{
    if (n < 1 || n > (pad ? kMaxLength / 2 : kMaxLength))
        return 0;
    const int wanted = pad ? 2 * n : n;
    int length = 1;
    while (length < wanted)
        length *= 2;
    return length;
}

CSpectrionOwn::CSpectrionOwn(int length)
    : CSpectrionBase(length),
      m_core(length),
      m_re(static_cast<std::size_t>(length)),
      m_im(static_cast<std::size_t>(length))
{
}

void CSpectrionOwn::Split(const std::complex<float>* in)
{
    for (int i = 0; i < GetLength(); ++i) {
        m_re[static_cast<std::size_t>(i)] = in[i].real();
        m_im[static_cast<std::size_t>(i)] = in[i].imag();
    }
}

void CSpectrionOwn::Merge(std::complex<float>* out) const
{
    for (int i = 0; i < GetLength(); ++i)
        out[i] = {m_re[static_cast<std::size_t>(i)], m_im[static_cast<std::size_t>(i)]};
}

int CSpectrionOwn::Forward(const std::complex<float>* in, std::complex<float>* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    Split(in);
    m_core.Forward(m_re.data(), m_im.data());
    Merge(out);
    return GetLength();
}

int CSpectrionOwn::Inverse(const std::complex<float>* in, std::complex<float>* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    Split(in);
    m_core.Inverse(m_re.data(), m_im.data());
    Merge(out);
    return GetLength();
}

int CSpectrionOwn::ForwardReal(const float* in, float* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    const int n = GetLength();
    std::copy(in, in + n, m_re.begin());
    std::fill(m_im.begin(), m_im.end(), 0.0f);
    m_core.Forward(m_re.data(), m_im.data());
    out[0] = m_re[0];
    for (int k = 1; k < (n + 1) / 2; ++k) {
        out[k] = m_re[static_cast<std::size_t>(k)];
        out[n - k] = m_im[static_cast<std::size_t>(k)];
    }
    if (n % 2 == 0)
        out[n / 2] = m_re[static_cast<std::size_t>(n / 2)];
    return n;
}

int CSpectrionOwn::InverseReal(const float* in, float* out)
{
    if (in == nullptr || out == nullptr)
        return 0;
    const int n = GetLength();
    m_re[0] = in[0];
    m_im[0] = 0.0f;
    for (int k = 1; k < (n + 1) / 2; ++k) {
        const auto lo = static_cast<std::size_t>(k);
        const auto hi = static_cast<std::size_t>(n - k);
        m_re[lo] = in[k];
        m_im[lo] = in[n - k];
        m_re[hi] = in[k];
        m_im[hi] = -in[n - k];
    }
    if (n % 2 == 0) {
        m_re[static_cast<std::size_t>(n / 2)] = in[n / 2];
        m_im[static_cast<std::size_t>(n / 2)] = 0.0f;
    }
    m_core.InverseRealPart(m_re.data(), m_im.data());
    std::copy(m_re.begin(), m_re.end(), out);
    return n;
}

int CSpectrionOwn::ForwardSplit(float* re, float* im)
{
    if (re == nullptr || im == nullptr)
        return 0;
    m_core.Forward(re, im);
    return GetLength();
}

int CSpectrionOwn::InverseSplit(float* re, float* im)
{
    if (re == nullptr || im == nullptr)
        return 0;
    m_core.Inverse(re, im);
    return GetLength();
}

} // namespace voxmill
