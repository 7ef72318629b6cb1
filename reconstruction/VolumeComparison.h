// How far a volume is from a reference on the same grid: the figures a
// reconstruction is judged by against its ground truth (a phantom
// voxelized on its grid), and the difference volume.
//
// With d = test - reference over the voxels measured:
//   RMSE sqrt(mean d^2), MAE mean |d|, maximum |d|, bias mean d,
//   PSNR 20 log10(L / RMSE), L the reference's value range over the whole
//   volume (1 when it is flat), infinite for identical volumes;
//   SSIM the mean over measured voxels of
//     (2 ma mb + C1)(2 sab + C2) / ((ma^2 + mb^2 + C1)(sa^2 + sb^2 + C2)),
//   the means, variances and covariance taken over the w x w x w box about
//   the voxel (7 on each side, or the side's count when it is shorter: an
//   image is one layer of 7 x 7 boxes; divided by the box's size), C1 = (0.01 L)^2, C2 = (0.03 L)^2, for the voxels whose box lies
//   inside the volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace voxmill {

struct VolumeComparison {
    std::size_t voxels = 0;  // voxels measured
    double rmse = 0, mae = 0, maxAbs = 0, bias = 0, psnr = 0;
    double ssim = 0;  // not a number when no box fits
    std::size_t ssimVoxels = 0;

    // nX * nY * nZ floats each, i fastest; `mask` (one flag per voxel, or
    // empty for all) chooses the voxels measured.
    static VolumeComparison Measure(const float* reference, const float* test, std::uint32_t nX, std::uint32_t nY,
                                    std::uint32_t nZ, const std::vector<char>& mask);

    // Lines "RMSE: ..." and so on, for the command line and the report dialog.
    std::string Describe() const;

    static constexpr std::uint32_t kSsimWindow = 7;
};

}  // namespace voxmill
