#include "reconstruction/VolumeComparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace voxmill {
namespace {

// Sums over boxes in O(1) each: table entry (i, j, k) holds the sum of the
// values with smaller indices on every axis.
class CBoxSums {
public:
    template <typename Value>
    CBoxSums(std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ, Value value)
        : m_x(nX + 1), m_y(nY + 1), m_table(std::size_t{nX + 1} * (nY + 1) * (nZ + 1), 0.0) {
        for (std::uint32_t k = 0; k < nZ; ++k)
            for (std::uint32_t j = 0; j < nY; ++j)
                for (std::uint32_t i = 0; i < nX; ++i)
                    At(i + 1, j + 1, k + 1) = value(std::size_t{i} + std::size_t{nX} * (j + std::size_t{nY} * k)) +
                                              At(i, j + 1, k + 1) + At(i + 1, j, k + 1) + At(i + 1, j + 1, k) -
                                              At(i, j, k + 1) - At(i, j + 1, k) - At(i + 1, j, k) + At(i, j, k);
    }
    // The sum over [i0, i0 + w[0]) x [j0, j0 + w[1]) x [k0, k0 + w[2]).
    double Box(std::uint32_t i0, std::uint32_t j0, std::uint32_t k0, const std::uint32_t* w) const {
        const std::uint32_t i1 = i0 + w[0], j1 = j0 + w[1], k1 = k0 + w[2];
        return Get(i1, j1, k1) - Get(i0, j1, k1) - Get(i1, j0, k1) - Get(i1, j1, k0) + Get(i0, j0, k1) +
               Get(i0, j1, k0) + Get(i1, j0, k0) - Get(i0, j0, k0);
    }

private:
    double& At(std::uint32_t i, std::uint32_t j, std::uint32_t k) {
        return m_table[i + std::size_t{m_x} * (j + std::size_t{m_y} * k)];
    }
    double Get(std::uint32_t i, std::uint32_t j, std::uint32_t k) const {
        return m_table[i + std::size_t{m_x} * (j + std::size_t{m_y} * k)];
    }
    std::size_t m_x, m_y;
    std::vector<double> m_table;
};

}  // namespace

VolumeComparison VolumeComparison::Measure(const float* a, const float* b, std::uint32_t nX, std::uint32_t nY,
                                           std::uint32_t nZ, const std::vector<char>& mask) {
    VolumeComparison c;
    const std::size_t count = std::size_t{nX} * nY * nZ;
    const auto measured = [&](std::size_t v) { return mask.empty() || mask[v]; };
    double sum = 0, sumAbs = 0, sum2 = 0;
    float lo = std::numeric_limits<float>::infinity(), hi = -lo;
    for (std::size_t v = 0; v < count; ++v) {
        lo = std::min(lo, a[v]);
        hi = std::max(hi, a[v]);
        if (!measured(v)) continue;
        const double d = static_cast<double>(b[v]) - a[v];
        sum += d;
        sumAbs += std::abs(d);
        sum2 += d * d;
        c.maxAbs = std::max(c.maxAbs, std::abs(d));
        ++c.voxels;
    }
    const double n = static_cast<double>(c.voxels);
    if (c.voxels) {
        c.bias = sum / n;
        c.mae = sumAbs / n;
        c.rmse = std::sqrt(sum2 / n);
    }
    const double range = count && hi > lo ? static_cast<double>(hi) - lo : 1.0;
    c.psnr = c.rmse > 0 ? 20.0 * std::log10(range / c.rmse) : std::numeric_limits<double>::infinity();

    c.ssim = std::numeric_limits<double>::quiet_NaN();
    // A side shorter than the window (one layer: an image) takes a box as
    // long as the side.
    const std::uint32_t w[3] = {std::min(kSsimWindow, nX), std::min(kSsimWindow, nY), std::min(kSsimWindow, nZ)};
    if (count == 0) return c;
    const CBoxSums sa(nX, nY, nZ, [&](std::size_t v) { return static_cast<double>(a[v]); });
    const CBoxSums sb(nX, nY, nZ, [&](std::size_t v) { return static_cast<double>(b[v]); });
    const CBoxSums saa(nX, nY, nZ, [&](std::size_t v) { return static_cast<double>(a[v]) * a[v]; });
    const CBoxSums sbb(nX, nY, nZ, [&](std::size_t v) { return static_cast<double>(b[v]) * b[v]; });
    const CBoxSums sab(nX, nY, nZ, [&](std::size_t v) { return static_cast<double>(a[v]) * b[v]; });
    const double c1 = (0.01 * range) * (0.01 * range), c2 = (0.03 * range) * (0.03 * range);
    const double cells = static_cast<double>(w[0]) * w[1] * w[2];
    // The box about voxel i is [i - w/2, i - w/2 + w) on each axis.
    const std::uint32_t hx = w[0] / 2, hy = w[1] / 2, hz = w[2] / 2;
    double total = 0;
    for (std::uint32_t k = hz; k + w[2] - hz <= nZ; ++k)
        for (std::uint32_t j = hy; j + w[1] - hy <= nY; ++j)
            for (std::uint32_t i = hx; i + w[0] - hx <= nX; ++i) {
                if (!measured(std::size_t{i} + std::size_t{nX} * (j + std::size_t{nY} * k))) continue;
                const std::uint32_t i0 = i - hx, j0 = j - hy, k0 = k - hz;
                const double ma = sa.Box(i0, j0, k0, w) / cells, mb = sb.Box(i0, j0, k0, w) / cells;
                const double va = saa.Box(i0, j0, k0, w) / cells - ma * ma;
                const double vb = sbb.Box(i0, j0, k0, w) / cells - mb * mb;
                const double cov = sab.Box(i0, j0, k0, w) / cells - ma * mb;
                total += (2 * ma * mb + c1) * (2 * cov + c2) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
                ++c.ssimVoxels;
            }
    if (c.ssimVoxels) c.ssim = total / static_cast<double>(c.ssimVoxels);
    return c;
}

std::string VolumeComparison::Describe() const {
    char text[512];
    std::snprintf(text, sizeof text,
                  "voxels: %zu\nRMSE: %.9g\nMAE: %.9g\nmax abs error: %.9g\nmean bias: %.9g\nPSNR: %.9g dB\n"
                  "SSIM: %.9g\n",
                  voxels, rmse, mae, maxAbs, bias, psnr, ssim);
    return text;
}

}  // namespace voxmill
