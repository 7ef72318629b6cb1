// A volume measured against its reference: the grid test, the field of
// view, the figures and the difference volume d = test - reference, and
// the phantom voxelized on a volume's grid by a renderer's Synthesize.
// The command line and the volume window both go through these, so they
// give the same numbers and the same voxels.
#pragma once

#include <string>
#include <vector>
#include <memory>

#include "reconstruction/VolumeComparison.h"

namespace voxmill {

class CDocTemplate;
class CDocument;
class CVolume;

// Same voxel counts and the same box, within 1e-6 of the larger of 1 and
// the extent.
bool ShareGrid(const CVolume& a, const CVolume& b);

// The voxels a renderer reached: every voxel of `test` that is not exactly 0.
std::vector<char> FieldOfViewMask(const CVolume& test);

// The figures of `test` against `reference` over the field of view or the
// whole volume. Throws std::invalid_argument when the two do not share a
// grid or either holds no voxels.
VolumeComparison CompareVolumes(const CVolume& reference, const CVolume& test, bool fieldOfView);

// Allocates `difference` on test's grid and fills it with test - reference.
// Throws std::invalid_argument as CompareVolumes, std::runtime_error when
// the volume cannot be allocated.
void MakeDifferenceVolume(const CVolume& reference, const CVolume& test, CVolume& difference);

// The phantom (or any target a renderer synthesizes) voxelized on grid's
// box and counts by the registered renderer named; the volume belongs to
// `volumeTemplate` when one is given. Throws std::runtime_error naming
// what failed (renderer unknown or not loadable, allocation, run).
std::unique_ptr<CVolume> VoxelizeOnGrid(CDocument& phantom, const CVolume& grid, const std::string& rendererName,
                                        CDocTemplate* volumeTemplate = nullptr);

// "measured: field of view" (or "whole volume") and the figures' lines,
// as the command line prints them.
std::string DescribeComparison(const VolumeComparison& figures, bool fieldOfView);

}  // namespace voxmill
