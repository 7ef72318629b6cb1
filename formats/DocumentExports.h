// The documents' exports to the formats other tools read: volumes to
// HDF5, TIFF, MetaImage and NRRD; slice and projection collections to HDF5
// and TIFF stacks. Every export replaces its file atomically and throws
// (CFileException or std::runtime_error) with the previous file kept.
#pragma once

#include <string>
#include <vector>

#include "formats/StackGeometry.h"

namespace voxmill {

class CProjectionCollection;
class CSliceCollection;
class CVolume;

// Voxel (i, j, k) as sample (c, r, k): origin at the first voxel's centre
// (xMin, yMax, zMax), axes +x, -y, -z, the pitches as spacing.
StackGeometry VolumeStackGeometry(const CVolume& volume);

// "/volume", float32 (nZ, nY, nX), chunked one z layer at a time, with the
// attributes voxel_size, origin (x, y, z of the first voxel's centre),
// direction (3 x 3, row n the world direction of index n in x, y, z order:
// i, j, k), extent, units and, when the volume carries them, renderer and
// renderer_options ("NAME=VALUE" strings).
void ExportVolumeHdf5(const CVolume& volume, const std::string& path, int deflateLevel = 0);
void ExportVolumeTiff(const CVolume& volume, const std::string& path);
void ExportVolumeMetaImage(const CVolume& volume, const std::string& path);
void ExportVolumeNrrd(const CVolume& volume, const std::string& path);

// Every slice, all of one size, as "/slices" (N, rows, columns) with
// pixel_size, axis ("x", "y" or "z") and positions (along that axis).
void ExportSlicesHdf5(CSliceCollection& slices, const std::string& path, int deflateLevel = 0);
void ExportSlicesTiff(CSliceCollection& slices, const std::string& path);

// "/projections" (N, rows, columns) float32 as the images store them, and
// per projection the data sets source, detector_centre, detector_h,
// detector_v (N x 3) and detector_size (N x 2: width, height), enough to
// reconstruct from the file alone. Every member must load and have the
// same pixel counts.
void ExportProjectionsHdf5(CProjectionCollection& collection, const std::string& path, int deflateLevel = 0);
void ExportProjectionsTiff(CProjectionCollection& collection, const std::string& path);

}  // namespace voxmill
