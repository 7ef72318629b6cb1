#include "tests/integration/ReconstructionCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/Vector.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "reconstruction/Volume.h"

namespace voxmill::test {
namespace {

struct Centre {
    double x, y, z;
};

Centre CentreOf(const CVolume& v, int i, int j, int k) {
    return {v.GetMinX() + i * v.GetPitchX(), v.GetMaxY() - j * v.GetPitchY(), v.GetMaxZ() - k * v.GetPitchZ()};
}

std::size_t IndexOf(const CVolume& v, int i, int j, int k) {
    return static_cast<std::size_t>(i) +
           v.GetCountX() * (static_cast<std::size_t>(j) + v.GetCountY() * static_cast<std::size_t>(k));
}

template <typename Body>
void ForEachVoxel(const CVolume& v, Body body) {
    const int nX = static_cast<int>(v.GetCountX()), nY = static_cast<int>(v.GetCountY());
    const int nZ = static_cast<int>(v.GetCountZ());
    for (int k = 0; k < nZ; ++k)
        for (int j = 0; j < nY; ++j)
            for (int i = 0; i < nX; ++i) body(i, j, k, IndexOf(v, i, j, k));
}

// Summed float elements land within a few ulps of the sum's value.
bool SameMu(float a, float b) { return std::abs(a - b) <= 1e-5f * std::max(1.0f, std::abs(b)); }

// Whether the world point may lie within `clearance` of the element. The
// element is its unit primitive mapped by T R S; going back to unit space
// shrinks distances by at most the smallest semi-axis, and both primitives
// (unit ball, unit cylinder) are convex and hold the unit ball, so the
// clearance around the primitive lies inside the primitive grown by
// 1 + clearance / smallest semi-axis. Conservative for elongated elements.
bool MayBeNear(const CPhantomElement& e, const Centre& p, double clearance) {
    if (e.IsSingular()) return false;
    const double smallest =
        std::min({std::abs(e.m_scale.p[0]), std::abs(e.m_scale.p[1]), std::abs(e.m_scale.p[2])});
    const double grow = 1.0 + clearance / smallest;
    CVector4 q;
    e.m_inverse.m_matrix.Transform3(CPoint4(p.x, p.y, p.z), q);
    return e.IsInsideUnit(CVector4(q.x / grow, q.y / grow, q.z / grow, 1.0));
}

}  // namespace

ScanFieldOfView ScanFieldOfView::From(double R, double D, double W, double H) {
    ScanFieldOfView f;
    f.r2 = R * R * W * W / (4 * D * D + W * W);
    f.rho = f.r2 / (R * R * H * H / (4 * D * D + H * H));
    return f;
}

bool ScanFieldOfView::Contains(double x, double y, double z) const {
    const double column = x * x + z * z;
    return column < r2 && rho * y * y + column < r2;
}

std::string ReconstructionFigures::Describe() const {
    char text[400];
    std::snprintf(text, sizeof text,
                  "MAE %.5f over %zu voxels, scale %.4f, mass ratio %.4f, region mean %.5f (reference %.5f, "
                  "%zu voxels), background mean %.5f, |mean| %.5f (%zu voxels)",
                  meanAbsError, fieldVoxels, scale, massRatio, regionMean, regionReference, regionVoxels,
                  backgroundMean, backgroundMeanAbs, backgroundVoxels);
    return text;
}

CReconstructionCheck::CReconstructionCheck(const CVolume& reference, const CPhantom& phantom,
                                           const ScanFieldOfView& fov)
    : m_reference(reference) {
    const std::size_t count = reference.GetVoxelCount();
    m_field.assign(count, 0);
    m_background.assign(count, 0);
    m_interior.assign(count, 0);
    const double clearance =
        kClearanceVoxels * std::max({reference.GetPitchX(), reference.GetPitchY(), reference.GetPitchZ()});
    const float* ref = reference.GetVoxels();
    ForEachVoxel(reference, [&](int i, int j, int k, std::size_t n) {
        const Centre c = CentreOf(reference, i, j, k);
        if (!fov.Contains(c.x, c.y, c.z)) return;
        m_field[n] = 1;
        bool clear = true;
        for (const auto& element : phantom.m_elements)
            if (element && MayBeNear(*element, c, clearance)) clear = false;
        m_background[n] = clear;
        m_interior[n] = ref[n] != 0.0f && IsUniformAround(i, j, k, ref[n], kInteriorMargin);
    });
}

bool CReconstructionCheck::IsUniformAround(int i, int j, int k, float mu, int margin) const {
    const int n[3] = {static_cast<int>(m_reference.GetCountX()), static_cast<int>(m_reference.GetCountY()),
                      static_cast<int>(m_reference.GetCountZ())};
    const float* ref = m_reference.GetVoxels();
    for (int dk = -margin; dk <= margin; ++dk)
        for (int dj = -margin; dj <= margin; ++dj)
            for (int di = -margin; di <= margin; ++di) {
                const int a = i + di, b = j + dj, c = k + dk;
                // The grid's edge is no edge of the phantom's MU, but nothing
                // beyond it is known: count it as a change.
                if (a < 0 || b < 0 || c < 0 || a >= n[0] || b >= n[1] || c >= n[2]) return false;
                if (!SameMu(ref[IndexOf(m_reference, a, b, c)], mu)) return false;
            }
    return true;
}

VoxelMask CReconstructionCheck::UniformRegion(float mu, int margin) const {
    VoxelMask region(m_field.size(), 0);
    ForEachVoxel(m_reference, [&](int i, int j, int k, std::size_t n) {
        region[n] = m_field[n] && IsUniformAround(i, j, k, mu, margin);
    });
    return region;
}

ReconstructionFigures CReconstructionCheck::Measure(const CVolume& recon, const VoxelMask& region) const {
    ReconstructionFigures f;
    const float* r = recon.GetVoxels();
    const float* ref = m_reference.GetVoxels();
    if (recon.GetVoxelCount() != m_reference.GetVoxelCount() || !r || !ref) return f;
    double absError = 0, reconSum = 0, referenceSum = 0, cross = 0, square = 0;
    double regionSum = 0, regionReference = 0, background = 0, backgroundAbs = 0;
    for (std::size_t n = 0; n < m_field.size(); ++n) {
        if (!m_field[n]) continue;
        const double a = r[n], b = ref[n];
        ++f.fieldVoxels;
        absError += std::abs(a - b);
        reconSum += a;
        referenceSum += b;
        if (m_interior[n]) {
            cross += a * b;
            square += b * b;
        }
        if (region[n]) {
            ++f.regionVoxels;
            regionSum += a;
            regionReference += b;
        }
        if (m_background[n]) {
            ++f.backgroundVoxels;
            background += a;
            backgroundAbs += std::abs(a);
        }
    }
    const auto mean = [](double sum, std::size_t count) { return count ? sum / count : std::nan(""); };
    f.meanAbsError = mean(absError, f.fieldVoxels);
    f.scale = square > 0 ? cross / square : std::nan("");
    f.massRatio = referenceSum != 0 ? reconSum / referenceSum : std::nan("");
    f.regionMean = mean(regionSum, f.regionVoxels);
    f.regionReference = mean(regionReference, f.regionVoxels);
    f.backgroundMean = mean(background, f.backgroundVoxels);
    f.backgroundMeanAbs = mean(backgroundAbs, f.backgroundVoxels);
    return f;
}

VolumeDifference CReconstructionCheck::Compare(const CVolume& a, const CVolume& b) {
    VolumeDifference d;
    const std::size_t count = std::min(a.GetVoxelCount(), b.GetVoxelCount());
    const float* p = a.GetVoxels();
    const float* q = b.GetVoxels();
    if (a.GetVoxelCount() != b.GetVoxelCount()) d.largest = std::nan("");
    for (std::size_t n = 0; n < count; ++n) d.peak = std::max(d.peak, std::abs(static_cast<double>(p[n])));
    for (std::size_t n = 0; n < count; ++n) {
        const double diff = std::abs(static_cast<double>(p[n]) - q[n]);
        d.largest = std::max(d.largest, diff);
        d.beyond += diff > 1e-5 * d.peak;
    }
    return d;
}

}  // namespace voxmill::test
