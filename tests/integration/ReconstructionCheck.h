// The one yardstick of the end-to-end reconstruction tests: a reconstructed
// volume against the same phantom voxelized into the same grid, both in MU
// per world unit.
//
// Everything is measured inside the field of view of the circular scan (the
// part of space every projection sees; the renderer leaves the rest at 0).
// The background is the part of the field of view that lies more than a
// clearance away from every element of the phantom, so that what is
// measured there is halo (a constant offset, streaks, the tails of a badly
// scaled filter) and not the blur of an edge.
//
// Voxel centres follow the volume's layout: x = xMin + i pitchX,
// y = yMax - j pitchY, z = zMax - k pitchZ, y being the rotation axis.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace voxmill {

class CPhantom;
class CVolume;

namespace test {

// The cylinder about the rotation axis that the whole detector width sees,
// cut by the ellipsoid of revolution its height allows: inside when
// x^2 + z^2 < r^2 and rho y^2 + x^2 + z^2 < r^2.
struct ScanFieldOfView {
    double r2 = 0;   // r^2 = R^2 W^2 / (4 D^2 + W^2), world units^2
    double rho = 0;  // r^2 over R^2 H^2 / (4 D^2 + H^2)

    // R source-axis distance, D source-detector distance, W x H detector size.
    static ScanFieldOfView From(double R, double D, double W, double H);
    bool Contains(double x, double y, double z) const;
};

// One flag per voxel, in voxel order.
using VoxelMask = std::vector<char>;

struct ReconstructionFigures {
    std::size_t fieldVoxels = 0;
    double meanAbsError = 0;  // mean |recon - reference| over the field of view
    // Least-squares factor s minimising sum (recon - s reference)^2 over the
    // interior (voxels whose whole neighbourhood is one MU in the
    // reference), where blur does not enter.
    double scale = 0;
    // sum recon / sum reference over the field of view: the total
    // attenuation, which blur conserves.
    double massRatio = 0;
    std::size_t regionVoxels = 0;
    double regionMean = 0;           // mean recon over the region asked for
    double regionReference = 0;      // mean reference over the same voxels
    std::size_t backgroundVoxels = 0;
    double backgroundMean = 0;       // mean recon over the background (its sign)
    double backgroundMeanAbs = 0;    // mean |recon| over the background

    std::string Describe() const;
};

// How far apart two volumes of one grid are.
struct VolumeDifference {
    double peak = 0;         // largest |a|
    double largest = 0;      // largest |a - b|
    std::size_t beyond = 0;  // voxels where |a - b| > 1e-5 peak

    double Relative() const { return peak > 0 ? largest / peak : largest; }
};

class CReconstructionCheck {
public:
    // Neighbourhood half-width, in voxels, of the interior the scale is fitted on.
    static constexpr int kInteriorMargin = 2;
    // Clearance, in voxels of the largest pitch, that keeps the background
    // off every element's edge.
    static constexpr double kClearanceVoxels = 3;

    // `reference` is the phantom voxelized into the grid the reconstructions
    // share; both must outlive the check.
    CReconstructionCheck(const CVolume& reference, const CPhantom& phantom, const ScanFieldOfView& fov);

    // Voxels of the field of view whose (2 margin + 1)^3 neighbourhood all
    // holds `mu` in the reference (to float rounding of summed elements).
    VoxelMask UniformRegion(float mu, int margin) const;

    ReconstructionFigures Measure(const CVolume& recon, const VoxelMask& region) const;

    static VolumeDifference Compare(const CVolume& a, const CVolume& b);

    const VoxelMask& FieldOfView() const { return m_field; }
    const VoxelMask& Background() const { return m_background; }
    const VoxelMask& Interior() const { return m_interior; }

private:
    bool IsUniformAround(int i, int j, int k, float mu, int margin) const;

    const CVolume& m_reference;
    VoxelMask m_field;
    VoxelMask m_background;
    VoxelMask m_interior;
};

}  // namespace test
}  // namespace voxmill
