#include "fft/SplitRadix.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace voxmill {

namespace {

constexpr double kPi = 3.1415927;

} // namespace

CSplitRadix::CSplitRadix(int length)
    : m_length(length), m_log2(0), m_cos(static_cast<std::size_t>(length)), m_sin(static_cast<std::size_t>(length))
{
    while ((1 << m_log2) < length)
        ++m_log2;
    for (int i = 0; i < length; ++i) {
        const double angle = 2.0 * kPi * i / length;
        m_cos[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(angle));
        m_sin[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(angle));
    }
}

void CSplitRadix::Forward(float* re, float* im) const
{
    if (m_length < 2)
        return;
    Butterflies(re, im);
    LastStage(re, im);
    BitReverse(re, im);
}

void CSplitRadix::Inverse(float* re, float* im) const
{
    const int n = m_length;
    for (int i = 0; i < n; ++i)
        im[i] = -im[i];
    Forward(re, im);
    const float scale = static_cast<float>(n);
    for (int i = 0; i < n; ++i) {
        re[i] /= scale;
        im[i] /= -scale;
    }
}

void CSplitRadix::InverseRealPart(float* re, float* im) const
{
    const int n = m_length;
    for (int i = 0; i < n; ++i)
        im[i] = -im[i];
    Forward(re, im);
    const float scale = static_cast<float>(n);
    for (int i = 0; i < n; ++i)
        re[i] /= scale;
}

// One stage per block length n2 = N, N/2, ..., 4. A block of length n2 splits
// into its even half (length n2/2, left for the next stage) and two odd
// quarters (length n2/4) twisted by w^j and w^3j. The start indices walk the
// L-shaped pattern of split-radix: after the blocks of one spacing, the next
// blocks of the same length start at 2*id - n2 + j with four times the spacing.
void CSplitRadix::Butterflies(float* re, float* im) const
{
    const std::ptrdiff_t n = m_length;
    int n2 = m_length;
    for (int stage = 1; stage < m_log2; ++stage, n2 /= 2) {
        const int n4 = n2 / 4;
        const int tableStep = m_length / n2;
        for (int j = 0; j < n4; ++j) {
            const float cc1 = m_cos[static_cast<std::size_t>(j * tableStep)];
            const float ss1 = m_sin[static_cast<std::size_t>(j * tableStep)];
            const float cc3 = m_cos[static_cast<std::size_t>(3 * j * tableStep)];
            const float ss3 = m_sin[static_cast<std::size_t>(3 * j * tableStep)];
            std::ptrdiff_t is = j;
            std::ptrdiff_t id = 2 * std::ptrdiff_t{n2};
            while (is < n) {
                for (std::ptrdiff_t i0 = is; i0 < n; i0 += id) {
                    const std::ptrdiff_t i1 = i0 + n4;
                    const std::ptrdiff_t i2 = i1 + n4;
                    const std::ptrdiff_t i3 = i2 + n4;
                    float r1 = re[i0] - re[i2];
                    re[i0] += re[i2];
                    float r2 = re[i1] - re[i3];
                    re[i1] += re[i3];
                    const float s1 = im[i0] - im[i2];
                    im[i0] += im[i2];
                    float s2 = im[i1] - im[i3];
                    im[i1] += im[i3];
                    const float s3 = r1 - s2;
                    r1 += s2;
                    s2 = r2 - s1;
                    r2 += s1;
                    re[i2] = r1 * cc1 - s2 * ss1;
                    im[i2] = -s2 * cc1 - r1 * ss1;
                    re[i3] = s3 * cc3 + r2 * ss3;
                    im[i3] = r2 * cc3 - s3 * ss3;
                }
                is = 2 * id - n2 + j;
                id *= 4;
            }
        }
    }
}

// The length-2 butterflies left over at the end of every even branch.
void CSplitRadix::LastStage(float* re, float* im) const
{
    const int n = m_length;
    std::ptrdiff_t is = 0;
    std::ptrdiff_t id = 4;
    while (is < n) {
        for (std::ptrdiff_t i0 = is; i0 < n; i0 += id) {
            const std::ptrdiff_t i1 = i0 + 1;
            const float r = re[i0];
            re[i0] = r + re[i1];
            re[i1] = r - re[i1];
            const float s = im[i0];
            im[i0] = s + im[i1];
            im[i1] = s - im[i1];
        }
        is = 2 * id - 2;
        id *= 4;
    }
}

void CSplitRadix::BitReverse(float* re, float* im) const
{
    const int n = m_length;
    int j = 0;
    for (int i = 0; i < n - 1; ++i) {
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
        int k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
}

} // namespace voxmill
