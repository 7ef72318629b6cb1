#include "reconstruction/VolumePlanes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

constexpr double kPi = 3.14159265358979323846;

void CheckAxis(std::uint32_t axis) {
    if (axis > 2) throw std::invalid_argument("plane axis " + std::to_string(axis) + " is none of X (0), Y (1), Z (2)");
}

// Index of the voxel nearest to coordinate `offset` pitches from the first
// centre, clamped into [0, n).
std::uint32_t NearestIndex(double offset, std::uint32_t n) {
    if (!(offset == offset)) return (n - 1) / 2;  // NaN
    const double rounded = std::floor(offset + 0.5);
    if (rounded <= 0) return 0;
    if (rounded >= n - 1) return n - 1;
    return static_cast<std::uint32_t>(rounded);
}

constexpr int kMaxFineSteps = 512;

std::uint32_t CeilDiv(std::uint32_t n, std::uint32_t f) { return n / f + (n % f ? 1 : 0); }

}  // namespace

PlaneSize PlaneSizeOf(const CVolume& v, std::uint32_t axis) {
    CheckAxis(axis);
    if (!v.IsAllocated()) return {};
    switch (axis) {
        case 0: return {v.GetCountY(), v.GetCountZ(), v.GetDimY(), v.GetDimZ()};
        case 1: return {v.GetCountX(), v.GetCountZ(), v.GetDimX(), v.GetDimZ()};
        default: return {v.GetCountX(), v.GetCountY(), v.GetDimX(), v.GetDimY()};
    }
}

std::uint32_t PlaneCount(const CVolume& v, std::uint32_t axis) {
    CheckAxis(axis);
    if (!v.IsAllocated()) return 0;
    return axis == 0 ? v.GetCountX() : axis == 1 ? v.GetCountY() : v.GetCountZ();
}

std::uint32_t PlaneIndex(const VoxelIndex& cursor, std::uint32_t axis) {
    CheckAxis(axis);
    return axis == 0 ? cursor.i : axis == 1 ? cursor.j : cursor.k;
}

VoxelIndex WithPlaneIndex(VoxelIndex cursor, std::uint32_t axis, std::uint32_t index) {
    CheckAxis(axis);
    (axis == 0 ? cursor.i : axis == 1 ? cursor.j : cursor.k) = index;
    return cursor;
}

VoxelIndex PlaneVoxel(const CVolume& v, std::uint32_t axis, const VoxelIndex& cursor, std::uint32_t c,
                      std::uint32_t r) {
    CheckAxis(axis);
    switch (axis) {
        case 0: return {cursor.i, v.GetCountY() - 1 - c, r};
        case 1: return {c, cursor.j, r};
        default: return {c, r, cursor.k};
    }
}

void PlanePixel(const CVolume& v, std::uint32_t axis, const VoxelIndex& voxel, std::uint32_t& c, std::uint32_t& r) {
    CheckAxis(axis);
    switch (axis) {
        case 0:
            c = v.GetCountY() - 1 - voxel.j;
            r = voxel.k;
            break;
        case 1:
            c = voxel.i;
            r = voxel.k;
            break;
        default:
            c = voxel.i;
            r = voxel.j;
            break;
    }
}

std::vector<float> ExtractPlane(const CVolume& v, std::uint32_t axis, std::uint32_t index) {
    const PlaneSize size = PlaneSizeOf(v, axis);
    if (index >= PlaneCount(v, axis)) return {};
    std::vector<float> pixels(std::size_t{size.columns} * size.rows);
    const VoxelIndex cursor = WithPlaneIndex({}, axis, index);
    const std::size_t nX = v.GetCountX(), nXY = nX * v.GetCountY();
    const float* voxels = v.GetVoxels();
    float* out = pixels.data();
    for (std::uint32_t r = 0; r < size.rows; ++r)
        for (std::uint32_t c = 0; c < size.columns; ++c) {
            const VoxelIndex p = PlaneVoxel(v, axis, cursor, c, r);
            *out++ = voxels[p.i + nX * p.j + nXY * p.k];
        }
    return pixels;
}

std::array<double, 3> VoxelCentre(const CVolume& v, const VoxelIndex& voxel) {
    return {v.GetMinX() + voxel.i * v.GetPitchX(), v.GetMaxY() - voxel.j * v.GetPitchY(),
            v.GetMaxZ() - voxel.k * v.GetPitchZ()};
}

VoxelIndex NearestVoxel(const CVolume& v, double x, double y, double z) {
    if (!v.IsAllocated()) return {};
    return {NearestIndex((x - v.GetMinX()) / v.GetPitchX(), v.GetCountX()),
            NearestIndex((v.GetMaxY() - y) / v.GetPitchY(), v.GetCountY()),
            NearestIndex((v.GetMaxZ() - z) / v.GetPitchZ(), v.GetCountZ())};
}

