// The voxel grid of the target volume with the voxel centre coordinates the
// renderer loops over. Coordinates are floats advanced by one pitch per
// voxel from the first centre (x from xMin up, y from yMax down, z from
// zMax down), exactly as the loops of the reconstruction step them, so
// every pass sees the same values.
#pragma once

#include <cstddef>
#include <vector>

#include "contract/Volume.h"

namespace voxmill {

class CVolumeGrid {
public:
    LONG nX = 0, nY = 0, nZ = 0;
    float* voxels = nullptr;  // nX * nY * nZ floats, owned by the volume
    std::vector<float> x, y, z;
    std::vector<double> x2;  // x[i]^2, exact in double
    int iNearestAxis = 0;    // an index of the smallest x[i]^2

    // Reads the volume. E_FAIL when a getter fails, the buffer is null or
    // the coordinate tables cannot be made; E_INVALIDARG for empty counts,
    // more voxels than memory can index, or non-finite coordinates.
    static HRESULT Read(IVolume* volume, CVolumeGrid* grid);

    std::size_t SlabSize() const { return static_cast<std::size_t>(nX) * static_cast<std::size_t>(nY); }
    std::size_t VoxelCount() const { return SlabSize() * static_cast<std::size_t>(nZ); }
    float* Slab(int k) const { return voxels + SlabSize() * static_cast<std::size_t>(k); }
};

}  // namespace voxmill
