#include "mpi/Slabs.h"

#include <algorithm>
#include <cmath>

#include "renderers/common/FieldOfView.h"

namespace voxmill::mpi {
namespace {

// Sums of 64-bit weights times rank counts need more than 64 bits.
__extension__ using Wide = unsigned __int128;

// How many of the n centres first + i pitch (i = 0..n-1) satisfy c^2 < bound.
std::uint64_t CentresWithin(double first, double pitch, std::uint32_t n, double bound) {
    if (!(bound > 0)) return 0;
    const double s = std::sqrt(bound);
    // Centres strictly between -s and s; the ends are rounded outwards and
    // then checked, so a centre on the boundary is decided as the renderer
    // decides it (squares compared, not roots).
    long long lo = static_cast<long long>(std::floor((-s - first) / pitch));
    long long hi = static_cast<long long>(std::ceil((s - first) / pitch));
    lo = std::clamp<long long>(lo, 0, static_cast<long long>(n));
    hi = std::clamp<long long>(hi, -1, static_cast<long long>(n) - 1);
    while (lo <= hi) {
        const double c = first + static_cast<double>(lo) * pitch;
        if (c * c < bound) break;
        ++lo;
    }
    while (hi >= lo) {
        const double c = first + static_cast<double>(hi) * pitch;
        if (c * c < bound) break;
        --hi;
    }
    return hi >= lo ? static_cast<std::uint64_t>(hi - lo + 1) : 0;
}

}  // namespace

std::vector<std::uint64_t> LayerWeights(const CBackProjector::VolumeSize& size, const ScanGeometry* scan) {
    std::vector<std::uint64_t> weights(size.nZ, 1);
    const std::uint64_t layer = std::uint64_t{size.nX} * size.nY;
    if (!scan) {
        for (std::uint64_t& w : weights) w += layer;
        return weights;
    }
    const CFieldOfView fov = CFieldOfView::From(scan->R, scan->D, scan->W, scan->H);
    const double pitchX = size.dimX / size.nX, pitchY = size.dimY / size.nY, pitchZ = size.dimZ / size.nZ;
    const double xMin = (pitchX - size.dimX) / 2, yMax = (size.dimY - pitchY) / 2, zMax = (size.dimZ - pitchZ) / 2;
    for (std::uint32_t k = 0; k < size.nZ; ++k) {
        const double z = zMax - k * pitchZ;
        for (std::uint32_t j = 0; j < size.nY; ++j) {
            const double y = yMax - j * pitchY;
            weights[k] += CentresWithin(xMin, pitchX, size.nX, fov.r2 - fov.rho * y * y - z * z);
        }
    }
    return weights;
}

std::vector<Slab> CutSlabs(const std::vector<std::uint64_t>& weights, int parts) {
    std::vector<Slab> slabs(static_cast<std::size_t>(std::max(parts, 0)));
    const std::uint64_t n = weights.size();
    if (slabs.empty()) return slabs;
    std::vector<Wide> cumulative(n + 1, 0);
    for (std::uint64_t k = 0; k < n; ++k) cumulative[k + 1] = cumulative[k] + weights[k];
    const Wide total = cumulative[n];
    const std::uint64_t p = slabs.size();
    std::uint64_t begin = 0;
    for (std::uint64_t r = 0; r < p; ++r) {
        std::uint64_t end = n;
        if (r + 1 < p) {
            // The first cut at or past this part's share of the total...
            const Wide target = total * (r + 1);
            end = static_cast<std::uint64_t>(
                std::lower_bound(cumulative.begin(), cumulative.end(), target,
                                 [p](Wide c, Wide t) { return c * p < t; }) -
                cumulative.begin());
            // ...or the one before it, when that is closer.
            if (end > 0 && target - cumulative[end - 1] * p < cumulative[end] * p - target) --end;
            // At least one layer here and one for each part after, while there are layers.
            const std::uint64_t lo = std::min(begin + 1, n);
            const std::uint64_t rest = p - r - 1;
            const std::uint64_t hi = n >= rest ? std::max(lo, n - rest) : lo;
            end = std::clamp(end, lo, hi);
        }
        slabs[r].first = static_cast<std::uint32_t>(begin);
        slabs[r].count = static_cast<std::uint32_t>(end - begin);
        begin = end;
    }
    return slabs;
}

}  // namespace voxmill::mpi