VoxelIndex CentreVoxel(const CVolume& v) {
    if (!v.IsAllocated()) return {};
    return {(v.GetCountX() - 1) / 2, (v.GetCountY() - 1) / 2, (v.GetCountZ() - 1) / 2};
}

std::array<double, 9> MipCamera::Rotation() const {
    const double y = yaw * kPi / 180, p = pitch * kPi / 180;
    const double cy = std::cos(y), sy = std::sin(y), cp = std::cos(p), sp = std::sin(p);
    // Rx(pitch) Ry(yaw)
    return {cy, 0, sy, sp * sy, cp, -sp * cy, -cp * sy, sp, cp * cy};
}

void MipCamera::Drag(double dx, double dy) {
    yaw = std::fmod(yaw + 0.5 * dx, 360.0);
    pitch = std::clamp(pitch + 0.5 * dy, -90.0, 90.0);
}

void MipCamera::Wheel(int angleDelta) {
    zoom = std::clamp(zoom * std::pow(1.25, angleDelta / 120.0), kMinZoom, kMaxZoom);
}

std::array<double, 2> MipCamera::Project(const CVolume& volume, const std::array<double, 3>& world, int w,
                                         int h) const {
    const double radius = HalfDiagonal(volume);
    const std::array<double, 9> m = Rotation();
    const double scale = radius > 0 ? zoom / radius : 0;
    const double ex = scale * (m[0] * world[0] + m[1] * world[1] + m[2] * world[2]);
    const double ey = scale * (m[3] * world[0] + m[4] * world[1] + m[5] * world[2]);
    const double s = std::min(w, h);
    return {w / 2.0 + ex * s / 2, h / 2.0 - ey * s / 2};
}

double HalfDiagonal(const CVolume& v) {
    return 0.5 * std::sqrt(v.GetDimX() * v.GetDimX() + v.GetDimY() * v.GetDimY() + v.GetDimZ() * v.GetDimZ());
}

MipTexture MakeMipTexture(const CVolume& v, std::uint32_t maxSide, std::uint64_t maxTexels) {
    MipTexture t;
    if (!v.IsAllocated() || maxSide == 0 || maxTexels == 0) return t;
    const std::uint32_t n[3] = {v.GetCountX(), v.GetCountY(), v.GetCountZ()};
    std::uint32_t f = 1;
    const auto fits = [&](std::uint32_t g) {
        const std::uint64_t a = CeilDiv(n[0], g), b = CeilDiv(n[1], g), c = CeilDiv(n[2], g);
        return a <= maxSide && b <= maxSide && c <= maxSide && a * b * c <= maxTexels;
    };
    while (!fits(f)) ++f;
    t.factor = f;
    t.nX = CeilDiv(n[0], f);
    t.nY = CeilDiv(n[1], f);
    t.nZ = CeilDiv(n[2], f);
    if (f == 1) {
        t.data = v.GetVoxels();
        return t;
    }
    for (int a = 0; a < 3; ++a) {
        const std::uint32_t texels = a == 0 ? t.nX : a == 1 ? t.nY : t.nZ;
        t.coverage[a] = static_cast<double>(n[a]) / (static_cast<double>(texels) * f);
    }
    t.reduced.assign(std::size_t{t.nX} * t.nY * t.nZ, -INFINITY);
    const float* voxels = v.GetVoxels();
    // One pass in voxel order; NaNs never win a comparison, so they drop out.
    std::size_t index = 0;
    for (std::uint32_t k = 0; k < n[2]; ++k)
        for (std::uint32_t j = 0; j < n[1]; ++j) {
            float* row = t.reduced.data() + std::size_t{t.nX} * (j / f + std::size_t{t.nY} * (k / f));
            for (std::uint32_t i = 0; i < n[0]; ++i, ++index) row[i / f] = std::max(row[i / f], voxels[index]);
        }
    t.data = t.reduced.data();
    return t;
}

int MipSteps(const MipTexture& t, bool coarse) {
    const double x = t.nX, y = t.nY, z = t.nZ;
    const double diagonal = std::sqrt(x * x + y * y + z * z);
    // Two samples per texel, but no more than one per texel past 512 (a
    // large volume has little to gain and much time to lose).
    const int once = static_cast<int>(std::ceil(diagonal)), twice = static_cast<int>(std::ceil(2 * diagonal));
    const int fine = std::max(16, std::min(twice, std::max(once, kMaxFineSteps)));
    return coarse ? std::max(16, fine / 4) : fine;
}

}  // namespace voxmill
