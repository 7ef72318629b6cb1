// What the volume window shows, without a display: the three orthogonal
// planes through a cursor voxel, the mapping between voxels and world
// points, and the camera and texture of the maximum-intensity projection.
//
// The planes are oriented as the slicing commands cut them, so a pane
// matches the slice of the same layer pixel for pixel. Pixel (column c,
// row r; row 0 on top) of the plane through the cursor takes voxel
//   X plane (i fixed): (i, nY - 1 - c, r)   nY x nZ pixels, +y right, +z up
//   Y plane (j fixed): (c, j, r)            nX x nZ pixels, +x right, +z up
//   Z plane (k fixed): (c, r, k)            nX x nY pixels, +x right, +y up
// A plane's index is the voxel index along its axis (i, j or k), not the
// slice number: X slice s is plane nX - 1 - s.
//
// The maximum-intensity projection looks at the box through an
// orthographic camera (MipCamera); its angles are in degrees.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace voxmill {

class CVolume;

struct VoxelIndex {
    std::uint32_t i = 0, j = 0, k = 0;
    bool operator==(const VoxelIndex& o) const { return i == o.i && j == o.j && k == o.k; }
};

struct PlaneSize {
    std::uint32_t columns = 0, rows = 0;
    double width = 0, height = 0;  // world units
};

// Columns, rows and physical extent of the planes across `axis` (0 X, 1 Y,
// 2 Z); all zero for an empty volume. Throws std::invalid_argument for
// another axis, as do the functions below.
PlaneSize PlaneSizeOf(const CVolume& volume, std::uint32_t axis);
// The number of planes across the axis (nX, nY or nZ; 0 when empty).
std::uint32_t PlaneCount(const CVolume& volume, std::uint32_t axis);
// The cursor's index along the axis.
std::uint32_t PlaneIndex(const VoxelIndex& cursor, std::uint32_t axis);
// The cursor with its index along the axis replaced.
VoxelIndex WithPlaneIndex(VoxelIndex cursor, std::uint32_t axis, std::uint32_t index);

// The voxel under pixel (c, r) of the plane across `axis` through
// `cursor`; the pixel must lie in the plane.
VoxelIndex PlaneVoxel(const CVolume& volume, std::uint32_t axis, const VoxelIndex& cursor, std::uint32_t c,
                      std::uint32_t r);
// The pixel (c, r) at which a voxel lies in the planes across `axis`.
void PlanePixel(const CVolume& volume, std::uint32_t axis, const VoxelIndex& voxel, std::uint32_t& c,
                std::uint32_t& r);
// The voxels of plane `index` across `axis`, row-major; empty when the
// volume is empty or the index is out of range.
std::vector<float> ExtractPlane(const CVolume& volume, std::uint32_t axis, std::uint32_t index);

// The world point of a voxel's centre: x = xMin + i pitchX, y = yMax -
// j pitchY, z = zMax - k pitchZ.
std::array<double, 3> VoxelCentre(const CVolume& volume, const VoxelIndex& voxel);
// The voxel whose centre is nearest to a world point, clamped into the box
// (the centre voxel for NaN coordinates); zeros for an empty volume.
VoxelIndex NearestVoxel(const CVolume& volume, double x, double y, double z);
// The middle voxel, (n - 1) / 2 on each axis.
VoxelIndex CentreVoxel(const CVolume& volume);

// The projection's camera. A world point p, scaled by the box's half
// diagonal R to q = p / R (so the box fits a unit sphere), goes to
//   eye = zoom Rx(pitch) Ry(yaw) q
// and eye (x, y) to pixel (w / 2 + x s / 2, h / 2 - y s / 2) of a w x h
// picture, s = min(w, h), looking along -z of eye space. At yaw = pitch =
// 0 the picture shows +x right and +y up, seen from +z (where the source
// stands at angle 0); a yaw of 90 degrees brings +z to the right.
struct MipCamera {
    double yaw = 0, pitch = 0;  // degrees
    double zoom = 1;

    static constexpr double kMinZoom = 0.25, kMaxZoom = 16;

    // Eye-from-world rotation, row-major; its transpose turns eye
    // directions back into world ones.
    std::array<double, 9> Rotation() const;
    // Turns the view by a drag of (dx, dy) pixels (half a degree each),
    // pitch kept within +-90 degrees.
    void Drag(double dx, double dy);
    // One wheel notch (120 units) in or out scales the zoom by 1.25, kept
    // within its limits.
    void Wheel(int angleDelta);
    // Where a world point lands in a w x h picture (continuous pixel
    // coordinates, the top-left corner at (0, 0)).
    std::array<double, 2> Project(const CVolume& volume, const std::array<double, 3>& world, int w, int h) const;
};

// The box's half diagonal in world units (0 when empty).
double HalfDiagonal(const CVolume& volume);

// The voxels as the projection uploads them: the volume itself when it
// fits, otherwise reduced by a whole factor f per axis, each texel the
// largest voxel of its f x f x f block (a maximum projection keeps its
// maxima). `data` points into the volume or into `reduced`; `coverage` is
// the part of the texture each axis of the box fills (n / (texels f), 1
// when unreduced).
struct MipTexture {
    std::uint32_t nX = 0, nY = 0, nZ = 0;
    std::uint32_t factor = 1;
    std::array<double, 3> coverage{1, 1, 1};
    const float* data = nullptr;
    std::vector<float> reduced;
};
// Each side at most maxSide texels and nX nY nZ at most maxTexels.
MipTexture MakeMipTexture(const CVolume& volume, std::uint32_t maxSide, std::uint64_t maxTexels);

// Samples along a ray across the unit sphere: two per texel of the box's
// diagonal when fine (but not more than 512, or one per texel if that is
// more), a quarter of that while the user turns the view; at least 16.
int MipSteps(const MipTexture& texture, bool coarse);

}  // namespace voxmill
